// The main dialog driven as a user would, converting real small AVI files:
// batches and the status line they leave, Stop, failures, same-file
// refusals, quitting, and how files enter and leave the list.

#include "CapturingServices.h"

#include "base/StatusCode.h"
#include "job/RunConversion.h"
#include "ui/FirstFrame.h"
#include "ui/InputListDelegate.h"
#include "ui/KestrelApp.h"
#include "ui/MainDialogRules.h"
#include "ui/Resources.h"
#include "ui/UnixSignals.h"

#include <QCheckBox>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <array>
#include <atomic>
#include <chrono>
#include <csignal>
#include <thread>

using namespace kestrel;
using namespace kestrel::ui;
using kestrel::ui::test::CapturingServices;

namespace {

constexpr std::array kLockedControls = {
    IDC_ROT_CW,     IDC_ROT_ACW, IDC_ROT_180,   IDC_MIRROR_X, IDC_MIRROR_Y, IDC_REMOVE,
    IDC_OUTPUT_DIR, IDC_BROWSE,  IDC_DEST_KIND, IDC_SUFFIX,   IDC_EXISTING, IDC_CLEAR_FINISHED,
};

constexpr int kWaitMs = 30000;

std::string Native(const QString& path) { return QFile::encodeName(QDir::toNativeSeparators(path)).toStdString(); }

QByteArray Contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool Write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

}  // namespace

class MainDialogTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        InstallTranslations(*QCoreApplication::instance(), QLocale(QLocale::English));
    }
    void init();
    void cleanup();

    void threeFilesConvertWithTheRealTimer();
    void stopDuringTheSecondFile();
    void fiveFilesTwoBadInOnePress();
    void damagedFramesRepeatWithTheCheckBox();
    void destinationPolicies_data();
    void destinationPolicies();
    void perFileTransformsGiveEachOutputItsOwnSize();
    void openFolderSaysWhenNoFileManagerStarts();
    void sameFileRefusedAtGo_data();
    void sameFileRefusedAtGo();
    void sameFileRefusedForALaterFile();
    void fileAddedDuringABatchComesLast();
    void enterRunsGoAndNeverCloses();
    void escapeQuits();
    void closingDuringABatchStopsTheWorker();
    void stopSignalEndsTheBatchAndTheWindow_data();
    void stopSignalEndsTheBatchAndTheWindow();
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
    // Ticks until the batch has ended.
    bool FinishBatch();
    // The state of each row.
    std::vector<RowState> States() const;
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

bool MainDialogTest::FinishBatch()
{
    while (dialog_->Controller().IsBatchRunning()) {
        if (!FinishFileAndTick())
            return false;
    }
    return true;
}

std::vector<RowState> MainDialogTest::States() const
{
    std::vector<RowState> states;
    for (int i = 0; i < ui_->ListCount(); ++i)
        states.push_back(ui_->ListStatus(i).state);
    return states;
}

void MainDialogTest::VerifyIdle()
{
    QCOMPARE(Button(IDC_GO)->text(), QStringLiteral("&Go"));
    QCOMPARE(dialog_->windowTitle(), QStringLiteral("Kestrel"));
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
    QCOMPARE(Button(IDC_GO)->text(), QStringLiteral("&Stop"));
    for (int id : kLockedControls)
        QVERIFY(!dialog_->Control(id)->isEnabled());
    QVERIFY(Button(IDC_ADD)->isEnabled());
    QVERIFY(Button(IDC_QUIT)->isEnabled());
    QVERIFY(dialog_->InputList()->isEnabled());

    QTRY_COMPARE_WITH_TIMEOUT(Button(IDC_GO)->text(), QStringLiteral("&Go"), kWaitMs);
    QVERIFY(ui_->messages.empty());
    QCOMPARE(States(), std::vector<RowState>(3, RowState::Done));  // the rows stay, with their outcome
    VerifyIdle();
    // The bar followed the whole batch: forward only, full once, at the end.
    QVERIFY(std::is_sorted(ui_->progressLog.begin(), ui_->progressLog.end()));
    QCOMPARE(std::count(ui_->progressLog.begin(), ui_->progressLog.end(), 100), 1L);
    QCOMPARE(dialog_->Progress()->value(), 100);
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
    QCOMPARE(States(), (std::vector{RowState::Done, RowState::Converting, RowState::Waiting}));
    QVERIFY(dialog_->windowTitle().startsWith(QStringLiteral("Kestrel: 33%")));

    // Whether or not the second file's worker has already finished, the stop
    // is seen by the next tick, and the third file is not started.
    QTest::mouseClick(Button(IDC_GO), Qt::LeftButton);
    QCOMPARE(Button(IDC_GO)->text(), QStringLiteral("&Stop"));
    QVERIFY(FinishFileAndTick());
    QVERIFY(ui_->messages.empty());
    QCOMPARE(States().back(), RowState::Waiting);
    VerifyIdle();
    QVERIFY(dialog_->StatusLine()->text().startsWith(QStringLiteral("Stopped")));
    QVERIFY(!dialog_->OpenFolderButton()->isHidden());
}

