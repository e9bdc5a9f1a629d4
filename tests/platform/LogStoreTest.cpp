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
#include <unistd.h>
#include <vector>

namespace quorvane {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

constexpr std::int64_t somePid = 4242;
constexpr std::int64_t baseTime = 1796591378123; // 2026-12-06T21:09:38.123Z

LogEntry makeEntry(std::int64_t timeMs, std::string message, std::string category = "app",
                   LogLevel level = LogLevel::defaultLevel, std::int64_t processId = somePid) {
    LogEntry entry;
    entry.timeMs = timeMs;
    entry.processId = processId;
    entry.category = std::move(category);
    entry.level = level;
    entry.message = std::move(message);
    return entry;
}

std::vector<LogEntry> readAll(const LogStore& store, std::int64_t processId = somePid) {
    auto entries = store.read(std::numeric_limits<std::int64_t>::min(), processId);
    EXPECT_TRUE(entries.ok()) << (entries.ok() ? "" : entries.error());
    return entries.ok() ? *entries : std::vector<LogEntry>{};
}

std::string fileText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void appendRaw(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::app);
    out << text;
}

std::int64_t folderBytes(const fs::path& folder) {
    std::int64_t total = 0;
    for (const auto& item : fs::directory_iterator(folder))
        total += static_cast<std::int64_t>(item.file_size());
    return total;
}

std::size_t rawLineCount(const fs::path& folder) {
    std::size_t lines = 0;
    for (const char* name : {"quorvane.log", "quorvane.log.1"}) {
        const std::string text = fileText(folder / name);
        lines += static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
    }
    return lines;
}

// Messages carry "<writer>:<sequence>" so that order and gaps can be checked per writer.
std::string sequenced(int writer, int sequence) {
    return "w" + std::to_string(writer) + ":" + std::to_string(sequence);
}

std::map<int, std::vector<int>> sequencesByWriter(const std::vector<LogEntry>& entries) {
    std::map<int, std::vector<int>> result;
    for (const auto& entry : entries) {
        const auto colon = entry.message.find(':');
        const int writer = std::stoi(entry.message.substr(1, colon - 1));
        const auto space = entry.message.find(' ', colon);
        result[writer].push_back(std::stoi(entry.message.substr(colon + 1, space - colon - 1)));
    }
    return result;
}

// True when `sequences` is last-N..last with nothing missing or repeated.
bool isContiguousSuffix(const std::vector<int>& sequences, int last) {
    if (sequences.empty()) return false;
    for (std::size_t i = 0; i < sequences.size(); ++i)
        if (sequences[i] != last - static_cast<int>(sequences.size() - 1 - i)) return false;
    return true;
}

