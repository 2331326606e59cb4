// The batch controller and the list rules against in-memory window services:
// no display, and conversions that the tests script.

#include "FakeUiServices.h"

#include "base/StatusCode.h"
#include "ui/BatchController.h"
#include "ui/BatchOutcome.h"
#include "ui/KestrelApp.h"
#include "ui/MainDialogRules.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

#include <array>
#include <atomic>
#include <chrono>
#include <thread>

using namespace kestrel;
using namespace kestrel::ui;
using kestrel::ui::test::FakeUiServices;

namespace {

constexpr std::array kLockedControls = {
    IDC_ROT_CW,     IDC_ROT_ACW, IDC_ROT_180,   IDC_MIRROR_X, IDC_MIRROR_Y, IDC_REMOVE,
    IDC_OUTPUT_DIR, IDC_BROWSE,  IDC_DEST_KIND, IDC_SUFFIX,   IDC_EXISTING, IDC_CLEAR_FINISHED,
};

constexpr int kWaitMs = 10000;

// A conversion that ends at once the way the script says.
BatchController::Conversion Ending(int percent, int32_t code = status::kNone, uint32_t detail = 0)
{
    return [=](std::unique_ptr<ConversionJob>, ConversionStatus& status) {
        status.ProgressPercent = percent;
        status.FramesConverted = code == status::kNone ? 10 : 0;
        status.Result.outcome = code != status::kNone ? Outcome::Failed : Outcome::Converted;
        status.Result.failure = Failure(code, detail);
        status.Finished = true;
        return 0;
    };
}

// A conversion that runs until it is asked to stop.
int RunUntilStopped(std::unique_ptr<ConversionJob>, ConversionStatus& status)
{
    status.ProgressPercent = 40;
    while (!status.StopRequested)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    status.Result.outcome = Outcome::Stopped;
    status.Finished = true;
    return 0;
}

bool WaitForWorker(const BatchController& controller)
{
    return QTest::qWaitFor([&] { return controller.Status().Finished.load(); }, kWaitMs);
}

// An output directory that exists: "Go" creates a missing one.
const std::string kOut = QDir::tempPath().toStdString();

// A file that exists, for the rules that look at the file system.
std::string Touch(const QTemporaryDir& dir, const QString& name)
{
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly))
        return {};
    return file.fileName().toStdString();
}

std::vector<RowState> States(const FakeUiServices& ui)
{
    std::vector<RowState> states;
    for (int i = 0; i < ui.ListCount(); ++i)
        states.push_back(ui.ListStatus(i).state);
    return states;
}

// Ticks until the batch has ended.
bool RunBatch(BatchController& controller)
{
    while (controller.IsBatchRunning()) {
        if (!WaitForWorker(controller))
            return false;
        controller.OnTimer();
    }
    return true;
}

void FillIdle(FakeUiServices& ui, std::vector<std::string> files)
{
    ui.list = std::move(files);
    ui.texts[IDC_OUTPUT_DIR] = kOut;
    ui.checked = {IDC_ROT_ACW};
}

}  // namespace

class ControllerRulesTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { InstallTranslations(*QCoreApplication::instance(), QLocale(QLocale::English)); }
    void goWithEmptyListDoesNothing();
    void radioButtonsSelectTheMode_data();
    void radioButtonsSelectTheMode();
    void laterCheckedButtonWins();
    void destinationIsOutputDirectoryAndName();
    void finishedWorkerBelow100EndsTheFileAsSuccess();
    void failureIsMarkedAndTheBatchGoesOn();
    void stopAfterWorkerFinishedEndsBeforeTheNextFile();
    void timerThatCannotStartEndsTheJob();
    void stopAndWaitBringsTheWorkerDown();
    void destroyingTheControllerStopsTheWorker();
    void outcomeTexts();
    void statusLineAfterSuccessStopAndFailure();
    void sameFileIsMarkedAndTheNextOneConverts();
    void progressIsTheBatchsInFramesAndReaches100Once();
    void existingDestinationFollowsThePolicy_data();
    void existingDestinationFollowsThePolicy();
    void suffixDestinations_data();
    void suffixDestinations();

    void goRefusesAnEmptyOutputDirectoryAndMakesAMissingOne();
    void emptyClipIsConvertedWithAWarning();
    void sourcesOfOneNameAreRefusedAtGoAndWhenAdded();
    void addSkipsDuplicatesIgnoringCase();
    void addUsesTheAviChooser();
    void dropTakesOnlyAviNames();
    void removeDeletesTheSelectedEntryOnly();
    void transformAppliesToSelectedRowsOrAll();
    void addingForANewBatchClearsFinishedRows();
    void browseKeepsTextWhenCancelled();
    void startState();
    void settingsAreRememberedByStableNames();
};

