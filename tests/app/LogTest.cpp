#include "app/Log.h"

#include "app/AppIdentity.h"
#include "support/TempDir.h"

#include <QString>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace quorvane {
namespace {

std::int64_t nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// Every test tags its messages so that entries of other tests in the same process don't count.
std::vector<LogEntry> storedWith(const std::string& tag, std::int64_t sinceMs) {
    auto entries = Log::store().read(sinceMs, ::getpid());
    EXPECT_TRUE(entries.ok()) << (entries.ok() ? "" : entries.error());
    std::vector<LogEntry> tagged;
    if (!entries.ok()) return tagged;
    for (auto& entry : *entries)
        if (entry.message.find(tag) != std::string::npos) tagged.push_back(std::move(entry));
    return tagged;
}

// The process keeps every level unless told otherwise; put that back after a test narrows it.
struct MinimumLevelScope {
    explicit MinimumLevelScope(LogLevel level) { Log::setMinimumLevel(level); }
    ~MinimumLevelScope() { Log::setMinimumLevel(LogLevel::info); }
};

// Formatting a value of this type leaves a trace, so skipped formatting is observable.
struct Counted {
    std::atomic<int>* formatted;
};
void append(std::string& out, const Counted& value) {
    ++*value.formatted;
    out += "counted";
}

TEST(LogChannels, CategoriesAreExactlyTheFourAreas) {
    EXPECT_STREQ(Log::app().category(), "app");
    EXPECT_STREQ(Log::capture().category(), "capture");
    EXPECT_STREQ(Log::exporting().category(), "export");
    EXPECT_STREQ(Log::ocr().category(), "ocr");
    // Created once: every call hands out the same channel.
    EXPECT_EQ(&Log::app(), &Log::app());
    EXPECT_EQ(&Log::exporting(), &Log::exporting());
}

TEST(LogChannels, StoreLivesInThePrivateStateFolder) {
    const char* stateHome = std::getenv("XDG_STATE_HOME");
    ASSERT_NE(stateHome, nullptr);
    EXPECT_EQ(Log::store().directory(), std::filesystem::path(stateHome) / applicationId / "log");
    EXPECT_EQ(&Log::store(), &Log::store());

    Log::app().error("folder check {}", "LogChannels.Folder");
    const auto folder = Log::store().directory();
    EXPECT_EQ(std::filesystem::status(folder).permissions(), std::filesystem::perms::owner_all);
    EXPECT_EQ(std::filesystem::status(folder / "quorvane.log").permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

TEST(LogChannels, EachChannelsEntriesComeBackWithTheirCategory) {
    const MinimumLevelScope everything(LogLevel::info);
    const std::string tag = "[LogChannels.EachChannel]";
    const std::int64_t since = nowMs();
    Log::app().log("Launched {}", tag);
    Log::capture().log("Capture succeeded: {}x{} px, ocr {} {}", 1920, 1080, false, tag);
    Log::exporting().error("Export failed ({}): {} {} {}", "png", "QFileDevice", 5, tag);
    Log::ocr().info("OCR applied: {} lines, {} codes {}", 12, 0, tag);

    const auto entries = storedWith(tag, since);
    ASSERT_EQ(entries.size(), 4u);
    const std::int64_t until = nowMs();
    for (const auto& entry : entries) {
        EXPECT_EQ(entry.processId, ::getpid());
        EXPECT_GE(entry.timeMs, since);
        EXPECT_LE(entry.timeMs, until);
    }
    EXPECT_EQ(entries[0].category, "app");
    EXPECT_EQ(entries[0].level, LogLevel::defaultLevel);
    EXPECT_EQ(entries[0].message, "Launched " + tag);
    EXPECT_EQ(entries[1].category, "capture");
    EXPECT_EQ(entries[1].level, LogLevel::defaultLevel);
    EXPECT_EQ(entries[1].message, "Capture succeeded: 1920x1080 px, ocr false " + tag);
    EXPECT_EQ(entries[2].category, "export");
    EXPECT_EQ(entries[2].level, LogLevel::error);
    EXPECT_EQ(entries[2].message, "Export failed (png): QFileDevice 5 " + tag);
    EXPECT_EQ(entries[3].category, "ocr");
    EXPECT_EQ(entries[3].level, LogLevel::info);
    EXPECT_EQ(entries[3].message, "OCR applied: 12 lines, 0 codes " + tag);
}

TEST(LogChannels, ArgumentsWithSeparatorsRoundTrip) {
    const std::string tag = "[LogChannels.Separators]";
    const std::int64_t since = nowMs();
    const QString name = QStringLiteral("Bildschirmfoto «Straße»\tmit\nZeilen\\umbruch 📸");
    Log::app().log("Imported {} {}", name, tag);

    const auto entries = storedWith(tag, since);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].message, "Imported " + name.toStdString() + " " + tag);
}

TEST(LogLevels, RankingFollowsInfoDefaultError) {
    const auto& channel = Log::capture();
    {
        const MinimumLevelScope scope(LogLevel::info);
        EXPECT_TRUE(channel.isEnabled(LogLevel::info));
        EXPECT_TRUE(channel.isEnabled(LogLevel::defaultLevel));
        EXPECT_TRUE(channel.isEnabled(LogLevel::error));
    }
    {
        const MinimumLevelScope scope(LogLevel::defaultLevel);
        EXPECT_FALSE(channel.isEnabled(LogLevel::info));
        EXPECT_TRUE(channel.isEnabled(LogLevel::defaultLevel));
        EXPECT_TRUE(channel.isEnabled(LogLevel::error));
    }
    {
        const MinimumLevelScope scope(LogLevel::error);
        EXPECT_FALSE(channel.isEnabled(LogLevel::info));
        EXPECT_FALSE(channel.isEnabled(LogLevel::defaultLevel));
        EXPECT_TRUE(channel.isEnabled(LogLevel::error));
        // The minimum is global, not per channel.
        EXPECT_FALSE(Log::ocr().isEnabled(LogLevel::defaultLevel));
    }
}

TEST(LogLevels, DisabledLevelsAreNeitherFormattedNorStored) {
    const std::string tag = "[LogLevels.Disabled]";
    std::atomic<int> formatted{0};
    const std::int64_t since = nowMs();
    {
        const MinimumLevelScope scope(LogLevel::error);
        Log::app().info("dropped info {} {}", Counted{&formatted}, tag);
        Log::capture().log("dropped default {} {}", Counted{&formatted}, tag);
        EXPECT_EQ(formatted.load(), 0);
        Log::ocr().error("kept error {} {}", Counted{&formatted}, tag);
        EXPECT_EQ(formatted.load(), 1);
    }
    const auto entries = storedWith(tag, since);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].message, "kept error counted " + tag);
    EXPECT_EQ(entries[0].category, "ocr");

    // Once restored, lower levels are stored again.
    Log::app().info("info again {}", tag);
    EXPECT_EQ(storedWith(tag, since).size(), 2u);
}

