#include "ui/MainDialog.h"

#include "ui/ApplicationIcon.h"
#include "ui/ElidedLabel.h"
#include "ui/InputListDelegate.h"
#include "ui/PreviewPane.h"
#include "ui/QtUiServices.h"
#include "ui/Resources.h"
#include "ui/WindowMenu.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QSplitter>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

namespace kestrel::ui {
namespace {

constexpr std::array kTransformIds = {IDC_ROT_CW, IDC_ROT_ACW, IDC_ROT_180, IDC_MIRROR_X, IDC_MIRROR_Y};

// The window's first size, in average characters and lines of its font,
// when none is remembered; never more than the screen has room for.
constexpr int kFirstWidthChars = 150;
constexpr int kFirstHeightLines = 46;

// The transform's radio button caption, with its access key.
QString RadioCaption(RotationMode mode)
{
    switch (mode) {
    case RotationMode::Clockwise90: return MainDialog::tr("90° &Clockwise");
    case RotationMode::Anticlockwise90: return MainDialog::tr("90° A&nticlockwise");
    case RotationMode::Rotate180: return MainDialog::tr("18&0°");
    case RotationMode::MirrorX: return MainDialog::tr("Mirror &X");
    case RotationMode::MirrorY: return MainDialog::tr("Mirror &Y");
    }
    return {};
}

}  // namespace

QString TransformCaption(RotationMode mode)
{
    switch (mode) {
    case RotationMode::Clockwise90: return MainDialog::tr("90° Clockwise");
    case RotationMode::Anticlockwise90: return MainDialog::tr("90° Anticlockwise");
    case RotationMode::Rotate180: return MainDialog::tr("180°");
    case RotationMode::MirrorX: return MainDialog::tr("Mirror X");
    case RotationMode::MirrorY: return MainDialog::tr("Mirror Y");
    }
    return {};
}

MainDialog::MainDialog(ServicesFactory makeServices, BatchController::Conversion convert)
    : QDialog(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                           Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("MainDialog"));
    setWindowTitle(QString::fromUtf8(kAppTitle));
    setWindowIcon(ApplicationIcon());
    setAcceptDrops(true);
    setSizeGripEnabled(true);
    CreateControls();

    progressTimer_.setObjectName(QStringLiteral("ProgressTimer"));
    connect(&progressTimer_, &QTimer::timeout, this, &MainDialog::OnTimer);

    services_ = makeServices ? makeServices(*this) : std::make_unique<QtUiServices>(*this);
    rules_ = std::make_unique<MainDialogRules>(*services_);
    controller_ = std::make_unique<BatchController>(*services_, std::move(convert));

    AddAboutItem(*this, [this] { OnSysCommand(IDM_ABOUTBOX); });
    rules_->SetStartState();
    ShowDestinationFields();
    RestoreGeometry();

