#pragma once

// How far a process's resident memory rose, as the kernel counts it: its high-water mark is reset
// at the start, so that only what came after counts.

#include <QFile>
#include <QString>
#include <cstdint>
#include <cstring>
#include <sys/types.h>

namespace quorvane::test {

class PeakMemory {
public:
    // This process, or another of the same user.
    explicit PeakMemory(pid_t process = 0)
        : folder_(process == 0 ? QStringLiteral("/proc/self/") : QStringLiteral("/proc/%1/").arg(process)) {
        QFile reset(folder_ + QStringLiteral("clear_refs"));
        if (reset.open(QIODevice::WriteOnly)) reset.write("5");
        start_ = field("VmRSS:");
    }

    // The peak since the start less the resident size at the start, in bytes.
    std::int64_t growth() const { return field("VmHWM:") - start_; }

private:
    std::int64_t field(const char* name) const {
        QFile status(folder_ + QStringLiteral("status"));
        if (!status.open(QIODevice::ReadOnly)) return 0;
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith(name))
                return line.mid(qsizetype(std::strlen(name))).trimmed().split(' ').first().toLongLong() *
                       1024;
        return 0;
    }

    QString folder_;
    std::int64_t start_ = 0;
};

} // namespace quorvane::test
