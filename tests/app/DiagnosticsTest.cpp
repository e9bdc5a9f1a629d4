#include "app/Diagnostics.h"

#include "app/DiagnosticsExporter.h"
#include "platform/LogStore.h"
#include "support/LogLines.h"
#include "support/TempDir.h"
#include "support/WaitUntil.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

namespace quorvane {
namespace {

namespace fs = std::filesystem;

constexpr std::int64_t ourPid = 4242;
constexpr std::int64_t now = 1796591378123;            // 2026-12-06T21:09:38.123Z
constexpr std::int64_t since = now - Diagnostics::windowMs; // 2026-12-05T21:09:38.123Z

const Diagnostics::Facts facts{QStringLiteral("1.2.0"), QStringLiteral("5c0ffee"),
                               QStringLiteral("Debian GNU/Linux 12 (bookworm) (kernel 6.1.0)"),
                               QStringLiteral("ThinkPad X1"), QStringLiteral("x86_64")};

QString pathOf(const fs::path& path) {
    return QString::fromStdString(path.string());
}

std::string contents(const fs::path& path) {
    QFile file(pathOf(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string("(missing)");
}

struct StoreRig {
    test::TempDir folder;
    LogStore store{folder / "log"};
    fs::path file = folder / "QuorvaneShot-Diagnostics.txt";

    void add(std::int64_t timeMs, LogLevel level, const std::string& message, std::int64_t pid = ourPid,
             const std::string& category = "app") {
        ASSERT_TRUE(store.append(LogEntry{timeMs, pid, category, level, message}));
    }
    Result<qsizetype, DiagnosticsError> exportNow(std::int64_t from = since) const {
        return Diagnostics::exportRecent(pathOf(file), store, facts, from, now, ourPid);
    }
};

const std::string header0 = "Quorvane Diagnostics\n"
                            "App: 1.2.0 (5c0ffee)\n"
                            "OS: Debian GNU/Linux 12 (bookworm) (kernel 6.1.0)\n"
                            "Hardware: ThinkPad X1\n"
                            "Architecture: x86_64\n"
                            "Generated: 2026-12-06T21:09:38Z\n"
                            "Since: 2026-12-05T21:09:38Z\n"
                            "Subsystem: com.quorvane.Quorvane\n";

// The file is the ten header lines, then this process's entries of the window, oldest first,
// each with its level word; it always ends with a line feed.
TEST(Diagnostics, WritesTheHeaderAndThisProcesssEntriesOfTheWindow) {
    StoreRig rig;
    ASSERT_EQ(*rig.exportNow(), 0);
    EXPECT_EQ(contents(rig.file), header0 + "Entries: 0\n---\n");

    rig.add(since - 1, LogLevel::defaultLevel, "too old");
    rig.add(since, LogLevel::error, "Capture failed: Quorvane.Capture 3", ourPid, "capture");
    rig.add(since + 5, LogLevel::info, "Hotkey captureArea unavailable (10)");
    rig.add(since + 6, LogLevel::defaultLevel, "another process", ourPid + 1);
    rig.add(now - 1, LogLevel::defaultLevel, "Launched");
    ASSERT_EQ(*rig.exportNow(), 3);
    EXPECT_EQ(contents(rig.file), header0 + "Entries: 3\n---\n"
                                            "2026-12-05T21:09:38.123Z [capture] error Capture failed: Quorvane.Capture 3\n"
                                            "2026-12-05T21:09:38.128Z [app] info Hotkey captureArea unavailable (10)\n"
                                            "2026-12-06T21:09:38.122Z [app] default Launched\n");
    // A later start (this process's own) leaves out what an earlier process with its id wrote.
    ASSERT_EQ(*rig.exportNow(since + 6), 1);

    EXPECT_TRUE(Diagnostics::header(Diagnostics::Facts{}, since, now, 0).contains(QStringLiteral("\nApp: ? (?)\n")));
}

// An unreadable store and an unwritable file fail with the two messages; what was at the chosen
// name stays as it was.
TEST(Diagnostics, LeavesAnExistingFileAsItWasWhenTheExportFails) {
    StoreRig rig;
    std::ofstream(rig.file) << "earlier export";
    struct FullDisk : PosixFile::Calls {
        ssize_t write(int, const void*, size_t) const override {
            errno = ENOSPC;
            return -1;
        }
    } full;
    const auto unwritten = Diagnostics::exportRecent(pathOf(rig.file), rig.store, facts, since, now, ourPid, full);
    ASSERT_FALSE(unwritten);
    EXPECT_EQ(unwritten.error().error(),
              (Error{QStringLiteral("Quorvane.Diagnostics"), 1,
                     QStringLiteral("Quorvane couldn't save the diagnostics file. No space left on device.")}));

    // Something that is not a log file in the store's place.
    fs::create_directories(rig.folder / "log/quorvane.log");
    const auto unread = rig.exportNow();
    ASSERT_FALSE(unread);
    EXPECT_EQ(unread.error().error().code, 0);
    EXPECT_EQ(unread.error().message(), QStringLiteral("Quorvane couldn't read its diagnostic log. Cannot open "
                                                       "quorvane.log: not a regular file."));
    EXPECT_EQ(contents(rig.file), "earlier export");
    EXPECT_EQ(std::distance(fs::directory_iterator(rig.folder.path()), fs::directory_iterator()), 2);
}

// A store that could not keep this process's entries, and cannot be read either, gives a file
// whose header says why it holds none.
TEST(Diagnostics, TheHeaderSaysWhyTheStoreKeptNothing) {
    StoreRig rig;
    const fs::path logFile = rig.folder / "log/quorvane.log";
    fs::create_directories(logFile);
    EXPECT_FALSE(rig.store.append(LogEntry{now - 1, ourPid, "app", LogLevel::defaultLevel, "Launched"}));
    ASSERT_EQ(*rig.exportNow(), 0);
    EXPECT_EQ(contents(rig.file), header0 + "Entries: 0\nLog store unusable: " + logFile.string() +
                                      " is a folder; entries go to standard error only\n---\n");
}

// Entries dropped while another process kept the store's folder locked are counted in the header.
TEST(Diagnostics, TheHeaderSaysHowManyEntriesALockedStoreDropped) {
    StoreRig rig;
    rig.add(now - 2, LogLevel::defaultLevel, "Launched");
    const int held = ::open((rig.folder / "log").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);
    const int tries = int(LogStore::maxWaitingBytes / 1000) + 100;
    const LogEntry entry{now - 1, ourPid, "app", LogLevel::defaultLevel, std::string(1000, 'x')};
    ASSERT_TRUE(rig.store.append(entry)) << "it waits for the lock";
    int dropped = 0;
    for (int i = 1; i < tries; ++i)
        dropped += !rig.store.append(entry);
    ::close(held);
    ASSERT_GT(dropped, 0);
    ASSERT_EQ(*rig.exportNow(), 1 + tries - dropped);
    EXPECT_NE(contents(rig.file).find("\nEntries: " + std::to_string(1 + tries - dropped) +
                                      "\nLog store locked: " + (rig.folder / "log").string() +
                                      " was locked by another process; " + std::to_string(dropped) +
                                      " entries were dropped and went to standard error only\n---\n"),
              std::string::npos)
        << contents(rig.file).substr(0, 600);
}

// Replacing a link of the user's (a dotfiles folder linked into place) writes its target, in its
// folder and with its permissions, and keeps the link; a link that leads nowhere gives way to the
// file.
TEST(Diagnostics, ExportingOverALinkReplacesItsTargetAndKeepsTheLink) {
    StoreRig rig;
    const fs::path target = rig.folder / "dotfiles/diagnostics.txt";
    fs::create_directories(target.parent_path());
    std::ofstream(target) << "earlier export";
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink("dotfiles/diagnostics.txt", rig.file);
    ASSERT_EQ(*rig.exportNow(), 0);
    EXPECT_TRUE(fs::is_symlink(rig.file));
    EXPECT_EQ(contents(target), header0 + "Entries: 0\n---\n");
    EXPECT_EQ(fs::status(target).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(std::distance(fs::directory_iterator(target.parent_path()), fs::directory_iterator()), 1);

    fs::remove(target);
    ASSERT_EQ(*rig.exportNow(), 0);
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(rig.file)));
    EXPECT_FALSE(fs::exists(target));
}

// The exporter asks for the place, reports progress and outcome in its message off the GUI
// thread, and leaves everything as it was when the user cancels.
TEST(DiagnosticsExporter, ReportsProgressAndOutcomeAndIgnoresACancel) {
    StoreRig rig;
    test::LogLines log("app");
    std::optional<QString> answer;
    FileRequest asked;
    DiagnosticsExporter exporter(rig.store, since);
    exporter.clock = [] { return now; };
    exporter.facts = [] { return facts; };
    exporter.chooser = [&](const FileRequest& request, std::function<void(std::optional<QString>)> done) {
        asked = request;
        done(answer);
    };
    int completions = 0;
    exporter.exportPanel(nullptr, [&] { ++completions; });
    EXPECT_EQ(asked.kind, FileRequest::Kind::replaceableFile);
    EXPECT_EQ(asked.proposedName, QStringLiteral("QuorvaneShot-Diagnostics.txt"));
    EXPECT_EQ(exporter.message(), QString());

    answer = pathOf(rig.file);
    exporter.exportPanel(nullptr, [&] { ++completions; });
    EXPECT_EQ(exporter.message(), QStringLiteral("Exporting diagnostics…"));
    ASSERT_TRUE(test::waitUntil([&] { return completions == 1; }));
    EXPECT_EQ(exporter.message(), QStringLiteral("Exported 0 log entries to QuorvaneShot-Diagnostics.txt."));
    EXPECT_EQ(log.count("Diagnostics exported: 0 entries"), 1);
    EXPECT_EQ(log.count("Diagnostics exported entries=0"), 1);

    exporter.exportTo(pathOf(rig.folder / "missing/folder.txt"), now, [&] { ++completions; });
    ASSERT_TRUE(test::waitUntil([&] { return completions == 2; }));
    EXPECT_EQ(exporter.message(), QStringLiteral("Diagnostics export failed: Quorvane couldn't save the diagnostics "
                                                 "file. No such file or directory."));
    EXPECT_EQ(
        log.count("Diagnostics export failed: Quorvane.Diagnostics 1 (Quorvane couldn't save the diagnostics "
                  "file. No such file or directory)"),
        1);
}

} // namespace
} // namespace quorvane
