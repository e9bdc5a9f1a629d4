#pragma once

#include <QDir>
#include <QFile>
#include <QString>
#include <unistd.h>

namespace quorvane::test {

// The processor time the thread of this process named `name` has used, in milliseconds; -1 when
// no thread is named so.
inline long threadMilliseconds(const QByteArray& name) {
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(task + QStringLiteral("/comm")));
        if (!comm.open(QIODevice::ReadOnly) || comm.readAll().trimmed() != name) continue;
        QFile stat(tasks.filePath(task + QStringLiteral("/stat")));
        if (!stat.open(QIODevice::ReadOnly)) return -1;
        // After the name in brackets: state is the 3rd field, user and system time the 14th and 15th.
        const QList<QByteArray> fields = stat.readAll().split(')').last().trimmed().split(' ');
        if (fields.size() < 13) return -1;
        const long ticks = fields[11].toLong() + fields[12].toLong();
        return ticks * 1000 / ::sysconf(_SC_CLK_TCK);
    }
    return -1;
}

} // namespace quorvane::test
