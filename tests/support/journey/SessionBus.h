#pragma once

// A desktop session's message bus of the program's own, in its runtime folder where the journey
// harness points the program, with GNOME's settings store (dconf) behind it: a journey changes
// the desktop's settings through it as a settings tool would, while the program runs. With
// accessibility on, it also carries the accessibility bus that screen readers read programs over
// (AT-SPI), turned on as a desktop does while a screen reader runs.

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace quorvane::journey {

class Program;

class SessionBus {
public:
    enum class Accessibility { off, on };

    // Starts the bus before the program, which finds it at start (and asks then whether
    // accessibility is on).
    explicit SessionBus(const Program& program, Accessibility accessibility = Accessibility::off);
    ~SessionBus();
    SessionBus(const SessionBus&) = delete;
    SessionBus& operator=(const SessionBus&) = delete;

    bool running() const { return running_; }
    // Sets a key as `gsettings set` does ("org.gnome.desktop.a11y.interface", "high-contrast",
    // "true"); whether the store took it.
    bool set(const QString& schema, const QString& key, const QString& value);

private:
    QProcessEnvironment environment_;
    QProcess daemon_;
    bool running_ = false;
};

} // namespace quorvane::journey
