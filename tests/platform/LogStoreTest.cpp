#include "platform/LogStore.h"

#include "support/FolderLockHolder.h"
#include "support/TempDir.h"
#include "support/WaitUntil.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <limits>
#include <map>
#include <sstream>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace quorvane {

// Failures show entries in their human form.
static void PrintTo(const LogEntry& entry, std::ostream* out) {
    *out << renderLogEntry(entry);
}

namespace {

namespace fs = std::filesystem;

constexpr std::int64_t somePid = 4242, baseTime = 1796591378123; // 2026-12-06T21:09:38.123Z
constexpr std::int64_t noBound = LogStore::defaultMaxBytes, ever = std::numeric_limits<std::int64_t>::min();

LogEntry makeEntry(std::int64_t timeMs, std::string message, std::string category = "app",
                   LogLevel level = LogLevel::defaultLevel, std::int64_t processId = somePid) {
    return LogEntry{timeMs, processId, std::move(category), level, std::move(message)};
}

std::vector<LogEntry> readAll(const LogStore& store, std::int64_t since = ever,
                              std::int64_t processId = somePid) {
    return store.read(since, processId).value();
}

// What both files of the store hold, the previous one first.
std::string stored(const fs::path& folder) {
    std::ostringstream previous, current;
    previous << std::ifstream(folder / "quorvane.log.1", std::ios::binary).rdbuf();
    current << std::ifstream(folder / "quorvane.log", std::ios::binary).rdbuf();
    return previous.str() + current.str();
}

// Messages start "w<writer>:<sequence> " so that order and gaps can be checked per writer; the rest is
// long enough for a torn write to show.
LogEntry sequenced(int writer, int sequence) {
    const char* categories[] = {"app", "capture", "export", "ocr"};
    return makeEntry(baseTime + sequence,
                     "w" + std::to_string(writer) + ":" + std::to_string(sequence) + " \t\n" +
                         std::string(std::size_t(60 + 40 * writer), char('a' + writer)),
                     categories[writer % 4], static_cast<LogLevel>((writer + sequence) % 3));
}

// Each writer's first and last sequence number, {-1, -1} once its entries skip or repeat one; every
// entry must be intact.
std::map<int, std::pair<int, int>> spans(const std::vector<LogEntry>& entries) {
    std::map<int, std::pair<int, int>> result;
    for (const auto& entry : entries) {
        int writer = -1, sequence = -1;
        const bool parsed =
            std::sscanf(entry.message.c_str(), "w%d:%d", &writer, &sequence) == 2 && writer >= 0;
        EXPECT_TRUE(parsed) << "torn entry: " << entry.message;
        if (!parsed) continue;
        EXPECT_EQ(entry, sequenced(writer, sequence));
        const auto [first, last] = result.try_emplace(writer, sequence, sequence - 1).first->second;
        result[writer] = first >= 0 && last + 1 == sequence ? std::pair(first, sequence) : std::pair(-1, -1);
    }
    return result;
}

} // namespace