// A clip whose first frame cannot be decoded fails, or with the check box
// converts, saying which frame was replaced; the choice is remembered.
void MainDialogTest::damagedFramesRepeatWithTheCheckBox()
{
    const QString clip = MakeAvi("in", "clip.avi");
    REQUIRE_SAMPLE(clip);
    QFile file(clip);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QByteArray data = file.readAll();
    const qsizetype frame = data.indexOf("00dc", data.indexOf("movi")) + 8;
    for (qsizetype at = frame + 600; at < frame + 3000; at += 5)
        data[at] = char(0xFF);
    QVERIFY(file.seek(0) && file.write(data) == data.size());
    file.close();

    UseFiles({clip}, temp_->filePath("out"));
    QTest::mouseClick(Button(IDC_GO), Qt::LeftButton);
    QVERIFY(FinishBatch());
    QCOMPARE(States(), std::vector{RowState::Failed});

    auto* salvage = qobject_cast<QCheckBox*>(dialog_->Control(IDC_SALVAGE));
    QVERIFY(salvage && !salvage->isChecked());
    QTest::mouseClick(salvage, Qt::LeftButton);
    QTest::mouseClick(Button(IDC_GO), Qt::LeftButton);
    QVERIFY(FinishBatch());
    QCOMPARE(States(), std::vector{RowState::Done});
    QVERIFY2(dialog_->StatusLine()->text().contains(QStringLiteral("damaged frame 1 replaced")),
             qPrintable(dialog_->StatusLine()->text()));
    QCOMPARE(ui_->settings[kSalvageKey], std::string("1"));
}

void MainDialogTest::fiveFilesTwoBadInOnePress()
{
    const QString a = MakeAvi("in", "a.avi");
    REQUIRE_SAMPLE(a);
    const QString bad1 = MakeGarbage("in", "bad1.avi");
    const QString bad2 = MakeGarbage("in", "bad2.avi");
    UseFiles({a, bad1, MakeAvi("in", "c.avi"), bad2, MakeAvi("in", "e.avi")}, temp_->filePath("out"));
    QTest::mouseClick(Button(IDC_GO), Qt::LeftButton);
    QVERIFY(FinishBatch());
    QVERIFY(ui_->messages.empty());
    using enum RowState;
    QCOMPARE(States(), (std::vector{Done, Failed, Done, Failed, Done}));
    VerifyIdle();
    for (const char* name : {"a.avi", "c.avi", "e.avi"})
        QVERIFY2(QFileInfo(temp_->filePath(QStringLiteral("out/") + name)).size() > 0, name);
    QVERIFY(!QFileInfo::exists(temp_->filePath("out/bad1.avi")));

    // A failed row says so in words and by its icon, its message in the tooltip.
    const QListWidgetItem* failed = dialog_->InputList()->item(1);
    const std::string message = Native(bad1) + "\nis not a RIFF file (code is 'junk')";
    QCOMPARE(ui_->ListStatus(1).message, message);
    QVERIFY(!failed->icon().isNull());
    QCOMPARE(failed->toolTip().toStdString(), message);
    QCOMPARE(failed->data(Qt::AccessibleTextRole).toString(),
             QStringLiteral("bad1.avi, Failed: is not a RIFF file (code is 'junk')"));
    QCOMPARE(dialog_->StatusLine()->text(), QStringLiteral("3 files converted to ") +
                                                QString::fromStdString(Native(temp_->filePath("out"))) +
                                                QStringLiteral(", 2 failed"));
}

