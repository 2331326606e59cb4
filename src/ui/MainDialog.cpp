#include "ui/MainDialog.h"

#include "ui/ApplicationIcon.h"
#include "ui/DialogUnits.h"
#include "ui/InputListDelegate.h"
#include "ui/PreviewPane.h"
#include "ui/QtUiServices.h"
#include "ui/Resources.h"
#include "ui/WindowMenu.h"

#include <QApplication>
#include <QButtonGroup>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QUrl>

#include <algorithm>
#include <array>

namespace kestrel::ui {
namespace {

// The template's size in dialog units; the window adds the status row below
// it and the preview pane at its right.
constexpr QSize kTemplateSize(320, 254);
constexpr int kStatusRowHeight = 18;
constexpr int kPreviewLeft = 318;
constexpr int kPreviewWidth = 212;
constexpr QSize kDialogSize(kPreviewLeft + kPreviewWidth, 254 + kStatusRowHeight);
// The transforms' group, which holds the five radio buttons at their template
// places, with room for captions wider than the template's.
constexpr QRect kTransformGroup(90, 152, 230, 48);

constexpr const char* kStopAndQuitQuestion = "A conversion is running. Stop it and quit?";

// A group box that draws nothing: it only gathers the transforms under one
// accessible name.
class TransformGroup : public QGroupBox {
public:
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent*) override { }
};

}  // namespace