// Entries come back whole, whatever the text, one line each, by process, from an inclusive start,
// oldest first; times are UTC with milliseconds, also before 1970 and past 2038.
TEST(LogStore, ReadsBackEveryFieldByProcessFromAnInclusiveStartSkippingDamage) {
    EXPECT_EQ(formatLogTime(-1001) + " " + formatLogTime(4'102'444'799'999),
              "1969-12-31T23:59:58.999Z 2099-12-31T23:59:59.999Z");
    EXPECT_EQ(renderLogEntry(makeEntry(61'234, "Capture cancelled", "capture", LogLevel::error, 17)),
              "1970-01-01T00:01:01.234Z [17] capture error: Capture cancelled");
    test::TempDir dir;
    LogStore store(dir / "log");
    const auto messages = [&](std::int64_t from) {
        std::vector<std::string> result;
        for (const auto& entry : readAll(store, from))
            result.push_back(entry.message);
        return result;
    };
    using Texts = std::vector<std::string>;
    EXPECT_EQ(messages(0), Texts{}) << "a folder not made yet reads as empty";
    std::vector<LogEntry> theirs = {makeEntry(-86'400'001, "before the epoch"), makeEntry(0, "", "ocr"),
                                    makeEntry(1, "Hotkey unavailable", "app", LogLevel::info),
                                    makeEntry(2, "Capture failed", "capture", LogLevel::error),
                                    makeEntry(3, "message", "odd\tcat\negory\\")};
    for (const char* message : {"two\nlines\n", "carriage\r\nreturn\t", "literal \\n and \\t",
                                "back\\slash\\", "\\", "\\\\\n\\", "Grüße, 📸\t\xC3\xBC"})
        theirs.push_back(makeEntry(baseTime + std::ssize(theirs), message));
    theirs.push_back(makeEntry(4'102'444'799'999, "end of 2099"));
    for (auto& entry : theirs) {
        entry.processId = somePid + 1;
        ASSERT_TRUE(store.append(entry));
    }
    // Ours, written out of order (a clock step back) and with ties.
    const std::int64_t since = baseTime;
    for (const LogEntry& entry : {makeEntry(since + 5, "c"), makeEntry(since - 86'400'000, "a day early"),
                                  makeEntry(since - 1, "1 ms early"), makeEntry(since, "a1"),
                                  makeEntry(since, "a2"), makeEntry(since + 1, "b"), makeEntry(since, "a3")})
        ASSERT_TRUE(store.append(entry));
    EXPECT_EQ(readAll(store, ever, somePid + 1), theirs);
    EXPECT_EQ(std::ranges::count(stored(dir / "log"), '\n'), std::ssize(theirs) + 7);
    EXPECT_EQ(messages(since), (Texts{"a1", "a2", "a3", "b", "c"}));

    // Damaged lines are skipped: binary junk, a missing field, an unknown level, a process or time
    // that is not a number.
    std::ofstream(dir / "log" / "quorvane.log", std::ios::app)
        << std::string("\0\xff\xfe\t\t\t\t\n", 8) << "no tabs\n\n"
        << "2026-12-06T21:09:38.124Z\t4242\tapp\tdefault\n"
           "2026-12-06T21:09:38.124Z\t4242\tapp\twarning\tx\n"
           "2026-12-06T21:09:38.124Z\t4242x\tapp\tdefault\tx\n"
           "2026-12-06T21:09:38Z\t4242\tapp\tdefault\tx\n"
           "2026-1x-06T21:09:38.124Z\t4242\tapp\tdefault\tx\n";
    ASSERT_TRUE(store.append(makeEntry(since + 6, "d")));
    // A writer that died mid-line (or hit a full disk) leaves a line without its newline: it is not
    // read, and the next entry is neither glued onto it nor lost.
    std::ofstream(dir / "log" / "quorvane.log", std::ios::app)
        << "2026-12-06T21:09:38.124Z\t4242\tapp\tdefault\thalf";
    EXPECT_EQ(messages(ever), (Texts{"a day early", "1 ms early", "a1", "a2", "a3", "b", "c", "d"}));
    ASSERT_TRUE(store.append(makeEntry(since + 7, "after the damage")));
    EXPECT_EQ(messages(since + 6), (Texts{"d", "after the damage"}));
}

// The folder stays bounded, keeping the newest entries and ones larger than the bound. A reader
// meanwhile must never take the previous file from before a rotation and the current one from
// after it, which hides every entry in between; a store whose file another process rotated away
// writes to the new file, not the lost one.
TEST(LogStore, RotationKeepsTheFolderBoundedAndReadersSeeNoHoles) {
    test::TempDir dir;
    constexpr std::int64_t bound = 16 * 1024;
    LogStore store(dir / "log", bound), other(dir / "log", bound);
    ASSERT_TRUE(other.append(sequenced(1, 0)));
    std::atomic<bool> done{false};
    int reads = 0, holes = 0;
    std::thread reader([&] {
        for (; !done || reads < 1000; ++reads)
            holes += spans(readAll(other))[24].first < 0;
    });
    constexpr int count = 1300; // a rotation every eight entries
    for (int i = 0; i < count; ++i) {
        if (!store.append(sequenced(24, i)) || stored(dir / "log").size() > bound + 200) {
            ADD_FAILURE() << "entry " << i << " failed or overflowed the bound";
            break;
        }
        // A reader put to sleep holding the lock on a busy machine would otherwise let a megabyte
        // of entries pile up in memory, and the next ones be dropped as they should.
        if (i % 8 == 7 && !store.flush(std::chrono::seconds(30))) {
            ADD_FAILURE() << "entries up to " << i << " still wait";
            break;
        }
    }
    done = true;
    reader.join();
    EXPECT_EQ(holes, 0) << "out of " << reads << " reads";
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "log"), fs::directory_iterator()), 2);
    const auto [first, last] = spans(readAll(store))[24];
    EXPECT_TRUE(first > 0 && last == count - 1) << first << " to " << last << ": only the oldest should go";
    const LogEntry huge = makeEntry(baseTime + count, std::string(3 * bound, 'x'));
    ASSERT_TRUE(store.append(huge) && other.append(sequenced(1, count)) &&
                store.append(sequenced(0, count + 1)));
    const auto entries = readAll(store);
    ASSERT_GE(entries.size(), 3u);
    EXPECT_EQ(std::vector(entries.end() - 3, entries.end()),
              (std::vector{huge, sequenced(1, count), sequenced(0, count + 1)}));
}