TEST(LogStoreTime, FormatsUtcWithMilliseconds) {
    EXPECT_EQ(LogStore::formatTime(0), "1970-01-01T00:00:00.000Z");
    EXPECT_EQ(LogStore::formatTime(1), "1970-01-01T00:00:00.001Z");
    EXPECT_EQ(LogStore::formatTime(61'234), "1970-01-01T00:01:01.234Z");
    EXPECT_EQ(LogStore::formatTime(baseTime), "2026-12-06T21:09:38.123Z");
    EXPECT_EQ(LogStore::formatTime(951'782'400'000), "2000-02-29T00:00:00.000Z");
    // Past the 32-bit time_t limit.
    EXPECT_EQ(LogStore::formatTime(4'102'444'799'999), "2099-12-31T23:59:59.999Z");
}

TEST(LogStoreTime, FormatsDatesBeforeTheEpoch) {
    EXPECT_EQ(LogStore::formatTime(-1), "1969-12-31T23:59:59.999Z");
    EXPECT_EQ(LogStore::formatTime(-999), "1969-12-31T23:59:59.001Z");
    EXPECT_EQ(LogStore::formatTime(-1000), "1969-12-31T23:59:59.000Z");
    EXPECT_EQ(LogStore::formatTime(-1001), "1969-12-31T23:59:58.999Z");
    EXPECT_EQ(LogStore::formatTime(-86'400'000), "1969-12-31T00:00:00.000Z");
}

TEST(LogStoreTime, RenderShowsEveryField) {
    EXPECT_EQ(LogStore::render(makeEntry(0, "Capture cancelled", "capture", LogLevel::error, 17)),
              "1970-01-01T00:00:00.000Z [17] capture error: Capture cancelled");
    EXPECT_STREQ(levelName(LogLevel::defaultLevel), "default");
    EXPECT_STREQ(levelName(LogLevel::info), "info");
    EXPECT_STREQ(levelName(LogLevel::error), "error");
}

TEST(LogStoreRoundTrip, EveryFieldComesBackForEveryLevel) {
    TempDir dir;
    LogStore store(dir / "log");
    const std::vector<LogEntry> written = {
        makeEntry(baseTime, "Launched", "app", LogLevel::defaultLevel),
        makeEntry(baseTime + 1, "Hotkey area unavailable (-9878)", "app", LogLevel::info),
        makeEntry(baseTime + 2, "Capture failed: CaptureError 3", "capture", LogLevel::error),
        makeEntry(baseTime + 3, "", "ocr", LogLevel::defaultLevel),
    };
    for (const auto& entry : written)
        ASSERT_TRUE(store.append(entry));
    EXPECT_EQ(readAll(store), written);
}

TEST(LogStoreRoundTrip, AwkwardTextSurvives) {
    TempDir dir;
    LogStore store(dir / "log");
    const std::vector<std::string> messages = {
        "two\nlines",
        "\n",
        "tab\there\tand\tthere",
        "carriage\r\nreturn",
        "back\\slash",
        "literal \\n and \\t, not escapes",
        "ends with a backslash\\",
        "\\",
        "\\\\\n\\",
        "Grüße, 日本語, emoji 📸, ❤",
        "\xF0\x9F\x93\xB8\t\xC3\xBC\n",
        "{} placeholders stay literal {}",
    };
    std::int64_t time = baseTime;
    for (const auto& message : messages)
        ASSERT_TRUE(store.append(makeEntry(time++, message)));

    const auto entries = readAll(store);
    ASSERT_EQ(entries.size(), messages.size());
    for (std::size_t i = 0; i < messages.size(); ++i)
        EXPECT_EQ(entries[i].message, messages[i]) << i;
    // One stored line per entry, whatever the message held.
    EXPECT_EQ(rawLineCount(dir / "log"), messages.size());
}

TEST(LogStoreRoundTrip, CategoryWithSeparatorsSurvives) {
    TempDir dir;
    LogStore store(dir / "log");
    const auto written = makeEntry(baseTime, "message", "odd\tcat\negory\\");
    ASSERT_TRUE(store.append(written));
    EXPECT_EQ(readAll(store), std::vector<LogEntry>{written});
}

TEST(LogStoreRoundTrip, ExtremeTimesSurvive) {
    TempDir dir;
    LogStore store(dir / "log");
    const std::vector<LogEntry> written = {
        makeEntry(-86'400'001, "before the epoch"),
        makeEntry(-1, "just before the epoch"),
        makeEntry(0, "the epoch"),
        makeEntry(4'102'444'799'999, "end of 2099"),
    };
    for (const auto& entry : written)
        ASSERT_TRUE(store.append(entry));
    EXPECT_EQ(readAll(store), written);
}

TEST(LogStoreRead, MissingFolderReadsAsEmpty) {
    TempDir dir;
    const LogStore store(dir / "never" / "created");
    const auto entries = store.read(0, somePid);
    ASSERT_TRUE(entries.ok());
    EXPECT_TRUE(entries->empty());
}

TEST(LogStoreRead, FiltersByProcessAndInclusiveStartTime) {
    TempDir dir;
    LogStore store(dir / "log");
    const std::int64_t since = baseTime;
    ASSERT_TRUE(store.append(makeEntry(since - 86'400'000, "a day early")));
    ASSERT_TRUE(store.append(makeEntry(since - 1, "one ms early")));
    ASSERT_TRUE(store.append(makeEntry(since, "exactly at the start")));
    ASSERT_TRUE(store.append(makeEntry(since, "other process", "app", LogLevel::defaultLevel, somePid + 1)));
    ASSERT_TRUE(store.append(makeEntry(since + 1, "one ms late")));
    ASSERT_TRUE(store.append(makeEntry(since + 2, "other again", "ocr", LogLevel::error, somePid + 1)));

    auto ours = store.read(since, somePid);
    ASSERT_TRUE(ours.ok());
    ASSERT_EQ(ours->size(), 2u);
    EXPECT_EQ((*ours)[0].message, "exactly at the start");
    EXPECT_EQ((*ours)[1].message, "one ms late");

    auto theirs = store.read(since, somePid + 1);
    ASSERT_TRUE(theirs.ok());
    ASSERT_EQ(theirs->size(), 2u);
    EXPECT_EQ((*theirs)[0].message, "other process");
    EXPECT_EQ((*theirs)[1].message, "other again");

    auto later = store.read(since + 3, somePid);
    ASSERT_TRUE(later.ok());
    EXPECT_TRUE(later->empty());

    auto pidZero = store.read(since, 0);
    ASSERT_TRUE(pidZero.ok());
    EXPECT_TRUE(pidZero->empty());
}

TEST(LogStoreRead, OldestFirstAndStableForEqualTimes) {
    TempDir dir;
    LogStore store(dir / "log");
    // Written out of order (a clock step back) and with ties.
    ASSERT_TRUE(store.append(makeEntry(baseTime + 5, "c")));
    ASSERT_TRUE(store.append(makeEntry(baseTime, "a1")));
    ASSERT_TRUE(store.append(makeEntry(baseTime, "a2")));
    ASSERT_TRUE(store.append(makeEntry(baseTime + 1, "b")));
    ASSERT_TRUE(store.append(makeEntry(baseTime, "a3")));

    std::vector<std::string> messages;
    for (const auto& entry : readAll(store))
        messages.push_back(entry.message);
    EXPECT_EQ(messages, (std::vector<std::string>{"a1", "a2", "a3", "b", "c"}));
}

TEST(LogStoreRead, DamagedLinesAreSkipped) {
    TempDir dir;
    LogStore store(dir / "log");
    ASSERT_TRUE(store.append(makeEntry(baseTime, "first")));
    const fs::path file = dir / "log" / "quorvane.log";
    appendRaw(file, "garbage without any tabs\n");
    appendRaw(file, "\n");
    appendRaw(file, "2026-12-06T21:09:38.124Z\t4242\tapp\tdefault\n"); // message field missing
    appendRaw(file, "2026-12-06T21:09:38.124Z\t4242\tapp\twarning\tunknown level\n");
    appendRaw(file, "2026-12-06T21:09:38.124Z\t42x2\tapp\tdefault\tbad pid\n");
    appendRaw(file, "2026-12-06T21:09:38.124Z\t\tapp\tdefault\tempty pid\n");
    appendRaw(file, "2026-12-06 21:09:38.124Z\t4242\tapp\tdefault\tbad time\n");
    appendRaw(file, "2026-12-06T21:09:38Z\t4242\tapp\tdefault\tshort time\n");
    appendRaw(file, "2026-1x-06T21:09:38.124Z\t4242\tapp\tdefault\tbad month\n");
    appendRaw(file, std::string("\0\xff\xfe\t\t\t\t\n", 8));
    ASSERT_TRUE(store.append(makeEntry(baseTime + 2, "last")));

    const auto entries = readAll(store);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].message, "first");
    EXPECT_EQ(entries[1].message, "last");
}

TEST(LogStoreRead, UnfinishedLastLineIsIgnored) {
    TempDir dir;
    LogStore store(dir / "log");
    ASSERT_TRUE(store.append(makeEntry(baseTime, "complete")));
    appendRaw(dir / "log" / "quorvane.log", "2026-12-06T21:09:38.124Z\t4242\tapp\tdefault\thalf writ");

    const auto entries = readAll(store);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].message, "complete");
}

