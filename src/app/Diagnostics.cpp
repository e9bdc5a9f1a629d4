#include "app/Diagnostics.h"

#include "core/AppIdentity.h"
#include "core/Log.h"
#include "platform/LogStore.h"
#include "platform/PosixFile.h"
#include "platform/SystemInfo.h"

#include <QSysInfo>

namespace quorvane::Diagnostics {
namespace {

// "2026-12-06T21:09:38Z"
QString wholeSeconds(std::int64_t timeMs) {
    QString text = QString::fromStdString(formatLogTime(timeMs));
    return text.left(19) + QLatin1Char('Z');
}

// The store's reasons read as sentences after the error's own.
QString sentence(const QString& reason) {
    QString text = reason.trimmed();
    if (text.isEmpty()) return text;
    text[0] = text[0].toUpper();
    if (!text.endsWith(QLatin1Char('.'))) text += QLatin1Char('.');
    return text;
}

} // namespace

Facts systemFacts() {
    return Facts{QStringLiteral(QUORVANE_VERSION), SystemInfo::buildId(),
                 QSysInfo::prettyProductName() + QStringLiteral(" (kernel ") + QSysInfo::kernelVersion() +
                     QLatin1Char(')'),
                 SystemInfo::hardwareModel(), QSysInfo::currentCpuArchitecture()};
}

Result<QStringList, DiagnosticsError> entries(const LogStore& store, std::int64_t sinceMs, std::int64_t processId) {
    auto stored = store.read(sinceMs, processId);
    if (!stored)
        return Failure{DiagnosticsError{DiagnosticsError::Case::logStoreUnavailable,
                                        sentence(QString::fromStdString(stored.error()))}};
    QStringList lines;
    lines.reserve(static_cast<qsizetype>(stored->size()));
    for (const LogEntry& entry : *stored) {
        std::string line = formatLogTime(entry.timeMs);
        line += " [";
        line += entry.category;
        line += "] ";
        line += levelName(entry.level);
        line += ' ';
        line += entry.message;
        lines << QString::fromStdString(line);
    }
    return lines;
}

QString header(const Facts& facts, std::int64_t sinceMs, std::int64_t nowMs, qsizetype count,
               const std::vector<std::string>& storeProblems) {
    const QString version = facts.version.isEmpty() ? QStringLiteral("?") : facts.version;
    const QString build = facts.buildId.value_or(QString());
    QStringList lines = {
        QStringLiteral("Quorvane Diagnostics"),
        QStringLiteral("App: %1 (%2)").arg(version, build.isEmpty() ? QStringLiteral("?") : build),
        QStringLiteral("OS: ") + facts.os,
        QStringLiteral("Hardware: ") + facts.hardware,
        QStringLiteral("Architecture: ") + facts.architecture,
        QStringLiteral("Generated: ") + wholeSeconds(nowMs),
        QStringLiteral("Since: ") + wholeSeconds(sinceMs),
        QStringLiteral("Subsystem: ") + QLatin1String(applicationId),
        QStringLiteral("Entries: ") + QString::number(count),
        QStringLiteral("---"),
    };
    for (const std::string& problem : storeProblems)
        lines.insert(lines.size() - 1, QString::fromStdString(problem));
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

Result<qsizetype, DiagnosticsError> exportRecent(const QString& path, const LogStore& store, const Facts& facts,
                                                 std::int64_t sinceMs, std::int64_t nowMs, std::int64_t processId,
                                                 const PosixFile::Calls& calls) {
    auto lines = entries(store, sinceMs, processId);
    const std::optional<std::string> problem = store.problem();
    // The entries could not be kept there either: the header says where they went.
    if (!lines && problem) lines = QStringList();
    if (!lines) return Failure{lines.error()};
    std::vector<std::string> problems;
    for (const auto& said : {problem, store.dropped()})
        if (said) problems.push_back(*said);
    QString text = header(facts, sinceMs, nowMs, lines->size(), problems) + lines->join(QLatin1Char('\n'));
    if (!lines->isEmpty()) text += QLatin1Char('\n');
    if (const auto written = PosixFile::writeReplacing(path, text.toUtf8(), calls); !written)
        return Failure{DiagnosticsError{DiagnosticsError::Case::writeFailed, written.error().message}};
    Log::app().log("Diagnostics exported entries={}", lines->size());
    return lines->size();
}

} // namespace quorvane::Diagnostics
