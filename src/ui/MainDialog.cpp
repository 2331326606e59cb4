#include "ui/MainDialog.h"

#include "ui/ApplicationIcon.h"
#include "ui/DialogUnits.h"
#include "ui/InputListDelegate.h"
#include "ui/QtUiServices.h"
#include "ui/Resources.h"
#include "ui/WindowMenu.h"

#include <QApplication>
#include <QButtonGroup>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QUrl>

#include <algorithm>

namespace kestrel::ui {
namespace {

// The template's size in dialog units.
constexpr QSize kDialogSize(320, 254);

}  // namespace

MainDialog::MainDialog(ServicesFactory makeServices, BatchController::Conversion convert)
    : QDialog(nullptr, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                           | Qt::WindowCloseButtonHint)
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
}

MainDialog::~MainDialog()
{
    // The worker is brought down before any widget goes.
    controller_.reset();
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

    // In the template's order, which is also the tab order.
    QPushButton* go = button(IDC_GO, kGoCaption, units.ToPixels(169, 231, 50, 16));
    go->setDefault(true);
    connect(go, &QPushButton::clicked, this, &MainDialog::OnGoStop);
    connect(button(IDC_QUIT, "Quit", units.ToPixels(81, 231, 50, 16)), &QPushButton::clicked, this,
            &MainDialog::OnQuit);
    connect(button(IDC_ADD, "Add...", units.ToPixels(270, 18, 30, 14)), &QPushButton::clicked, this,
            &MainDialog::OnAdd);
    place(0, new QLabel(QStringLiteral("Input Files:"), this), units.ToPixels(43, 21, 37, 8));
    place(0, new QLabel(QStringLiteral("Output Directory:"), this), units.ToPixels(23, 136, 58, 8));
    connect(button(IDC_BROWSE, "...", units.ToPixels(270, 133, 13, 14)), &QPushButton::clicked, this,
            &MainDialog::OnBrowseOutputDirectory);

    auto* outputDir = new QLineEdit(this);
    outputDir->setObjectName(QStringLiteral("outputDirectory"));
    // Files dropped on it go to the list like those dropped anywhere else.
    outputDir->setAcceptDrops(false);
    place(IDC_OUTPUT_DIR, outputDir, units.ToPixels(85, 134, 182, 12));

    inputList_ = new QListWidget(this);
    inputList_->setObjectName(QStringLiteral("inputList"));
    inputList_->setSelectionMode(QAbstractItemView::SingleSelection);
    inputList_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    inputList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    inputList_->setSortingEnabled(false);
    inputList_->setUniformItemSizes(true);
    inputList_->setTextElideMode(Qt::ElideNone);
    place(IDC_INPUT_LIST, inputList_, units.ToPixels(85, 18, 182, 101));
    CompactWidth_ = inputList_->width();
    delegate_ = new InputListDelegate(inputList_);
    delegate_->SetCompactWidth(CompactWidth_);
    inputList_->setItemDelegate(delegate_);

    connect(button(IDC_REMOVE, "Remove", units.ToPixels(270, 35, 30, 14)), &QPushButton::clicked, this,
            &MainDialog::OnRemove);

    // The five transforms form one group: checking one unchecks the others.
    auto* transforms = new QButtonGroup(this);
    auto radio = [&](RotationMode mode, QRect rect) {
        const int id = RadioButtonId(mode);
        const std::string_view caption = Describe(mode).caption;
        auto* button = new QRadioButton(QString::fromUtf8(caption.data(), qsizetype(caption.size())), this);
        button->setObjectName(QStringLiteral("radio%1").arg(id));
        transforms->addButton(button, id);
        place(id, button, rect);
    };
    radio(RotationMode::Clockwise90, units.ToPixels(197, 157, 60, 10));
    radio(RotationMode::Anticlockwise90, units.ToPixels(197, 172, 71, 10));
    radio(RotationMode::Rotate180, units.ToPixels(197, 187, 31, 10));

    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("progress"));
    progress_->setRange(0, 100);
    progress_->setValue(0);
    progress_->setTextVisible(false);
    place(IDC_PROGRESS, progress_, units.ToPixels(17, 209, 289, 14));

    radio(RotationMode::MirrorX, units.ToPixels(95, 156, 41, 10));
    radio(RotationMode::MirrorY, units.ToPixels(95, 170, 41, 10));

    setFixedSize(units.ToPixels(kDialogSize));
}

QWidget* MainDialog::Control(int id) const
{
    const auto found = controls_.find(id);
    return found == controls_.end() ? nullptr : found->second;
}

void MainDialog::OnGoStop()
{
    controller_->OnGoStop();
}

void MainDialog::OnTimer()
{
    controller_->OnTimer();
}

void MainDialog::OnQuit()
{
    // A running conversion stops at its next chunk; what it wrote stays.
    controller_->StopAndWait();
    QDialog::reject();
}

void MainDialog::reject()
{
    OnQuit();
}

void MainDialog::OnAdd()
{
    rules_->AddChosenFiles();
}

void MainDialog::OnBrowseOutputDirectory()
{
    rules_->ChooseOutputDirectory();
}

void MainDialog::OnRemove()
{
    rules_->RemoveSelectedFile();
}

void MainDialog::OnDropFiles(const std::vector<std::string>& names)
{
    rules_->AddDroppedFiles(names);
}

void MainDialog::OnSysCommand(int command)
{
    if ((command & 0xFFF0) == IDM_ABOUTBOX)
        services_->ShowAbout();
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
