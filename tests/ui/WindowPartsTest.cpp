// The window's parts on their own: the dialog's layout, keyboard order and
// accessible names, its start state and remembered settings, the list's
// drawing, the path shortening, the icon, the About box and the message boxes.

#include "CapturingServices.h"

#include "KestrelVersion.h"
#include "ui/AboutDialog.h"
#include "ui/ApplicationIcon.h"
#include "ui/DialogUnits.h"
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
#include <QStandardItemModel>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include <set>

using namespace kestrel::ui;
using kestrel::ui::test::CapturingServices;

class WindowPartsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void dialogFollowsItsTemplate();
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

void WindowPartsTest::dialogFollowsItsTemplate()
{
    CapturingServices* ui = nullptr;
    auto dialog = test::MakeDialog(ui, true);
    const DialogUnits units(dialog->font());
    // The template, the status row below it and the preview at its right.
    QCOMPARE(dialog->size(), units.ToPixels(QSize(530, 272)));
    QVERIFY(dialog->Preview()->geometry().left() >= units.ToPixelsX(318));
    QVERIFY(dialog->StatusLine()->geometry().top() >= units.ToPixelsY(254));
    QCOMPARE(dialog->minimumSize(), dialog->maximumSize());
    QCOMPARE(dialog->Control(IDC_INPUT_LIST)->geometry(), units.ToPixels(85, 18, 182, 101));
    QCOMPARE(dialog->Control(IDC_GO)->geometry(), units.ToPixels(169, 231, 50, 16));
    QCOMPARE(dialog->CompactWidth(), dialog->InputList()->width());
    QVERIFY(!(dialog->windowFlags() & Qt::WindowMaximizeButtonHint));

    const std::pair<int, const char*> captions[] = {
        {IDC_GO, "Go"},
        {IDC_QUIT, "Quit"},
        {IDC_ADD, "Add..."},
        {IDC_BROWSE, "..."},
        {IDC_REMOVE, "Remove"},
        {IDC_ROT_CW, "90° Clockwise"},
        {IDC_ROT_ACW, "90° Anticlockwise"},
        {IDC_ROT_180, "180°"},
        {IDC_MIRROR_X, "Mirror X"},
        {IDC_MIRROR_Y, "Mirror Y"},
    };
    for (const auto& [id, caption] : captions)
        QCOMPARE(qobject_cast<QAbstractButton*>(dialog->Control(id))->text(), QString::fromUtf8(caption));
    QStringList labels;
    for (const QLabel* label : dialog->findChildren<QLabel*>())
        labels << label->text();
    QVERIFY(labels.contains("Input Files:"));
    QVERIFY(labels.contains("Output Directory:"));

    auto* go = qobject_cast<QPushButton*>(dialog->Control(IDC_GO));
    QVERIFY(go->isDefault());
}

void WindowPartsTest::tabOrderFollowsTheLayout()
{
    CapturingServices* ui = nullptr;
    auto dialog = test::MakeDialog(ui, true);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
    dialog->InputList()->setFocus();
    // Of the transforms only the checked one is a stop; the arrow keys move among them.
    const QList<QWidget*> expected = {
        dialog->Control(IDC_ADD),    dialog->Control(IDC_REMOVE),  dialog->Control(IDC_OUTPUT_DIR),
        dialog->Control(IDC_BROWSE), dialog->Control(IDC_ROT_ACW), dialog->Control(IDC_GO),
        dialog->Control(IDC_QUIT),   dialog->InputList(),
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
    QVERIFY(buddied.contains("Input Files:") && buddied.contains("Output Directory:"));
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
    QTest::newRow("plain") << false << false;
    QTest::newRow("selected") << true << false;
    QTest::newRow("focused") << false << true;
    QTest::newRow("selected and focused") << true << true;
}

void WindowPartsTest::listEntryDrawing()
{
    QFETCH(bool, selected);
    QFETCH(bool, focused);
    QStandardItemModel model;
    model.appendRow(new QStandardItem(QStringLiteral("/clips/a.avi")));
    InputListDelegate delegate;
    delegate.SetCompactWidth(200);

    QStyleOptionViewItem option;
    option.rect = QRect(0, 0, 200, 20);
    option.palette = QApplication::palette();
    option.font = QApplication::font();
    option.fontMetrics = QFontMetrics(option.font);
    option.state = QStyle::State_Enabled;
    if (selected)
        option.state |= QStyle::State_Selected;
    if (focused)
        option.state |= QStyle::State_HasFocus;
    QImage image(200, 20, QImage::Format_RGB32);
    image.fill(Qt::black);
    {
        QPainter painter(&image);
        delegate.paint(&painter, option, model.index(0, 0));
    }
    const QColor background = option.palette.color(QPalette::Active, selected ? QPalette::Highlight : QPalette::Base);
    const QColor red(255, 0, 0);
    const QColor edge = focused ? red : background;
    for (QPoint corner : {QPoint(0, 0), QPoint(199, 0), QPoint(0, 19), QPoint(199, 19), QPoint(100, 0)})
        QCOMPARE(image.pixelColor(corner), edge);
    QCOMPARE(image.pixelColor(190, 10), background);  // behind no text
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