// A writer that died mid-line (or hit a full disk) leaves a line without its newline; the next
// entry must not be glued onto it and lost or mangled.
TEST(LogStoreRead, EntryAfterATruncatedLineSurvives) {
    TempDir dir;
    LogStore store(dir / "log");
    ASSERT_TRUE(store.append(makeEntry(baseTime, "complete")));
    appendRaw(dir / "log" / "quorvane.log", "2026-12-06T21:09:38.124Z\t4242\tapp\tdefault\thalf writ");
    ASSERT_TRUE(store.append(makeEntry(baseTime + 2, "after the damage")));

    const auto entries = readAll(store);
    ASSERT_FALSE(entries.empty());
    EXPECT_EQ(entries.back(), makeEntry(baseTime + 2, "after the damage"));
    for (const auto& entry : entries)
        EXPECT_EQ(entry.message.find("2026-"), std::string::npos) << entry.message;
}

TEST(LogStoreRotation, FolderStaysBoundedAndKeepsTheNewest) {
    TempDir dir;
    constexpr std::int64_t bound = 16 * 1024;
    LogStore store(dir / "log", bound);
    constexpr int count = 2000; // about ten times the bound
    std::int64_t longestLine = 0;
    for (int i = 0; i < count; ++i) {
        const auto entry = makeEntry(baseTime + i, sequenced(0, i) + " Saved 1920x1080 px png", "export");
        longestLine =
            std::max<std::int64_t>(longestLine, static_cast<std::int64_t>(entry.message.size()) + 64);
        ASSERT_TRUE(store.append(entry)) << i;
        ASSERT_LE(folderBytes(dir / "log"), bound + longestLine) << "after entry " << i;
    }
    EXPECT_TRUE(fs::exists(dir / "log" / "quorvane.log.1"));
    EXPECT_LE(fs::file_size(dir / "log" / "quorvane.log"), static_cast<std::uintmax_t>(bound / 2));
    EXPECT_LE(fs::file_size(dir / "log" / "quorvane.log.1"), static_cast<std::uintmax_t>(bound / 2));
    // Only the two rotating files, nothing left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "log"), fs::directory_iterator()), 2);

    const auto entries = readAll(store);
    const auto sequences = sequencesByWriter(entries)[0];
    ASSERT_FALSE(sequences.empty());
    EXPECT_TRUE(isContiguousSuffix(sequences, count - 1));
    EXPECT_GT(sequences.front(), 0) << "the oldest entries should have been dropped";
    // At least the newer of the two files' worth survives.
    EXPECT_GE(folderBytes(dir / "log"), bound / 4);
}