// A fresh process, before anyone narrows the level: the documented default keeps everything,
// so the one info-level message (a hot key that could not be registered) reaches diagnostics.
TEST(LogLevelsDeathTest, FreshProcessKeepsInfoEntries) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            const std::int64_t since = nowMs();
            Log::app().info("Hotkey {} unavailable ({}) [fresh]", "area", -9878);
            const auto entries = Log::store().read(since, ::getpid());
            const bool kept =
                entries.ok() && entries->size() == 1 && entries->front().level == LogLevel::info;
            std::_Exit(kept ? 0 : 3);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(LogThreads, ManyThreadsOnAllChannelsKeepEveryEntryIntact) {
    const MinimumLevelScope everything(LogLevel::info);
    const std::string tag = "[LogThreads.Many]";
    const LogChannel* channels[] = {&Log::app(), &Log::capture(), &Log::exporting(), &Log::ocr()};
    const char* categories[] = {"app", "capture", "export", "ocr"};
    const LogLevel levels[] = {LogLevel::defaultLevel, LogLevel::info, LogLevel::error};
    constexpr int threads = 8, perThread = 200;
    const auto expectedMessage = [&](int t, int i) {
        return "t" + std::to_string(t) + " n" + std::to_string(i) + " " +
               std::string(static_cast<std::size_t>(50 + 7 * t), static_cast<char>('a' + t)) +
               "\tok=" + (i % 2 == 0 ? "true" : "false") + " " + tag;
    };

    const std::int64_t since = nowMs();
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t)
        workers.emplace_back([&, t] {
            const LogChannel& channel = *channels[t % 4];
            for (int i = 0; i < perThread; ++i) {
                const std::string pattern = "t{} n{} {}\tok={} {}";
                const std::string filler(static_cast<std::size_t>(50 + 7 * t), static_cast<char>('a' + t));
                switch ((t + i) % 3) {
                case 0:
                    channel.log(pattern, t, i, filler, i % 2 == 0, tag);
                    break;
                case 1:
                    channel.info(pattern, t, i, filler, i % 2 == 0, tag);
                    break;
                default:
                    channel.error(pattern, t, i, filler, i % 2 == 0, tag);
                    break;
                }
            }
        });
    for (auto& worker : workers)
        worker.join();

    const auto entries = storedWith(tag, since);
    ASSERT_EQ(entries.size(), static_cast<std::size_t>(threads * perThread));
    std::vector<int> next(threads, 0);
    for (const auto& entry : entries) {
        int t = -1, i = -1;
        ASSERT_EQ(std::sscanf(entry.message.c_str(), "t%d n%d", &t, &i), 2) << entry.message;
        ASSERT_TRUE(t >= 0 && t < threads) << entry.message;
        // Oldest first: each thread's entries in the order it wrote them.
        EXPECT_EQ(i, next[t]++) << "thread " << t;
        EXPECT_EQ(entry.message, expectedMessage(t, i));
        EXPECT_EQ(entry.category, categories[t % 4]);
        EXPECT_EQ(entry.level, levels[(t + i) % 3]);
    }
}

