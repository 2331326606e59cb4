// The window's parts on their own: the dialog's layout, keyboard order and
// accessible names, its start state and remembered settings, the list's
// drawing, the path shortening, the icon, the About box and the message boxes.

#include "CapturingServices.h"

#include "KestrelVersion.h"
#include "ui/AboutDialog.h"
#include "ui/ApplicationIcon.h"
#include "ui/ElidedLabel.h"
#include "ui/InputListDelegate.h"
#include "ui/PreviewPane.h"
#include "ui/Resources.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSplitter>
#include <QStandardItemModel>
#include <QStandardPaths>
#include <QStyleFactory>
#include <QTest>
#include <QTimer>

#include <set>

using namespace kestrel::ui;
using kestrel::ui::test::CapturingServices;

class WindowPartsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void windowFitsAnyScreen();
    void tabOrderFollowsTheLayout();
    void accessibleNames();
    void startState();
    void settingsRoundTrip();
    void transformsFormOneGroup();
    void aboutItemOpensTheAboutBox();
    void aboutBoxTexts();
    void messageBoxesAreTitledKestrel();
    void compactPathKeepsTheFileName();
    void listEntryDrawing_data();
    void listEntryDrawing();
    void everyRowIsOneLine();
    void statusLineIsElidedAndAnnounced();
    void iconHasEverySize();
};

namespace {

QSettings UserSettings()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Kestrel"),
                     QStringLiteral("Kestrel"));
}

}  // namespace

void WindowPartsTest::initTestCase()
{
    // Settings go to Qt's test location, never the user's.
    QStandardPaths::setTestModeEnabled(true);
}

void WindowPartsTest::windowFitsAnyScreen()
{
    CapturingServices* ui = nullptr;
    auto dialog = test::MakeDialog(ui, true);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    // Small enough for an 800 × 600 screen (1600 × 1200 pixels at scale 2).
    QVERIFY(dialog->minimumSizeHint().width() <= 800);
    QVERIFY(dialog->minimumSizeHint().height() <= 600);
    QVERIFY(dialog->maximumSize().width() > 4000);
    QVERIFY(dialog->windowFlags() & Qt::WindowMaximizeButtonHint);
    // The list and the preview take the room a larger window gives.
    const QSize list = dialog->InputList()->size();
    const QSize preview = dialog->Preview()->size();
    dialog->resize(dialog->size() + QSize(400, 300));
    QTRY_VERIFY(dialog->InputList()->width() > list.width() && dialog->InputList()->height() >= list.height() + 250);
    QVERIFY(dialog->Preview()->width() > preview.width() && dialog->Preview()->height() > preview.height());

    const std::pair<int, const char*> captions[] = {
        {IDC_GO, "&Go"},
        {IDC_QUIT, "&Quit"},
        {IDC_ADD, "&Add..."},
        {IDC_BROWSE, "&Browse..."},
        {IDC_REMOVE, "&Remove"},
        {IDC_CLEAR_FINISHED, "Clear &Finished"},
        {IDC_ROT_CW, "90° &Clockwise"},
        {IDC_ROT_ACW, "90° A&nticlockwise"},
        {IDC_ROT_180, "18&0°"},
        {IDC_MIRROR_X, "Mirror &X"},
        {IDC_MIRROR_Y, "Mirror &Y"},
    };
    for (const auto& [id, caption] : captions)
        QCOMPARE(qobject_cast<QAbstractButton*>(dialog->Control(id))->text(), QString::fromUtf8(caption));
    QStringList labels;
    for (const QLabel* label : dialog->findChildren<QLabel*>())
        labels << label->text();
    for (const char* label : {"&Input Files:", "&Write:", "&Output Directory:", "S&uffix:", "If a file &exists:"})
        QVERIFY2(labels.contains(QString::fromUtf8(label)), label);

    auto* go = qobject_cast<QPushButton*>(dialog->Control(IDC_GO));
    QVERIFY(go->isDefault());

    // The size is remembered.
    dialog->resize(900, 640);
    QTest::mouseClick(dialog->Control(IDC_QUIT), Qt::LeftButton);
    const auto settings = ui->settings;
    dialog = std::make_unique<MainDialog>([&](MainDialog& made) {
        auto services = std::make_unique<CapturingServices>(made);
        services->settings = settings;
        return services;
    });
    QCOMPARE(dialog->size(), QSize(900, 640));
}

