#pragma once

// Whether the desktop starts Quorvane when the user logs in: the login item's state as the user
// reads it, and switching it. The item is refused while the program runs from a temporary
// folder, whose copy would be gone by the next login. GUI thread only.

#include "platform/LoginItemService.h"

#include <QObject>
#include <QString>
#include <QStringList>

namespace quorvane {

class LaunchAtLogin : public QObject {
    Q_OBJECT

public:
    struct Status {
        enum class Kind { unavailable, enabled, disabled, requiresApproval };
        Kind kind = Kind::disabled;
        // Why the item cannot be used; only for `unavailable`.
        QString reason;

        bool operator==(const Status&) const = default;
        static Status unavailable(const QString& reason) { return {Kind::unavailable, reason}; }
    };

    static const QString notInstalledText;
    static const QString notFoundText;
    static const QString notAvailableText;
    static const QString approvalText;

    // `executable` is the running program; it counts as installed unless it lies under one of
    // `temporaryFolders`. The status is read at once. The service must outlive the object.
    LaunchAtLogin(LoginItemService& service, const QString& executable, const QStringList& temporaryFolders,
                  QObject* parent = nullptr);

    // The system's temporary folder, /tmp, /var/tmp, /dev/shm and $XDG_RUNTIME_DIR.
    static QStringList temporaryFolders();
    // Neither path's symbolic links count: both are resolved before comparing.
    static bool isInstalled(const QString& executable, const QStringList& temporaryFolders);

    const Status& status() const { return status_; }
    // The outcome of the last switch that needs the user's attention; empty when there is none.
    const QString& message() const { return message_; }
    // Enabled or waiting for approval: the toggle's and the menu item's state.
    bool isEnabled() const;

    // Reads the status again; tells observers only of a real change.
    void refresh();
    void setEnabled(bool enabled);

Q_SIGNALS:
    void statusChanged();
    void messageChanged();

private:
    Status currentStatus() const;
    void setMessage(const QString& message);

    LoginItemService& service_;
    const bool isInstalled_;
    Status status_;
    QString message_;
};

} // namespace quorvane
