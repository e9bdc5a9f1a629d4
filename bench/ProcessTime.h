#pragma once

#include <sys/resource.h>

namespace quorvane::bench {

// User and system time of every thread of the process, in milliseconds: the time one core would
// need for work spread over several.
inline double processCpuMilliseconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3;
    };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

} // namespace quorvane::bench
