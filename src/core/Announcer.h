#pragma once

#include <QObject>
#include <QString>
#include <optional>

namespace quorvane {

// Announcements made on the application rather than through a window. Qt 6.4 cannot ask a screen
// reader to speak a text, so the last one is kept for anyone who can show or test it, and an
// alert is raised on the application for assistive technology to notice.
class Announcer : public QObject {
    Q_OBJECT

public:
    explicit Announcer(QObject* parent = nullptr);

    // Remembers `text`, then tells assistive technology and the listeners.
    void announce(const QString& text);
    const std::optional<QString>& lastAnnouncement() const { return lastAnnouncement_; }

Q_SIGNALS:
    void announced(const QString& text);

private:
    std::optional<QString> lastAnnouncement_;
};

} // namespace quorvane