// Redirects standard error into a real file for the lifetime of the object.
class StandardErrorCapture {
public:
    explicit StandardErrorCapture(const std::filesystem::path& file) : file_(file) {
        std::fflush(stderr);
        saved_ = ::dup(STDERR_FILENO);
        const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        ::dup2(fd, STDERR_FILENO);
        ::close(fd);
    }
    ~StandardErrorCapture() { restore(); }
    std::string finish() {
        restore();
        std::ifstream in(file_);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

private:
    void restore() {
        if (saved_ < 0) return;
        std::fflush(stderr);
        ::dup2(saved_, STDERR_FILENO);
        ::close(saved_);
        saved_ = -1;
    }
    std::filesystem::path file_;
    int saved_ = -1;
};

TEST(LogEcho, StandardErrorGetsTheHumanFormOnlyWhenSwitchedOn) {
    test::TempDir dir;
    const std::string tag = "[LogEcho]";
    const std::int64_t since = nowMs();
    std::string echoed, silent;
    {
        StandardErrorCapture capture(dir / "on.txt");
        Log::setEchoToStandardError(true);
        Log::exporting().log("Saved {}x{} px {} {}", 800, 600, "jpeg", tag);
        Log::setEchoToStandardError(false);
        Log::exporting().log("Saved quietly {}", tag);
        echoed = capture.finish();
    }
    Log::setEchoToStandardError(std::getenv("QUORVANE_TEST_LOG") != nullptr);

    const auto entries = storedWith(tag, since);
    ASSERT_EQ(entries.size(), 2u) << "the store keeps entries whether or not they are echoed";
    EXPECT_EQ(echoed, LogStore::render(entries[0]) + "\n");
    EXPECT_NE(echoed.find("] export default: Saved 800x600 px jpeg " + tag), std::string::npos) << echoed;
}

} // namespace
} // namespace quorvane
