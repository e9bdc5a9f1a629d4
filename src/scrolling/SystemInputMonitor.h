#pragma once

// The user's input anywhere: raw input outside our windows through XInput 2, key presses in our
// own windows through the application (they go on to the window either way).

#include "scrolling/AutoScrollInputMonitoring.h"

#include <QObject>

namespace quorvane {

class X11InputMonitor;

class SystemInputMonitor final : public QObject, public AutoScrollInputMonitoring {
    Q_OBJECT

public:
    explicit SystemInputMonitor(X11InputMonitor& monitor, QObject* parent = nullptr);
    ~SystemInputMonitor() override;

    bool start(const QPointF& anchor, std::function<void(const AutoScrollStop&)> handler) override;
    void stop() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    X11InputMonitor& monitor_;
    std::function<void(const AutoScrollStop&)> handler_;
    QPointF anchor_;
    bool filtering_ = false;
};

} // namespace quorvane
