#pragma once

#include "base/ConversionStatus.h"
#include "base/Transform.h"
#include "job/ConversionJob.h"

#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace kestrel::ui {

class UiServices;

// Turns the input list into a queue of conversions: "Go" converts entry 0 on
// a worker thread, the 100 ms tick shows progress and, when a file is done,
// removes it and starts the next one, until the list is empty, a file fails
// or is refused, or the user presses "Stop". The status line then tells how
// it ended; a failed file stays first in the list, marked. The caption of button 1 is the
// batch state: "Go" means idle. Everything here runs on the window's thread;
// the worker only sees its job and Status.
class BatchController {
public:
    // The worker's entry; RunConversion unless a test puts in another.
    using Conversion = std::function<int(std::unique_ptr<ConversionJob>, ConversionStatus&)>;

    explicit BatchController(UiServices& ui, Conversion convert = {});
    // A running worker is asked to stop and waited for.
    ~BatchController();
    BatchController(const BatchController&) = delete;
    BatchController& operator=(const BatchController&) = delete;

    // Button 1 and the Enter key: start a batch, or ask the running one to stop.
    void OnGoStop();
    // Builds the job for list entry 0 from the dialog's settings and starts
    // it; false when the file is refused or its worker cannot start (the
    // user has been told why).
    bool PrepareNextJob();
    // At "Go": the output directory is named (and made when missing) and no
    // two listed files would be written to the same destination; false
    // when the batch is refused (the user has been told why).
    bool CheckBatch();
    // Hands a new job to a new worker thread and starts the poll timer.
    bool StartWorker(const std::string& source, const std::string& destination, RotationMode mode);
    // The poll timer's tick.
    void OnTimer();
    // The message of a non-zero status code, if any.
    void ShowStatusMessage();
    // The window is closing: a running conversion is asked to stop at its next
    // chunk and waited for; the destination keeps what was written.
    void StopAndWait();

    bool IsBatchRunning() const;
    bool IsWorkerRunning() const { return WorkerHandle.joinable(); }
    const ConversionStatus& Status() const { return status_; }

    // The mode that the radio buttons select.
    RotationMode SelectedMode() const;

private:
    void EndBatch();
    // Every failure or refusal of the batch: shown, and list entry 0 (the
    // file it concerns) marked as failed with the message as its tooltip.
    void ShowError(const std::string& text);
    // The status line's account of the batch that just ended.
    void ReportOutcome();

    UiServices& ui_;
    Conversion convert_;
    ConversionStatus status_;
    // Paths of the job last prepared; the failure message is built from them
    // after its worker has ended.
    std::string CurrentSource;
    std::string CurrentDestination;
    std::thread WorkerHandle;
    // The running batch's account: files converted, and whether one failed.
    int converted_ = 0;
    bool failed_ = false;
    // The JPEG library's warnings in the batch: the first file's line, and
    // how many files drew warnings.
    std::string warning_;
    int warnedFiles_ = 0;
};

// "Kestrel: 42%, 3 remaining"
std::string ProgressTitle(int percent, int remaining);

}  // namespace kestrel::ui
