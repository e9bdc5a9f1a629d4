#include "platform/LogStore.h"

#include "platform/FileLock.h"
#include "platform/PrivateDirectory.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvane {
namespace {

constexpr const char* currentName = "quorvane.log";
constexpr const char* previousName = "quorvane.log.1";

std::string escape(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string unescape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char next = text[++i];
        out += next == 'n' ? '\n' : next == 'r' ? '\r' : next == 't' ? '\t' : next;
    }
    return out;
}

std::optional<std::int64_t> parseTime(std::string_view text) {
    // 2026-12-06T21:09:38.123Z
    if (text.size() != 24 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' ||
        text[16] != ':' || text[19] != '.' || text[23] != 'Z')
        return std::nullopt;
    const auto number = [&](std::size_t at, std::size_t length) -> std::optional<int> {
        int value = 0;
        const auto [end, error] = std::from_chars(text.data() + at, text.data() + at + length, value);
        if (error != std::errc() || end != text.data() + at + length) return std::nullopt;
        return value;
    };
    const auto year = number(0, 4), month = number(5, 2), day = number(8, 2), hour = number(11, 2),
               minute = number(14, 2), second = number(17, 2), millis = number(20, 3);
    if (!year || !month || !day || !hour || !minute || !second || !millis) return std::nullopt;
    std::tm parts{};
    parts.tm_year = *year - 1900;
    parts.tm_mon = *month - 1;
    parts.tm_mday = *day;
    parts.tm_hour = *hour;
    parts.tm_min = *minute;
    parts.tm_sec = *second;
    return static_cast<std::int64_t>(::timegm(&parts)) * 1000 + *millis;
}

std::optional<LogLevel> parseLevel(std::string_view text) {
    for (LogLevel level : {LogLevel::defaultLevel, LogLevel::info, LogLevel::error})
        if (text == levelName(level)) return level;
    return std::nullopt;
}

// One stored line: time, process, category, level and message, separated by tabs.
std::optional<LogEntry> parseLine(std::string_view line) {
    std::string_view fields[5];
    for (int i = 0; i < 4; ++i) {
        const auto tab = line.find('\t');
        if (tab == std::string_view::npos) return std::nullopt;
        fields[i] = line.substr(0, tab);
        line.remove_prefix(tab + 1);
    }
    fields[4] = line;
    LogEntry entry;
    const auto time = parseTime(fields[0]);
    const auto level = parseLevel(fields[3]);
    const auto [end, error] =
        std::from_chars(fields[1].data(), fields[1].data() + fields[1].size(), entry.processId);
    if (!time || !level || error != std::errc() || end != fields[1].data() + fields[1].size())
        return std::nullopt;
    entry.timeMs = *time;
    entry.category = unescape(fields[2]);
    entry.level = *level;
    entry.message = unescape(fields[4]);
    return entry;
}

std::string storedLine(const LogEntry& entry) {
    return formatLogTime(entry.timeMs) + '\t' + std::to_string(entry.processId) + '\t' +
           escape(entry.category) + '\t' + levelName(entry.level) + '\t' + escape(entry.message) + '\n';
}

bool writeAll(int fd, const std::string& text) {
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        written += static_cast<std::size_t>(n);
    }
    return true;
}

// Opens without waiting: a FIFO in a log file's place would otherwise block the open or, once
// full, every write. Anything but a regular file is refused.
int openRegular(const std::filesystem::path& path, int flags) {
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY, 0600);
    if (fd < 0) return fd;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    return fd;
}

// Reads at most `limit` bytes of a regular file that must not be a symbolic link; a missing file
// is empty.
Result<std::string, std::string> readFile(const std::filesystem::path& path, std::int64_t limit) {
    const int fd = openRegular(path, O_RDONLY);
    if (fd < 0) {
        if (errno == ENOENT) return std::string();
        return Failure{std::string("cannot open ") + path.filename().string() + ": " +
                       (errno == EINVAL ? "not a regular file" : std::strerror(errno))};
    }
    std::string text;
    char buffer[1 << 16];
    while (static_cast<std::int64_t>(text.size()) < limit) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const std::string reason = std::strerror(errno);
            ::close(fd);
            return Failure{"cannot read " + path.filename().string() + ": " + reason};
        }
        if (n == 0) break;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return text;
}