void WindowPartsTest::tabOrderFollowsTheLayout()
{
    CapturingServices* ui = nullptr;
    auto dialog = test::MakeDialog(ui, true);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
    dialog->InputList()->setFocus();
    // Of the transforms only the checked one is a stop; the arrow keys move among them.
    // The suffix is hidden while files go into the output directory.
    const QList<QWidget*> expected = {
        dialog->Control(IDC_ADD),       dialog->Control(IDC_REMOVE),     dialog->Control(IDC_CLEAR_FINISHED),
        dialog->Control(IDC_DEST_KIND), dialog->Control(IDC_OUTPUT_DIR), dialog->Control(IDC_BROWSE),
        dialog->Control(IDC_EXISTING),  dialog->Control(IDC_SALVAGE),    dialog->Control(IDC_ROT_ACW),
        dialog->Control(IDC_GO),        dialog->Control(IDC_QUIT),       dialog->InputList(),
    };
    QList<QWidget*> visited;
    for (qsizetype i = 0; i < expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget();
    }
    QCOMPARE(visited, expected);

    // Shown after a batch, "Open Folder" comes after Quit.
    dialog->ShowOutcome(QStringLiteral("1 file converted to /out"), "/out");
    dialog->Control(IDC_QUIT)->setFocus();
    QTest::keyClick(dialog->Control(IDC_QUIT), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), dialog->OpenFolderButton());
}

void WindowPartsTest::accessibleNames()
{
    CapturingServices* ui = nullptr;
    auto dialog = test::MakeDialog(ui, true);
    const auto name = [](QObject* object) {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(object);
        return accessible ? accessible->text(QAccessible::Name) : QStringLiteral("(none)");
    };
    // The labels are the buddies of what they name.
    QStringList buddied;
    for (const QLabel* label : dialog->findChildren<QLabel*>()) {
        if (label->buddy() == dialog->InputList() || label->buddy() == dialog->Control(IDC_OUTPUT_DIR))
            buddied << label->text();
    }
    QCOMPARE(buddied.size(), 2);
    QVERIFY(buddied.contains("&Input Files:") && buddied.contains("&Output Directory:"));
    QCOMPARE(name(dialog->InputList()), QStringLiteral("Input Files"));
    QCOMPARE(name(dialog->Control(IDC_OUTPUT_DIR)), QStringLiteral("Output Directory"));
    QCOMPARE(name(dialog->Control(IDC_BROWSE)), QStringLiteral("Choose Output Directory"));
    QCOMPARE(name(dialog->Progress()), QStringLiteral("Conversion progress"));
    QWidget* group = dialog->Control(IDC_ROT_CW)->parentWidget();
    QCOMPARE(name(group), QStringLiteral("Transform"));
    QCOMPARE(QAccessible::queryAccessibleInterface(group)->role(), QAccessible::Grouping);
    for (int id : {IDC_ROT_ACW, IDC_ROT_180, IDC_MIRROR_X, IDC_MIRROR_Y})
        QCOMPARE(dialog->Control(id)->parentWidget(), group);
}

void WindowPartsTest::startState()
{
    CapturingServices* ui = nullptr;
    auto dialog = test::MakeDialog(ui, true);
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Kestrel"));
    QCOMPARE(dialog->InputList()->count(), 0);
    QCOMPARE(dialog->Progress()->value(), 0);
    QCOMPARE(dialog->Progress()->minimum(), 0);
    QCOMPARE(dialog->Progress()->maximum(), 100);
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString expected = QFileInfo(documents).isDir() ? QDir::toNativeSeparators(documents) : QString();
    QCOMPARE(qobject_cast<QLineEdit*>(dialog->Control(IDC_OUTPUT_DIR))->text(), expected);
    QCOMPARE(dialog->ProgressTimer().objectName(), QStringLiteral("ProgressTimer"));
    QVERIFY(!dialog->windowIcon().isNull());
}

