// The main dialog driven as a user would, converting real small AVI files:
// batches and the status line they leave, Stop, failures, same-file
// refusals, quitting, and how files enter and leave the list.

#include "CapturingServices.h"

#include "base/StatusCode.h"
#include "ui/InputListDelegate.h"
#include "ui/Resources.h"

#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <array>

using namespace kestrel;
using namespace kestrel::ui;
using kestrel::ui::test::CapturingServices;

namespace {

constexpr std::array kLockedControls = {
    IDC_ROT_CW, IDC_ROT_ACW, IDC_ROT_180, IDC_MIRROR_X, IDC_MIRROR_Y, IDC_REMOVE, IDC_OUTPUT_DIR, IDC_BROWSE,
};

constexpr int kWaitMs = 30000;

std::string Native(const QString& path) { return QFile::encodeName(QDir::toNativeSeparators(path)).toStdString(); }

}  // namespace

class MainDialogTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init();
    void cleanup();

    void threeFilesConvertWithTheRealTimer();
    void stopDuringTheSecondFile();
    void failureInTheSecondFile();
    void sameFileRefusedAtGo_data();
    void sameFileRefusedAtGo();
    void sameFileRefusedForALaterFile();
    void fileAddedDuringABatchComesLast();
    void enterRunsGoAndNeverCloses();
    void escapeQuits();
    void closingDuringABatchStopsTheWorker();
    void quittingDuringABatchAsksFirst_data();
    void quittingDuringABatchAsksFirst();
    void quittingWhenIdleAsksNothing();

    void addSkipsDuplicates();
    void dropTakesAviFilesOnce();
    void removeWithAndWithoutSelection();
    void deleteKeyRemovesLikeRemove();
    void entriesShowTheirFullPathAsTooltip();
    void browseReplacesTheOutputDirectory();

private:
    // A copy of the sample AVI under `name` in `folder` of the temporary directory.
    QString MakeAvi(const QString& folder, const QString& name);
    // A file that is not RIFF at all.
    QString MakeGarbage(const QString& folder, const QString& name);
    void UseFiles(const QStringList& paths, const QString& outputDir);
    QPushButton* Button(int id) const { return qobject_cast<QPushButton*>(dialog_->Control(id)); }
    QStringList Listed() const;
    // Waits until the running worker has finished, then runs one tick.
    bool FinishFileAndTick();
    void VerifyIdle();

    std::unique_ptr<QTemporaryDir> temp_;
    std::unique_ptr<MainDialog> dialog_;
    CapturingServices* ui_ = nullptr;
};

void MainDialogTest::init()
{
    temp_ = std::make_unique<QTemporaryDir>();
    QVERIFY(temp_->isValid());
    QVERIFY(QDir(temp_->path()).mkpath(QStringLiteral("in")));
    QVERIFY(QDir(temp_->path()).mkpath(QStringLiteral("out")));
    dialog_ = test::MakeDialog(ui_, /*manualTicks=*/true);
}

void MainDialogTest::cleanup()
{
    dialog_.reset();
    temp_.reset();
}

QString MainDialogTest::MakeAvi(const QString& folder, const QString& name)
{
    const QString sample = QStringLiteral(KESTREL_SAMPLE_AVI);
    if (!QFileInfo::exists(sample))
        return {};
    const QString path = temp_->filePath(folder + QLatin1Char('/') + name);
    return QFile::copy(sample, path) ? path : QString();
}

QString MainDialogTest::MakeGarbage(const QString& folder, const QString& name)
{
    const QString path = temp_->filePath(folder + QLatin1Char('/') + name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write("junk data, not a video") < 0)
        return {};
    return path;
}

void MainDialogTest::UseFiles(const QStringList& paths, const QString& outputDir)
{
    for (const QString& path : paths)
        ui_->ListAppend(Native(path));
    ui_->SetControlText(IDC_OUTPUT_DIR, Native(outputDir));
}

QStringList MainDialogTest::Listed() const
{
    QStringList names;
    for (int i = 0; i < dialog_->InputList()->count(); ++i)
        names << QFileInfo(dialog_->InputList()->item(i)->text()).fileName();
    return names;
}

bool MainDialogTest::FinishFileAndTick()
{
    const BatchController& controller = dialog_->Controller();
    if (!QTest::qWaitFor([&] { return controller.Status().Finished.load(); }, kWaitMs))
        return false;
    dialog_->OnTimer();
    return true;
}