void ControllerRulesTest::goWithEmptyListDoesNothing()
{
    FakeUiServices ui;
    BatchController controller(ui, Ending(100));
    controller.OnGoStop();
    QCOMPARE(ui.ControlText(IDC_GO), std::string("&Go"));
    QVERIFY(!controller.IsWorkerRunning());
    QVERIFY(ui.disabled.empty());
    QVERIFY(!ui.timerActive);
}

void ControllerRulesTest::radioButtonsSelectTheMode_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("mode");
    QTest::newRow("90 clockwise") << int(IDC_ROT_CW) << int(RotationMode::Clockwise90);
    QTest::newRow("90 anticlockwise") << int(IDC_ROT_ACW) << int(RotationMode::Anticlockwise90);
    QTest::newRow("180") << int(IDC_ROT_180) << int(RotationMode::Rotate180);
    QTest::newRow("mirror x") << int(IDC_MIRROR_X) << int(RotationMode::MirrorX);
    QTest::newRow("mirror y") << int(IDC_MIRROR_Y) << int(RotationMode::MirrorY);
}

void ControllerRulesTest::radioButtonsSelectTheMode()
{
    QFETCH(int, button);
    QFETCH(int, mode);
    FakeUiServices ui;
    FillIdle(ui, {"/clips/a.avi"});
    ui.checked = {button};
    std::atomic<int> seen{-1};
    BatchController controller(ui, [&](std::unique_ptr<ConversionJob> job, ConversionStatus& status) {
        seen = static_cast<int>(job->mode);
        status.ProgressPercent = 100;
        status.Finished = true;
        return 0;
    });
    controller.OnGoStop();
    QVERIFY(WaitForWorker(controller));
    controller.OnTimer();
    QCOMPARE(seen.load(), mode);
}

void ControllerRulesTest::laterCheckedButtonWins()
{
    FakeUiServices ui;
    BatchController controller(ui);
    ui.checked = {IDC_ROT_ACW, IDC_ROT_180};
    QCOMPARE(controller.SelectedMode(), RotationMode::Rotate180);
    ui.checked = {IDC_ROT_ACW, IDC_MIRROR_Y, IDC_MIRROR_X};
    QCOMPARE(controller.SelectedMode(), RotationMode::MirrorY);
    ui.checked = {};
    QCOMPARE(controller.SelectedMode(), RotationMode::Clockwise90);
}

void ControllerRulesTest::destinationIsOutputDirectoryAndName()
{
    FakeUiServices ui;
    FillIdle(ui, {"/clips/holiday/a.avi"});
    std::string destination;
    BatchController controller(ui, [&](std::unique_ptr<ConversionJob> job, ConversionStatus& status) {
        destination = job->destination;
        status.ProgressPercent = 100;
        status.Finished = true;
        return 0;
    });
    controller.OnGoStop();
    QVERIFY(WaitForWorker(controller));
    controller.OnTimer();  // joins the worker: `destination` is final
    QCOMPARE(destination, kOut + "/a.avi");
}

void ControllerRulesTest::finishedWorkerBelow100EndsTheFileAsSuccess()
{
    // A header that announces more frames than the file holds: the worker
    // ends successfully at 60%.
    FakeUiServices ui;
    FillIdle(ui, {"/clips/a.avi", "/clips/b.avi"});
    BatchController controller(ui, Ending(60));
    controller.OnGoStop();
    QCOMPARE(ui.ControlText(IDC_GO), std::string("&Stop"));
    QVERIFY(WaitForWorker(controller));
    controller.OnTimer();
    QCOMPARE(States(ui), (std::vector{RowState::Done, RowState::Converting}));
    QVERIFY(WaitForWorker(controller));
    controller.OnTimer();
    QCOMPARE(States(ui), (std::vector{RowState::Done, RowState::Done}));
    QCOMPARE(ui.list.size(), size_t(2));  // rows keep their outcome
    QVERIFY(ui.messages.empty());
    QCOMPARE(ui.ControlText(IDC_GO), std::string("&Go"));
    QCOMPARE(ui.WindowTitle(), std::string("Kestrel"));
    QVERIFY(!ui.timerActive);
}

