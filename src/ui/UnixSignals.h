#pragma once

#include <QObject>

#include <csignal>
#include <iterator>

class QSocketNotifier;

namespace kestrel::ui {

// The signals that end the window: Ctrl+C, kill, and a closed terminal.
inline constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

// kStopSignals turned into the Qt signal `received` on the thread that makes
// this object, by Qt's pattern for Unix signal handlers: the handler only
// write()s the signal's number to one end of a socket pair, and a
// QSocketNotifier on the other end reads it in the event loop, where any Qt
// call may be made. A signal that is ignored when this object is made (SIGHUP
// under nohup, SIGINT in a background job) stays ignored. The handlers that
// were there before come back when this object goes. One at a time in a
// process: while one is installed, another installs nothing.
class UnixSignals : public QObject {
    Q_OBJECT
public:
    explicit UnixSignals(QObject* parent = nullptr);
    ~UnixSignals() override;
    UnixSignals(const UnixSignals&) = delete;
    UnixSignals& operator=(const UnixSignals&) = delete;

    // Whether the handlers are in place.
    bool IsInstalled() const { return installed_; }

signals:
    void received(int signalNumber);

private:
    void OnReadable();

    int ends_[2] = {-1, -1};  // [0] written by the handler, [1] read here
    struct sigaction previous_[std::size(kStopSignals)] = {};
    bool handled_[std::size(kStopSignals)] = {};
    QSocketNotifier* notifier_ = nullptr;
    bool installed_ = false;
};

}  // namespace kestrel::ui
