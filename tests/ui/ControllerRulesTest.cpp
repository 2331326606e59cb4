// The batch controller and the list rules against in-memory window services:
// no display, and conversions that the tests script.

#include "FakeUiServices.h"

#include "base/StatusCode.h"
#include "ui/BatchController.h"
#include "ui/BatchOutcome.h"
#include "ui/MainDialogRules.h"

#include <QDir>
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
    IDC_ROT_CW, IDC_ROT_ACW, IDC_ROT_180, IDC_MIRROR_X, IDC_MIRROR_Y, IDC_REMOVE, IDC_OUTPUT_DIR, IDC_BROWSE,
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
    void goWithEmptyListDoesNothing();
    void radioButtonsSelectTheMode_data();
    void radioButtonsSelectTheMode();
    void laterCheckedButtonWins();
    void destinationIsOutputDirectoryAndName();
    void finishedWorkerBelow100EndsTheFileAsSuccess();
    void failureIsShownOnceAndKeepsTheFile();
    void stopAfterWorkerFinishedKeepsTheFile();
    void timerThatCannotStartEndsTheJob();
    void stopAndWaitBringsTheWorkerDown();
    void destroyingTheControllerStopsTheWorker();
    void outcomeTexts();
    void statusLineAfterSuccessStopAndFailure();
    void refusalAtGoMarksTheFileUntilTheNextBatch();

    void goRefusesAnEmptyOutputDirectoryAndMakesAMissingOne();
    void emptyClipIsConvertedWithAWarning();
    void sourcesOfOneNameAreRefusedAtGoAndWhenAdded();
    void addSkipsDuplicatesIgnoringCase();
    void addUsesTheAviChooser();
    void dropTakesOnlyAviNames();
    void removeDeletesTheSelectedEntryOnly();
    void browseKeepsTextWhenCancelled();
    void startState();
    void settingsAreRememberedByStableNames();
};

void ControllerRulesTest::goWithEmptyListDoesNothing()
{
    FakeUiServices ui;
    BatchController controller(ui, Ending(100));
    controller.OnGoStop();
    QCOMPARE(ui.ControlText(IDC_GO), std::string("Go"));
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
    QCOMPARE(ui.ControlText(IDC_GO), std::string("Stop"));
    QVERIFY(WaitForWorker(controller));
    controller.OnTimer();
    QCOMPARE(ui.list, std::vector<std::string>{"/clips/b.avi"});
    QCOMPARE(ui.WindowTitle(), std::string("Kestrel: 60%, 1 remaining"));
    QVERIFY(WaitForWorker(controller));
    controller.OnTimer();
    QVERIFY(ui.list.empty());
    QVERIFY(ui.messages.empty());
    QCOMPARE(ui.ControlText(IDC_GO), std::string("Go"));
    QCOMPARE(ui.WindowTitle(), std::string("Kestrel"));
    QVERIFY(!ui.timerActive);
}

void ControllerRulesTest::failureIsShownOnceAndKeepsTheFile()
{
    FakeUiServices ui;
    FillIdle(ui, {"/clips/bad.avi", "/clips/b.avi"});
    BatchController controller(ui, Ending(0, status::kNotRiff, 0x58464952));  // "RIFX"
    controller.OnGoStop();
    QVERIFY(WaitForWorker(controller));
    controller.OnTimer();
    controller.OnTimer();  // a stray tick after the end changes nothing
    QCOMPARE(ui.messages.size(), size_t(1));
    QCOMPARE(ui.messages[0], std::string("/clips/bad.avi\nis not a RIFF file (code is 'RIFX')"));
    QCOMPARE(ui.list.size(), size_t(2));
    QCOMPARE(ui.ControlText(IDC_GO), std::string("Go"));
    for (int id : kLockedControls)
        QVERIFY2(ui.IsControlEnabled(id), qPrintable(QString::number(id)));
}

void ControllerRulesTest::stopAfterWorkerFinishedKeepsTheFile()
{
    // "Stop" between the worker's end and the next tick: the stop wins.
    FakeUiServices ui;
    FillIdle(ui, {"/clips/a.avi", "/clips/b.avi"});
    BatchController controller(ui, Ending(100));
    controller.OnGoStop();
    QVERIFY(WaitForWorker(controller));
    controller.OnGoStop();
    controller.OnTimer();
    QCOMPARE(ui.list.size(), size_t(2));
    QVERIFY(ui.messages.empty());
    QCOMPARE(ui.ControlText(IDC_GO), std::string("Go"));
}

