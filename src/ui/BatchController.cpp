#include "ui/BatchController.h"

#include "base/StatusCode.h"
#include "job/JobPaths.h"
#include "job/RunConversion.h"
#include "ui/BatchOutcome.h"
#include "ui/Resources.h"
#include "ui/UiServices.h"

#include <array>
#include <cstdio>
#include <system_error>
#include <utility>

namespace kestrel::ui {
namespace {

// The controls that a running batch disables, in this order, and enables
// again at its end. Button 1, Quit, Add... and the list stay usable, so
// files can be queued during a batch.
constexpr std::array kBatchLockedControls = {
    IDC_ROT_CW, IDC_ROT_ACW, IDC_ROT_180, IDC_MIRROR_X, IDC_MIRROR_Y, IDC_REMOVE, IDC_OUTPUT_DIR, IDC_BROWSE,
};

}  // namespace

std::string ProgressTitle(int percent, int remaining)
{
    char title[64];
    std::snprintf(title, sizeof title, "Kestrel: %d%%, %d remaining", percent, remaining);
    return title;
}

BatchController::BatchController(UiServices& ui, Conversion convert)
    : ui_(ui), convert_(convert ? std::move(convert) : Conversion(&RunConversion))
{
}

BatchController::~BatchController()
{
    if (WorkerHandle.joinable()) {
        status_.StopRequested = true;
        WorkerHandle.join();
    }
}

bool BatchController::IsBatchRunning() const { return ui_.ControlText(IDC_GO) != kGoCaption; }

RotationMode BatchController::SelectedMode() const
{
    // A later button overrides an earlier one, should several be checked;
    // with none checked, the first.
    RotationMode mode = kTransforms.front().mode;
    for (const TransformInfo& transform : kTransforms)
        if (ui_.IsChecked(RadioButtonId(transform.mode)))
            mode = transform.mode;
    return mode;
}

void BatchController::OnGoStop()
{
    if (IsBatchRunning()) {
        // The tick ends the batch once the worker has seen the flag.
        status_.StopRequested = true;
        return;
    }
    if (ui_.ListCount() == 0)
        return;
    converted_ = 0;
    failed_ = false;
    warning_.clear();
    warnedFiles_ = 0;
    ui_.ListClearMarks();
    ui_.ShowBatchOutcome({}, {});
    if (!CheckBatch() || !PrepareNextJob()) {
        ReportOutcome();
        return;
    }
    for (int id : kBatchLockedControls)
        ui_.EnableControl(id, false);
    ui_.SetControlText(IDC_GO, kStopCaption);
}

bool BatchController::CheckBatch()
{
    // An output directory must be named; a missing one is made here.
    const std::string outputDir = ui_.ControlText(IDC_OUTPUT_DIR);
    if (kestrel::Status prepared = PrepareOutputDirectory(outputDir); !prepared.Ok()) {
        ShowError(FormatFailure(prepared.failure(), "", outputDir));
        return false;
    }
    // Two files of one name would overwrite each other's result.
    std::vector<std::string> sources;
    for (int i = 0; i < ui_.ListCount(); ++i)
        sources.push_back(ui_.ListText(i));
    if (const auto clash = FindDestinationClash(sources, outputDir)) {
        ShowError(DestinationClashMessage(sources[clash->first], sources[clash->second],
                                          MakeDestinationPath(outputDir, sources[clash->first])));
        return false;
    }
    return true;
}

bool BatchController::PrepareNextJob()
{
    const RotationMode mode = SelectedMode();
    CurrentSource = ui_.ListText(0);
    CurrentDestination = MakeDestinationPath(ui_.ControlText(IDC_OUTPUT_DIR), CurrentSource);
    // Writing the destination would destroy the source it is read from.
    if (IsSameFile(CurrentSource, CurrentDestination)) {
        ShowError(SameFileMessage(CurrentSource));
        return false;
    }
    return StartWorker(CurrentSource, CurrentDestination, mode);
}

bool BatchController::StartWorker(const std::string& source, const std::string& destination, RotationMode mode)
{
    auto job = std::make_unique<ConversionJob>();
    job->source = source;
    job->destination = destination;
    job->mode = mode;
    job->jobs = HardwareThreads();
    status_.Reset();
    try {
        WorkerHandle = std::thread(convert_, std::move(job), std::ref(status_));
    } catch (const std::system_error& error) {
        ShowError("Couldn't start the conversion of " + source + ": " + error.what());
        return false;
    }
    if (!ui_.StartTimer(kProgressTimerId, kProgressTimerPeriodMs)) {
        status_.StopRequested = true;
        WorkerHandle.join();
        ShowError("Couldn't start the progress timer for " + source);
        return false;
    }
    return true;
}

void BatchController::OnTimer()
{
    // A tick that outlived its batch has nothing to watch.
    if (!WorkerHandle.joinable())
        return;
    const int percent = status_.ProgressPercent;
    ui_.SetProgress(percent);
    const int remaining = ui_.ListCount();  // the running file included
    // A worker that ended without reaching exactly 100 (a header that
    // announces more or fewer frames than the file holds) has still finished.
    if (!status_.Finished) {
        ui_.SetWindowTitle(ProgressTitle(percent, remaining));
        return;
    }

    WorkerHandle.join();
    ui_.KillTimer(kProgressTimerId);
    ui_.SetProgress(0);
    if (status_.Result.warnings.Any() && warnedFiles_++ == 0)
        warning_ = FormatFrameWarnings(status_.Result.warnings, CurrentSource);
    // An empty clip converts, but is worth a word.
    if (status_.Succeeded() && status_.FramesConverted == 0 && warnedFiles_++ == 0)
        warning_ = "warning: " + CurrentSource + ": 0 frames: its video stream holds no frame";

    // A "Stop" pressed after the worker's end still ends the batch here.
    if (status_.Succeeded() && !status_.StopRequested) {
        // Built before the next job resets the percentage.
        const std::string title = ProgressTitle(status_.ProgressPercent, remaining - 1);
        ui_.ListDelete(0);
        ++converted_;
        if (remaining - 1 > 0 && PrepareNextJob()) {
            ui_.SetWindowTitle(title);
            return;
        }
    }
    EndBatch();
}

void BatchController::EndBatch()
{
    ShowStatusMessage();
    for (int id : kBatchLockedControls)
        ui_.EnableControl(id, true);
    ui_.SetControlText(IDC_GO, kGoCaption);
    ui_.SetWindowTitle(kAppTitle);
    ReportOutcome();
}

void BatchController::ShowError(const std::string& text)
{
    failed_ = true;
    ui_.ListMarkFailed(0, text);
    ui_.ShowErrorMessage(text);
}

void BatchController::ReportOutcome()
{
    BatchOutcome outcome;
    outcome.converted = converted_;
    outcome.outputDir = ui_.ControlText(IDC_OUTPUT_DIR);
    outcome.left = ui_.ListCount();
    outcome.current = CurrentSource;
    outcome.failed = failed_;
    std::string text = BatchOutcomeText(outcome);
    if (warnedFiles_ > 0) {
        text += "\n" + warning_;
        if (const int more = warnedFiles_ - 1; more > 0)
            text += "; " + std::to_string(more) + (more == 1 ? " more file" : " more files") + " with warnings";
    }
    ui_.ShowBatchOutcome(text, converted_ > 0 ? outcome.outputDir : std::string());
}

void BatchController::ShowStatusMessage()
{
    if (!status_.Failed())
        return;
    ShowError(FormatFailure(status_.Result.failure, CurrentSource, CurrentDestination));
}

void BatchController::StopAndWait()
{
    if (!WorkerHandle.joinable())
        return;
    status_.StopRequested = true;
    WorkerHandle.join();
    ui_.KillTimer(kProgressTimerId);
}

}  // namespace kestrel::ui
