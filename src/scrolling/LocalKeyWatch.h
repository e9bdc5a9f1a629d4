#pragma once

// Key presses in our own windows, seen before the windows get them.

#include <QObject>
#include <functional>

class QKeyEvent;

namespace quorvane {

class LocalKeyWatch final : public QObject {
    Q_OBJECT

public:
    using Handler = std::function<bool(const QKeyEvent&)>;

    explicit LocalKeyWatch(QObject* parent = nullptr) : QObject(parent) {}
    ~LocalKeyWatch() override { stop(); }

    // `handler` answers true to take the key away from the window.
    void start(Handler handler);
    void stop();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Handler handler_;
    bool filtering_ = false;
};

} // namespace quorvane