TEST(LogStoreRotation, TinyBoundStillKeepsRecentEntries) {
    TempDir dir;
    LogStore store(dir / "log", 10);
    for (int i = 0; i < 500; ++i)
        ASSERT_TRUE(store.append(makeEntry(baseTime + i, sequenced(0, i))));
    const auto entries = readAll(store);
    ASSERT_FALSE(entries.empty());
    EXPECT_EQ(entries.back().message, sequenced(0, 499));
    EXPECT_TRUE(isContiguousSuffix(sequencesByWriter(entries)[0], 499));
}

TEST(LogStoreRotation, EntryLargerThanTheBoundIsKept) {
    TempDir dir;
    constexpr std::int64_t bound = 8192;
    LogStore store(dir / "log", bound);
    ASSERT_TRUE(store.append(makeEntry(baseTime, "small before")));
    const std::string huge(3 * bound, 'x');
    ASSERT_TRUE(store.append(makeEntry(baseTime + 1, huge)));
    ASSERT_TRUE(store.append(makeEntry(baseTime + 2, "small after")));

    const auto entries = readAll(store);
    ASSERT_GE(entries.size(), 2u);
    EXPECT_EQ(entries[entries.size() - 2].message, huge);
    EXPECT_EQ(entries.back().message, "small after");
}