    // The preview follows the list, the selection and the transforms.
    connect(inputList_, &QListWidget::itemSelectionChanged, this, &MainDialog::OnSelectionChanged);
    connect(inputList_->model(), &QAbstractItemModel::rowsInserted, this, &MainDialog::UpdatePreview);
    connect(inputList_->model(), &QAbstractItemModel::rowsRemoved, this, &MainDialog::UpdatePreview);
    connect(inputList_->model(), &QAbstractItemModel::modelReset, this, &MainDialog::UpdatePreview);
    for (int id : kTransformIds) {
        auto* radio = qobject_cast<QRadioButton*>(Control(id));
        const RotationMode mode = static_cast<RotationMode>(radio->property("mode").toInt());
        connect(radio, &QRadioButton::toggled, this, [this, radio, mode](bool checked) {
            // Tab stops at the checked transform only; the arrow keys reach the others.
            radio->setFocusPolicy(checked ? Qt::StrongFocus : Qt::ClickFocus);
            if (checked)
                OnTransformChosen(mode);
        });
        radio->setFocusPolicy(radio->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
    }
    UpdatePreview();
}

MainDialog::~MainDialog()
{
    // The worker is brought down before any widget goes.
    controller_.reset();
    // The widgets going down must not reach the preview of a dialog that is
    // already gone.
    inputList_->model()->disconnect(this);
    inputList_->disconnect(this);
    for (int id : kTransformIds)
        Control(id)->disconnect(this);
}

void MainDialog::CreateControls()
{
    auto keep = [&](int id, QWidget* widget) {
        controls_[id] = widget;
        return widget;
    };
    auto button = [&](int id, const QString& text) {
        auto* push = new QPushButton(text, this);
        push->setObjectName(QStringLiteral("button%1").arg(id));
        keep(id, push);
        return push;
    };
    auto label = [&](const QString& text, QWidget* buddy) {
        auto* caption = new QLabel(text, this);
        caption->setBuddy(buddy);
        return caption;
    };

    // The list and its buttons.
    inputList_ = new QListWidget(this);
    inputList_->setObjectName(QStringLiteral("inputList"));
    inputList_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    inputList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    inputList_->setSortingEnabled(false);
    inputList_->setUniformItemSizes(true);
    inputList_->setItemDelegate(new InputListDelegate(inputList_));
    inputList_->setMinimumHeight(inputList_->fontMetrics().lineSpacing() * 6);
    // Item views take their accessible name only from the property.
    inputList_->setAccessibleName(tr("Input Files"));
    inputList_->installEventFilter(this);
    keep(IDC_INPUT_LIST, inputList_);
    QLabel* inputLabel = label(tr("&Input Files:"), inputList_);
    QPushButton* add = button(IDC_ADD, tr("&Add..."));
    connect(add, &QPushButton::clicked, this, &MainDialog::OnAdd);
    QPushButton* remove = button(IDC_REMOVE, tr("&Remove"));
    connect(remove, &QPushButton::clicked, this, &MainDialog::OnRemove);
    QPushButton* clearFinished = button(IDC_CLEAR_FINISHED, tr("Clear &Finished"));
    clearFinished->setToolTip(tr("Take the converted, skipped and failed files off the list"));
    connect(clearFinished, &QPushButton::clicked, this, &MainDialog::OnClearFinished);
    // Ctrl+O adds, like "Add..."; the list's context menu removes and clears.
    auto* open = new QShortcut(QKeySequence::Open, this);
    connect(open, &QShortcut::activated, this, &MainDialog::OnAdd);
    auto* removeAction = new QAction(tr("&Remove"), inputList_);
    connect(removeAction, &QAction::triggered, this, &MainDialog::OnRemove);
    auto* clearAction = new QAction(tr("Clear &Finished"), inputList_);
    clearAction->setObjectName(QStringLiteral("clearFinishedAction"));
    connect(clearAction, &QAction::triggered, this, &MainDialog::OnClearFinished);
    inputList_->addActions({removeAction, clearAction});
    inputList_->setContextMenuPolicy(Qt::ActionsContextMenu);

    // Where the converted files go.
    auto* destination = new QComboBox(this);
    destination->setObjectName(QStringLiteral("destination"));
    destination->addItems(
        {tr("Into the output directory"), tr("Beside each file, with a suffix"), tr("Replacing each file")});
    destination->setAccessibleName(tr("Write converted files"));
    keep(IDC_DEST_KIND, destination);
    connect(destination, &QComboBox::currentIndexChanged, this, &MainDialog::ShowDestinationFields);
    QLabel* destinationLabel = label(tr("&Write:"), destination);

    auto* outputDir = new QLineEdit(this);
    outputDir->setObjectName(QStringLiteral("outputDirectory"));
    // Files dropped on it go to the list like those dropped anywhere else.
    outputDir->setAcceptDrops(false);
    outputDir->setAccessibleName(tr("Output Directory"));
    keep(IDC_OUTPUT_DIR, outputDir);
    QLabel* outputLabel = label(tr("&Output Directory:"), outputDir);
    QPushButton* browse = button(IDC_BROWSE, tr("&Browse..."));
    browse->setAccessibleName(tr("Choose Output Directory"));
    connect(browse, &QPushButton::clicked, this, &MainDialog::OnBrowseOutputDirectory);
    folderRow_ = {outputLabel, outputDir, browse};

    auto* suffix = new QLineEdit(this);
    suffix->setObjectName(QStringLiteral("suffix"));
    suffix->setAcceptDrops(false);
    suffix->setPlaceholderText(tr("-cw, -acw, ... after the transform"));
    suffix->setAccessibleName(tr("Suffix"));
    keep(IDC_SUFFIX, suffix);
    QLabel* suffixLabel = label(tr("S&uffix:"), suffix);
    suffixRow_ = {suffixLabel, suffix};

    auto* existing = new QComboBox(this);
    existing->setObjectName(QStringLiteral("whenExists"));
    existing->addItems({tr("Ask"), tr("Replace it"), tr("Skip the file")});
    existing->setAccessibleName(tr("If a file exists"));
    keep(IDC_EXISTING, existing);
    QLabel* existingLabel = label(tr("If a file &exists:"), existing);

    auto* salvage = new QCheckBox(tr("Re&peat the frame before each damaged frame"), this);
    salvage->setObjectName(QStringLiteral("salvage"));
    salvage->setToolTip(tr("Convert files with frames that cannot be decoded, instead of refusing them"));
    keep(IDC_SALVAGE, salvage);

    // The five transforms form one group: checking one unchecks the others,
    // the arrow keys move among them and Tab stops at the checked one. Their
    // box names the group for screen readers.
    auto* group = new QGroupBox(tr("Transform"), this);
    group->setObjectName(QStringLiteral("transforms"));
    group->setAccessibleName(tr("Transform"));
    group->setFlat(true);
    auto* transforms = new QButtonGroup(this);
    auto* radios = new QGridLayout(group);
    auto radio = [&](RotationMode mode, int row, int column) {
        const int id = RadioButtonId(mode);
        auto* button = new QRadioButton(RadioCaption(mode), group);
        button->setObjectName(QStringLiteral("radio%1").arg(id));
        button->setProperty("mode", int(mode));
        transforms->addButton(button, id);
        radios->addWidget(button, row, column);
        keep(id, button);
        return button;
    };
    QRadioButton* mirrorX = radio(RotationMode::MirrorX, 0, 0);
    QRadioButton* mirrorY = radio(RotationMode::MirrorY, 1, 0);
    QRadioButton* clockwise = radio(RotationMode::Clockwise90, 0, 1);
    QRadioButton* anticlockwise = radio(RotationMode::Anticlockwise90, 1, 1);
    QRadioButton* halfTurn = radio(RotationMode::Rotate180, 2, 1);
    // The buttons keep their own width: a click beside a caption is no click on it.
    radios->setColumnStretch(2, 1);

    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("progress"));
    progress_->setAccessibleName(tr("Conversion progress"));
    progress_->setRange(0, 100);
    progress_->setValue(0);
    keep(IDC_PROGRESS, progress_);

