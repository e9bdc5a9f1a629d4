#pragma once

// While it lives, every key that Qt hands to one of this program's windows goes to one window,
// and no shortcut fires. Qt gives keys to its focus window, not to the window that holds the
// keyboard grab. A popup of ours (a menu) or a widget grabbing the keyboard would take every key
// sent to that window, so on a key they close or let go first, and the key then goes to it.

#include <QObject>
#include <QPointer>
#include <QWindow>
#include <vector>

namespace quorvane {

class KeyRedirect final : public QObject {
    Q_OBJECT

public:
    explicit KeyRedirect(QWindow& target);
    ~KeyRedirect() override;

Q_SIGNALS:
    // Qt let go of the keyboard and pointer grabs: a popup closed, or a keyboard grabber let go
    // here. Whoever held them must take them again.
    void grabsReleased();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void closePopups();

    QPointer<QWindow> target_;
    // Keys being sent on to the target: Qt may hand one back to another window on its way.
    std::vector<const QEvent*> sending_;
};

} // namespace quorvane