// A log from before that is far larger than the bound (an older program's, or one put there) is
// brought within it on the first entry, keeping its newest entries, instead of being rotated whole.
TEST(LogStore, AnOversizedLogFromBeforeKeepsOnlyItsNewestEntries) {
    test::TempDir dir;
    constexpr std::int64_t bound = 16 * 1024;
    {
        LogStore before(dir / "log", std::int64_t{1} << 30);
        for (int i = 0; i < 2000; ++i)
            ASSERT_TRUE(before.append(sequenced(3, i)));
    }
    ASSERT_GT(fs::file_size(dir / "log" / "quorvane.log"), std::uintmax_t{10 * bound});
    fs::copy_file(dir / "log" / "quorvane.log", dir / "log" / "quorvane.log.1");
    LogStore store(dir / "log", bound);
    ASSERT_TRUE(store.append(sequenced(3, 2000)));
    EXPECT_LE(stored(dir / "log").size(), std::size_t(bound) + 300);
    const auto [first, last] = spans(readAll(store))[3];
    EXPECT_GT(first, 1900) << "the oldest go";
    EXPECT_EQ(last, 2000) << "the newest stay, the new entry after them";
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "log"), fs::directory_iterator()), 2);
}

// Threads sharing a store, and forked processes each with its own descriptor, unbounded and rotating
// together: every stored line parses, nothing is torn, and nothing is lost but whole old lines to
// rotation (perhaps every line of a writer that finished early). Threads rotate under the store's
// own lock, as a single writer does.
TEST(LogStoreConcurrency, ThreadsAndProcessesLoseAndTearNothing) {
    const std::tuple<bool, std::int64_t, int, int> cases[] = {
        {false, noBound, 8, 300}, {true, noBound, 2, 1500}, {true, 8192, 6, 1500}};
    for (const auto& [processes, bound, count, perWriter] : cases) {
        SCOPED_TRACE(testing::Message() << (processes ? "processes" : "threads") << ", bound " << bound);
        test::TempDir dir;
        LogStore store(dir / "log", bound);
        std::atomic<int> failures{0};
        std::vector<std::thread> threads;
        std::vector<pid_t> children;
        for (int writer = 0; writer < count; ++writer) {
            const auto writeAll = [&, writer] {
                for (int i = 0; i < perWriter; ++i)
                    failures += !store.append(sequenced(writer, i));
            };
            if (!processes)
                threads.emplace_back(writeAll);
            else if (const pid_t child = ::fork(); child == 0) {
                writeAll();
                // It ends without the store's destructor: what waits for the others' lock goes first.
                failures += !store.flush(std::chrono::seconds(10));
                ::_exit(std::min(failures.load(), 100));
            } else
                children.push_back(child);
        }
        for (auto& thread : threads)
            thread.join();
        for (const pid_t child : children) {
            int status = 0;
            failures += ::waitpid(child, &status, 0) == child && WIFEXITED(status) ? WEXITSTATUS(status) : 1;
        }
        EXPECT_EQ(failures, 0);
        const auto entries = readAll(store);
        EXPECT_EQ(std::ranges::count(stored(dir / "log"), '\n'), std::ssize(entries))
            << "every line should parse";
        EXPECT_LE(stored(dir / "log").size(), bound + 200);
        EXPECT_TRUE(bound != noBound || entries.size() == static_cast<std::size_t>(count * perWriter));
        for (const auto& [writer, span] : spans(entries))
            EXPECT_EQ(span, std::pair(bound == noBound ? 0 : span.first, perWriter - 1))
                << "writer " << writer;
    }
}