    QPushButton* quit = button(IDC_QUIT, tr("&Quit"));
    connect(quit, &QPushButton::clicked, this, &MainDialog::OnQuit);
    QPushButton* go = button(IDC_GO, tr("&Go"));
    go->setDefault(true);
    connect(go, &QPushButton::clicked, this, &MainDialog::OnGoStop);

    // How the last batch ended.
    statusLine_ = new ElidedLabel(2, this);
    statusLine_->setObjectName(QStringLiteral("statusLine"));
    openFolder_ = new QPushButton(tr("Open Fol&der"), this);
    openFolder_->setObjectName(QStringLiteral("openFolder"));
    openFolder_->hide();
    connect(openFolder_, &QPushButton::clicked, this, &MainDialog::OnOpenFolder);

    // Laid out in the order above: the list row takes the height.
    auto* form = new QWidget(this);
    auto* grid = new QGridLayout(form);
    grid->setContentsMargins(0, 0, 0, 0);
    auto* listButtons = new QVBoxLayout;
    for (QWidget* widget :
         {static_cast<QWidget*>(add), static_cast<QWidget*>(remove), static_cast<QWidget*>(clearFinished)})
        listButtons->addWidget(widget);
    listButtons->addStretch();
    grid->addWidget(inputLabel, 0, 0, Qt::AlignTop | Qt::AlignRight);
    grid->addWidget(inputList_, 0, 1);
    grid->addLayout(listButtons, 0, 2);
    grid->addWidget(destinationLabel, 1, 0, Qt::AlignRight);
    grid->addWidget(destination, 1, 1);
    grid->addWidget(outputLabel, 2, 0, Qt::AlignRight);
    grid->addWidget(outputDir, 2, 1);
    grid->addWidget(browse, 2, 2);
    grid->addWidget(suffixLabel, 3, 0, Qt::AlignRight);
    grid->addWidget(suffix, 3, 1);
    grid->addWidget(existingLabel, 4, 0, Qt::AlignRight);
    grid->addWidget(existing, 4, 1);
    grid->addWidget(salvage, 5, 1);
    grid->addWidget(group, 6, 1);
    grid->addWidget(progress_, 7, 0, 1, 3);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(quit);
    buttons->addWidget(go);
    buttons->addStretch();
    grid->addLayout(buttons, 8, 0, 1, 3);
    auto* status = new QHBoxLayout;
    status->addWidget(statusLine_, 1);
    status->addWidget(openFolder_, 0, Qt::AlignTop);
    grid->addLayout(status, 9, 0, 1, 3);
    grid->setRowStretch(0, 1);
    grid->setColumnStretch(1, 1);