void MainDialogTest::destinationPolicies_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("policy");
    QTest::addColumn<std::vector<OverwriteAnswer>>("answers");
    QTest::addColumn<bool>("confirm");
    // Which of the three files' old destinations hold the converted clip afterwards.
    QTest::addColumn<std::vector<bool>>("replaced");
    const int folder = int(DestinationKind::Folder);
    const int ask = int(ExistingPolicy::Ask);
    QTest::newRow("ask: skip, then replace all")
        << folder << ask << std::vector{OverwriteAnswer::Skip, OverwriteAnswer::ReplaceAll} << true
        << std::vector{false, true, true};
    QTest::newRow("remembered skip") << folder << int(ExistingPolicy::Skip) << std::vector<OverwriteAnswer>{} << true
                                     << std::vector{false, false, false};
    QTest::newRow("suffix, asked to replace")
        << int(DestinationKind::Suffix) << ask
        << std::vector{OverwriteAnswer::Replace, OverwriteAnswer::Skip, OverwriteAnswer::Replace} << true
        << std::vector{true, false, true};
    QTest::newRow("replace sources, confirmed")
        << int(DestinationKind::ReplaceSource) << ask << std::vector<OverwriteAnswer>{} << true
        << std::vector{true, true, true};
    QTest::newRow("replace sources, not confirmed")
        << int(DestinationKind::ReplaceSource) << ask << std::vector<OverwriteAnswer>{} << false
        << std::vector{false, false, false};
}

void MainDialogTest::destinationPolicies()
{
    QFETCH(int, kind);
    QFETCH(int, policy);
    QFETCH(std::vector<OverwriteAnswer>, answers);
    QFETCH(bool, confirm);
    QFETCH(std::vector<bool>, replaced);
    const QString sample = MakeAvi("in", "sample.avi");
    REQUIRE_SAMPLE(sample);
    // The converted clip, as the conversion writes it.
    UseFiles({sample}, temp_->filePath("ref"));
    ui_->SetChecked(IDC_ROT_CW);
    QTest::mouseClick(Button(IDC_GO), Qt::LeftButton);
    QVERIFY(FinishBatch());
    const QByteArray converted = Contents(temp_->filePath("ref/sample.avi"));
    QVERIFY(converted.startsWith("RIFF"));
    dialog_->InputList()->clear();

    // Three clips whose destinations hold an old file: beside them
    // NAME-cw.avi, or in out/ NAME.avi (c.avi's is created, not there).
    const QByteArray old = "an older file";
    QStringList sources;
    QStringList destinations;
    for (const char* name : {"a", "b", "c"}) {
        sources << MakeAvi("in", QString::fromUtf8(name) + ".avi");
        destinations << (kind == int(DestinationKind::Suffix)
                             ? temp_->filePath(QStringLiteral("in/%1-cw.avi").arg(name))
                         : kind == int(DestinationKind::ReplaceSource)
                             ? sources.back()
                             : temp_->filePath(QStringLiteral("out/%1.avi").arg(name)));
    }
    const bool lastExists = kind != int(DestinationKind::Folder) || policy != int(ExistingPolicy::Ask);
    for (int i = 0; i < 3; ++i) {
        if (kind != int(DestinationKind::ReplaceSource) && (i < 2 || lastExists))
            QVERIFY(Write(destinations[i], old));
    }
    UseFiles(sources, temp_->filePath("out"));
    ui_->SetComboIndex(IDC_DEST_KIND, kind);
    ui_->SetComboIndex(IDC_EXISTING, policy);
    ui_->overwriteAnswers = answers;
    ui_->answerYes = confirm;
    ui_->questions.clear();
    QTest::mouseClick(Button(IDC_GO), Qt::LeftButton);
    QVERIFY(FinishBatch());
    QCOMPARE(ui_->questions.size(), size_t(kind == int(DestinationKind::ReplaceSource) ? 1 : 0));
    const QByteArray sampleBytes = Contents(sample);
    for (int i = 0; i < 3; ++i) {
        const QByteArray before = kind == int(DestinationKind::ReplaceSource) ? sampleBytes : old;
        const QByteArray now = Contents(destinations[i]);
        if (replaced[size_t(i)])
            QVERIFY2(now == converted, qPrintable(destinations[i]));
        else if (i < 2 || lastExists)
            QVERIFY2(now == before, qPrintable(destinations[i]));
    }
}

