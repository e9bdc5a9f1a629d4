#include "platform/LogStore.h"

#include "support/TempDir.h"

#include <algorithm>
#include <atomic>
#include <fstream>
#include <gtest/gtest.h>
#include <limits>
#include <map>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <tuple>
#include <unistd.h>
#include <vector>

namespace quorvane {

// Failures show entries in their human form.
static void PrintTo(const LogEntry& entry, std::ostream* out) {
    *out << LogStore::render(entry);
}

namespace {

namespace fs = std::filesystem;
using test::TempDir;

constexpr std::int64_t somePid = 4242, baseTime = 1796591378123; // 2026-12-06T21:09:38.123Z
constexpr std::int64_t noBound = LogStore::defaultMaxBytes, ever = std::numeric_limits<std::int64_t>::min();

LogEntry makeEntry(std::int64_t timeMs, std::string message, std::string category = "app",
                   LogLevel level = LogLevel::defaultLevel, std::int64_t processId = somePid) {
    return LogEntry{timeMs, processId, std::move(category), level, std::move(message)};
}

std::vector<LogEntry> readAll(const LogStore& store, std::int64_t processId = somePid) {
    return store.read(ever, processId).value();
}

std::string fileText(const fs::path& path) {
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

// What both files of the store hold, the previous one first.
std::string stored(const fs::path& folder) {
    return fileText(folder / "quorvane.log.1") + fileText(folder / "quorvane.log");
}

// Messages start "w<writer>:<sequence> " so that order and gaps can be checked per writer; the rest is
// long enough for a torn write to show.
LogEntry sequenced(int writer, int sequence) {
    const char* categories[] = {"app", "capture", "export", "ocr"};
    const LogLevel levels[] = {LogLevel::defaultLevel, LogLevel::info, LogLevel::error};
    const std::string payload(std::size_t(60 + 40 * writer), char('a' + writer));
    return makeEntry(baseTime + sequence,
                     "w" + std::to_string(writer) + ":" + std::to_string(sequence) + " \t\n" + payload,
                     categories[writer % 4], levels[(writer + sequence) % 3]);
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

// `count` threads sharing one store, or forked processes with a descriptor each, append `perWriter`
// sequenced entries each at once. Returns the number of failed appends.
int write(bool processes, const fs::path& folder, std::int64_t bound, int count, int perWriter) {
    LogStore store(folder, bound);
    std::atomic<int> failures{0};
    const auto writeAll = [&](int writer) {
        for (int i = 0; i < perWriter; ++i)
            failures += !store.append(sequenced(writer, i));
        return std::min(failures.load(), 100);
    };
    std::vector<std::thread> threads;
    std::vector<pid_t> children;
    for (int writer = 0; writer < count; ++writer) {
        if (!processes)
            threads.emplace_back(writeAll, writer);
        else if (const pid_t child = ::fork(); child == 0)
            ::_exit(writeAll(writer));
        else
            children.push_back(child);
    }
    for (auto& thread : threads)
        thread.join();
    for (const pid_t child : children) {
        int status = 0;
        failures += ::waitpid(child, &status, 0) == child && WIFEXITED(status) ? WEXITSTATUS(status) : 1;
    }
    return failures;
}

} // namespace

TEST(LogStoreFormat, UtcTimesWithMillisecondsAndTheHumanForm) {
    EXPECT_EQ(LogStore::formatTime(baseTime), "2026-12-06T21:09:38.123Z");
    // Past the 32-bit time_t limit, and before the epoch.
    EXPECT_EQ(LogStore::formatTime(4'102'444'799'999), "2099-12-31T23:59:59.999Z");
    EXPECT_EQ(LogStore::formatTime(-1), "1969-12-31T23:59:59.999Z");
    EXPECT_EQ(LogStore::formatTime(-1000), "1969-12-31T23:59:59.000Z");
    EXPECT_EQ(LogStore::formatTime(-1001), "1969-12-31T23:59:58.999Z");
    EXPECT_EQ(LogStore::formatTime(-86'400'000), "1969-12-31T00:00:00.000Z");
    EXPECT_EQ(LogStore::render(makeEntry(61'234, "Capture cancelled", "capture", LogLevel::error, 17)),
              "1970-01-01T00:01:01.234Z [17] capture error: Capture cancelled");
    EXPECT_STREQ(levelName(LogLevel::info), "info");
}

TEST(LogStoreRoundTrip, EveryFieldAndAwkwardTextComeBackOneLineEach) {
    TempDir dir;
    LogStore store(dir / "log");
    std::vector<LogEntry> written = {makeEntry(-86'400'001, "before the epoch"), makeEntry(0, "", "ocr"),
                                     makeEntry(1, "Hotkey unavailable", "app", LogLevel::info),
                                     makeEntry(2, "Capture failed", "capture", LogLevel::error),
                                     makeEntry(3, "message", "odd\tcat\negory\\")};
    for (const char* message : {"two\nlines", "\n", "tab\there\tand\tthere", "carriage\r\nreturn",
                                "back\\slash", "literal \\n and \\t", "ends with a backslash\\", "\\",
                                "\\\\\n\\", "Grüße, 日本語, emoji 📸, ❤",
                                "\xF0\x9F\x93\xB8\t\xC3\xBC\n", "{} placeholders stay literal {}"})
        written.push_back(makeEntry(baseTime + static_cast<std::int64_t>(written.size()), message));
    written.push_back(makeEntry(4'102'444'799'999, "end of 2099"));
    for (const auto& entry : written)
        ASSERT_TRUE(store.append(entry));
    EXPECT_EQ(readAll(store), written);
    EXPECT_EQ(std::ranges::count(stored(dir / "log"), '\n'), std::ssize(written));
}

TEST(LogStoreRead, FiltersByProcessAndInclusiveStartOldestFirstSkippingDamage) {
    TempDir dir;
    LogStore store(dir / "log");
    const auto messages = [&](std::int64_t from, std::int64_t processId) {
        const auto entries = store.read(from, processId).value();
        std::vector<std::string> result;
        for (const auto& entry : entries)
            result.push_back(entry.message);
        return result;
    };
    using Texts = std::vector<std::string>;
    EXPECT_EQ(messages(0, somePid), Texts{}) << "a folder not made yet reads as empty";
    // Written out of order (a clock step back) and with ties.
    const std::int64_t since = baseTime, other = somePid + 1;
    for (const LogEntry& entry : {makeEntry(since + 5, "c"), makeEntry(since - 86'400'000, "a day early"),
                                  makeEntry(since - 1, "1 ms early"), makeEntry(since, "a1"),
                                  makeEntry(since, "theirs", "app", LogLevel::info, other),
                                  makeEntry(since, "a2"), makeEntry(since + 1, "b"), makeEntry(since, "a3"),
                                  makeEntry(since + 2, "theirs later", "ocr", LogLevel::error, other)})
        ASSERT_TRUE(store.append(entry));
    EXPECT_EQ(messages(since, somePid), (Texts{"a1", "a2", "a3", "b", "c"}));
    EXPECT_EQ(messages(since, other), (Texts{"theirs", "theirs later"}));
    EXPECT_EQ(messages(since + 6, somePid), Texts{});
    EXPECT_EQ(messages(since, 0), Texts{});

    // Damaged lines are skipped.
    const fs::path file = dir / "log" / "quorvane.log";
    const std::string time = "2026-12-06T21:09:38.124Z";
    std::ofstream(file, std::ios::app) << std::string("\0\xff\xfe\t\t\t\t\n", 8);
    for (const std::string& line : std::vector<std::string>{
             "no tabs\n", "\n", time + "\t4242\tapp\tdefault\n", time + "\t4242\tapp\twarning\tx\n",
             time + "\t4242x\tapp\tdefault\tx\n", time + "\t\tapp\tdefault\tx\n",
             "2026-12-06 21:09:38.124Z\t4242\tapp\tdefault\tx\n",
             "2026-12-06T21:09:38Z\t4242\tapp\tdefault\tx\n",
             "2026-1x-06T21:09:38.124Z\t4242\tapp\tdefault\tx\n"})
        std::ofstream(file, std::ios::app) << line;
    ASSERT_TRUE(store.append(makeEntry(since + 6, "d")));
    // A writer that died mid-line (or hit a full disk) leaves a line without its newline: it is not
    // read, and the next entry is neither glued onto it nor lost.
    std::ofstream(file, std::ios::app) << time + "\t4242\tapp\tdefault\thalf writ";
    EXPECT_EQ(messages(ever, somePid), (Texts{"a day early", "1 ms early", "a1", "a2", "a3", "b", "c", "d"}));
    ASSERT_TRUE(store.append(makeEntry(since + 7, "after the damage")));
    EXPECT_EQ(messages(since + 6, somePid), (Texts{"d", "after the damage"}));
}

TEST(LogStoreRotation, FolderStaysBoundedKeepingTheNewestAndOversizedEntries) {
    TempDir dir;
    constexpr std::int64_t bound = 16 * 1024;
    LogStore store(dir / "log", bound);
    constexpr int count = 1300; // about ten times the bound
    for (int i = 0; i < count; ++i) {
        ASSERT_TRUE(store.append(sequenced(0, i)));
        ASSERT_LE(stored(dir / "log").size(), bound + 200) << "after entry " << i;
    }
    // Only the two rotating files, the newer of them at least.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "log"), fs::directory_iterator()), 2);
    EXPECT_GE(stored(dir / "log").size(), bound / 4);
    const auto [first, last] = spans(readAll(store))[0];
    EXPECT_TRUE(first > 0 && last == count - 1) << first << " to " << last << ": only the oldest should go";
    // An entry larger than the bound is kept.
    const LogEntry huge = makeEntry(baseTime + count, std::string(3 * bound, 'x'));
    ASSERT_TRUE(store.append(huge) && store.append(sequenced(0, count + 1)));
    const auto entries = readAll(store);
    ASSERT_GE(entries.size(), 2u);
    EXPECT_EQ(std::vector(entries.end() - 2, entries.end()), (std::vector{huge, sequenced(0, count + 1)}));
}

// Threads sharing a store, and forked processes each with its own descriptor, unbounded and rotating
// together: every stored line parses, nothing is torn, and nothing is lost but whole old lines to
// rotation (perhaps every line of a writer that finished early).
TEST(LogStoreConcurrency, ThreadsAndProcessesLoseAndTearNothing) {
    const std::tuple<bool, std::int64_t, int, int> cases[] = {{false, noBound, 8, 300},
                                                              {false, 16 * 1024, 8, 300},
                                                              {true, noBound, 2, 1500},
                                                              {true, 8192, 6, 1500}};
    for (const auto& [processes, bound, count, perWriter] : cases) {
        SCOPED_TRACE(testing::Message() << (processes ? "processes" : "threads") << ", bound " << bound);
        TempDir dir;
        EXPECT_EQ(write(processes, dir / "log", bound, count, perWriter), 0);
        const auto entries = readAll(LogStore(dir / "log", bound));
        EXPECT_EQ(std::ranges::count(stored(dir / "log"), '\n'), std::ssize(entries))
            << "every line should parse";
        EXPECT_LE(stored(dir / "log").size(), bound + 200);
        EXPECT_TRUE(bound != noBound || entries.size() == static_cast<std::size_t>(count * perWriter));
        for (const auto& [writer, span] : spans(entries))
            EXPECT_EQ(span, std::pair(bound == noBound ? 0 : span.first, perWriter - 1))
                << "writer " << writer;
    }
}

// A read must not take the previous file from before a rotation and the current one from after it:
// that hides every entry in between. Long entries make rotations frequent.
TEST(LogStoreConcurrency, ReaderAlongsideRotationSeesNoHoles) {
    TempDir dir;
    LogStore store(dir / "log", 8192), reader(dir / "log", 8192);
    std::atomic<int> appended{0};
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (; !done; ++appended)
            store.append(sequenced(24, appended));
    });
    int reads = 0, holes = 0;
    for (; reads < 1000 || appended < 1000; ++reads)
        holes += spans(readAll(reader))[24].first < 0;
    done = true;
    writer.join();
    EXPECT_EQ(holes, 0) << "out of " << reads << " reads";
}

TEST(LogStorePrivacy, OwnerOnlyFoldersAndFilesRecreatedSoAndNoSymlinks) {
    TempDir dir;
    // A fresh nested folder and an existing one open to all, under a permissive umask, with rotation
    // making new files.
    fs::create_directories(dir / "open" / "log");
    fs::permissions(dir / "open" / "log", fs::perms::all);
    for (const fs::path& folder : {dir / "fresh" / "nested" / "log", dir / "open" / "log"}) {
        SCOPED_TRACE(folder);
        const mode_t previous = ::umask(0);
        LogStore store(folder, 8192);
        int failed = 0;
        for (int i = 0; i < 300; ++i)
            failed += !store.append(makeEntry(baseTime + i, std::string(60, 'p')));
        ::umask(previous);
        EXPECT_EQ(failed, 0);
        EXPECT_EQ(fs::symlink_status(folder).permissions(), fs::perms::owner_all);
        for (const char* name : {"quorvane.log", "quorvane.log.1"})
            EXPECT_EQ(fs::symlink_status(folder / name).permissions(),
                      fs::perms::owner_read | fs::perms::owner_write);
        // A removed folder is noticed and made again, as privately.
        fs::remove_all(folder);
        (void)store.append(makeEntry(baseTime + 300, "while noticing"));
        ASSERT_TRUE(store.append(makeEntry(baseTime + 301, "after removal")));
        const auto entries = readAll(store);
        EXPECT_TRUE(!entries.empty() && entries.back().message == "after removal");
        EXPECT_EQ(fs::symlink_status(folder).permissions(), fs::perms::owner_all);
    }

    // A folder or file that is a symbolic link is refused, for reading too.
    fs::create_directory(dir / "elsewhere");
    fs::create_directory_symlink(dir / "elsewhere", dir / "linked");
    LogStore linkedFolder(dir / "linked");
    EXPECT_FALSE(linkedFolder.append(makeEntry(baseTime, "must not land")));
    EXPECT_FALSE(linkedFolder.append(makeEntry(baseTime + 1, "nor this")));
    EXPECT_TRUE(fs::is_empty(dir / "elsewhere"));
    fs::create_directory(dir / "log");
    const std::string victim = "2026-12-06T21:09:38.123Z\t4242\tapp\tdefault\tvictim line\n";
    std::ofstream(dir / "target") << victim;
    fs::create_symlink(dir / "target", dir / "log" / "quorvane.log");
    LogStore linkedFile(dir / "log");
    EXPECT_FALSE(linkedFile.append(makeEntry(baseTime, "must not land")));
    EXPECT_EQ(fileText(dir / "target"), victim);
    EXPECT_FALSE(linkedFile.read(0, somePid).ok());
}

} // namespace quorvane