void ControllerRulesTest::failureIsMarkedAndTheBatchGoesOn()
{
    FakeUiServices ui;
    FillIdle(ui, {"/clips/bad.avi", "/clips/b.avi"});
    BatchController controller(ui, [](std::unique_ptr<ConversionJob> job, ConversionStatus& status) {
        const bool bad = job->source == "/clips/bad.avi";
        status.ProgressPercent = bad ? 0 : 100;
        status.FramesConverted = bad ? 0 : 10;
        status.Result.outcome = bad ? Outcome::Failed : Outcome::Converted;
        status.Result.failure = Failure(bad ? status::kNotRiff : status::kNone, 0x58464952);  // "RIFX"
        status.Finished = true;
        return 0;
    });
    controller.OnGoStop();
    QVERIFY(RunBatch(controller));
    controller.OnTimer();          // a stray tick after the end changes nothing
    QVERIFY(ui.messages.empty());  // no box stops the batch
    QCOMPARE(States(ui), (std::vector{RowState::Failed, RowState::Done}));
    QCOMPARE(ui.ListStatus(0).message, std::string("/clips/bad.avi\nis not a RIFF file (code is 'RIFX')"));
    QCOMPARE(ui.outcome, "1 file converted to " + kOut + ", 1 failed");
    QCOMPARE(ui.announced, std::vector<std::string>{ui.outcome});
    QCOMPARE(ui.ControlText(IDC_GO), std::string("&Go"));
    for (int id : kLockedControls)
        QVERIFY2(ui.IsControlEnabled(id), qPrintable(QString::number(id)));
}

void ControllerRulesTest::stopAfterWorkerFinishedEndsBeforeTheNextFile()
{
    // "Stop" between the worker's end and the next tick: the file is done,
    // the next one is not started.
    FakeUiServices ui;
    FillIdle(ui, {"/clips/a.avi", "/clips/b.avi"});
    BatchController controller(ui, Ending(100));
    controller.OnGoStop();
    QVERIFY(WaitForWorker(controller));
    controller.OnGoStop();
    controller.OnTimer();
    QCOMPARE(States(ui), (std::vector{RowState::Done, RowState::Waiting}));
    QVERIFY(!controller.IsWorkerRunning());
    QCOMPARE(ui.ControlText(IDC_GO), std::string("&Go"));
}

void ControllerRulesTest::timerThatCannotStartEndsTheJob()
{
    FakeUiServices ui;
    FillIdle(ui, {"/clips/a.avi"});
    ui.timerStarts = false;
    BatchController controller(ui, &RunUntilStopped);
    controller.OnGoStop();
    QVERIFY(!controller.IsWorkerRunning());
    QCOMPARE(States(ui), std::vector{RowState::Failed});
    QVERIFY(ui.ListStatus(0).message.find("/clips/a.avi") != std::string::npos);
    QCOMPARE(ui.ControlText(IDC_GO), std::string("&Go"));
    QVERIFY(ui.disabled.empty());
}

void ControllerRulesTest::stopAndWaitBringsTheWorkerDown()
{
    FakeUiServices ui;
    FillIdle(ui, {"/clips/a.avi"});
    BatchController controller(ui, &RunUntilStopped);
    controller.OnGoStop();
    QVERIFY(QTest::qWaitFor([&] { return controller.Status().ProgressPercent == 40; }, kWaitMs));
    controller.OnTimer();
    QCOMPARE(ui.WindowTitle(), std::string("Kestrel: 40%"));
    QCOMPARE(ProgressTitle(42, 65), std::string("Kestrel: 42%, 1:05 left"));
    QCOMPARE(ui.Progress(), 40);
    QVERIFY(controller.IsWorkerRunning());
    controller.StopAndWait();
    QVERIFY(!controller.IsWorkerRunning());
    QVERIFY(controller.Status().Finished);
    QVERIFY(!ui.timerActive);
}

