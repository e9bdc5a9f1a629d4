#include "app/DiagnosticsExporter.h"

#include "core/AppIdentity.h"
#include "core/Log.h"
#include "core/LoggedReason.h"
#include "export/FileDialogs.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <unistd.h>

namespace quorvane {

DiagnosticsExporter::DiagnosticsExporter(const LogStore& store, std::int64_t processStartMs, QObject* parent)
    : QObject(parent), chooser(FileDialogs::choose), clock([] { return QDateTime::currentMSecsSinceEpoch(); }),
      facts(Diagnostics::systemFacts), store_(store), processStartMs_(processStartMs),
      queue_(QString::fromLatin1(applicationId) + QStringLiteral(".diagnostics")) {}

DiagnosticsExporter::~DiagnosticsExporter() = default;

void DiagnosticsExporter::exportPanel(QWidget* window, std::function<void()> completion) {
    FileRequest request;
    request.kind = FileRequest::Kind::replaceableFile;
    request.window = window;
    request.directory = QDir::homePath();
    request.proposedName = QString::fromLatin1(proposedName);
    request.nameFilter = QStringLiteral("Text files (*.txt)");
    request.defaultSuffix = QStringLiteral("txt");
    chooser(request, [self = QPointer<DiagnosticsExporter>(this),
                      completion = std::move(completion)](std::optional<QString> path) {
        if (!path) return;
        DiagnosticsExporter* exporter = self;
        if (exporter == nullptr) {
            if (completion) completion();
            return;
        }
        exporter->exportTo(*path, exporter->clock(), completion);
    });
}

void DiagnosticsExporter::exportTo(const QString& path, std::int64_t nowMs, std::function<void()> completion) {
    setMessage(QStringLiteral("Exporting diagnostics…"));
    const std::int64_t sinceMs = std::max(nowMs - Diagnostics::windowMs, processStartMs_);
    queue_.post([this, self = QPointer<DiagnosticsExporter>(this), path, nowMs, sinceMs, facts = facts,
                 completion = std::move(completion)] {
        const auto outcome = Diagnostics::exportRecent(path, store_, facts(), sinceMs, nowMs, ::getpid());
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, path, outcome, completion] {
                if (self) self->finish(path, outcome);
                if (completion) completion();
            },
            Qt::QueuedConnection);
    });
}

void DiagnosticsExporter::finish(const QString& path, const Result<qsizetype, DiagnosticsError>& outcome) {
    if (outcome) {
        setMessage(QStringLiteral("Exported %1 log entries to %2.").arg(*outcome).arg(QFileInfo(path).fileName()));
        Log::app().log("Diagnostics exported: {} entries", *outcome);
        return;
    }
    const Error error = outcome.error().error();
    setMessage(QStringLiteral("Diagnostics export failed: ") + error.message);
    Log::app().error("Diagnostics export failed: {} {}{}", error.domain, error.code, loggedReason(error));
}

void DiagnosticsExporter::setMessage(const QString& message) {
    if (message == message_) return;
    message_ = message;
    Q_EMIT messageChanged();
}

} // namespace quorvane