MainDialog::MainDialog(ServicesFactory makeServices, BatchController::Conversion convert)
    : QDialog(nullptr, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("MainDialog"));
    setWindowTitle(QString::fromUtf8(kAppTitle));
    setWindowIcon(ApplicationIcon());
    setFont(QApplication::font());
    setAcceptDrops(true);
    CreateControls();

    progressTimer_.setObjectName(QStringLiteral("ProgressTimer"));
    connect(&progressTimer_, &QTimer::timeout, this, &MainDialog::OnTimer);

    services_ = makeServices ? makeServices(*this) : std::make_unique<QtUiServices>(*this);
    rules_ = std::make_unique<MainDialogRules>(*services_);
    controller_ = std::make_unique<BatchController>(*services_, std::move(convert));

    AddAboutItem(*this, [this] { OnSysCommand(IDM_ABOUTBOX); });
    rules_->SetStartState();

    // The preview follows the list and the transform.
    connect(inputList_, &QListWidget::itemSelectionChanged, this, &MainDialog::UpdatePreview);
    connect(inputList_->model(), &QAbstractItemModel::rowsInserted, this, &MainDialog::UpdatePreview);
    connect(inputList_->model(), &QAbstractItemModel::rowsRemoved, this, &MainDialog::UpdatePreview);
    connect(inputList_->model(), &QAbstractItemModel::modelReset, this, &MainDialog::UpdatePreview);
    for (int id : {IDC_ROT_CW, IDC_ROT_ACW, IDC_ROT_180, IDC_MIRROR_X, IDC_MIRROR_Y}) {
        auto* radio = qobject_cast<QRadioButton*>(Control(id));
        connect(radio, &QRadioButton::toggled, this, [this, radio](bool checked) {
            // Tab stops at the checked transform only; the arrow keys reach the others.
            radio->setFocusPolicy(checked ? Qt::StrongFocus : Qt::ClickFocus);
            if (checked)
                UpdatePreview();
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
    for (int id : {IDC_ROT_CW, IDC_ROT_ACW, IDC_ROT_180, IDC_MIRROR_X, IDC_MIRROR_Y})
        Control(id)->disconnect(this);
}

void MainDialog::CreateControls()
{
    const DialogUnits units(font());
    auto place = [&](int id, QWidget* widget, QRect rect) {
        // Captions keep their template position; with a font or style wider
        // than the template's they grow to the right instead of being cut.
        if (qobject_cast<QLabel*>(widget) || qobject_cast<QRadioButton*>(widget))
            rect.setWidth(std::max(rect.width(), widget->sizeHint().width()));
        widget->setGeometry(rect);
        if (id != 0)
            controls_[id] = widget;
    };
    auto button = [&](int id, const char* text, QRect rect) {
        auto* push = new QPushButton(QString::fromUtf8(text), this);
        push->setObjectName(QStringLiteral("button%1").arg(id));
        place(id, push, rect);
        return push;
    };

    // In the template's order; the tab order follows the layout instead (below).
    QPushButton* go = button(IDC_GO, kGoCaption, units.ToPixels(169, 231, 50, 16));
    go->setDefault(true);
    connect(go, &QPushButton::clicked, this, &MainDialog::OnGoStop);
    QPushButton* quit = button(IDC_QUIT, "Quit", units.ToPixels(81, 231, 50, 16));
    connect(quit, &QPushButton::clicked, this, &MainDialog::OnQuit);
    QPushButton* add = button(IDC_ADD, "Add...", units.ToPixels(270, 18, 30, 14));
    connect(add, &QPushButton::clicked, this, &MainDialog::OnAdd);
    auto* inputLabel = new QLabel(QStringLiteral("Input Files:"), this);
    place(0, inputLabel, units.ToPixels(43, 21, 37, 8));
    auto* outputLabel = new QLabel(QStringLiteral("Output Directory:"), this);
    place(0, outputLabel, units.ToPixels(23, 136, 58, 8));
    QPushButton* browse = button(IDC_BROWSE, "...", units.ToPixels(270, 133, 13, 14));
    browse->setAccessibleName(QStringLiteral("Choose Output Directory"));
    connect(browse, &QPushButton::clicked, this, &MainDialog::OnBrowseOutputDirectory);

    auto* outputDir = new QLineEdit(this);
    outputDir->setObjectName(QStringLiteral("outputDirectory"));
    // Files dropped on it go to the list like those dropped anywhere else.
    outputDir->setAcceptDrops(false);
    place(IDC_OUTPUT_DIR, outputDir, units.ToPixels(85, 134, 182, 12));
    outputLabel->setBuddy(outputDir);
    outputDir->setAccessibleName(QStringLiteral("Output Directory"));

    inputList_ = new QListWidget(this);
    inputList_->setObjectName(QStringLiteral("inputList"));
    inputList_->setSelectionMode(QAbstractItemView::SingleSelection);
    inputList_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    inputList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    inputList_->setSortingEnabled(false);
    inputList_->setUniformItemSizes(true);
    inputList_->setTextElideMode(Qt::ElideNone);
    place(IDC_INPUT_LIST, inputList_, units.ToPixels(85, 18, 182, 101));
    // Item views take their accessible name only from the property.
    inputLabel->setBuddy(inputList_);
    inputList_->setAccessibleName(QStringLiteral("Input Files"));
    inputList_->installEventFilter(this);
    CompactWidth_ = inputList_->width();
    delegate_ = new InputListDelegate(inputList_);
    delegate_->SetCompactWidth(CompactWidth_);
    inputList_->setItemDelegate(delegate_);

    QPushButton* remove = button(IDC_REMOVE, "Remove", units.ToPixels(270, 35, 30, 14));
    connect(remove, &QPushButton::clicked, this, &MainDialog::OnRemove);

    // The five transforms form one group: checking one unchecks the others,
    // the arrow keys move among them and Tab stops at the checked one. Their
    // box draws nothing; it names the group for screen readers.
    auto* group = new TransformGroup(this);
    group->setObjectName(QStringLiteral("transforms"));
    group->setAccessibleName(QStringLiteral("Transform"));
    group->setFocusPolicy(Qt::NoFocus);
    const QRect groupRect =
        units.ToPixels(kTransformGroup.x(), kTransformGroup.y(), kTransformGroup.width(), kTransformGroup.height());
    const QPoint groupCorner = groupRect.topLeft();
    group->setGeometry(groupRect);
    auto* transforms = new QButtonGroup(this);
    auto radio = [&](RotationMode mode, QRect rect) {
        const int id = RadioButtonId(mode);
        const std::string_view caption = Describe(mode).caption;
        auto* button = new QRadioButton(QString::fromUtf8(caption.data(), qsizetype(caption.size())), group);
        button->setObjectName(QStringLiteral("radio%1").arg(id));
        transforms->addButton(button, id);
        place(id, button, rect.translated(-groupCorner));
        return button;
    };
    QRadioButton* clockwise = radio(RotationMode::Clockwise90, units.ToPixels(197, 157, 60, 10));
    QRadioButton* anticlockwise = radio(RotationMode::Anticlockwise90, units.ToPixels(197, 172, 71, 10));
    QRadioButton* halfTurn = radio(RotationMode::Rotate180, units.ToPixels(197, 187, 31, 10));

    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("progress"));
    progress_->setAccessibleName(QStringLiteral("Conversion progress"));
    progress_->setRange(0, 100);
    progress_->setValue(0);
    progress_->setTextVisible(false);
    place(IDC_PROGRESS, progress_, units.ToPixels(17, 209, 289, 14));

    QRadioButton* mirrorX = radio(RotationMode::MirrorX, units.ToPixels(95, 156, 41, 10));
    QRadioButton* mirrorY = radio(RotationMode::MirrorY, units.ToPixels(95, 170, 41, 10));

    // The status row under the template: how the last batch ended.
    statusLine_ = new QLabel(this);
    statusLine_->setObjectName(QStringLiteral("statusLine"));
    statusLine_->setTextFormat(Qt::PlainText);
    // Two lines: a long account breaks before its folder.
    statusLine_->setWordWrap(true);
    statusLine_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    statusLine_->setGeometry(units.ToPixels(17, 254, 226, 16));
    openFolder_ = new QPushButton(QStringLiteral("Open Folder"), this);
    openFolder_->setObjectName(QStringLiteral("openFolder"));
    openFolder_->setGeometry(units.ToPixels(246, 254, 60, 14));
    openFolder_->hide();
    connect(openFolder_, &QPushButton::clicked, this, &MainDialog::OnOpenFolder);

    preview_ = new PreviewPane(this, units, QSize(kPreviewWidth, kTemplateSize.height()));
    preview_->move(units.ToPixelsX(kPreviewLeft), 0);

    // Tab follows the layout: top to bottom, left to right.
    const std::array<QWidget*, 13> order = {inputList_, add,           remove,   outputDir, browse, mirrorX,    mirrorY,
                                            clockwise,  anticlockwise, halfTurn, go,        quit,   openFolder_};
    for (size_t i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);

    setFixedSize(units.ToPixels(kDialogSize));
}

QWidget* MainDialog::Control(int id) const
{
    const auto found = controls_.find(id);
    return found == controls_.end() ? nullptr : found->second;
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
    if (controller_->IsBatchRunning() && !services_->AskYesNo(kStopAndQuitQuestion))
        return;
    rules_->SaveSettings();
    // A running conversion stops at its next chunk; what it wrote stays.
    controller_->StopAndWait();
    QDialog::reject();
}

void MainDialog::reject() { OnQuit(); }

void MainDialog::OnAdd() { rules_->AddChosenFiles(); }

void MainDialog::OnBrowseOutputDirectory() { rules_->ChooseOutputDirectory(); }

void MainDialog::OnRemove() { rules_->RemoveSelectedFile(); }

void MainDialog::OnDropFiles(const std::vector<std::string>& names) { rules_->AddDroppedFiles(names); }

void MainDialog::OnSysCommand(int command)
{
    if ((command & 0xFFF0) == IDM_ABOUTBOX)
        services_->ShowAbout();
}

void MainDialog::OnOpenFolder()
{
    if (!outcomeFolder_.empty())
        services_->OpenFolder(outcomeFolder_);
}

void MainDialog::ShowOutcome(const QString& text, const std::string& folder)
{
    statusLine_->setText(text);
    statusLine_->setToolTip(text);
    outcomeFolder_ = folder;
    openFolder_->setVisible(!folder.empty());
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
    QString modeName;
    for (int id : {IDC_ROT_CW, IDC_ROT_ACW, IDC_ROT_180, IDC_MIRROR_X, IDC_MIRROR_Y}) {
        if (services_->IsChecked(id))
            modeName = qobject_cast<QRadioButton*>(Control(id))->text();
    }
    preview_->ShowFile(services_->ListText(row), controller_->SelectedMode(), modeName);
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