void ControllerRulesTest::destroyingTheControllerStopsTheWorker()
{
    FakeUiServices ui;
    FillIdle(ui, {"/clips/a.avi"});
    // The worker outlives nothing: it has ended by the time the controller is gone.
    auto ended = std::make_shared<std::atomic<bool>>(false);
    auto controller =
        std::make_unique<BatchController>(ui, [ended](std::unique_ptr<ConversionJob> job, ConversionStatus& status) {
            RunUntilStopped(std::move(job), status);
            *ended = true;
            return 0;
        });
    controller->OnGoStop();
    QVERIFY(controller->IsWorkerRunning());
    QVERIFY(!*ended);
    controller.reset();  // would hang or terminate if the worker were left running
    QVERIFY(*ended);
}

void ControllerRulesTest::outcomeTexts()
{
    BatchOutcome outcome;
    outcome.converted = 3;
    outcome.folder = "/out";
    QCOMPARE(BatchOutcomeText(outcome), std::string("3 files converted to /out"));
    outcome.converted = 1;
    outcome.skipped = 2;
    outcome.failed = 1;
    QCOMPARE(BatchOutcomeText(outcome), std::string("1 file converted to /out, 2 skipped, 1 failed"));
    outcome = {};
    outcome.stopped = true;
    outcome.left = 2;
    outcome.current = "/in/clip.avi";
    QCOMPARE(BatchOutcomeText(outcome), std::string("Stopped: clip.avi not finished, 2 files left; 0 files converted "
                                                    "beside their sources"));
    outcome.stopped = false;
    outcome.converted = 1;
    outcome.replacedSources = true;
    QCOMPARE(BatchOutcomeText(outcome), std::string("1 file converted in place"));
}

void ControllerRulesTest::statusLineAfterSuccessStopAndFailure()
{
    {
        FakeUiServices ui;
        FillIdle(ui, {"/clips/a.avi", "/clips/b.avi"});
        BatchController controller(ui, Ending(100));
        controller.OnGoStop();
        QCOMPARE(ui.outcome, std::string());  // cleared at the start
        for (int file = 0; file < 2; ++file) {
            QVERIFY(WaitForWorker(controller));
            controller.OnTimer();
        }
        QCOMPARE(ui.outcome, "2 files converted to " + kOut);
        QCOMPARE(ui.outcomeFolder, kOut);
        QVERIFY(ui.messages.empty());
    }
    {
        // The JPEG library's warnings: the first file's line under the
        // outcome, and how many more files drew some; no message box.
        FakeUiServices ui;
        FillIdle(ui, {"/clips/a.avi", "/clips/b.avi", "/clips/c.avi"});
        BatchController controller(ui, [](std::unique_ptr<ConversionJob> job, ConversionStatus& status) {
            status.ProgressPercent = 100;
            status.FramesConverted = 30;
            status.Result.outcome = Outcome::Converted;
            if (job->source != "/clips/a.avi")
                status.Result.warnings.Add(26, "Corrupt JPEG data: premature end of data segment");
            status.Finished = true;
            return 0;
        });
        controller.OnGoStop();
        for (int file = 0; file < 3; ++file) {
            QVERIFY(WaitForWorker(controller));
            controller.OnTimer();
        }
        QCOMPARE(ui.outcome, "3 files converted to " + kOut +
                                 "\nwarning: /clips/b.avi: frame 26: Corrupt JPEG "
                                 "data: premature end of data segment; 1 more file with warnings");
        QVERIFY(ui.messages.empty());
    }
    {
        FakeUiServices ui;
        FillIdle(ui, {"/clips/a.avi", "/clips/b.avi"});
        BatchController controller(ui, &RunUntilStopped);
        controller.OnGoStop();
        controller.OnGoStop();  // "Stop"
        QVERIFY(WaitForWorker(controller));
        controller.OnTimer();
        QCOMPARE(ui.outcome, "Stopped: a.avi not finished, 2 files left; 0 files converted to " + kOut);
        QCOMPARE(ui.outcomeFolder, std::string());  // nothing to open
        QCOMPARE(States(ui), (std::vector{RowState::Waiting, RowState::Waiting}));
    }
}

void ControllerRulesTest::sameFileIsMarkedAndTheNextOneConverts()
{
    FakeUiServices ui;
    FillIdle(ui, {kOut + "/a.avi", "/clips/b.avi"});  // a.avi would overwrite itself
    BatchController controller(ui, Ending(100));
    controller.OnGoStop();
    QVERIFY(RunBatch(controller));
    QVERIFY(ui.messages.empty());
    QCOMPARE(States(ui), (std::vector{RowState::Failed, RowState::Done}));
    QCOMPARE(ui.ListStatus(0).message, SameFileMessage(kOut + "/a.avi"));
    QCOMPARE(ui.outcome, "1 file converted to " + kOut + ", 1 failed");

    // Go again: the failed row is tried again, the done one is left alone.
    controller.OnGoStop();
    QCOMPARE(States(ui), (std::vector{RowState::Failed, RowState::Done}));
    QCOMPARE(ui.outcome, "0 files converted to " + kOut + ", 1 failed");
}

