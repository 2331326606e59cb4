#include "cli/StopSignals.h"

#include <windows.h>

namespace kestrel {
namespace {

// The console calls its handlers without a context: the one StopSignals of
// the program is found here while it exists.
std::atomic<StopSignals*> current{nullptr};

// How long closing the console may wait for the conversion to clean up
// before Windows ends the program (it allows 5 s).
constexpr DWORD kCloseWaitMs = 4500;

BOOL WINAPI OnConsoleEvent(DWORD event)
{
    StopSignals* signals = current.load();
    if (!signals)
        return FALSE;
    const bool closing = event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT;
    signals->Deliver(event == CTRL_C_EVENT ? SIGINT : SIGTERM, closing);
    return TRUE;
}

}  // namespace

StopSignals::StopSignals()
    : wake_(CreateEventW(nullptr, FALSE, FALSE, nullptr)), done_(CreateEventW(nullptr, TRUE, FALSE, nullptr))
{
    current = this;
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

StopSignals::~StopSignals()
{
    SetEvent(done_);
    SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
    current = nullptr;
    CloseHandle(wake_);
    CloseHandle(done_);
}

void StopSignals::Deliver(int signal, bool closing)
{
    int none = 0;
    signal_.compare_exchange_strong(none, signal);
    SetEvent(wake_);
    // Returning from a close event ends the program at once: first let the
    // conversion remove its temporary file.
    if (closing)
        WaitForSingleObject(done_, kCloseWaitMs);
}

bool StopSignals::Keep(int signal)
{
    if (signal <= 0 || caught_ != 0)
        return false;
    caught_ = signal;
    return true;
}

void StopSignals::WaitForWorker(const std::function<bool()>& finished, const std::function<void()>& onTick,
                                const std::function<void(int)>& onSignal, std::chrono::milliseconds period)
{
    while (!finished()) {
        onTick();
        WaitForSingleObject(wake_, static_cast<DWORD>(period.count()));
        if (Keep(signal_.load()))
            onSignal(caught_);
    }
}

int StopSignals::Poll()
{
    Keep(signal_.load());
    return caught_;
}

void StopSignals::WakeWaiter() const { SetEvent(wake_); }

}  // namespace kestrel
