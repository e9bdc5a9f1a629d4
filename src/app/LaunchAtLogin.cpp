#include "app/LaunchAtLogin.h"

#include "core/Log.h"
#include "core/LoggedReason.h"

#include <QDir>
#include <QFileInfo>

namespace quorvane {

const QString LaunchAtLogin::notInstalledText =
    QStringLiteral("Move Quorvane out of the temporary folder to launch it at login.");
const QString LaunchAtLogin::notFoundText =
    QStringLiteral("The desktop couldn't find Quorvane's login item. Reinstall Quorvane.");
const QString LaunchAtLogin::notAvailableText = QStringLiteral("Launch at login isn't available on this computer.");
const QString LaunchAtLogin::approvalText =
    QStringLiteral("Allow Quorvane in your desktop's startup applications settings.");

namespace {

QString resolved(const QString& path) {
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(path) : canonical;
}

} // namespace

LaunchAtLogin::LaunchAtLogin(LoginItemService& service, const QString& executable,
                             const QStringList& temporaryFolders, QObject* parent)
    : QObject(parent), service_(service), isInstalled_(isInstalled(executable, temporaryFolders)) {
    refresh();
}

QStringList LaunchAtLogin::temporaryFolders() {
    QStringList folders = {QDir::tempPath(), QStringLiteral("/tmp"), QStringLiteral("/var/tmp"),
                           QStringLiteral("/dev/shm")};
    if (const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR"); runtime.startsWith(QLatin1Char('/')))
        folders << runtime;
    return folders;
}

bool LaunchAtLogin::isInstalled(const QString& executable, const QStringList& temporaryFolders) {
    const QString program = resolved(executable);
    for (const QString& folder : temporaryFolders) {
        if (folder.isEmpty()) continue;
        if (program.startsWith(resolved(folder) + QLatin1Char('/'))) return false;
    }
    return true;
}

bool LaunchAtLogin::isEnabled() const {
    return status_.kind == Status::Kind::enabled || status_.kind == Status::Kind::requiresApproval;
}

LaunchAtLogin::Status LaunchAtLogin::currentStatus() const {
    using Service = LoginItemService::Status;
    const Service service = service_.status();
    // An item that is on stays visible as on, so that it can be switched off after a move.
    if (service == Service::enabled) return {Status::Kind::enabled, {}};
    if (service == Service::requiresApproval) return {Status::Kind::requiresApproval, {}};
    if (!isInstalled_) return Status::unavailable(notInstalledText);
    switch (service) {
    case Service::notRegistered:
        return {Status::Kind::disabled, {}};
    case Service::notFound:
        return Status::unavailable(notFoundText);
    default:
        return Status::unavailable(notAvailableText);
    }
}

void LaunchAtLogin::refresh() {
    const Status status = currentStatus();
    if (status == status_) return;
    status_ = status;
    Q_EMIT statusChanged();
}

void LaunchAtLogin::setMessage(const QString& message) {
    if (message == message_) return;
    message_ = message;
    Q_EMIT messageChanged();
}

void LaunchAtLogin::setEnabled(bool enabled) {
    // Refused from a temporary folder: nothing is asked of the desktop and nothing is logged.
    if (enabled && !isInstalled_) {
        setMessage(notInstalledText);
        refresh();
        return;
    }
    // Switching to the state the desktop already reports asks nothing of it.
    const LoginItemService::Status before = service_.status();
    Result<void, Error> switched;
    if (enabled && before != LoginItemService::Status::enabled)
        switched = service_.registerItem();
    else if (!enabled && before != LoginItemService::Status::notRegistered)
        switched = service_.unregisterItem();
    refresh();
    if (!switched) {
        const Error& failure = switched.error();
        setMessage(QStringLiteral("Couldn't %1 launch at login: ")
                       .arg(enabled ? QStringLiteral("turn on") : QStringLiteral("turn off")) +
                   failure.message);
        Log::app().error("Launch at login failed enabled={} domain={} code={}{}", enabled, failure.domain,
                         failure.code, loggedReason(failure));
        return;
    }
    setMessage(status_.kind == Status::Kind::requiresApproval ? approvalText : QString());
    Log::app().log("Launch at login enabled={}", enabled);
}

} // namespace quorvane
