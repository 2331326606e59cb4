#pragma once

#include <atomic>
#include <chrono>
#include <csignal>
#include <functional>

namespace kestrel {

// SIGINT, SIGTERM and SIGHUP (the terminal closed), taken by the command
// line's own thread instead of a handler: they are blocked in every thread
// (construct this before starting any), and WaitForWorker and Poll receive
// them. The worker wakes the waiting thread when it ends, so a short
// conversion costs no fixed wait. SIGXFSZ is ignored: a write past the
// file-size limit fails (EFBIG) and is reported like a full disk.
class StopSignals {
public:
    StopSignals();

    // Calls `onTick` at least every `period` until `finished` says true;
    // the first stop signal on the way calls `onSignal` with its number.
    void WaitForWorker(const std::function<bool()>& finished, const std::function<void()>& onTick,
                       const std::function<void(int)>& onSignal, std::chrono::milliseconds period);

    // Takes the signals that are waiting, without waiting: between files, a
    // stop that came as the last file ended. The first stop signal received
    // so far, 0 when none.
    int Poll();
    int Caught() const { return caught_; }

    // For the worker thread, as its last act: wakes WaitForWorker.
    void WakeWaiter() const;

#ifdef _WIN32
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;
    // For the console's handler thread: Ctrl-C as SIGINT, Ctrl-Break and
    // closing the console as SIGTERM. Returns once the program may end.
    void Deliver(int signal, bool closing);
#endif

private:
    // Keeps `signal` when it is the first stop signal; true then.
    bool Keep(int signal);

    int caught_ = 0;
#ifdef _WIN32
    // Ctrl-C, Ctrl-Break and closing the console (StopSignalsWindows.cpp).
    void* wake_;                  // an event: a signal came or the worker ended
    void* done_;                  // an event: the program is about to end
    std::atomic<int> signal_{0};  // the signal Deliver received
#else
    sigset_t signals_;
    pthread_t waiter_;
#endif
};

}  // namespace kestrel
