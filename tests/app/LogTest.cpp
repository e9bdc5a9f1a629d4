#include "app/Log.h"

#include "app/AppIdentity.h"

#include <QDateTime>
#include <QString>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace quorvane {
namespace {

// This process's stored entries holding `tag`, so that other tests' entries don't count.
std::vector<LogEntry> storedWith(const std::string& tag) {
    auto entries = Log::store().read(0, ::getpid()).value();
    std::erase_if(entries,
                  [&](const LogEntry& entry) { return entry.message.find(tag) == std::string::npos; });
    return entries;
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

TEST(LogLevels, MinimumGateRanksInfoDefaultErrorAndSkipsFormatting) {
    // A fresh process keeps every level: the one info message (a hot key not registered) is stored.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            Log::app().info("Hotkey {} unavailable ({}) [fresh]", "area", -9878);
            const auto entries = Log::store().read(0, ::getpid()).value();
            std::_Exit(entries.size() == 1 && entries[0].level == LogLevel::info ? 0 : 3);
        },
        ::testing::ExitedWithCode(0), "");
    // Levels ranked info < default < error pass a minimum at or below them.
    const LogLevel ranked[] = {LogLevel::info, LogLevel::defaultLevel, LogLevel::error};
    for (int minimum = 0; minimum < 3; ++minimum) {
        const MinimumLevelScope scope(ranked[minimum]);
        for (int level = 0; level < 3; ++level)
            EXPECT_EQ(Log::ocr().isEnabled(ranked[level]), level >= minimum) << minimum << " " << level;
    }
    // Below the minimum nothing is formatted or stored, whatever the channel.
    const std::string tag = "[LogLevels]";
    std::atomic<int> formatted{0};
    {
        const MinimumLevelScope scope(LogLevel::error);
        Log::app().info("dropped info {} {}", Counted{&formatted}, tag);
        Log::capture().log("dropped default {} {}", Counted{&formatted}, tag);
        EXPECT_EQ(formatted.load(), 0);
        Log::ocr().error("kept error {} {}", Counted{&formatted}, tag);
        EXPECT_EQ(formatted.load(), 1);
    }
    const auto entries = storedWith(tag);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].message, "kept error counted " + tag);
}

// Every channel and level at once: entries come back whole, with category, level and process, each
// thread's in the order it wrote them.
TEST(LogThreads, ManyThreadsOnAllChannelsKeepEveryEntryIntactAndInOrder) {
    const MinimumLevelScope everything(LogLevel::info);
    const std::string tag = "[LogThreads]";
    const LogChannel* channels[] = {&Log::app(), &Log::capture(), &Log::exporting(), &Log::ocr()};
    const char* categories[] = {"app", "capture", "export", "ocr"};
    const LogLevel levels[] = {LogLevel::defaultLevel, LogLevel::info, LogLevel::error};
    constexpr int threads = 8, perThread = 200;
    const auto filler = [](int t) { return std::string(std::size_t(50 + 7 * t), char('a' + t)); };
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t)
        workers.emplace_back([&, t] {
            const LogChannel& channel = *channels[t % 4];
            for (int i = 0; i < perThread; ++i) {
                const char* pattern = "t{} n{} {}\tok={} {}";
                if ((t + i) % 3 == 0) channel.log(pattern, t, i, filler(t), i % 2 == 0, tag);
                if ((t + i) % 3 == 1) channel.info(pattern, t, i, filler(t), i % 2 == 0, tag);
                if ((t + i) % 3 == 2) channel.error(pattern, t, i, filler(t), i % 2 == 0, tag);
            }
        });
    for (auto& worker : workers)
        worker.join();
    const auto entries = storedWith(tag);
    ASSERT_EQ(entries.size(), std::size_t{threads * perThread});
    std::vector<int> next(threads, 0);
    for (const auto& entry : entries) {
        int t = -1, i = -1;
        ASSERT_TRUE(std::sscanf(entry.message.c_str(), "t%d n%d", &t, &i) == 2 && t >= 0 && t < threads)
            << entry.message;
        EXPECT_EQ(i, next[t]++) << "thread " << t;
        const std::string message = "t" + std::to_string(t) + " n" + std::to_string(i) + " " + filler(t) +
                                    "\tok=" + (i % 2 == 0 ? "true" : "false") + " " + tag;
        EXPECT_EQ(LogStore::render(entry), LogStore::render({entry.timeMs, ::getpid(), categories[t % 4],
                                                             levels[(t + i) % 3], message}));
    }
}

// Entries go to the private store under the state folder, stamped now, with their arguments as they
// were; standard error gets their human form only while the echo is on.
TEST(LogEcho, StoredAlwaysEchoedToStandardErrorOnlyWhenSwitchedOn) {
    ASSERT_NE(std::getenv("XDG_STATE_HOME"), nullptr);
    EXPECT_EQ(Log::store().directory(),
              std::filesystem::path(std::getenv("XDG_STATE_HOME")) / applicationId / "log");
    const std::string tag = "[LogEcho]";
    const QString name = QStringLiteral("Bildschirmfoto «Straße»\tmit\nZeilen\\umbruch 📸");
    const std::int64_t since = QDateTime::currentMSecsSinceEpoch();
    testing::internal::CaptureStderr();
    Log::setEchoToStandardError(true);
    Log::exporting().log("Saved {}x{} px {} {} {}", 800, 600, "jpeg", name, tag);
    Log::setEchoToStandardError(false);
    Log::exporting().log("Saved quietly {}", tag);
    const std::string echoed = testing::internal::GetCapturedStderr();
    Log::setEchoToStandardError(std::getenv("QUORVANE_TEST_LOG") != nullptr);
    const auto entries = storedWith(tag);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].message, "Saved 800x600 px jpeg " + name.toStdString() + " " + tag);
    EXPECT_TRUE(entries[0].timeMs >= since && entries[0].timeMs <= QDateTime::currentMSecsSinceEpoch())
        << entries[0].timeMs;
    EXPECT_EQ(echoed, LogStore::render(entries[0]) + "\n");
}

} // namespace
} // namespace quorvane