TEST(LogStoreThreads, ManyThreadsOneStore) {
    TempDir dir;
    LogStore store(dir / "log");
    constexpr int threads = 8, perThread = 200;
    const char* categories[] = {"app", "capture", "export", "ocr"};
    const LogLevel levels[] = {LogLevel::defaultLevel, LogLevel::info, LogLevel::error};
    std::atomic<int> failures{0};
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t)
        workers.emplace_back([&, t] {
            for (int i = 0; i < perThread; ++i) {
                // Payload long enough that a torn write would show.
                const std::string message =
                    sequenced(t, i) + " tab\tnewline\n" +
                    std::string(static_cast<std::size_t>(100 + t), static_cast<char>('a' + t));
                if (!store.append(makeEntry(baseTime + i, message, categories[t % 4], levels[(t + i) % 3])))
                    ++failures;
            }
        });
    for (auto& worker : workers)
        worker.join();
    EXPECT_EQ(failures.load(), 0);

    const auto entries = readAll(store);
    ASSERT_EQ(entries.size(), static_cast<std::size_t>(threads * perThread));
    EXPECT_EQ(rawLineCount(dir / "log"), entries.size());
    for (const auto& entry : entries) {
        const auto sequences = sequencesByWriter({entry});
        const int t = sequences.begin()->first, i = sequences.begin()->second[0];
        EXPECT_EQ(entry.message,
                  sequenced(t, i) + " tab\tnewline\n" +
                      std::string(static_cast<std::size_t>(100 + t), static_cast<char>('a' + t)));
        EXPECT_EQ(entry.category, categories[t % 4]);
        EXPECT_EQ(entry.level, levels[(t + i) % 3]);
        EXPECT_EQ(entry.timeMs, baseTime + i);
    }
    for (const auto& [writer, sequences] : sequencesByWriter(entries))
        EXPECT_TRUE(isContiguousSuffix(sequences, perThread - 1)) << "writer " << writer;
}

// Separate objects have separate descriptors, as separate processes would.
TEST(LogStoreThreads, OneStoreObjectPerThreadWithRotation) {
    TempDir dir;
    constexpr std::int64_t bound = 64 * 1024;
    constexpr int threads = 8, perThread = 300;
    std::atomic<int> failures{0};
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t)
        workers.emplace_back([&, t] {
            LogStore own(dir / "log", bound);
            for (int i = 0; i < perThread; ++i)
                if (!own.append(makeEntry(baseTime + i, sequenced(t, i) + " " + std::string(60, 'k'))))
                    ++failures;
        });
    for (auto& worker : workers)
        worker.join();
    EXPECT_EQ(failures.load(), 0);

    LogStore reader(dir / "log", bound);
    const auto entries = readAll(reader);
    EXPECT_EQ(rawLineCount(dir / "log"), entries.size()) << "every stored line should parse";
    EXPECT_LE(folderBytes(dir / "log"), bound + 200);
    // Rotation drops whole old lines; what is left of each writer has no holes.
    for (const auto& [writer, sequences] : sequencesByWriter(entries))
        EXPECT_TRUE(isContiguousSuffix(sequences, perThread - 1)) << "writer " << writer;
}