void ControllerRulesTest::timerThatCannotStartEndsTheJob()
{
    FakeUiServices ui;
    FillIdle(ui, {"/clips/a.avi"});
    ui.timerStarts = false;
    BatchController controller(ui, &RunUntilStopped);
    controller.OnGoStop();
    QVERIFY(!controller.IsWorkerRunning());
    QCOMPARE(ui.messages.size(), size_t(1));
    QVERIFY(ui.messages[0].find("/clips/a.avi") != std::string::npos);
    QCOMPARE(ui.ControlText(IDC_GO), std::string("Go"));
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
    QCOMPARE(ui.WindowTitle(), std::string("Kestrel: 40%, 1 remaining"));
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
    QCOMPARE(BatchOutcomeText({3, "/out", 0, "/in/c.avi", false}), std::string("3 files converted to /out"));
    QCOMPARE(BatchOutcomeText({1, "/out", 0, "/in/a.avi", false}), std::string("1 file converted to /out"));
    QCOMPARE(BatchOutcomeText({0, "/out", 2, "/in/clip.avi", false}),
             std::string("Stopped: clip.avi not finished, 2 files left"));
    QCOMPARE(BatchOutcomeText({2, "/out", 1, "C:\\in\\bad.avi", true}),
             std::string("Stopped: bad.avi failed, 1 file left; 2 files converted to /out"));
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
        QCOMPARE(ui.outcome, std::string("Stopped: a.avi not finished, 2 files left"));
        QCOMPARE(ui.outcomeFolder, std::string());  // nothing to open
        QVERIFY(ui.failed.empty());
    }
    {
        FakeUiServices ui;
        FillIdle(ui, {"/clips/bad.avi", "/clips/b.avi"});
        BatchController controller(ui, Ending(0, status::kNotRiff, 0x58464952));
        controller.OnGoStop();
        QVERIFY(WaitForWorker(controller));
        controller.OnTimer();
        QCOMPARE(ui.outcome, std::string("Stopped: bad.avi failed, 2 files left"));
        // The failed file is marked, with its message.
        QCOMPARE(ui.failed, (std::map<int, std::string>{{0, ui.messages.at(0)}}));
    }
}

void ControllerRulesTest::refusalAtGoMarksTheFileUntilTheNextBatch()
{
    FakeUiServices ui;
    FillIdle(ui, {kOut + "/a.avi", "/clips/b.avi"});  // a.avi would overwrite itself
    BatchController controller(ui, Ending(100));
    controller.OnGoStop();
    QVERIFY(!controller.IsWorkerRunning());
    QCOMPARE(ui.messages, std::vector<std::string>{SameFileMessage(kOut + "/a.avi")});
    QCOMPARE(ui.failed, (std::map<int, std::string>{{0, ui.messages[0]}}));
    QCOMPARE(ui.outcome, std::string("Stopped: a.avi failed, 2 files left"));

    // The user moves it last; the next batch starts without the old mark.
    ui.list = {"/clips/b.avi", kOut + "/a.avi"};
    ui.failed = {{1, ui.messages[0]}};
    controller.OnGoStop();
    QVERIFY(ui.failed.empty());
    QVERIFY(WaitForWorker(controller));
    controller.OnTimer();
    QCOMPARE(ui.failed, (std::map<int, std::string>{{0, SameFileMessage(kOut + "/a.avi")}}));
    QCOMPARE(ui.outcome, "Stopped: a.avi failed, 1 file left; 1 file converted to " + kOut);
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
    FakeUiServices ui;
    ui.chosenFiles = {"/clips/x.avi", "/clips/y.avi"};
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
    FakeUiServices ui;
    MainDialogRules rules(ui);
    rules.AddDroppedFiles({"/clips/a.avi", "/clips/notes.txt", "/clips/CLIP.AVI", "/clips/folder", "avi", ".avi",
                           "/clips/a.AVI", "/clips/movie.avi.bak", "/clips/été.Avi"});
    QCOMPARE(ui.list, (std::vector<std::string>{"/clips/a.avi", "/clips/CLIP.AVI", ".avi", "/clips/été.Avi"}));
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
        MainDialogRules(ui).SaveSettings();
        QCOMPARE(ui.settings[kTransformKey], std::string(name));
        QCOMPARE(ui.settings[kOutputDirectoryKey], std::string("/videos/turned"));

        FakeUiServices next;
        next.settings = ui.settings;
        next.documents = "/home/u/Documents";
        MainDialogRules(next).SetStartState();
        QCOMPARE(next.checked, std::set<int>{id});
        QCOMPARE(next.ControlText(IDC_OUTPUT_DIR), std::string("/videos/turned"));
    }
    // A name from elsewhere, and an empty folder, give the defaults.
    FakeUiServices ui;
    ui.settings = {{kTransformKey, "sideways"}, {kOutputDirectoryKey, ""}};
    ui.documents = "/home/u/Documents";
    MainDialogRules(ui).SetStartState();
    QCOMPARE(ui.checked, std::set<int>{IDC_ROT_ACW});
    QCOMPARE(ui.ControlText(IDC_OUTPUT_DIR), std::string("/home/u/Documents"));
}

QTEST_GUILESS_MAIN(ControllerRulesTest)
#include "ControllerRulesTest.moc"