void MainDialogTest::perFileTransformsGiveEachOutputItsOwnSize()
{
    const QString a = MakeAvi("in", "a.avi");
    REQUIRE_SAMPLE(a);
    UseFiles({a, MakeAvi("in", "b.avi"), MakeAvi("in", "c.avi")}, temp_->filePath("out"));
    // Selected rows take the transform chosen; with none selected, all do.
    QTest::mouseClick(dialog_->Control(IDC_ROT_180), Qt::LeftButton);
    dialog_->InputList()->item(0)->setSelected(true);
    dialog_->InputList()->item(2)->setSelected(true);
    QTest::mouseClick(dialog_->Control(IDC_ROT_CW), Qt::LeftButton);
    // Selecting one row shows its transform in the buttons and the preview.
    dialog_->InputList()->clearSelection();
    dialog_->InputList()->item(1)->setSelected(true);
    QVERIFY(qobject_cast<QAbstractButton*>(dialog_->Control(IDC_ROT_180))->isChecked());
    QTest::mouseClick(Button(IDC_GO), Qt::LeftButton);
    QVERIFY(FinishBatch());
    const auto size = [&](const char* name) {
        const mjpeg::PictureSize picture = ReadFirstFrame(Native(temp_->filePath(QString::fromUtf8(name)))).size;
        return QSize(picture.width, picture.height);
    };
    QCOMPARE(size("out/a.avi"), QSize(240, 320));
    QCOMPARE(size("out/b.avi"), QSize(320, 240));
    QCOMPARE(size("out/c.avi"), QSize(240, 320));
}

void MainDialogTest::openFolderSaysWhenNoFileManagerStarts()
{
    dialog_->ShowOutcome(QStringLiteral("1 file converted"), "/videos/out");
    ui_->fileManagerStarts = false;
    QTest::mouseClick(dialog_->OpenFolderButton(), Qt::LeftButton);
    QCOMPARE(ui_->openedFolders, std::vector<std::string>{"/videos/out"});
    QCOMPARE(ui_->messages, std::vector<std::string>{"No file manager could be started to open /videos/out. The "
                                                     "converted files are there."});
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
    QVERIFY(ui_->messages.empty());
    QCOMPARE(States(), std::vector{RowState::Failed});
    QCOMPARE(ui_->ListStatus(0).message, SameFileMessage(Native(a)));
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
    QVERIFY(FinishBatch());
    QCOMPARE(ui_->ListStatus(1).message, SameFileMessage(Native(b)));
    QCOMPARE(States(), (std::vector{RowState::Done, RowState::Failed, RowState::Done}));
    VerifyIdle();
}

void MainDialogTest::fileAddedDuringABatchComesLast()
{
    const QString a = MakeAvi("in", "a.avi");
    REQUIRE_SAMPLE(a);
    UseFiles({a, MakeAvi("in", "b.avi")}, temp_->filePath("out"));
    QTest::mouseClick(Button(IDC_GO), Qt::LeftButton);
    QVERIFY(FinishFileAndTick());

    // Added during the batch: the finished row stays, the new one waits its turn.
    ui_->chosenFiles = {Native(MakeAvi("in", "c.avi"))};
    QTest::mouseClick(Button(IDC_ADD), Qt::LeftButton);
    QCOMPARE(Listed(), (QStringList{"a.avi", "b.avi", "c.avi"}));
    QVERIFY(FinishBatch());
    QCOMPARE(States(), std::vector<RowState>(3, RowState::Done));
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
    QCOMPARE(Button(IDC_GO)->text(), QStringLiteral("&Stop"));
    QVERIFY(dialog_->isVisible());
    QVERIFY(FinishFileAndTick());
    VerifyIdle();
    // With nothing left to convert Enter does nothing at all.
    QTest::keyClick(dialog_->InputList(), Qt::Key_Enter);
    QVERIFY(dialog_->isVisible());
    QCOMPARE(Button(IDC_GO)->text(), QStringLiteral("&Go"));
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

void MainDialogTest::stopSignalEndsTheBatchAndTheWindow_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGINT") << SIGINT;
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGHUP") << SIGHUP;
}

