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
    sigemptyset(&signals_);
    sigaddset(&signals_, SIGINT);
    sigaddset(&signals_, SIGTERM);
    sigaddset(&signals_, kWakeSignal);
    pthread_sigmask(SIG_BLOCK, &signals_, nullptr);
}

void StopSignals::WaitForWorker(const std::function<bool()>& finished, const std::function<void()>& onTick,
                                const std::function<void(int)>& onSignal, std::chrono::milliseconds period)
{
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(period);
    const timespec timeout{static_cast<time_t>(seconds.count()),
                           static_cast<long>(std::chrono::nanoseconds(period - seconds).count())};
    bool signalled = false;
    while (!finished()) {
        onTick();
        const int signal = sigtimedwait(&signals_, nullptr, &timeout);
        if ((signal == SIGINT || signal == SIGTERM) && !signalled) {
            signalled = true;
            onSignal(signal);
        }
    }
}

void StopSignals::WakeWaiter() const { pthread_kill(waiter_, kWakeSignal); }

}  // namespace kestrel