// Owner-only folders and files, made so again when removed, under a permissive umask, for a folder
// open to all; a folder or file that is a symbolic link is refused, for reading too.
TEST(LogStore, PrivateFoldersAndFilesAndNoSymbolicLinks) {
    test::TempDir dir;
    const fs::path folder = dir / "open" / "log";
    fs::create_directories(folder);
    fs::permissions(folder, fs::perms::all);
    const mode_t previous = ::umask(0);
    LogStore store(folder, 8192);
    for (int i = 0; i < 300; ++i)
        ASSERT_TRUE(store.append(makeEntry(baseTime + i, std::string(60, 'p'))));
    EXPECT_EQ(fs::symlink_status(folder).permissions(), fs::perms::owner_all);
    for (const char* name : {"quorvane.log", "quorvane.log.1"})
        EXPECT_EQ(fs::symlink_status(folder / name).permissions(),
                  fs::perms::owner_read | fs::perms::owner_write);
    fs::remove_all(dir / "open");
    (void)store.append(makeEntry(baseTime + 300, "while noticing"));
    ASSERT_TRUE(store.append(makeEntry(baseTime + 301, "after removal")));
    ::umask(previous);
    EXPECT_EQ(readAll(store).back().message, "after removal");
    EXPECT_EQ(fs::symlink_status(folder).permissions(), fs::perms::owner_all);

    fs::create_directory(dir / "elsewhere");
    fs::create_directory_symlink(dir / "elsewhere", dir / "linked");
    EXPECT_FALSE(LogStore(dir / "linked").append(makeEntry(baseTime, "must not land")));
    EXPECT_TRUE(fs::is_empty(dir / "elsewhere"));
    const std::string victim = "2026-12-06T21:09:38.123Z\t4242\tapp\tdefault\tvictim line\n";
    std::ofstream(dir / "target") << victim;
    fs::create_symlink(dir / "target", dir / "elsewhere" / "quorvane.log");
    LogStore linkedFile(dir / "elsewhere");
    EXPECT_FALSE(linkedFile.append(makeEntry(baseTime, "must not land")));
    EXPECT_EQ(fs::file_size(dir / "target"), victim.size());
    EXPECT_FALSE(linkedFile.read(0, somePid).ok());
}