void MainDialogTest::VerifyIdle()
{
    QCOMPARE(Button(IDC_GO)->text(), QStringLiteral("Go"));
    QCOMPARE(dialog_->windowTitle(), QStringLiteral("Kestrel"));
    QCOMPARE(dialog_->Progress()->value(), 0);
    for (int id : kLockedControls)
        QVERIFY2(dialog_->Control(id)->isEnabled(), qPrintable(QString::number(id)));
    QVERIFY(!dialog_->Controller().IsWorkerRunning());
    QVERIFY(!dialog_->ProgressTimer().isActive());
}

#define REQUIRE_SAMPLE(path)                                                                                           \
    do {                                                                                                               \
        if ((path).isEmpty())                                                                                          \
            QSKIP("the sample AVI file is not there: " KESTREL_SAMPLE_AVI);                                            \
    } while (false)

void MainDialogTest::threeFilesConvertWithTheRealTimer()
{
    dialog_ = test::MakeDialog(ui_, /*manualTicks=*/false);
    const QString a = MakeAvi("in", "a.avi");
    REQUIRE_SAMPLE(a);
    UseFiles({a, MakeAvi("in", "b.avi"), MakeAvi("in", "c.avi")}, temp_->filePath("out"));
    dialog_->show();

    QTest::mouseClick(Button(IDC_GO), Qt::LeftButton);
    QCOMPARE(Button(IDC_GO)->text(), QStringLiteral("Stop"));
    for (int id : kLockedControls)
        QVERIFY(!dialog_->Control(id)->isEnabled());
    QVERIFY(Button(IDC_ADD)->isEnabled());
    QVERIFY(Button(IDC_QUIT)->isEnabled());
    QVERIFY(dialog_->InputList()->isEnabled());

    QTRY_COMPARE_WITH_TIMEOUT(Button(IDC_GO)->text(), QStringLiteral("Go"), kWaitMs);
    QVERIFY(ui_->messages.empty());
    QCOMPARE(dialog_->InputList()->count(), 0);
    VerifyIdle();
    // The title counted down; the finished files' own percentages were shown.
    const auto two = std::find(ui_->titles.begin(), ui_->titles.end(), "Kestrel: 100%, 2 remaining");
    QVERIFY(two != ui_->titles.end());
    QVERIFY(std::find(two, ui_->titles.end(), "Kestrel: 100%, 1 remaining") != ui_->titles.end());
    for (const char* name : {"a.avi", "b.avi", "c.avi"})
        QVERIFY2(QFileInfo(temp_->filePath(QStringLiteral("out/") + name)).size() > 0, name);

    // The status line says what was done, and its button opens the folder.
    const QString out = QString::fromStdString(Native(temp_->filePath("out")));
    QCOMPARE(dialog_->StatusLine()->text(), QStringLiteral("3 files converted to ") + out);
    QVERIFY(dialog_->OpenFolderButton()->isVisible());
    QTest::mouseClick(dialog_->OpenFolderButton(), Qt::LeftButton);
    QCOMPARE(ui_->openedFolders, std::vector<std::string>{Native(temp_->filePath("out"))});
}

void MainDialogTest::stopDuringTheSecondFile()
{
    const QString a = MakeAvi("in", "a.avi");
    REQUIRE_SAMPLE(a);
    UseFiles({a, MakeAvi("in", "b.avi"), MakeAvi("in", "c.avi")}, temp_->filePath("out"));
    QTest::mouseClick(Button(IDC_GO), Qt::LeftButton);
    QVERIFY(FinishFileAndTick());
    QCOMPARE(Listed(), (QStringList{"b.avi", "c.avi"}));
    QCOMPARE(dialog_->windowTitle(), QStringLiteral("Kestrel: 100%, 2 remaining"));

    // Whether or not the second file's worker has already finished, the stop
    // is seen by the next tick.
    QTest::mouseClick(Button(IDC_GO), Qt::LeftButton);
    QCOMPARE(Button(IDC_GO)->text(), QStringLiteral("Stop"));
    QVERIFY(FinishFileAndTick());
    QVERIFY(ui_->messages.empty());
    QCOMPARE(Listed(), (QStringList{"b.avi", "c.avi"}));
    VerifyIdle();
    QCOMPARE(dialog_->StatusLine()->text(),
             QStringLiteral("Stopped: b.avi not finished, 2 files left; 1 file converted to ") +
                 QString::fromStdString(Native(temp_->filePath("out"))));
    QVERIFY(!dialog_->OpenFolderButton()->isHidden());
}