void ControllerRulesTest::progressIsTheBatchsInFramesAndReaches100Once()
{
    // Files of 10, 30 and 60 frames, each held at 50% (the last at 100%)
    // until the test lets it end.
    FakeUiServices ui;
    FillIdle(ui, {"/clips/a.avi", "/clips/b.avi", "/clips/c.avi"});
    std::atomic<bool> release{false};
    BatchController controller(
        ui,
        [&](std::unique_ptr<ConversionJob> job, ConversionStatus& status) {
            status.ProgressPercent = job->source == "/clips/c.avi" ? 100 : 50;
            while (!release)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            status.ProgressPercent = 100;
            status.Result.outcome = Outcome::Converted;
            status.Finished = true;
            return 0;
        },
        [](const std::string& path) { return path == "/clips/a.avi"   ? 10u
                                             : path == "/clips/b.avi" ? 30u
                                                                      : 60u; });
    controller.OnGoStop();
    std::vector<int> halfway;
    for (int file = 0; file < 3; ++file) {
        QVERIFY(QTest::qWaitFor([&] { return controller.Status().ProgressPercent >= 50; }, kWaitMs));
        controller.OnTimer();
        halfway.push_back(ui.Progress());
        release = true;
        QVERIFY(WaitForWorker(controller));
        release = false;
        controller.OnTimer();
    }
    // (0 + 5) of 100, (10 + 15), and 99 until the batch has ended.
    QCOMPARE(halfway, (std::vector{5, 25, 99}));
    QVERIFY(std::is_sorted(ui.progressLog.begin(), ui.progressLog.end()));
    QCOMPARE(std::count(ui.progressLog.begin(), ui.progressLog.end(), 100), 1L);
    QCOMPARE(ui.progressLog.back(), 100);
    QCOMPARE(ui.WindowTitle(), std::string("Kestrel"));
}

void ControllerRulesTest::existingDestinationFollowsThePolicy_data()
{
    QTest::addColumn<int>("policy");
    QTest::addColumn<std::vector<OverwriteAnswer>>("answers");
    QTest::addColumn<std::vector<RowState>>("states");
    QTest::addColumn<int>("questions");
    using enum RowState;
    QTest::newRow("ask: skip, then replace")
        << int(ExistingPolicy::Ask) << std::vector{OverwriteAnswer::Skip, OverwriteAnswer::Replace}
        << std::vector{Skipped, Done, Done} << 2;
    QTest::newRow("ask: replace all") << int(ExistingPolicy::Ask) << std::vector{OverwriteAnswer::ReplaceAll}
                                      << std::vector{Done, Done, Done} << 1;
    QTest::newRow("ask: skip all") << int(ExistingPolicy::Ask) << std::vector{OverwriteAnswer::SkipAll}
                                   << std::vector{Skipped, Skipped, Done} << 1;
    QTest::newRow("replace") << int(ExistingPolicy::Replace) << std::vector<OverwriteAnswer>{}
                             << std::vector{Done, Done, Done} << 0;
    QTest::newRow("skip") << int(ExistingPolicy::Skip) << std::vector<OverwriteAnswer>{}
                          << std::vector{Skipped, Skipped, Done} << 0;
}

void ControllerRulesTest::existingDestinationFollowsThePolicy()
{
    QFETCH(int, policy);
    QFETCH(std::vector<OverwriteAnswer>, answers);
    QFETCH(std::vector<RowState>, states);
    QFETCH(int, questions);
    QTemporaryDir out;
    Touch(out, "a.avi");
    Touch(out, "b.avi");  // c.avi is not there yet
    FakeUiServices ui;
    FillIdle(ui, {"/clips/a.avi", "/clips/b.avi", "/clips/c.avi"});
    ui.texts[IDC_OUTPUT_DIR] = out.path().toStdString();
    ui.combos[IDC_EXISTING] = policy;
    ui.overwriteAnswers = answers;
    BatchController controller(ui, Ending(100));
    controller.OnGoStop();
    QVERIFY(RunBatch(controller));
    QCOMPARE(States(ui), states);
    QCOMPARE(int(ui.overwriteQuestions.size()), questions);
}