namespace {

// Runs `work` in a child process; its exit status, or -1 when it had not finished after a minute
// (longer in a slower build; then it is killed): only a hang takes that long.
int statusWithin(const std::function<int()>& work) {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(work());
    for (int waited = 0; waited < test::bound(6000); ++waited) {
        int status = 0;
        if (::waitpid(child, &status, WNOHANG) == child) return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    return -1;
}

} // namespace

// A FIFO in the log file's place is refused, for writing and reading, instead of blocking once
// its pipe is full; a process that keeps the folder locked never makes a writer wait.
TEST(LogStore, AFifoOrAStuckLockHolderNeverHangsAWriter) {
    test::TempDir dir;
    const fs::path folder = dir / "log";
    LogStore store(folder);
    ASSERT_TRUE(store.append(makeEntry(baseTime, "before")));
    for (const char* name : {"quorvane.log", "quorvane.log.1"}) {
        SCOPED_TRACE(name);
        fs::remove(folder / name);
        ASSERT_EQ(::mkfifo((folder / name).c_str(), 0600), 0);
        // Far more than a pipe holds.
        EXPECT_EQ(statusWithin([&] {
                      LogStore writer(folder);
                      int stored = 0;
                      for (int i = 0; i < 2000; ++i)
                          stored += writer.append(makeEntry(baseTime + i, std::string(200, 'f')));
                      return std::min(stored, 1);
                  }),
                  std::string(name) == "quorvane.log" ? 0 : 1);
        EXPECT_EQ(statusWithin([&] { return LogStore(folder).read(ever, somePid).ok() ? 1 : 0; }), 0);
        EXPECT_EQ(fs::status(folder / name).type(), fs::file_type::fifo);
        fs::remove(folder / name);
    }

    const int held = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    EXPECT_EQ(
        statusWithin([&] { return LogStore(folder).append(makeEntry(baseTime, "locked out")) ? 1 : 0; }), 1)
        << "the entry waits for the lock";
    ::close(held);
    EXPECT_TRUE(store.append(makeEntry(baseTime + 10000, "after")));
    EXPECT_EQ(readAll(store).back().message, "after");
}

namespace {

// What this process writes on standard error while the object lives.
class StandardErrorCopy {
public:
    explicit StandardErrorCopy(fs::path file) : file_(std::move(file)) {
        std::fflush(stderr);
        saved_ = ::dup(2);
        const int fd = ::open(file_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        ::dup2(fd, 2);
        ::close(fd);
    }
    ~StandardErrorCopy() {
        std::fflush(stderr);
        ::dup2(saved_, 2);
        ::close(saved_);
    }
    std::string text() const {
        std::fflush(stderr);
        std::ostringstream text;
        text << std::ifstream(file_).rdbuf();
        return text.str();
    }

private:
    fs::path file_;
    int saved_ = -1;
};

} // namespace

// A store whose log file cannot be used (a folder, a FIFO or a link in its place) says so once on
// standard error, naming the file and why, and keeps nothing anywhere else.
TEST(LogStore, AnUnusableStoreSaysWhyOnceAndKeepsNothingElsewhere) {
    test::TempDir dir;
    const fs::path folder = dir / "log", file = folder / "quorvane.log";
    const std::function<void()> folderInPlace = [&] { fs::create_directory(file); };
    const std::function<void()> fifoInPlace = [&] { ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0); };
    const std::function<void()> linkInPlace = [&] { fs::create_symlink(dir / "elsewhere.log", file); };
    for (const auto& [place, reason] :
         {std::pair(folderInPlace, " is a folder"), std::pair(fifoInPlace, " is not a regular file"),
          std::pair(linkInPlace, " is a symbolic link")}) {
        SCOPED_TRACE(reason);
        fs::remove_all(folder);
        fs::create_directories(folder);
        place();
        const std::string said =
            "Log store unusable: " + file.string() + reason + "; entries go to standard error only";
        LogStore store(folder);
        EXPECT_EQ(store.problem(), std::nullopt);
        const StandardErrorCopy standardError(dir / "stderr");
        for (int i = 0; i < 3; ++i)
            EXPECT_FALSE(store.append(makeEntry(baseTime + i, "lost")));
        EXPECT_EQ(store.problem(), said);
        const std::string text = standardError.text();
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
        EXPECT_NE(text.find(" app error: " + said + "\n"), std::string::npos) << text;
        EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2);
    }
}