void WindowPartsTest::settingsRoundTrip()
{
    QSettings store = UserSettings();
    QVERIFY2(store.fileName().contains(QStringLiteral("/.qttest/")), qPrintable(store.fileName()));
    store.clear();
    store.sync();

    CapturingServices* ui = nullptr;
    auto dialog = test::MakeDialog(ui, true, /*realSettings=*/true);
    QVERIFY(dialog->Control(IDC_ROT_ACW)->property("checked").toBool());
    QTest::mouseClick(dialog->Control(IDC_MIRROR_Y), Qt::LeftButton);
    qobject_cast<QLineEdit*>(dialog->Control(IDC_OUTPUT_DIR))->setText(QStringLiteral("/videos/turned"));
    QTest::mouseClick(dialog->Control(IDC_QUIT), Qt::LeftButton);
    store.sync();
    QCOMPARE(store.value("transform").toString(), QStringLiteral("mirror-y"));

    dialog = test::MakeDialog(ui, true, /*realSettings=*/true);
    QVERIFY(dialog->Control(IDC_MIRROR_Y)->property("checked").toBool());
    QCOMPARE(qobject_cast<QLineEdit*>(dialog->Control(IDC_OUTPUT_DIR))->text(), QStringLiteral("/videos/turned"));
    dialog.reset();
    store.clear();
}

void WindowPartsTest::transformsFormOneGroup()
{
    CapturingServices* ui = nullptr;
    auto dialog = test::MakeDialog(ui, true);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
    auto radio = [&](int id) { return qobject_cast<QRadioButton*>(dialog->Control(id)); };
    for (int id : {IDC_ROT_CW, IDC_ROT_180, IDC_MIRROR_X, IDC_MIRROR_Y})
        QVERIFY(!radio(id)->isChecked());
    QVERIFY(radio(IDC_ROT_ACW)->isChecked());
    QTest::mouseClick(radio(IDC_MIRROR_X), Qt::LeftButton);
    QVERIFY(radio(IDC_MIRROR_X)->isChecked());
    QVERIFY(!radio(IDC_ROT_ACW)->isChecked());
    QCOMPARE(dialog->Controller().SelectedMode(), kestrel::RotationMode::MirrorX);

    // The arrow keys walk through all five, checking each, and stay in the group.
    radio(IDC_MIRROR_X)->setFocus();
    std::set<int> reached;
    for (Qt::Key key : {Qt::Key_Right, Qt::Key_Down, Qt::Key_Down, Qt::Key_Left, Qt::Key_Up}) {
        QTest::keyClick(QApplication::focusWidget(), key);
        auto* focused = qobject_cast<QRadioButton*>(QApplication::focusWidget());
        QVERIFY(focused && focused->isChecked());
        for (int id : {IDC_ROT_CW, IDC_ROT_ACW, IDC_ROT_180, IDC_MIRROR_X, IDC_MIRROR_Y}) {
            if (radio(id) == focused)
                reached.insert(id);
        }
    }
    QCOMPARE(reached, (std::set<int>{IDC_ROT_CW, IDC_ROT_ACW, IDC_ROT_180, IDC_MIRROR_X, IDC_MIRROR_Y}));
}

void WindowPartsTest::aboutItemOpensTheAboutBox()
{
    CapturingServices* ui = nullptr;
    auto dialog = test::MakeDialog(ui, true);
    QCOMPARE(dialog->contextMenuPolicy(), Qt::ActionsContextMenu);
    QAction* about = nullptr;
    for (QAction* action : dialog->actions()) {
        if (action->text() == QStringLiteral("&About Kestrel..."))
            about = action;
    }
    QVERIFY(about);
    about->trigger();
    QCOMPARE(ui->aboutShown, 1);
    dialog->OnSysCommand(0xF060);  // another window command: not ours
    QCOMPARE(ui->aboutShown, 1);
}