    preview_ = new PreviewPane(this);
    splitter_ = new QSplitter(Qt::Horizontal, this);
    splitter_->setObjectName(QStringLiteral("splitter"));
    splitter_->setChildrenCollapsible(false);
    splitter_->addWidget(form);
    splitter_->addWidget(preview_);
    splitter_->setStretchFactor(0, 3);
    splitter_->setStretchFactor(1, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(splitter_);

    // Tab follows the layout: top to bottom, left to right; Go before Quit,
    // as Enter runs it.
    const std::array<QWidget*, 18> order = {
        inputList_, add,     remove,  clearFinished, destination,   outputDir, browse, suffix, existing,
        salvage,    mirrorX, mirrorY, clockwise,     anticlockwise, halfTurn,  go,     quit,   openFolder_};
    for (size_t i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void MainDialog::RestoreGeometry()
{
    const std::optional<std::string> saved = services_->ReadSetting(kGeometryKey);
    if (saved && restoreGeometry(QByteArray::fromBase64(QByteArray::fromStdString(*saved))))
        return;
    const QFontMetrics metrics(font());
    QSize size(metrics.averageCharWidth() * kFirstWidthChars, metrics.lineSpacing() * kFirstHeightLines);
    size = size.expandedTo(minimumSizeHint());
    if (const QScreen* screen = QApplication::primaryScreen())
        size = size.boundedTo(screen->availableSize());
    resize(size);
}

void MainDialog::SaveGeometry() { services_->WriteSetting(kGeometryKey, saveGeometry().toBase64().toStdString()); }

QWidget* MainDialog::Control(int id) const
{
    const auto found = controls_.find(id);
    return found == controls_.end() ? nullptr : found->second;
}

QLabel* MainDialog::StatusLine() const { return statusLine_; }

void MainDialog::ShowDestinationFields()
{
    const int kind = qobject_cast<QComboBox*>(Control(IDC_DEST_KIND))->currentIndex();
    for (QWidget* widget : folderRow_)
        widget->setVisible(kind == int(DestinationKind::Folder));
    for (QWidget* widget : suffixRow_)
        widget->setVisible(kind == int(DestinationKind::Suffix));
}

void MainDialog::OnGoStop()
{
    if (!controller_->IsBatchRunning())
        rules_->SaveSettings();
    controller_->OnGoStop();
}

void MainDialog::OnTimer() { controller_->OnTimer(); }

void MainDialog::OnQuit()
{
    if (controller_->IsBatchRunning() &&
        !services_->AskYesNo(tr("A conversion is running. Stop it and quit?").toStdString()))
        return;
    rules_->SaveSettings();
    SaveGeometry();
    // A running conversion stops at its next chunk; what it wrote stays.
    controller_->StopAndWait();
    QDialog::reject();
}

void MainDialog::reject() { OnQuit(); }

void MainDialog::QuitOnSignal(int signalNumber)
{
    if (exitStatus_ != 0)
        return;
    exitStatus_ = 128 + signalNumber;
    rules_->SaveSettings();
    SaveGeometry();
    controller_->StopAndWait();
    done(exitStatus_);
}

void MainDialog::OnAdd() { rules_->AddChosenFiles(); }

void MainDialog::OnBrowseOutputDirectory() { rules_->ChooseOutputDirectory(); }

void MainDialog::OnRemove()
{
    if (!controller_->IsBatchRunning())
        rules_->RemoveSelectedFile();
}

void MainDialog::OnClearFinished()
{
    if (!controller_->IsBatchRunning())
        rules_->ClearFinished();
}

void MainDialog::OnDropFiles(const std::vector<std::string>& names) { rules_->AddDroppedFiles(names); }

void MainDialog::OnSysCommand(int command)
{
    if ((command & 0xFFF0) == IDM_ABOUTBOX)
        services_->ShowAbout();
}

void MainDialog::OnOpenFolder()
{
    if (outcomeFolder_.empty() || services_->OpenFolder(outcomeFolder_))
        return;
    services_->ShowErrorMessage(tr("No file manager could be started to open %1. The converted files are there.")
                                    .arg(QFile::decodeName(QByteArray::fromStdString(outcomeFolder_)))
                                    .toStdString());
}

void MainDialog::ShowOutcome(const QString& text, const std::string& folder)
{
    statusLine_->SetAnnouncedText(text);
    outcomeFolder_ = folder;
    openFolder_->setVisible(!folder.empty());
}

void MainDialog::OnTransformChosen(RotationMode mode)
{
    if (!followingSelection_ && controller_)
        rules_->ApplyTransform(mode);
    UpdatePreview();
}

void MainDialog::OnSelectionChanged()
{
    if (!controller_)
        return;
    const std::vector<int> rows = services_->ListSelectedRows();
    if (rows.size() == 1) {
        if (const std::optional<RotationMode> mode = services_->ListTransform(rows.front())) {
            followingSelection_ = true;
            services_->SetChecked(RadioButtonId(*mode));
            followingSelection_ = false;
        }
    }
    UpdatePreview();
}

void MainDialog::UpdatePreview()
{
    if (!controller_)
        return;
    const int selected = services_->ListSelection();
    const int row = selected >= 0 ? selected : 0;
    if (row >= services_->ListCount()) {
        preview_->ShowNothing();
        return;
    }
    const RotationMode mode = controller_->RowMode(row);
    preview_->ShowFile(services_->ListText(row), mode, TransformCaption(mode));
}

bool MainDialog::eventFilter(QObject* watched, QEvent* event)
{
    // Delete does what "Remove" does, and only when "Remove" could.
    if (watched == inputList_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Delete)) {
        if (Control(IDC_REMOVE)->isEnabled())
            OnRemove();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void MainDialog::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void MainDialog::dropEvent(QDropEvent* event)
{
    std::vector<std::string> names;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile())
            names.push_back(QFile::encodeName(QDir::toNativeSeparators(url.toLocalFile())).toStdString());
    }
    OnDropFiles(names);
    event->acceptProposedAction();
}

}  // namespace kestrel::ui
