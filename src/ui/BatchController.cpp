#include "ui/BatchController.h"

#include "base/StatusCode.h"
#include "job/JobPaths.h"
#include "job/RunConversion.h"
#include "ui/BatchOutcome.h"
#include "ui/HeaderFrameCount.h"
#include "ui/Resources.h"
#include "ui/UiServices.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <system_error>
#include <utility>

namespace kestrel::ui {
namespace {

// The controls that a running batch disables, in this order, and enables
// again at its end. Button 1, Quit, Add... and the list stay usable, so
// files can be queued during a batch.
constexpr std::array kBatchLockedControls = {
    IDC_ROT_CW, IDC_ROT_ACW,   IDC_ROT_180, IDC_MIRROR_X, IDC_MIRROR_Y,       IDC_REMOVE,  IDC_OUTPUT_DIR,
    IDC_BROWSE, IDC_DEST_KIND, IDC_SUFFIX,  IDC_EXISTING, IDC_CLEAR_FINISHED, IDC_SALVAGE,
};

// The time left is told once this much of the batch has taken this long.
constexpr int kMinPercentForTimeLeft = 2;
constexpr auto kMinElapsedForTimeLeft = std::chrono::seconds(2);

std::string ParentFolder(const std::string& path) { return std::filesystem::path(path).parent_path().string(); }

}  // namespace

std::string ProgressTitle(int percent, std::optional<int> secondsLeft)
{
    QString title = BatchController::tr("Kestrel: %1%").arg(percent);
    if (secondsLeft)
        title +=
            BatchController::tr(", %1:%2 left").arg(*secondsLeft / 60).arg(*secondsLeft % 60, 2, 10, QLatin1Char('0'));
    return title.toStdString();
}

BatchController::BatchController(UiServices& ui, Conversion convert, FrameCounter countFrames)
    : ui_(ui), convert_(convert ? std::move(convert) : Conversion(&RunConversion)),
      countFrames_(countFrames ? std::move(countFrames) : FrameCounter(&HeaderFrameCount))
{
}

BatchController::~BatchController()
{
    if (WorkerHandle.joinable()) {
        status_.StopRequested = true;
        WorkerHandle.join();
    }
}

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

RotationMode BatchController::RowMode(int row) const { return ui_.ListTransform(row).value_or(SelectedMode()); }

DestinationChoice BatchController::Destination() const
{
    DestinationChoice choice;
    const int kind = ui_.ComboIndex(IDC_DEST_KIND);
    choice.kind = kind == int(DestinationKind::Suffix)          ? DestinationKind::Suffix
                  : kind == int(DestinationKind::ReplaceSource) ? DestinationKind::ReplaceSource
                                                                : DestinationKind::Folder;
    choice.folder = ui_.ControlText(IDC_OUTPUT_DIR);
    choice.suffix = ui_.ControlText(IDC_SUFFIX);
    return choice;
}

void BatchController::OnGoStop()
{
    if (running_) {
        // The tick ends the batch once the worker has seen the flag.
        stopRequested_ = true;
        status_.StopRequested = true;
        return;
    }
    // The rows of this batch: every row without an outcome, and the failed
    // ones again.
    std::vector<int> rows;
    inBatch_.assign(size_t(ui_.ListCount()), false);
    for (int row = 0; row < ui_.ListCount(); ++row) {
        const RowState state = ui_.ListStatus(row).state;
        if (state == RowState::Done || state == RowState::Skipped)
            continue;
        rows.push_back(row);
        inBatch_[size_t(row)] = true;
    }
    if (rows.empty())
        return;
    converted_ = skipped_ = failed_ = 0;
    warning_.clear();
    warnedFiles_ = 0;
    lastFolder_.clear();
    ui_.ShowBatchOutcome({}, {});
    if (!CheckBatch(rows))
        return;
    for (int row : rows)
        ui_.ListSetStatus(row, {});
    const int kind = ui_.ComboIndex(IDC_EXISTING);
    policy_ = kind == int(ExistingPolicy::Replace) ? ExistingPolicy::Replace
              : kind == int(ExistingPolicy::Skip)  ? ExistingPolicy::Skip
                                                   : ExistingPolicy::Ask;
    weights_.clear();
    doneFrames_ = 0;
    shownPercent_ = 0;
    started_ = Clock::now();
    current_ = -1;
    stopRequested_ = false;
    running_ = true;
    for (int id : kBatchLockedControls)
        ui_.EnableControl(id, false);
    ui_.SetControlText(IDC_GO, tr("&Stop").toStdString());
    ui_.SetProgress(0);
    if (!StartNextRow())
        EndBatch();
}

bool BatchController::CheckBatch(const std::vector<int>& rows)
{
    destination_ = Destination();
    if (destination_.kind == DestinationKind::Folder) {
        // An output directory must be named; a missing one is made here.
        if (kestrel::Status prepared = PrepareOutputDirectory(destination_.folder); !prepared.Ok()) {
            ui_.ShowErrorMessage(FormatFailure(prepared.failure(), "", destination_.folder));
            return false;
        }
    }
    if (destination_.kind == DestinationKind::Suffix && destination_.suffix.find('/') != std::string::npos) {
        ui_.ShowErrorMessage(tr("The suffix \"%1\" may not contain \"/\"; choose an output folder instead")
                                 .arg(QString::fromStdString(destination_.suffix))
                                 .toStdString());
        return false;
    }
    // Two files written to one place would overwrite each other's result.
    std::vector<std::string> sources;
    std::vector<std::string> destinations;
    for (int row = 0; row < ui_.ListCount(); ++row) {
        sources.push_back(ui_.ListText(row));
        destinations.push_back(DestinationOf(sources.back(), RowMode(row), destination_));
    }
    if (destination_.kind != DestinationKind::ReplaceSource) {
        if (const auto conflict = FindBatchConflict(sources, destinations)) {
            ui_.ShowErrorMessage(*conflict);
            return false;
        }
        return true;
    }
    const int count = int(rows.size());
    return ui_.AskYesNo(tr("Replace %n file(s) with the converted picture? The original video of each is replaced "
                           "once its conversion is complete, and cannot be had back.",
                           nullptr, count)
                            .toStdString());
}

int64_t BatchController::Weight(int row)
{
    while (int(weights_.size()) <= row) {
        const int at = int(weights_.size());
        weights_.push_back(std::max<int64_t>(1, countFrames_(ui_.ListText(at))));
    }
    return weights_[size_t(row)];
}

bool BatchController::StartNextRow()
{
    for (int row = current_ + 1; row < ui_.ListCount(); ++row) {
        const bool inBatch = size_t(row) >= inBatch_.size() || inBatch_[size_t(row)];
        if (!inBatch || ui_.ListStatus(row).state != RowState::Waiting)
            continue;
        current_ = row;
        const std::string source = ui_.ListText(row);
        const RotationMode mode = RowMode(row);
        const std::string destination = DestinationOf(source, mode, destination_);
        if (destination_.kind != DestinationKind::ReplaceSource) {
            // Writing the destination would destroy the source it is read from.
            if (IsSameFile(source, destination)) {
                MarkFailed(row, SameFileMessage(source));
                continue;
            }
            if (!MayReplace(row, destination))
                continue;
        }
        if (StartWorker(row, destination, mode))
            return true;
    }
    return false;
}

bool BatchController::MayReplace(int row, const std::string& destination)
{
    std::error_code error;
    if (!std::filesystem::exists(destination, error))
        return true;
    bool replace = policy_ == ExistingPolicy::Replace;
    if (policy_ == ExistingPolicy::Ask) {
        ui_.SetProgress(shownPercent_);
        switch (ui_.AskOverwrite(destination)) {
        case OverwriteAnswer::Replace: replace = true; break;
        case OverwriteAnswer::Skip: replace = false; break;
        case OverwriteAnswer::ReplaceAll:
            replace = true;
            policy_ = ExistingPolicy::Replace;
            break;
        case OverwriteAnswer::SkipAll:
            replace = false;
            policy_ = ExistingPolicy::Skip;
            break;
        }
    }
    if (!replace) {
        ++skipped_;
        doneFrames_ += Weight(row);
        ui_.ListSetStatus(
            row, {RowState::Skipped, 0, tr("%1 exists").arg(QString::fromStdString(destination)).toStdString()});
    }
    return replace;
}

void BatchController::MarkFailed(int row, const std::string& message)
{
    ++failed_;
    doneFrames_ += Weight(row);
    ui_.ListSetStatus(row, {RowState::Failed, 0, message});
}

bool BatchController::StartWorker(int row, const std::string& destination, RotationMode mode)
{
    auto job = std::make_unique<ConversionJob>();
    job->source = ui_.ListText(row);
    job->destination = destination;
    job->mode = mode;
    job->jobs = HardwareThreads();
    job->replacesSource = destination_.kind == DestinationKind::ReplaceSource;
    job->salvage = ui_.IsChecked(IDC_SALVAGE);
    currentSource_ = job->source;
    currentDestination_ = destination;
    Weight(row);
    status_.Reset();
    try {
        WorkerHandle = std::thread(convert_, std::move(job), std::ref(status_));
    } catch (const std::system_error& error) {
        MarkFailed(row, tr("Couldn't start the conversion of %1: %2")
                            .arg(QString::fromStdString(currentSource_), QString::fromUtf8(error.what()))
                            .toStdString());
        return false;
    }
    if (!ui_.StartTimer(kProgressTimerId, kProgressTimerPeriodMs)) {
        status_.StopRequested = true;
        WorkerHandle.join();
        MarkFailed(
            row,
            tr("Couldn't start the progress timer for %1").arg(QString::fromStdString(currentSource_)).toStdString());
        return false;
    }
    ui_.ListSetStatus(row, {RowState::Converting, 0, {}});
    return true;
}

void BatchController::OnTimer()
{
    // A tick that outlived its file (or arrived while a question was open)
    // has nothing to watch.
    if (!WorkerHandle.joinable())
        return;
    if (!status_.Finished) {
        ui_.ListSetStatus(current_, {RowState::Converting, status_.ProgressPercent, {}});
        ShowProgress(false);
        return;
    }

    WorkerHandle.join();
    ui_.KillTimer(kProgressTimerId);
    if (status_.Result.warnings.Any() && warnedFiles_++ == 0)
        warning_ = FormatFrameWarnings(status_.Result.warnings, currentSource_);
    if (status_.Succeeded() && status_.Result.replacedFrames.Any() && warnedFiles_++ == 0)
        warning_ = FormatReplacedFrames(status_.Result.replacedFrames, currentSource_);
    // A recording cut short converts what it holds, and says what it dropped.
    if (status_.Succeeded() && status_.Result.recordingEnd.Any() && warnedFiles_++ == 0)
        warning_ = FormatRecordingEnd(status_.Result.recordingEnd, currentSource_);
    // An empty clip converts, but is worth a word.
    if (status_.Succeeded() && status_.FramesConverted == 0 && warnedFiles_++ == 0)
        warning_ = "warning: " + currentSource_ + ": 0 frames: its video stream holds no frame";

    switch (status_.Result.outcome) {
    case Outcome::Converted:
        ++converted_;
        doneFrames_ += Weight(current_);
        lastFolder_ =
            destination_.kind == DestinationKind::Folder ? destination_.folder : ParentFolder(currentDestination_);
        ui_.ListSetStatus(current_, {RowState::Done, 100, currentDestination_});
        break;
    case Outcome::Failed:
        MarkFailed(current_, FormatFailure(status_.Result.failure, currentSource_, currentDestination_));
        break;
    case Outcome::Stopped:
        // Not finished: it waits for the next batch.
        ui_.ListSetStatus(current_, {});
        break;
    }
    if (stopRequested_ || status_.Result.outcome == Outcome::Stopped || !StartNextRow()) {
        EndBatch();
        return;
    }
    ShowProgress(false);
}

void BatchController::ShowProgress(bool finished)
{
    int64_t total = 0;
    for (int row = 0; row < ui_.ListCount(); ++row) {
        if (size_t(row) >= inBatch_.size() || inBatch_[size_t(row)])
            total += Weight(row);
    }
    // In hundredths of frames: a file's percentage counts before its first whole frame.
    int64_t done = doneFrames_ * 100;
    if (WorkerHandle.joinable() && current_ >= 0)
        done += Weight(current_) * std::clamp<int64_t>(status_.ProgressPercent, 0, 100);
    // 100 only once the batch has ended; never backwards, though files
    // added meanwhile make the batch longer.
    int percent = total > 0 ? int(std::min<int64_t>(99, done / total)) : 0;
    if (finished)
        percent = 100;
    shownPercent_ = std::max(shownPercent_, percent);
    ui_.SetProgress(shownPercent_);
    if (finished)
        return;
    std::optional<int> secondsLeft;
    const auto elapsed = Clock::now() - started_;
    if (shownPercent_ >= kMinPercentForTimeLeft && elapsed >= kMinElapsedForTimeLeft && done > 0) {
        const double seconds = std::chrono::duration<double>(elapsed).count();
        secondsLeft = int(seconds * double(total * 100 - done) / double(done) + 0.5);
    }
    ui_.SetWindowTitle(ProgressTitle(shownPercent_, secondsLeft));
}

void BatchController::EndBatch()
{
    const bool stopped = stopRequested_ || status_.Result.outcome == Outcome::Stopped;
    running_ = false;
    for (int id : kBatchLockedControls)
        ui_.EnableControl(id, true);
    ui_.SetControlText(IDC_GO, tr("&Go").toStdString());
    ui_.SetWindowTitle(kAppTitle);
    if (!stopped)
        ShowProgress(true);
    ReportOutcome();
}

void BatchController::ReportOutcome()
{
    BatchOutcome outcome;
    outcome.converted = converted_;
    outcome.skipped = skipped_;
    outcome.failed = failed_;
    outcome.stopped = stopRequested_ || status_.Result.outcome == Outcome::Stopped;
    if (outcome.stopped) {
        // The file being converted, unless it was done before the stop was seen.
        if (status_.Result.outcome == Outcome::Stopped)
            outcome.current = currentSource_;
        for (int row = 0; row < ui_.ListCount(); ++row)
            outcome.left += ui_.ListStatus(row).state == RowState::Waiting ? 1 : 0;
    }
    if (destination_.kind == DestinationKind::Folder)
        outcome.folder = destination_.folder;
    outcome.replacedSources = destination_.kind == DestinationKind::ReplaceSource;
    std::string text = BatchOutcomeText(outcome);
    if (warnedFiles_ > 0) {
        text += "\n" + warning_;
        if (const int more = warnedFiles_ - 1; more > 0)
            text += tr("; %n more file(s) with warnings", nullptr, more).toStdString();
    }
    ui_.ShowBatchOutcome(text, converted_ > 0 ? lastFolder_ : std::string());
    ui_.AnnounceBatchEnd(text);
}

void BatchController::StopAndWait()
{
    if (!WorkerHandle.joinable())
        return;
    stopRequested_ = true;
    status_.StopRequested = true;
    WorkerHandle.join();
    ui_.KillTimer(kProgressTimerId);
}

}  // namespace kestrel::ui
