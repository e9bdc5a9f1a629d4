#pragma once

// Tesseract's OpenMP runtime reads OMP_THREAD_LIMIT once, when the library loads, and otherwise
// starts a team of threads per recognition that fight our own workers for the cores. The
// variable must therefore be in the environment before the process starts.

namespace quorvane::OpenMPEnvironment {

// Whether the environment already limits OpenMP to one thread.
bool isSingleThreaded();
// Sets OMP_THREAD_LIMIT=1 and replaces the process with `program` run again with `argv` when the
// limit is missing; returns only when it was already set or the re-execution failed. `main`
// calls it first with "/proc/self/exe".
void ensureSingleThreaded(const char* program, char* const* argv);

} // namespace quorvane::OpenMPEnvironment