TEST(LogStoreThreads, ReaderAlongsideRotationSeesNoHoles) {
    TempDir dir;
    constexpr std::int64_t bound = 8192;
    LogStore store(dir / "log", bound);
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int i = 0; i < 20000; ++i)
            store.append(makeEntry(baseTime, sequenced(0, i) + " " + std::string(40, 'r')));
        done = true;
    });
    LogStore reader(dir / "log", bound);
    int reads = 0, holes = 0;
    while (!done) {
        auto entries = reader.read(baseTime, somePid);
        if (!entries.ok()) {
            ADD_FAILURE() << entries.error();
            break;
        }
        ++reads;
        if (entries->empty()) continue;
        const auto sequences = sequencesByWriter(*entries)[0];
        if (!isContiguousSuffix(sequences, sequences.back())) ++holes;
    }
    writer.join();
    EXPECT_EQ(holes, 0) << "out of " << reads << " reads";
}

TEST(LogStoreProcesses, ForkedWriterAndParentShareTheFolder) {
    TempDir dir;
    constexpr int perProcess = 1500;
    const fs::path folder = dir / "log";

    const pid_t child = ::fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        LogStore store(folder);
        int failed = 0;
        for (int i = 0; i < perProcess; ++i)
            if (!store.append(makeEntry(baseTime + i, sequenced(1, i) + " from the child", "capture",
                                        LogLevel::info, ::getpid())))
                ++failed;
        ::_exit(std::min(failed, 100));
    }
    LogStore store(folder);
    int failed = 0;
    for (int i = 0; i < perProcess; ++i)
        if (!store.append(makeEntry(baseTime + i, sequenced(0, i) + " from the parent", "app",
                                    LogLevel::error, ::getpid())))
            ++failed;
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "child appends failed";
    EXPECT_EQ(failed, 0);

    EXPECT_EQ(rawLineCount(folder), static_cast<std::size_t>(2 * perProcess));
    const auto ours = readAll(store, ::getpid());
    const auto theirs = readAll(store, child);
    ASSERT_EQ(ours.size(), static_cast<std::size_t>(perProcess));
    ASSERT_EQ(theirs.size(), static_cast<std::size_t>(perProcess));
    for (int i = 0; i < perProcess; ++i) {
        EXPECT_EQ(ours[i].message, sequenced(0, i) + " from the parent");
        EXPECT_EQ(ours[i].category, "app");
        EXPECT_EQ(ours[i].level, LogLevel::error);
        EXPECT_EQ(theirs[i].message, sequenced(1, i) + " from the child");
        EXPECT_EQ(theirs[i].category, "capture");
        EXPECT_EQ(theirs[i].level, LogLevel::info);
    }
}

TEST(LogStoreProcesses, ForkedWritersRotatingTogetherLoseNothingInTheMiddle) {
    TempDir dir;
    constexpr std::int64_t bound = 8192;
    constexpr int perProcess = 5000, children = 6;
    const fs::path folder = dir / "log";

    std::vector<pid_t> pids;
    for (int c = 0; c < children; ++c) {
        const pid_t child = ::fork();
        ASSERT_NE(child, -1);
        if (child == 0) {
            LogStore store(folder, bound);
            int failed = 0;
            for (int i = 0; i < perProcess; ++i)
                if (!store.append(makeEntry(baseTime + i, sequenced(c, i), "export", LogLevel::defaultLevel,
                                            ::getpid())))
                    ++failed;
            ::_exit(std::min(failed, 100));
        }
        pids.push_back(child);
    }
    for (const pid_t child : pids) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0) << "appends failed in child " << child;
    }

    LogStore reader(folder, bound);
    EXPECT_LE(folderBytes(folder), bound + 100);
    std::size_t parsed = 0;
    for (int c = 0; c < children; ++c) {
        const auto entries = readAll(reader, pids[c]);
        parsed += entries.size();
        const auto sequences = sequencesByWriter(entries)[c];
        // A writer that finished early may have been rotated out entirely.
        EXPECT_TRUE(sequences.empty() || isContiguousSuffix(sequences, perProcess - 1)) << "child " << c;
    }
    EXPECT_EQ(parsed, rawLineCount(folder)) << "every stored line should parse";
}

