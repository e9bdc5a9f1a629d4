#pragma once

// SIGTERM and SIGINT delivered to the event loop: the handler only writes the signal number
// into a pipe, and a socket notifier turns it into a Qt signal on the GUI thread.

#include <QObject>
#include <memory>

class QSocketNotifier;

namespace quorvane {

class SignalPipe : public QObject {
    Q_OBJECT

public:
    // Installs the handlers for SIGTERM and SIGINT; one instance per process.
    explicit SignalPipe(QObject* parent = nullptr);
    // Restores the default handlers.
    ~SignalPipe() override;

Q_SIGNALS:
    void received(int signal);

private:
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace quorvane