void ControllerRulesTest::suffixDestinations_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QString>("destination");
    QTest::newRow("the transform's name") << "/c/clip.avi"
                                          << ""
                                          << "/c/clip-cw.avi";
    QTest::newRow("the user's") << "/c/clip.AVI"
                                << "_turned"
                                << "/c/clip_turned.avi";
    QTest::newRow("a dotted folder") << "/c.d/clip"
                                     << ""
                                     << "/c.d/clip-cw.avi";
    QTest::newRow("a hidden file") << "/c/.avi"
                                   << ""
                                   << "/c/.avi-cw.avi";
}

void ControllerRulesTest::suffixDestinations()
{
    QFETCH(QString, source);
    QFETCH(QString, suffix);
    QFETCH(QString, destination);
    const DestinationChoice choice{DestinationKind::Suffix, "/out", suffix.toStdString()};
    QCOMPARE(QString::fromStdString(DestinationOf(source.toStdString(), RotationMode::Clockwise90, choice)),
             destination);
    // A second suffix run over the first run's files would write over them.
    QVERIFY(FindBatchConflict({"/c/a.avi", "/c/a-cw.avi"}, {"/c/a-cw.avi", "/c/a-cw-cw.avi"}).has_value());
}

void ControllerRulesTest::goRefusesAnEmptyOutputDirectoryAndMakesAMissingOne()
{
    FakeUiServices ui;
    FillIdle(ui, {"/clips/a.avi"});
    ui.texts[IDC_OUTPUT_DIR] = "";
    BatchController controller(ui, Ending(100));
    controller.OnGoStop();
    QVERIFY(!controller.IsWorkerRunning());
    QCOMPARE(ui.messages, std::vector<std::string>{"No output directory is given: please choose one"});

    QTemporaryDir dir;
    const std::string missing = dir.filePath(QStringLiteral("new/out")).toStdString();
    ui.messages.clear();
    ui.texts[IDC_OUTPUT_DIR] = missing;
    controller.OnGoStop();
    QVERIFY(controller.IsBatchRunning());
    QVERIFY(WaitForWorker(controller));
    controller.OnTimer();
    QVERIFY(ui.messages.empty());
    QVERIFY(QDir(QString::fromStdString(missing)).exists());
}

void ControllerRulesTest::emptyClipIsConvertedWithAWarning()
{
    FakeUiServices ui;
    FillIdle(ui, {"/clips/empty.avi"});
    BatchController controller(ui, [](std::unique_ptr<ConversionJob>, ConversionStatus& status) {
        status.ProgressPercent = 100;
        status.Result.outcome = Outcome::Converted;
        status.Finished = true;
        return 0;
    });
    controller.OnGoStop();
    QVERIFY(WaitForWorker(controller));
    controller.OnTimer();
    QCOMPARE(ui.outcome,
             "1 file converted to " + kOut + "\nwarning: /clips/empty.avi: 0 frames: its video stream holds no frame");
}

void ControllerRulesTest::sourcesOfOneNameAreRefusedAtGoAndWhenAdded()
{
    FakeUiServices ui;
    FillIdle(ui, {"/clips/a/clip.avi", "/clips/b.avi", "/clips/c/clip.avi"});
    BatchController controller(ui, Ending(100));
    controller.OnGoStop();
    QVERIFY(!controller.IsWorkerRunning());
    QCOMPARE(ui.messages, std::vector<std::string>{"/clips/a/clip.avi and /clips/c/clip.avi would both be written to " +
                                                   kOut + "/clip.avi"});

    ui.messages.clear();
    ui.list = {"/clips/a/clip.avi"};
    MainDialogRules rules(ui);
    rules.AddFiles({"/clips/d/clip.avi", "/clips/e.avi"});
    QCOMPARE(ui.list, (std::vector<std::string>{"/clips/a/clip.avi", "/clips/e.avi"}));
    QCOMPARE(ui.messages.size(), size_t(1));
}