void WindowPartsTest::aboutBoxTexts()
{
    AboutDialog about;
    QCOMPARE(about.windowTitle(), QStringLiteral("About Kestrel"));
    QStringList texts;
    bool hasIcon = false;
    for (const QLabel* label : about.findChildren<QLabel*>()) {
        texts << label->text();
        hasIcon = hasIcon || !label->pixmap().isNull();
    }
    QVERIFY(hasIcon);
    for (const char* text : {"Kestrel Version " KESTREL_VERSION, "This software is based in part on the work of the ",
                             "Independent JPEG Group."})
        QVERIFY2(texts.contains(QString::fromUtf8(text)), text);
    const QList<QPushButton*> buttons = about.findChildren<QPushButton*>();
    QCOMPARE(buttons.size(), 1);
    QCOMPARE(buttons[0]->text(), QStringLiteral("OK"));
    QVERIFY(buttons[0]->isDefault());

    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    QTest::keyClick(&about, Qt::Key_Escape);
    QVERIFY(!about.isVisible());
}

void WindowPartsTest::messageBoxesAreTitledKestrel()
{
    MainDialog dialog;  // the real services
    QString caption;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString text;
    int buttonCount = 0;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        caption = box->windowTitle();
        icon = box->icon();
        text = box->text();
        buttonCount = int(box->buttons().size());
        box->accept();
    });
    dialog.Services().ShowErrorMessage("Couldn't open file /x.avi for reading");
    QCOMPARE(caption, QStringLiteral("Kestrel"));  // whatever the executable's name
    QCOMPARE(icon, QMessageBox::Critical);
    QCOMPARE(text, QStringLiteral("Couldn't open file /x.avi for reading"));
    QCOMPARE(buttonCount, 1);

    for (QMessageBox::StandardButton answer : {QMessageBox::No, QMessageBox::Yes}) {
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            caption = box->windowTitle();
            buttonCount = int(box->buttons().size());
            box->button(answer)->click();
        });
        QCOMPARE(dialog.Services().AskYesNo("Stop?"), answer == QMessageBox::Yes);
        QCOMPARE(caption, QStringLiteral("Kestrel"));
        QCOMPARE(buttonCount, 2);
    }
}

void WindowPartsTest::compactPathKeepsTheFileName()
{
    const QFontMetrics metrics(QApplication::font());
    const QString path = QStringLiteral("/home/user/Videos/a rather long folder name/and another one/clip.avi");
    QCOMPARE(CompactPath(path, metrics, 10000), path);

    const int width = metrics.horizontalAdvance(path) / 2;
    const QString shortened = CompactPath(path, metrics, width);
    QVERIFY(metrics.horizontalAdvance(shortened) <= width);
    QVERIFY(shortened.startsWith(QStringLiteral("/home")));
    QVERIFY2(shortened.endsWith(QStringLiteral(".../clip.avi")), qPrintable(shortened));

    // A name too long on its own is cut at its end.
    const QString narrow = CompactPath(path, metrics, metrics.horizontalAdvance(QStringLiteral("/cli")));
    QVERIFY(metrics.horizontalAdvance(narrow) <= metrics.horizontalAdvance(QStringLiteral("/cli")));
    QVERIFY(!narrow.contains(QStringLiteral("home")));
}

void WindowPartsTest::listEntryDrawing_data()
{
    QTest::addColumn<bool>("selected");
    QTest::addColumn<bool>("focused");
    QTest::addColumn<bool>("dark");
    for (bool dark : {false, true}) {
        const char* palette = dark ? "dark, " : "light, ";
        QTest::addRow("%splain", palette) << false << false << dark;
        QTest::addRow("%sselected", palette) << true << false << dark;
        QTest::addRow("%sfocused", palette) << false << true << dark;
        QTest::addRow("%sselected and focused", palette) << true << true << dark;
    }
}

