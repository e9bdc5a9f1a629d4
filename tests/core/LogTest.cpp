#include "core/Log.h"

#include "core/AppIdentity.h"
#include "platform/LogStore.h"
#include "support/TestEnvironment.h"

#include <QDateTime>
#include <atomic>
#include <gtest/gtest.h>
#include <unistd.h>
#include <vector>

namespace quorvane {
namespace {

std::vector<LogEntry> storedWith(const std::string& tag) {
    auto entries = test::logStore().read(0, ::getpid()).value();
    std::erase_if(entries,
                  [&](const LogEntry& entry) { return entry.message.find(tag) == std::string::npos; });
    return entries;
}

// Formatting a value of this type leaves a trace, so skipped formatting is observable.
struct Counted {
    std::atomic<int>* formatted;
};
void append(std::string& out, const Counted& value) {
    ++*value.formatted;
    out += "counted";
}

// Entries are stored under the state folder as they were said, echoed only while switched on;
// levels rank info < default < error, and below the minimum nothing is formatted or stored.
TEST(LogChannels, StoredWithChannelAndLevelEchoedWhenSwitchedOnAndGatedByLevel) {
    const std::string tag = "[LogChannels]";
    const QString name = QStringLiteral("Bildschirmfoto «Straße»\tmit\nZeilen\\umbruch 📸");
    const std::int64_t since = QDateTime::currentMSecsSinceEpoch();
    testing::internal::CaptureStderr();
    Log::setEchoToStandardError(true);
    Log::exporting().log("Saved {}x{} px {} {} {}", 800, 600, "jpeg", name, tag);
    Log::setEchoToStandardError(false);
    Log::app().info("{}", tag);
    Log::capture().error("{}", tag);
    const std::string echoed = testing::internal::GetCapturedStderr();

    const LogLevel ranked[] = {LogLevel::info, LogLevel::defaultLevel, LogLevel::error};
    for (int minimum = 0; minimum < 3; ++minimum) {
        Log::setMinimumLevel(ranked[minimum]);
        for (int level = 0; level < 3; ++level)
            EXPECT_EQ(Log::ocr().isEnabled(ranked[level]), level >= minimum) << minimum << " " << level;
    }
    std::atomic<int> formatted{0};
    Log::app().info("dropped {} {}", Counted{&formatted}, tag);
    Log::capture().log("dropped {} {}", Counted{&formatted}, tag);
    EXPECT_EQ(formatted.load(), 0);
    Log::ocr().error("kept {} {}", Counted{&formatted}, tag);
    EXPECT_EQ(formatted.load(), 1);
    Log::setMinimumLevel(LogLevel::info);

    const auto entries = storedWith(tag);
    ASSERT_EQ(entries.size(), 4u);
    const std::string saved = "Saved 800x600 px jpeg " + name.toStdString() + " " + tag;
    const auto pid = ::getpid();
    EXPECT_EQ(entries, (std::vector<LogEntry>{
                           {entries[0].timeMs, pid, "export", LogLevel::defaultLevel, saved},
                           {entries[1].timeMs, pid, "app", LogLevel::info, tag},
                           {entries[2].timeMs, pid, "capture", LogLevel::error, tag},
                           {entries[3].timeMs, pid, "ocr", LogLevel::error, "kept counted " + tag}}));
    EXPECT_TRUE(entries[0].timeMs >= since && entries[3].timeMs <= QDateTime::currentMSecsSinceEpoch());
    EXPECT_EQ(echoed, renderLogEntry(entries[0]) + "\n");
}

} // namespace
} // namespace quorvane
