#pragma once

// What support needs to know about this machine and this process, asked of the kernel.

#include <QString>
#include <cstdint>
#include <filesystem>
#include <optional>

namespace quorvane::SystemInfo {

// The machine's product name from the firmware's DMI table, else the device tree's model (Arm
// boards), else "unknown". `root` is "/" except in tests.
QString hardwareModel(const std::filesystem::path& root = "/");

// The linker's build id of the running program in hexadecimal, or none when it has none.
std::optional<QString> buildId();

// When this process started, in milliseconds since the Unix epoch, rounded up to the kernel's
// clock tick (10 ms): anything a process that had the same id before it wrote is before it, and
// anything this process writes after its first tick is at or after it. None when the kernel does
// not say.
std::optional<std::int64_t> processStartTimeMs();

} // namespace quorvane::SystemInfo
