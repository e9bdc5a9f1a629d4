#pragma once

// The keys of a running scrolling capture: pressed elsewhere on the desktop (seen, never taken),
// or in our own windows (taken when the handler handled them).

#include "scrolling/ScrollKeyMonitoring.h"

#include <QObject>

namespace quorvane {

class X11InputMonitor;

class SystemKeyMonitor final : public QObject, public ScrollKeyMonitoring {
    Q_OBJECT

public:
    explicit SystemKeyMonitor(X11InputMonitor& monitor, QObject* parent = nullptr);
    ~SystemKeyMonitor() override;

    void start(std::function<bool(const ScrollKeyEvent&)> handler) override;
    void stop() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    X11InputMonitor& monitor_;
    std::function<bool(const ScrollKeyEvent&)> handler_;
    bool filtering_ = false;
};

} // namespace quorvane
