#pragma once

// While it lives, every key that Qt hands to one of this program's windows goes to one window,
// and no shortcut fires. Qt gives keys to its focus window, not to the window that holds the
// keyboard grab.

#include <QObject>
#include <QPointer>
#include <QWindow>

namespace quorvane {

class KeyRedirect final : public QObject {
    Q_OBJECT

public:
    explicit KeyRedirect(QWindow& target);
    ~KeyRedirect() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWindow> target_;
};

} // namespace quorvane
