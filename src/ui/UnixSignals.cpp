#include "ui/UnixSignals.h"

#include <QSocketNotifier>

#include <atomic>
#include <cerrno>
#include <sys/socket.h>
#include <unistd.h>

namespace kestrel::ui {
namespace {

// The write end of the installed UnixSignals' socket pair, or -1. The one
// process-wide value of the window, as a signal handler can reach nothing
// else; an atomic that is lock-free, so that the handler may read it.
std::atomic<int> handlerEnd{-1};
static_assert(std::atomic<int>::is_always_lock_free);

// Async-signal-safe: one write() of the signal's number, errno kept. The
// socket does not block, so a full one (signals nobody reads) drops the byte.
void WriteSignalNumber(int number)
{
    const int savedErrno = errno;
    const int end = handlerEnd.load();
    const unsigned char byte = static_cast<unsigned char>(number);
    if (end >= 0) [[maybe_unused]]
        const ssize_t written = ::write(end, &byte, 1);
    errno = savedErrno;
}

}  // namespace

UnixSignals::UnixSignals(QObject* parent) : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, ends_) != 0) {
        ends_[0] = ends_[1] = -1;
        return;
    }
    int none = -1;
    if (!handlerEnd.compare_exchange_strong(none, ends_[0])) {
        ::close(ends_[0]);
        ::close(ends_[1]);
        ends_[0] = ends_[1] = -1;
        return;
    }
    notifier_ = new QSocketNotifier(ends_[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &UnixSignals::OnReadable);

    struct sigaction action = {};
    action.sa_handler = &WriteSignalNumber;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < std::size(kStopSignals); ++i) {
        if (sigaction(kStopSignals[i], nullptr, &previous_[i]) != 0 || previous_[i].sa_handler == SIG_IGN)
            continue;
        handled_[i] = sigaction(kStopSignals[i], &action, nullptr) == 0;
    }
    installed_ = true;
}

UnixSignals::~UnixSignals()
{
    for (size_t i = 0; i < std::size(kStopSignals); ++i)
        if (handled_[i])
            sigaction(kStopSignals[i], &previous_[i], nullptr);
    if (!installed_)
        return;
    handlerEnd = -1;
    delete notifier_;
    ::close(ends_[0]);
    ::close(ends_[1]);
}

void UnixSignals::OnReadable()
{
    unsigned char numbers[16];
    ssize_t count;
    while ((count = ::read(ends_[1], numbers, sizeof numbers)) > 0)
        for (ssize_t i = 0; i < count; ++i)
            emit received(numbers[i]);
}

}  // namespace kestrel::ui