void MainDialogTest::failureInTheSecondFile()
{
    const QString a = MakeAvi("in", "a.avi");
    REQUIRE_SAMPLE(a);
    const QString bad = MakeGarbage("in", "bad.avi");
    UseFiles({a, bad, MakeAvi("in", "c.avi")}, temp_->filePath("out"));
    QTest::mouseClick(Button(IDC_GO), Qt::LeftButton);
    QVERIFY(FinishFileAndTick());
    QVERIFY(ui_->messages.empty());
    QVERIFY(FinishFileAndTick());
    QCOMPARE(ui_->messages.size(), size_t(1));
    QCOMPARE(ui_->messages[0], Native(bad) + "\nis not a RIFF file (code is 'junk')");
    QCOMPARE(Listed(), (QStringList{"bad.avi", "c.avi"}));
    VerifyIdle();
    QVERIFY(!QFileInfo::exists(temp_->filePath("out/c.avi")));

    // The failed file stays marked, its message as tooltip; the next one is not.
    const QListWidgetItem* failed = dialog_->InputList()->item(0);
    QVERIFY(failed->data(kFailedRole).toBool());
    QVERIFY(!failed->icon().isNull());
    QCOMPARE(failed->toolTip().toStdString(), ui_->messages[0]);
    QVERIFY(!dialog_->InputList()->item(1)->data(kFailedRole).toBool());
    QCOMPARE(dialog_->StatusLine()->text(),
             QStringLiteral("Stopped: bad.avi failed, 2 files left; 1 file converted to ") +
                 QString::fromStdString(Native(temp_->filePath("out"))));
}

void MainDialogTest::sameFileRefusedAtGo_data()
{
    QTest::addColumn<QString>("outputDir");
    QTest::newRow("the file's own folder") << QStringLiteral("in");
    QTest::newRow("with a trailing separator") << QStringLiteral("in/");
#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
    // Only where file systems ignore letter case is "IN" the same folder.
    QTest::newRow("in other letter case") << QStringLiteral("IN");
#endif
}

void MainDialogTest::sameFileRefusedAtGo()
{
    QFETCH(QString, outputDir);
    const QString a = MakeAvi("in", "a.avi");
    REQUIRE_SAMPLE(a);
    const QByteArray before = [&] {
        QFile file(a);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    UseFiles({a}, temp_->path() + QLatin1Char('/') + outputDir);
    QTest::mouseClick(Button(IDC_GO), Qt::LeftButton);
    QCOMPARE(ui_->messages, std::vector<std::string>{SameFileMessage(Native(a))});
    QCOMPARE(Listed(), QStringList{"a.avi"});
    VerifyIdle();
    QFile file(a);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);  // never opened for writing
}

void MainDialogTest::sameFileRefusedForALaterFile()
{
    const QString a = MakeAvi("in", "a.avi");
    REQUIRE_SAMPLE(a);
    const QString b = MakeAvi("out", "b.avi");  // its destination is itself
    UseFiles({a, b, MakeAvi("in", "c.avi")}, temp_->filePath("out"));
    QTest::mouseClick(Button(IDC_GO), Qt::LeftButton);
    QVERIFY(FinishFileAndTick());
    QCOMPARE(ui_->messages, std::vector<std::string>{SameFileMessage(Native(b))});
    QCOMPARE(Listed(), (QStringList{"b.avi", "c.avi"}));
    VerifyIdle();
}

void MainDialogTest::fileAddedDuringABatchComesLast()
{
    const QString a = MakeAvi("in", "a.avi");
    REQUIRE_SAMPLE(a);
    UseFiles({a, MakeAvi("in", "b.avi")}, temp_->filePath("out"));
    QTest::mouseClick(Button(IDC_GO), Qt::LeftButton);
    QVERIFY(FinishFileAndTick());
    QCOMPARE(Listed(), QStringList{"b.avi"});

    ui_->chosenFiles = {Native(MakeAvi("in", "c.avi"))};
    QTest::mouseClick(Button(IDC_ADD), Qt::LeftButton);
    QCOMPARE(Listed(), (QStringList{"b.avi", "c.avi"}));
    QVERIFY(FinishFileAndTick());
    QCOMPARE(dialog_->windowTitle(), QStringLiteral("Kestrel: 100%, 1 remaining"));
    QCOMPARE(Listed(), QStringList{"c.avi"});
    QVERIFY(FinishFileAndTick());
    QCOMPARE(dialog_->InputList()->count(), 0);
    QVERIFY(ui_->messages.empty());
    VerifyIdle();
    QVERIFY(QFileInfo(temp_->filePath("out/c.avi")).size() > 0);
}

