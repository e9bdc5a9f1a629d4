#pragma once

// One running program per user and display. The lock is an exclusive flock on a file in the
// private runtime folder, held for the life of the process; the kernel releases it when the
// process ends, however it ends, so a crash never leaves a stale lock behind.

#include <filesystem>
#include <optional>
#include <string>

namespace quorvane {

class InstanceLock {
public:
    enum class Outcome { acquired, heldElsewhere, failed };

    // `$XDG_RUNTIME_DIR/<application id>`, or a per-user folder under the temporary folder.
    static std::filesystem::path runtimeFolder();
    // "instance-<display>.lock" for a display name like ":1" or "host:0.0"; every name of one local
    // display (":1", ":1.0", "unix:1") gives the same file.
    static std::string fileName(const std::string& display);
    // "instance-<display>.socket": where the lock's holder listens for later processes.
    static std::string socketName(const std::string& display);

    // Takes the lock on `file`, creating the private folder around it when missing.
    explicit InstanceLock(const std::filesystem::path& file);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    Outcome outcome() const { return outcome_; }
    // What went wrong when the outcome is `failed`.
    const std::string& problem() const { return problem_; }

private:
    int fd_ = -1;
    Outcome outcome_ = Outcome::failed;
    std::string problem_;
};

} // namespace quorvane
