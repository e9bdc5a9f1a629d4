#pragma once

// An advisory lock (flock) that every process of the program takes on the same file or folder,
// held for the object's life. A process that holds it for long (stopped in a debugger, say) costs
// the others their lock, never their time: after the given patience the object gives up unlocked.

#include <chrono>

namespace quorvane {

class FileLock {
public:
    // Takes `fd` (closed with the object); a negative one gives an object that is not locked.
    // `operation` is LOCK_SH or LOCK_EX.
    FileLock(int fd, int operation, std::chrono::milliseconds patience);
    ~FileLock();
    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&&) = delete;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool locked() const { return locked_; }

private:
    int fd_;
    bool locked_ = false;
};

} // namespace quorvane