// The signal raised in this process, with the window's handlers installed:
// the conversion is asked to stop and waited for, so that its temporary
// file is gone before the window closes with 128 + the signal's number.
void MainDialogTest::stopSignalEndsTheBatchAndTheWindow()
{
    QFETCH(int, signalNumber);
    const QString a = MakeAvi("in", "a.avi");
    REQUIRE_SAMPLE(a);
    // The real conversion, once the stop has been asked for: it creates its
    // temporary file, sees the stop at its first chunk and removes the file.
    std::atomic<bool> started = false;
    auto convert = [&started](std::unique_ptr<ConversionJob> job, ConversionStatus& status) {
        started = true;
        for (int waited = 0; waited < 500 && !status.StopRequested; ++waited)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return RunConversion(std::move(job), status);
    };
    dialog_ = test::MakeDialog(ui_, /*manualTicks=*/true, false, convert);
    UseFiles({a, MakeAvi("in", "b.avi")}, temp_->filePath("out"));
    UnixSignals stopSignals;
    QVERIFY(stopSignals.IsInstalled());
    connect(&stopSignals, &UnixSignals::received, dialog_.get(), &MainDialog::QuitOnSignal);
    dialog_->show();
    QTest::mouseClick(Button(IDC_GO), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(started.load(), kWaitMs);

    QCOMPARE(std::raise(signalNumber), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!dialog_->isVisible(), kWaitMs);
    QCOMPARE(dialog_->result(), 128 + signalNumber);
    QCOMPARE(dialog_->ExitStatus(), 128 + signalNumber);
    QVERIFY(!dialog_->Controller().IsWorkerRunning());
    QCOMPARE(dialog_->Controller().Status().Result.outcome, Outcome::Stopped);
    QCOMPARE(QDir(temp_->filePath("out")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList());
    QVERIFY(ui_->questions.empty());
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
    QCOMPARE(Button(IDC_GO)->text(), QStringLiteral("&Stop"));
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
    const QString a = MakeAvi("in", "a.avi");
    REQUIRE_SAMPLE(a);
    ui_->ListAppend(Native(a));
    ui_->chosenFiles = {Native(MakeAvi("in", "b.avi")), Native(a), Native(MakeAvi("in", "c.avi"))};
    QTest::mouseClick(Button(IDC_ADD), Qt::LeftButton);
    QCOMPARE(Listed(), (QStringList{"a.avi", "b.avi", "c.avi"}));
    // Ctrl+O adds as well.
    ui_->chosenFiles = {Native(MakeAvi("in", "d.avi"))};
    dialog_->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog_.get()));
    QTest::keyClick(dialog_.get(), Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(Listed(), (QStringList{"a.avi", "b.avi", "c.avi", "d.avi"}));
}

void MainDialogTest::dropTakesAviFilesOnce()
{
    // Neither the list nor the edit box takes drops themselves, so files
    // dropped anywhere reach the dialog.
    QVERIFY(dialog_->acceptDrops());
    QVERIFY(!dialog_->InputList()->acceptDrops());
    QVERIFY(!dialog_->InputList()->viewport()->acceptDrops());
    QVERIFY(!dialog_->Control(IDC_OUTPUT_DIR)->acceptDrops());

    for (const char* name : {"in/first.avi", "in/a.avi", "in/notes.txt", "in/CLIP.AVI"})
        QVERIFY(Write(temp_->filePath(QString::fromUtf8(name)), "clip"));
    ui_->ListAppend(Native(temp_->filePath("in/first.avi")));
    QMimeData data;
    QList<QUrl> urls;
    // The folder brings its .avi files; a missing file and a text file are refused.
    for (const char* name : {"in/a.avi", "in/notes.txt", "in/CLIP.AVI", "in", "in/gone.avi"})
        urls << QUrl::fromLocalFile(temp_->filePath(QString::fromUtf8(name)));
    data.setUrls(urls);
    const QPoint at = dialog_->InputList()->geometry().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(dialog_.get(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(dialog_.get(), &drop);
    QCOMPARE(Listed(), (QStringList{"first.avi", "a.avi", "CLIP.AVI"}));
    QCOMPARE(ui_->messages.size(), size_t(1));
    QVERIFY(ui_->messages[0].find("2 files not added:") == 0);
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
