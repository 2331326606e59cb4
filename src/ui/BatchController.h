#pragma once

#include "base/ConversionStatus.h"
#include "base/Transform.h"
#include "job/ConversionJob.h"
#include "ui/BatchDestinations.h"

#include <QCoreApplication>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace kestrel::ui {

class UiServices;

// Turns the input list into a batch of conversions, one file after another
// on a worker thread, while the 100 ms tick shows the progress. A file that
// fails or whose destination exists and is skipped is marked in its row and
// the batch goes on; every row keeps its outcome. The batch ends when no row
// is left waiting (rows added meanwhile included) or the user presses
// "Stop"; the status line then counts converted, skipped and failed files.
// The progress bar and the title follow the whole batch in frames, each
// file weighed by the frame count its headers announce. Everything here runs
// on the window's thread; the worker only sees its job and Status.
class BatchController {
    Q_DECLARE_TR_FUNCTIONS(BatchController)
public:
    // The worker's entry; RunConversion unless a test puts in another.
    using Conversion = std::function<int(std::unique_ptr<ConversionJob>, ConversionStatus&)>;
    // A file's frame count from its headers; HeaderFrameCount unless a test
    // puts in another.
    using FrameCounter = std::function<uint32_t(const std::string&)>;
    using Clock = std::chrono::steady_clock;

    explicit BatchController(UiServices& ui, Conversion convert = {}, FrameCounter countFrames = {});
    // A running worker is asked to stop and waited for.
    ~BatchController();
    BatchController(const BatchController&) = delete;
    BatchController& operator=(const BatchController&) = delete;

    // Button 1 and the Enter key: start a batch, or ask the running one to stop.
    void OnGoStop();
    // The poll timer's tick.
    void OnTimer();
    // The window is closing: a running conversion is asked to stop at its next
    // chunk and waited for; the destination keeps what was written.
    void StopAndWait();

    bool IsBatchRunning() const { return running_; }
    bool IsWorkerRunning() const { return WorkerHandle.joinable(); }
    const ConversionStatus& Status() const { return status_; }

    // The mode that the radio buttons select.
    RotationMode SelectedMode() const;
    // The transform of a row: its own, else the selected one.
    RotationMode RowMode(int row) const;
    // The destination settings of the dialog.
    DestinationChoice Destination() const;

private:
    // At "Go": the output directory is named (and made when missing), no
    // two rows would be written to the same place, and replacing the
    // sources is confirmed; false when the batch does not start (the user
    // has been told why).
    bool CheckBatch(const std::vector<int>& rows);
    // Starts the next waiting row, marking those skipped or refused on the
    // way; false when none is left.
    bool StartNextRow();
    // Hands a new job to a new worker thread and starts the poll timer;
    // false (the row marked failed) when either cannot start.
    bool StartWorker(int row, const std::string& destination, RotationMode mode);
    // Whether the row's existing destination is replaced, by the policy or
    // the user's answer; a skipped row is marked.
    bool MayReplace(int row, const std::string& destination);
    void MarkFailed(int row, const std::string& message);
    void EndBatch();
    // The batch's progress in frames, and the title with the time left.
    void ShowProgress(bool finished);
    int64_t Weight(int row);
    // The status line's account of the batch that just ended.
    void ReportOutcome();

    UiServices& ui_;
    Conversion convert_;
    FrameCounter countFrames_;
    ConversionStatus status_;
    std::thread WorkerHandle;

    bool running_ = false;
    bool stopRequested_ = false;
    // The row being converted and its paths.
    int current_ = -1;
    std::string currentSource_;
    std::string currentDestination_;
    // Rows below this index that were not waiting at "Go" are not part of
    // the batch; rows added later are.
    std::vector<bool> inBatch_;
    // Each row's weight in frames (at least 1), measured once.
    std::vector<int64_t> weights_;
    int64_t doneFrames_ = 0;  // of the rows that have ended in this batch
    int shownPercent_ = 0;
    Clock::time_point started_;
    DestinationChoice destination_;
    ExistingPolicy policy_ = ExistingPolicy::Ask;
    std::string lastFolder_;

    int converted_ = 0;
    int skipped_ = 0;
    int failed_ = 0;
    // The JPEG library's warnings in the batch: the first file's line, and
    // how many files drew warnings.
    std::string warning_;
    int warnedFiles_ = 0;
};

// "Kestrel: 42%", then ", 1:05 left" once the time left can be told.
std::string ProgressTitle(int percent, std::optional<int> secondsLeft);

}  // namespace kestrel::ui