// Another process holding the folder's lock never makes a writer wait: entries wait in memory, in
// order, readable meanwhile, and are written once it lets go; those past the waiting bound are
// dropped, and the store says once how many (on standard error, and for the diagnostics header),
// once the others are written.
TEST(LogStore, WhileAnotherProcessHoldsTheLockEntriesWaitAndWhatOverflowsIsSaidOnce) {
    test::TempDir dir;
    const fs::path folder = dir / "log";
    LogStore store(folder);
    ASSERT_TRUE(store.append(makeEntry(baseTime, "before")));
    const StandardErrorCopy standardError(dir / "stderr");
    std::optional<test::FolderLockHolder> holder(std::in_place, folder);
    ASSERT_TRUE(holder->locked());

    const auto entry = [](int i) {
        return makeEntry(baseTime + 1 + i, "waited " + std::to_string(i) + std::string(400, '.'));
    };
    int waited = 0;
    while (waited < 10000 && store.append(entry(waited)))
        ++waited;
    ASSERT_GT(waited, 0) << "the first entry under the lock should wait";
    EXPECT_GE(waited * (renderLogEntry(entry(waited)).size() + 40), LogStore::maxWaitingBytes);
    for (int i = 1; i < 25; ++i)
        EXPECT_FALSE(store.append(entry(waited + i)));
    const std::string said = "Log store locked: " + folder.string() +
                             " was locked by another process; 25 entries were dropped and went to standard "
                             "error only";
    EXPECT_EQ(store.dropped(), said);
    EXPECT_EQ(store.problem(), std::nullopt);
    EXPECT_EQ(readAll(store).size(), std::size_t(waited + 1)) << "waiting entries read back too";
    EXPECT_EQ(standardError.text(), "") << "said once the count is known";

    holder.reset();
    ASSERT_TRUE(test::waitUntil([&] { return std::ranges::count(stored(folder), '\n') == waited + 1; }));
    ASSERT_TRUE(store.append(makeEntry(baseTime + 1 + waited + 25, "after")));
    std::vector<LogEntry> expected{makeEntry(baseTime, "before")};
    for (int i = 0; i < waited; ++i)
        expected.push_back(entry(i));
    expected.push_back(makeEntry(baseTime + 1 + waited + 25, "after"));
    EXPECT_EQ(readAll(store), expected);
    const std::string text = standardError.text();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
    EXPECT_NE(text.find(" app error: " + said + "\n"), std::string::npos) << text;
}

// Another process holding the folder's lock costs a writer no wait at all: its entries wait, stored
// once the lock is let go, and the writer is never put to sleep for it (each wait would be once at
// least; the store's own thread may hold it up for a moment now and then).
TEST(LogStore, AWriterNeverSleepsOnAnotherProcesssLock) {
    test::TempDir dir;
    const fs::path folder = dir / "log";
    LogStore store(folder);
    ASSERT_TRUE(store.append(makeEntry(baseTime, "before")));
    std::optional<test::FolderLockHolder> holder(std::in_place, folder);
    ASSERT_TRUE(holder->locked());
    const auto sleeps = [] {
        rusage usage{};
        ::getrusage(RUSAGE_THREAD, &usage);
        return usage.ru_nvcsw;
    };
    const long before = sleeps();
    for (int i = 1; i <= 50; ++i)
        ASSERT_TRUE(store.append(makeEntry(baseTime + i, "waits")));
    EXPECT_LT(sleeps() - before, 25);
    EXPECT_EQ(std::ranges::count(stored(folder), '\n'), 1);
    holder.reset();
    EXPECT_TRUE(test::waitUntil([&] { return std::ranges::count(stored(folder), '\n') == 51; }));
}

} // namespace quorvane
