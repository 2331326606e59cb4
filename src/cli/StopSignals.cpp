#include "cli/StopSignals.h"

#include <cerrno>
#include <pthread.h>

namespace kestrel {
namespace {

// The worker's "I am done", sent to the waiting thread.
constexpr int kWakeSignal = SIGUSR1;

}  // namespace

StopSignals::StopSignals() : waiter_(pthread_self())
{
    std::signal(SIGXFSZ, SIG_IGN);
    sigemptyset(&signals_);
    sigaddset(&signals_, SIGINT);
    sigaddset(&signals_, SIGTERM);
    sigaddset(&signals_, SIGHUP);
    sigaddset(&signals_, kWakeSignal);
    pthread_sigmask(SIG_BLOCK, &signals_, nullptr);
}

bool StopSignals::Keep(int signal)
{
    if (signal <= 0 || signal == kWakeSignal || caught_ != 0)
        return false;
    caught_ = signal;
    return true;
}

void StopSignals::WaitForWorker(const std::function<bool()>& finished, const std::function<void()>& onTick,
                                const std::function<void(int)>& onSignal, std::chrono::milliseconds period)
{
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(period);
    const timespec timeout{static_cast<time_t>(seconds.count()),
                           static_cast<long>(std::chrono::nanoseconds(period - seconds).count())};
    while (!finished()) {
        onTick();
        if (Keep(sigtimedwait(&signals_, nullptr, &timeout)))
            onSignal(caught_);
    }
}

int StopSignals::Poll()
{
    const timespec now{0, 0};
    for (;;) {
        const int signal = sigtimedwait(&signals_, nullptr, &now);
        if (signal < 0 && errno == EINTR)
            continue;
        if (signal < 0)
            return caught_;
        Keep(signal);
    }
}

void StopSignals::WakeWaiter() const { pthread_kill(waiter_, kWakeSignal); }

}  // namespace kestrel