void MainDialogTest::enterRunsGoAndNeverCloses()
{
    const QString a = MakeAvi("in", "a.avi");
    REQUIRE_SAMPLE(a);
    UseFiles({a}, temp_->filePath("out"));
    dialog_->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog_.get()));
    // Enter in the list reaches the default button.
    dialog_->InputList()->setFocus();
    QTest::keyClick(dialog_->InputList(), Qt::Key_Return);
    QCOMPARE(Button(IDC_GO)->text(), QStringLiteral("Stop"));
    QVERIFY(dialog_->isVisible());
    QVERIFY(FinishFileAndTick());
    VerifyIdle();
    // With an empty list Enter does nothing at all.
    QTest::keyClick(dialog_->InputList(), Qt::Key_Enter);
    QVERIFY(dialog_->isVisible());
    QCOMPARE(Button(IDC_GO)->text(), QStringLiteral("Go"));
}

void MainDialogTest::escapeQuits()
{
    dialog_->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog_.get()));
    QTest::keyClick(dialog_.get(), Qt::Key_Escape);
    QVERIFY(!dialog_->isVisible());
    QCOMPARE(dialog_->result(), int(QDialog::Rejected));
}

void MainDialogTest::closingDuringABatchStopsTheWorker()
{
    const QString a = MakeAvi("in", "a.avi");
    REQUIRE_SAMPLE(a);
    UseFiles({a, MakeAvi("in", "b.avi")}, temp_->filePath("out"));
    dialog_->show();
    QTest::mouseClick(Button(IDC_GO), Qt::LeftButton);
    QVERIFY(dialog_->Controller().IsWorkerRunning());
    QVERIFY(dialog_->close());
    QCOMPARE(ui_->questions, std::vector<std::string>{"A conversion is running. Stop it and quit?"});
    QVERIFY(!dialog_->isVisible());
    QVERIFY(!dialog_->Controller().IsWorkerRunning());
    QVERIFY(dialog_->Controller().Status().Finished);
    QVERIFY(!ui_->manualTimerActive);
}

void MainDialogTest::quittingDuringABatchAsksFirst_data()
{
    QTest::addColumn<int>("way");  // 0: close box, 1: Quit, 2: Escape
    QTest::newRow("close box") << 0;
    QTest::newRow("Quit") << 1;
    QTest::newRow("Escape") << 2;
}

void MainDialogTest::quittingDuringABatchAsksFirst()
{
    QFETCH(int, way);
    const QString a = MakeAvi("in", "a.avi");
    REQUIRE_SAMPLE(a);
    UseFiles({a}, temp_->filePath("out"));
    dialog_->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog_.get()));
    QTest::mouseClick(Button(IDC_GO), Qt::LeftButton);
    const auto quit = [&] {
        if (way == 0)
            dialog_->close();
        else if (way == 1)
            QTest::mouseClick(Button(IDC_QUIT), Qt::LeftButton);
        else
            QTest::keyClick(dialog_.get(), Qt::Key_Escape);
    };

    ui_->answerYes = false;  // "No": the batch goes on
    quit();
    QCOMPARE(ui_->questions, std::vector<std::string>{"A conversion is running. Stop it and quit?"});
    QVERIFY(dialog_->isVisible());
    QCOMPARE(Button(IDC_GO)->text(), QStringLiteral("Stop"));
    QVERIFY(!dialog_->Controller().Status().StopRequested);

    ui_->answerYes = true;
    quit();
    QCOMPARE(ui_->questions.size(), size_t(2));
    QVERIFY(!dialog_->isVisible());
    QVERIFY(!dialog_->Controller().IsWorkerRunning());
}

void MainDialogTest::quittingWhenIdleAsksNothing()
{
    dialog_->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog_.get()));
    QTest::mouseClick(Button(IDC_QUIT), Qt::LeftButton);
    QVERIFY(!dialog_->isVisible());
    QVERIFY(ui_->questions.empty());
}