// Keeps the newest whole lines of `path` within `limit` bytes, replacing the file whole: a file
// from before (an older program, a copy put there) may be far larger than the store's bound.
void keepNewest(const std::filesystem::path& path, std::int64_t limit) {
    const int fd = openRegular(path, O_RDONLY);
    if (fd < 0) return;
    struct stat info {};
    std::string tail;
    if (::fstat(fd, &info) == 0 && info.st_size > limit) {
        tail.resize(static_cast<std::size_t>(limit));
        const ssize_t n = ::pread(fd, tail.data(), tail.size(), info.st_size - limit);
        tail.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    }
    ::close(fd);
    if (tail.empty()) return;
    // The first line is cut; what the bound cannot hold whole goes.
    const auto newline = tail.find('\n');
    tail.erase(0, newline == std::string::npos ? tail.size() : newline + 1);
    std::string temporary = (path.parent_path() / ".quorvane.log.XXXXXX").string();
    const int out = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (out < 0) return;
    const bool written = writeAll(out, tail) && ::fsync(out) == 0;
    ::close(out);
    if (!written || ::rename(temporary.c_str(), path.c_str()) != 0) ::unlink(temporary.c_str());
}

int openFolder(const std::filesystem::path& folder) {
    return ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// The store's folder, which every process of the program locks: rotation renames the files, the
// folder stays put. A process that holds it for long (stopped in a debugger, say) costs a reader
// its consistency, never more than this patience.
FileLock folderLock(const std::filesystem::path& folder, int operation) {
    return FileLock(openFolder(folder), operation, std::chrono::seconds(2));
}

// A retry soon after the lock is freed, and rarely while it stays taken.
constexpr auto firstRetry = std::chrono::milliseconds(5), lastRetry = std::chrono::milliseconds(250);
// At the store's end, for another process's lock held only for a write of its own.
constexpr auto finalPatience = std::chrono::milliseconds(100);

// Why the log file cannot be opened, after its path.
std::string unusable(int error) {
    switch (error) {
    case EISDIR:
        return " is a folder";
    case ELOOP:
        return " is a symbolic link";
    case EINVAL:
        return " is not a regular file";
    default:
        return std::string(" cannot be opened: ") + std::strerror(error);
    }
}

} // namespace

LogStore::LogStore(std::filesystem::path directory, std::int64_t maxBytes)
    : directory_(std::move(directory)), maxFileBytes_(std::max<std::int64_t>(maxBytes / 2, 4096)) {}

LogStore::~LogStore() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (retrier_.joinable()) retrier_.join();
    flush(finalPatience);
    const std::lock_guard lock(mutex_);
    droppedCount_ += std::ssize(waiting_);
    waiting_.clear();
    if (droppedCount_ > 0 && !std::exchange(droppedSaid_, true)) say(*droppedSentence());
    closeCurrent();
}

bool LogStore::openCurrent() {
    if (!directoryChecked_) {
        directoryChecked_ = true;
        const auto ensured = PrivateDirectory::ensure(directory_);
        directoryUsable_ = ensured.ok();
        if (!ensured) noteProblem(ensured.error().message.toStdString());
    }
    if (!directoryUsable_) return false;
    if (fd_ < 0) {
        fd_ = openRegular(directory_ / currentName, O_RDWR | O_APPEND | O_CREAT);
        if (fd_ < 0) noteProblem((directory_ / currentName).string() + unusable(errno));
    }
    // The folder may have been removed since: check it again next time.
    if (fd_ < 0) directoryChecked_ = false;
    return fd_ >= 0;
}

void LogStore::closeCurrent() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool LogStore::append(const LogEntry& entry) {
    std::string line = storedLine(entry);
    const std::lock_guard lock(mutex_);
    switch (writeWaiting(&line, std::chrono::milliseconds(0))) {
    case Written::all:
        return true;
    case Written::failed:
        return false;
    case Written::locked:
        break;
    }
    if (waitingBytes_ + line.size() > maxWaitingBytes) {
        ++droppedCount_;
        return false;
    }
    keepWaiting(std::move(line));
    return true;
}

bool LogStore::flush(std::chrono::milliseconds patience) {
    const std::lock_guard lock(mutex_);
    writeWaiting(nullptr, patience);
    return waiting_.empty();
}

void LogStore::keepWaiting(std::string line) {
    waitingBytes_ += line.size();
    waiting_.push_back(std::move(line));
    if (!retrier_.joinable()) retrier_ = std::thread([this] { retryWaiting(); });
    wake_.notify_all();
}

void LogStore::retryWaiting() {
    std::unique_lock lock(mutex_);
    auto pause = firstRetry;
    while (!stopping_) {
        if (waiting_.empty()) {
            pause = firstRetry;
            wake_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
            continue;
        }
        wake_.wait_for(lock, pause, [this] { return stopping_; });
        if (stopping_) break;
        if (writeWaiting(nullptr, std::chrono::milliseconds(0)) != Written::all)
            pause = std::min<std::chrono::milliseconds>(pause * 2, lastRetry);
    }
}