void ControllerRulesTest::addSkipsDuplicatesIgnoringCase()
{
    FakeUiServices ui;
    ui.list = {"/clips/a.avi"};
    MainDialogRules rules(ui);
    rules.AddFiles({"/clips/A.AVI", "/clips/b.avi", "/clips/c.avi", "/Clips/B.avi", "/clips/a.avi"});
    QCOMPARE(ui.list, (std::vector<std::string>{"/clips/a.avi", "/clips/b.avi", "/clips/c.avi"}));
}

void ControllerRulesTest::addUsesTheAviChooser()
{
    QTemporaryDir dir;
    FakeUiServices ui;
    ui.chosenFiles = {Touch(dir, "x.avi"), Touch(dir, "y.avi")};
    MainDialogRules rules(ui);
    rules.AddChosenFiles();
    QCOMPARE(ui.chooserTitle, std::string("Choose an AVI File"));
    QCOMPARE(ui.chooserFilter, std::string("AVI Files (*.avi)"));
    QCOMPARE(ui.list, ui.chosenFiles);
    ui.chosenFiles.clear();  // cancelled
    rules.AddChosenFiles();
    QCOMPARE(ui.list.size(), size_t(2));
}

void ControllerRulesTest::dropTakesOnlyAviNames()
{
    QTemporaryDir dir;
    FakeUiServices ui;
    MainDialogRules rules(ui);
    const std::string a = Touch(dir, "a.avi");
    const std::string upper = Touch(dir, "CLIP.AVI");
    const std::string accented = Touch(dir, "été.Avi");
    const std::string notes = Touch(dir, "notes.txt");
    rules.AddDroppedFiles({a, notes, upper, accented, a});
    QCOMPARE(ui.list, (std::vector<std::string>{a, upper, accented}));
    QCOMPARE(ui.messages.size(), size_t(1));  // one message for all refused
    QVERIFY(ui.messages[0].find(notes + ": not an .avi file") != std::string::npos);
}

void ControllerRulesTest::removeDeletesTheSelectedEntryOnly()
{
    FakeUiServices ui;
    ui.list = {"a.avi", "b.avi", "c.avi"};
    MainDialogRules rules(ui);
    rules.RemoveSelectedFile();
    QCOMPARE(ui.list.size(), size_t(3));
    ui.selection = 1;
    rules.RemoveSelectedFile();
    QCOMPARE(ui.list, (std::vector<std::string>{"a.avi", "c.avi"}));
    ui.list = {"a.avi", "b.avi", "c.avi"};
    ui.selectedRows = {0, 2};
    rules.RemoveSelectedFile();
    QCOMPARE(ui.list, std::vector<std::string>{"b.avi"});
}

void ControllerRulesTest::transformAppliesToSelectedRowsOrAll()
{
    using Modes = std::vector<std::optional<RotationMode>>;
    FakeUiServices ui;
    ui.checked = {IDC_ROT_180};
    MainDialogRules rules(ui);
    rules.AddFiles({"/c/a.avi", "/c/b.avi", "/c/c.avi"});
    QCOMPARE(ui.transforms, Modes(3, RotationMode::Rotate180));  // new rows take the checked one
    ui.selectedRows = {0, 2};
    rules.ApplyTransform(RotationMode::Clockwise90);
    QCOMPARE(ui.transforms, (Modes{RotationMode::Clockwise90, RotationMode::Rotate180, RotationMode::Clockwise90}));
    ui.selectedRows.clear();
    rules.ApplyTransform(RotationMode::MirrorX);
    QCOMPARE(ui.transforms, Modes(3, RotationMode::MirrorX));

    // Each row converts under its own.
    ui.texts[IDC_OUTPUT_DIR] = kOut;
    ui.transforms[1] = RotationMode::MirrorY;
    std::vector<RotationMode> modes;
    BatchController controller(ui, [&](std::unique_ptr<ConversionJob> job, ConversionStatus& status) {
        modes.push_back(job->mode);
        return Ending(100)(std::move(job), status);
    });
    controller.OnGoStop();
    QVERIFY(RunBatch(controller));
    QCOMPARE(modes, (std::vector{RotationMode::MirrorX, RotationMode::MirrorY, RotationMode::MirrorX}));
}

