#include "platform/OpenMPEnvironment.h"

#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace quorvane::OpenMPEnvironment {

bool isSingleThreaded() {
    const char* limit = std::getenv("OMP_THREAD_LIMIT");
    return limit != nullptr && std::strcmp(limit, "1") == 0;
}

void ensureSingleThreaded(const char* program, char* const* argv) {
    if (isSingleThreaded()) return;
    ::setenv("OMP_THREAD_LIMIT", "1", 1);
    ::execv(program, argv);
    // Still here: run on with the variable set for our children, threads or not.
}

} // namespace quorvane::OpenMPEnvironment