void WindowPartsTest::listEntryDrawing()
{
    QFETCH(bool, selected);
    QFETCH(bool, focused);
    QFETCH(bool, dark);
    QStandardItemModel model;
    auto* item = new QStandardItem(QStringLiteral("/clips/a.avi"));
    item->setData(int(RowState::Failed), kStateRole);
    item->setData(QStringLiteral("is not a RIFF file"), kMessageRole);
    model.appendRow(item);
    InputListDelegate delegate;
    std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));

    QStyleOptionViewItem option;
    option.rect = QRect(0, 0, 300, 24);
    option.palette = fusion->standardPalette();
    if (dark) {
        for (auto [role, color] : {std::pair{QPalette::Base, QColor(30, 30, 30)},
                                   {QPalette::Window, QColor(45, 45, 45)},
                                   {QPalette::Text, QColor(230, 230, 230)},
                                   {QPalette::Highlight, QColor(40, 90, 160)}})
            option.palette.setColor(role, color);
    }
    option.font = QApplication::font();
    option.fontMetrics = QFontMetrics(option.font);
    option.state = QStyle::State_Enabled | QStyle::State_Active;
    if (selected)
        option.state |= QStyle::State_Selected;
    if (focused)
        option.state |= QStyle::State_HasFocus;
    QImage image(300, 24, QImage::Format_RGB32);
    image.fill(option.palette.color(QPalette::Base));
    {
        QPainter painter(&image);
        delegate.paint(&painter, option, model.index(0, 0));
    }
    // Every colour is the palette's: no pure red frame, whatever the state.
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            QVERIFY2(image.pixelColor(x, y) != QColor(255, 0, 0), qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
    const QColor background = option.palette.color(QPalette::Active, selected ? QPalette::Highlight : QPalette::Base);
    QCOMPARE(image.pixelColor(150, 12), background);  // between the name and the state
    // The state is spelled out at the right.
    QCOMPARE(RowStateText({RowState::Failed, 0, "/clips/a.avi\nis not a RIFF file\nmore"}),
             QStringLiteral("Failed: is not a RIFF file"));
    QCOMPARE(RowStateText({RowState::Failed, 0, "the same file"}), QStringLiteral("Failed: the same file"));
}

void WindowPartsTest::everyRowIsOneLine()
{
    QStandardItemModel model;
    for (RowState state : {RowState::Waiting, RowState::Failed}) {
        auto* item = new QStandardItem(QStringLiteral("/clips/a.avi"));
        item->setData(int(state), kStateRole);
        item->setData(QStringLiteral("a message\nof two lines"), kMessageRole);
        model.appendRow(item);
    }
    InputListDelegate delegate;
    QStyleOptionViewItem option;
    option.fontMetrics = QFontMetrics(QApplication::font());
    option.decorationSize = QSize(16, 16);
    QCOMPARE(delegate.sizeHint(option, model.index(1, 0)), delegate.sizeHint(option, model.index(0, 0)));
    QVERIFY(delegate.sizeHint(option, model.index(1, 0)).height() < 2 * option.fontMetrics.height());
}

void WindowPartsTest::statusLineIsElidedAndAnnounced()
{
    ElidedLabel label(2);
    label.resize(200, label.sizeHint().height());
    const QString path = QStringLiteral("/home/user/Videos/a rather long folder name/and another one/turned");
    label.SetAnnouncedText(QStringLiteral("3 files converted to ") + path + QStringLiteral("\nwarning: a line"));
    const QStringList shown = label.ShownLines();
    QCOMPARE(shown.size(), 2);
    QVERIFY(label.fontMetrics().horizontalAdvance(shown[0]) <= 200);
    QVERIFY(shown[0].startsWith(QStringLiteral("3 files")));
    QVERIFY2(shown[0].endsWith(QStringLiteral("turned")), qPrintable(shown[0]));  // the middle gives way
    QCOMPARE(shown[1], QStringLiteral("warning: a line"));
    QCOMPARE(label.toolTip(), label.text());
    QCOMPARE(label.accessibleName(), label.text());
    QVERIFY(!label.wordWrap());
    QCOMPARE(label.sizeHint().height(), 2 * label.fontMetrics().lineSpacing());
}

void WindowPartsTest::iconHasEverySize()
{
    const QIcon icon = ApplicationIcon();
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        QVERIFY2(icon.availableSizes().contains(QSize(size, size)), qPrintable(QString::number(size)));
    const QImage image = PaintApplicationIcon(32);
    QCOMPARE(image.pixelColor(0, 0).alpha(), 0);  // rounded corner
    QCOMPARE(image.pixelColor(16, 16).alpha(), 255);
}

QTEST_MAIN(WindowPartsTest)
#include "WindowPartsTest.moc"