LogStore::Written LogStore::writeWaiting(const std::string* line, std::chrono::milliseconds patience) {
    if (waiting_.empty() && line == nullptr) return Written::all;
    if (!openCurrent()) return Written::failed;
    // Rotation renames the files, so processes lock the folder, which stays put.
    const int folderFd = openFolder(directory_);
    if (folderFd < 0) {
        // Removed meanwhile: made again for the next entry.
        closeCurrent();
        directoryChecked_ = false;
        return Written::failed;
    }
    const FileLock folder(folderFd, LOCK_EX, patience);
    // Entries already waiting keep their place before this one.
    if (!folder.locked()) return Written::locked;
    const bool hadDropped = droppedCount_ > 0;
    bool stored = true;
    // What fails to be written now is lost like any entry on a broken store, and said as such.
    for (; !waiting_.empty(); waiting_.pop_front()) {
        waitingBytes_ -= waiting_.front().size();
        writeLine(std::move(waiting_.front()));
    }
    if (line != nullptr) stored = writeLine(*line);
    // The entries that waited are in: how many could not wait is now known.
    if (hadDropped && !std::exchange(droppedSaid_, true)) say(*droppedSentence());
    return stored ? Written::all : Written::failed;
}

bool LogStore::writeLine(std::string line) {
    const std::filesystem::path current = directory_ / currentName;
    if (!trimmed_) {
        trimmed_ = true;
        keepNewest(current, maxFileBytes_);
        keepNewest(directory_ / previousName, maxFileBytes_);
    }
    // At most: reopen after another process rotated, rotate ourselves, write.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (!openCurrent()) return false;
        // Another process may have rotated since this file was opened.
        struct stat opened {
        }, named{};
        if (::fstat(fd_, &opened) != 0 || ::lstat(current.c_str(), &named) != 0 ||
            opened.st_ino != named.st_ino || opened.st_dev != named.st_dev) {
            closeCurrent();
            continue;
        }
        if (opened.st_size > 0 && opened.st_size + static_cast<off_t>(line.size()) > maxFileBytes_) {
            ::rename(current.c_str(), (directory_ / previousName).c_str());
            closeCurrent();
            continue;
        }
        // A writer that died mid-line must not swallow this entry.
        char last = '\n';
        if (opened.st_size > 0 && ::pread(fd_, &last, 1, opened.st_size - 1) == 1 && last != '\n')
            line.insert(0, 1, '\n');
        if (writeAll(fd_, line)) return true;
        noteProblem(current.string() + " cannot be written: " + std::strerror(errno));
        return false;
    }
    return false;
}

void LogStore::noteProblem(const std::string& reason) {
    std::string said;
    {
        const std::lock_guard lock(problemMutex_);
        if (problem_) return;
        problem_ = "Log store unusable: " + reason + "; entries go to standard error only";
        said = *problem_;
    }
    say(said);
}

// The store cannot keep this itself: standard error is all that is left.
void LogStore::say(const std::string& sentence) const {
    LogEntry entry{std::chrono::duration_cast<std::chrono::milliseconds>(
                       std::chrono::system_clock::now().time_since_epoch())
                       .count(),
                   ::getpid(), "app", LogLevel::error, sentence};
    const std::string line = renderLogEntry(entry) + '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
}

std::optional<std::string> LogStore::droppedSentence() const {
    if (droppedCount_ == 0) return std::nullopt;
    return "Log store locked: " + directory_.string() + " was locked by another process; " +
           std::to_string(droppedCount_) + (droppedCount_ == 1 ? " entry was" : " entries were") +
           " dropped and went to standard error only";
}

std::optional<std::string> LogStore::dropped() const {
    const std::lock_guard lock(mutex_);
    return droppedSentence();
}

std::optional<std::string> LogStore::problem() const {
    const std::lock_guard lock(problemMutex_);
    return problem_;
}

Result<std::vector<LogEntry>, std::string> LogStore::read(std::int64_t sinceMs,
                                                          std::int64_t processId) const {
    std::vector<LogEntry> entries;
    const auto keep = [&](std::string_view line) {
        if (auto entry = parseLine(line); entry && entry->processId == processId && entry->timeMs >= sinceMs)
            entries.push_back(std::move(*entry));
    };
    // Held across both files, so that a rotation in between cannot hide one of them.
    const FileLock folder = folderLock(directory_, LOCK_SH);
    for (const char* name : {previousName, currentName}) {
        auto text = readFile(directory_ / name, maxFileBytes_ * 2);
        if (!text) return Failure{text.error()};
        std::string_view rest = *text;
        while (!rest.empty()) {
            const auto newline = rest.find('\n');
            // A line without its newline is still being written.
            if (newline == std::string_view::npos) break;
            keep(rest.substr(0, newline));
            rest.remove_prefix(newline + 1);
        }
    }
    // Still under the folder's lock, so that none of them can have been written meanwhile.
    {
        const std::lock_guard lock(mutex_);
        for (const std::string& line : waiting_)
            keep(std::string_view(line).substr(0, line.size() - 1));
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const LogEntry& a, const LogEntry& b) { return a.timeMs < b.timeMs; });
    return entries;
}

} // namespace quorvane