void ControllerRulesTest::addingForANewBatchClearsFinishedRows()
{
    FakeUiServices ui;
    ui.list = {"/c/done.avi", "/c/failed.avi", "/c/waiting.avi", "/c/skipped.avi"};
    ui.rows = {{RowState::Done, 100, {}}, {RowState::Failed, 0, "bad"}, {}, {RowState::Skipped, 0, {}}};
    MainDialogRules rules(ui);
    rules.AddFiles({"/c/waiting.avi"});  // already listed: nothing changes
    QCOMPARE(ui.list.size(), size_t(4));
    rules.AddFiles({"/c/new.avi"});
    QCOMPARE(ui.list, (std::vector<std::string>{"/c/waiting.avi", "/c/new.avi"}));
    // While a row converts, the finished ones stay.
    ui.rows = {{RowState::Done, 100, {}}, {RowState::Converting, 5, {}}};
    rules.AddFiles({"/c/third.avi"});
    QCOMPARE(ui.list.size(), size_t(3));
    rules.ClearFinished();
    QCOMPARE(ui.list, (std::vector<std::string>{"/c/new.avi", "/c/third.avi"}));
}

void ControllerRulesTest::browseKeepsTextWhenCancelled()
{
    FakeUiServices ui;
    ui.texts[IDC_OUTPUT_DIR] = "/out";
    MainDialogRules rules(ui);
    rules.ChooseOutputDirectory();
    QCOMPARE(ui.chooserTitle, std::string("Choose an Output Directory"));
    QCOMPARE(ui.chooserStart, std::string("/out"));  // opens at the folder in the field
    QCOMPARE(ui.ControlText(IDC_OUTPUT_DIR), std::string("/out"));
    ui.chosenFolder = "/elsewhere";
    rules.ChooseOutputDirectory();
    QCOMPARE(ui.ControlText(IDC_OUTPUT_DIR), std::string("/elsewhere"));
}

void ControllerRulesTest::startState()
{
    FakeUiServices ui;
    ui.texts[IDC_OUTPUT_DIR] = "left over";
    MainDialogRules rules(ui);
    rules.SetStartState();
    QCOMPARE(ui.checked, std::set<int>{IDC_ROT_ACW});
    QCOMPARE(ui.ControlText(IDC_OUTPUT_DIR), std::string());  // no documents folder
    QCOMPARE(ui.WindowTitle(), std::string("Kestrel"));
    ui.documents = "/home/u/Documents";
    rules.SetStartState();
    QCOMPARE(ui.ControlText(IDC_OUTPUT_DIR), std::string("/home/u/Documents"));
}

void ControllerRulesTest::settingsAreRememberedByStableNames()
{
    const std::pair<int, const char*> names[] = {
        {IDC_ROT_CW, "cw"},         {IDC_ROT_ACW, "acw"},       {IDC_ROT_180, "180"},
        {IDC_MIRROR_X, "mirror-x"}, {IDC_MIRROR_Y, "mirror-y"},
    };
    for (const auto& [id, name] : names) {
        FakeUiServices ui;
        ui.checked = {id};
        ui.texts[IDC_OUTPUT_DIR] = "/videos/turned";
        ui.combos = {{IDC_DEST_KIND, 1}, {IDC_EXISTING, 2}};
        ui.texts[IDC_SUFFIX] = "-turned";
        MainDialogRules(ui).SaveSettings();
        QCOMPARE(ui.settings[kTransformKey], std::string(name));
        QCOMPARE(ui.settings[kOutputDirectoryKey], std::string("/videos/turned"));

        FakeUiServices next;
        next.settings = ui.settings;
        next.documents = "/home/u/Documents";
        MainDialogRules(next).SetStartState();
        QCOMPARE(next.checked, std::set<int>{id});
        QCOMPARE(next.ControlText(IDC_OUTPUT_DIR), std::string("/videos/turned"));
        QCOMPARE(next.combos, ui.combos);
        QCOMPARE(next.ControlText(IDC_SUFFIX), std::string("-turned"));
    }
    // A name from elsewhere, and an empty folder, give the defaults.
    FakeUiServices ui;
    ui.settings = {{kTransformKey, "sideways"}, {kOutputDirectoryKey, ""}, {kDestinationKindKey, "7"}};
    ui.documents = "/home/u/Documents";
    MainDialogRules(ui).SetStartState();
    QCOMPARE(ui.checked, std::set<int>{IDC_ROT_ACW});
    QCOMPARE(ui.ControlText(IDC_OUTPUT_DIR), std::string("/home/u/Documents"));
    QCOMPARE(ui.ComboIndex(IDC_DEST_KIND), 0);
}

QTEST_GUILESS_MAIN(ControllerRulesTest)
#include "ControllerRulesTest.moc"