void MainDialogTest::addSkipsDuplicates()
{
    ui_->ListAppend("/clips/a.avi");
    ui_->chosenFiles = {"/clips/A.AVI", "/clips/b.avi", "/clips/c.avi", "/clips/B.avi"};
    QTest::mouseClick(Button(IDC_ADD), Qt::LeftButton);
    QCOMPARE(Listed(), (QStringList{"a.avi", "b.avi", "c.avi"}));
}

void MainDialogTest::dropTakesAviFilesOnce()
{
    // Neither the list nor the edit box takes drops themselves, so files
    // dropped anywhere reach the dialog.
    QVERIFY(dialog_->acceptDrops());
    QVERIFY(!dialog_->InputList()->acceptDrops());
    QVERIFY(!dialog_->InputList()->viewport()->acceptDrops());
    QVERIFY(!dialog_->Control(IDC_OUTPUT_DIR)->acceptDrops());

    ui_->ListAppend(Native(temp_->filePath("in/first.avi")));
    QMimeData data;
    QList<QUrl> urls;
    for (const char* name : {"in/a.avi", "in/notes.txt", "in/CLIP.AVI", "in", "in/A.avi", "in/FIRST.avi"})
        urls << QUrl::fromLocalFile(temp_->filePath(QString::fromUtf8(name)));
    data.setUrls(urls);
    const QPoint at = dialog_->InputList()->geometry().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(dialog_.get(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(dialog_.get(), &drop);
    QCOMPARE(Listed(), (QStringList{"first.avi", "a.avi", "CLIP.AVI"}));
}

void MainDialogTest::removeWithAndWithoutSelection()
{
    for (const char* path : {"/clips/a.avi", "/clips/b.avi", "/clips/c.avi"})
        ui_->ListAppend(path);
    dialog_->InputList()->clearSelection();
    QTest::mouseClick(Button(IDC_REMOVE), Qt::LeftButton);
    QCOMPARE(Listed(), (QStringList{"a.avi", "b.avi", "c.avi"}));
    dialog_->InputList()->setCurrentRow(1);
    QTest::mouseClick(Button(IDC_REMOVE), Qt::LeftButton);
    QCOMPARE(Listed(), (QStringList{"a.avi", "c.avi"}));
}

void MainDialogTest::deleteKeyRemovesLikeRemove()
{
    const QString a = MakeAvi("in", "a.avi");
    REQUIRE_SAMPLE(a);
    UseFiles({a, MakeAvi("in", "b.avi"), MakeAvi("in", "c.avi")}, temp_->filePath("out"));
    dialog_->InputList()->setCurrentRow(1);
    QTest::keyClick(dialog_->InputList(), Qt::Key_Delete);
    QCOMPARE(Listed(), (QStringList{"a.avi", "c.avi"}));

    // During a batch "Remove" is locked, and so is Delete.
    QTest::mouseClick(Button(IDC_GO), Qt::LeftButton);
    dialog_->InputList()->setCurrentRow(0);
    QTest::keyClick(dialog_->InputList(), Qt::Key_Delete);
    QCOMPARE(Listed(), (QStringList{"a.avi", "c.avi"}));
    dialog_->Controller().StopAndWait();
}

void MainDialogTest::entriesShowTheirFullPathAsTooltip()
{
    const std::string path = "/home/user/Videos/a folder with a long name/and another one below it/clip.avi";
    ui_->ListAppend(path);
    QCOMPARE(dialog_->InputList()->item(0)->toolTip().toStdString(), path);
    QCOMPARE(dialog_->InputList()->model()->index(0, 0).data(Qt::ToolTipRole).toString().toStdString(), path);
}

void MainDialogTest::browseReplacesTheOutputDirectory()
{
    auto* edit = qobject_cast<QLineEdit*>(dialog_->Control(IDC_OUTPUT_DIR));
    edit->setText(QStringLiteral("/typed"));
    QTest::mouseClick(Button(IDC_BROWSE), Qt::LeftButton);  // cancelled
    QCOMPARE(edit->text(), QStringLiteral("/typed"));
    ui_->chosenFolder = "/chosen";
    QTest::mouseClick(Button(IDC_BROWSE), Qt::LeftButton);
    QCOMPARE(edit->text(), QStringLiteral("/chosen"));
}

QTEST_MAIN(MainDialogTest)
#include "MainDialogTest.moc"