TEST(LogStorePrivacy, FolderAndFilesAreOwnerOnly) {
    TempDir dir;
    const fs::path folder = dir / "state" / "nested" / "log";
    LogStore store(folder, 8192);
    for (int i = 0; i < 300; ++i)
        ASSERT_TRUE(store.append(makeEntry(baseTime + i, std::string(60, 'p'))));

    struct stat info {};
    ASSERT_EQ(::lstat(folder.c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    for (const char* name : {"quorvane.log", "quorvane.log.1"}) {
        ASSERT_EQ(::lstat((folder / name).c_str(), &info), 0) << name;
        EXPECT_TRUE(S_ISREG(info.st_mode)) << name;
        EXPECT_EQ(info.st_mode & 07777, 0600u) << name;
    }
}

TEST(LogStorePrivacy, FilesArePrivateEvenWithAPermissiveUmask) {
    TempDir dir;
    const mode_t previous = ::umask(0);
    LogStore store(dir / "log");
    const bool stored = store.append(makeEntry(baseTime, "x"));
    ::umask(previous);
    ASSERT_TRUE(stored);
    EXPECT_EQ(fs::status(dir / "log").permissions(), fs::perms::owner_all);
    EXPECT_EQ(fs::status(dir / "log" / "quorvane.log").permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
}

TEST(LogStorePrivacy, ExistingOpenFolderIsMadePrivate) {
    TempDir dir;
    fs::create_directory(dir / "log");
    fs::permissions(dir / "log", fs::perms::owner_all | fs::perms::group_all | fs::perms::others_read |
                                     fs::perms::others_exec);
    LogStore store(dir / "log");
    ASSERT_TRUE(store.append(makeEntry(baseTime, "x")));
    EXPECT_EQ(fs::status(dir / "log").permissions(), fs::perms::owner_all);
}

TEST(LogStorePrivacy, SymlinkedFolderIsRefused) {
    TempDir dir;
    fs::create_directory(dir / "elsewhere");
    fs::permissions(dir / "elsewhere", fs::perms::owner_all);
    fs::create_directory_symlink(dir / "elsewhere", dir / "log");

    LogStore store(dir / "log");
    EXPECT_FALSE(store.append(makeEntry(baseTime, "must not land")));
    EXPECT_FALSE(store.append(makeEntry(baseTime + 1, "nor this")));
    EXPECT_TRUE(fs::is_empty(dir / "elsewhere"));
    EXPECT_TRUE(fs::is_symlink(dir / "log"));
}

TEST(LogStorePrivacy, SymlinkedFileIsRefused) {
    TempDir dir;
    fs::create_directory(dir / "log");
    fs::permissions(dir / "log", fs::perms::owner_all);
    appendRaw(dir / "target", "2026-12-06T21:09:38.123Z\t4242\tapp\tdefault\tvictim line\n");
    fs::create_symlink(dir / "target", dir / "log" / "quorvane.log");

    LogStore store(dir / "log");
    EXPECT_FALSE(store.append(makeEntry(baseTime, "must not land")));
    EXPECT_EQ(fileText(dir / "target"), "2026-12-06T21:09:38.123Z\t4242\tapp\tdefault\tvictim line\n");
    // Reading does not follow the link either.
    EXPECT_FALSE(store.read(0, somePid).ok());
}

TEST(LogStoreRecovery, RemovedFolderIsRecreated) {
    TempDir dir;
    LogStore store(dir / "log");
    ASSERT_TRUE(store.append(makeEntry(baseTime, "before removal")));
    fs::remove_all(dir / "log");

    // The store notices the removal; it keeps logging from then on.
    (void)store.append(makeEntry(baseTime + 1, "while noticing"));
    ASSERT_TRUE(store.append(makeEntry(baseTime + 2, "after removal")));
    const auto entries = readAll(store);
    ASSERT_FALSE(entries.empty());
    EXPECT_EQ(entries.back().message, "after removal");
    EXPECT_EQ(fs::status(dir / "log").permissions(), fs::perms::owner_all);
}

} // namespace
} // namespace quorvane
