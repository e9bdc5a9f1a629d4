#include "platform/AutostartLoginItem.h"

#include "platform/DesktopEntry.h"
#include "support/ResultPrinters.h"
#include "support/TempDir.h"

#include <QFile>
#include <QProcess>
#include <cerrno>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace quorvane {
namespace {

namespace fs = std::filesystem;
using Status = LoginItemService::Status;

QString pathOf(const fs::path& path) {
    return QString::fromStdString(path.string());
}

// desktop-file-validate's verdict: empty when the entry is valid.
QString validationProblems(const QString& entry) {
    QProcess validator;
    validator.setProcessChannelMode(QProcess::MergedChannels);
    validator.start(QStringLiteral("desktop-file-validate"), {entry});
    if (!validator.waitForFinished(10000)) return QStringLiteral("desktop-file-validate did not run");
    const QString output = QString::fromUtf8(validator.readAll());
    return validator.exitCode() == 0 && output.trimmed().isEmpty() ? QString() : output;
}

struct AutostartRig {
    test::TempDir home;
    fs::path folder = home / "config/autostart";
    fs::path entry = folder / AutostartLoginItem::entryName;
    fs::path program = home / "bin/quorvane";

    AutostartRig() { makeProgram(program); }
    // An executable file, as a program is.
    static void makeProgram(const fs::path& path) {
        fs::create_directories(path.parent_path());
        std::ofstream(path) << "#!/bin/sh\n";
        fs::permissions(path, fs::perms::owner_all);
    }
    // The Exec line that starts the program.
    std::string exec() const {
        return "Exec=" + DesktopEntry::execLine(pathOf(program))->toStdString() + "\n";
    }
    AutostartLoginItem item(const PosixFile::Calls& calls = PosixFile::Calls::system()) const {
        return AutostartLoginItem(pathOf(folder), pathOf(program), calls);
    }
    void writeEntry(const std::string& text) const {
        fs::create_directories(folder);
        std::ofstream(entry) << text;
    }
};

// What stands in the entry's place decides the status, read without ever blocking (a FIFO) or
// following a link; a missing program makes the item one that cannot be found.
TEST(AutostartLoginItem, ReadsTheStatusFromWhatStandsInTheEntrysPlace) {
    AutostartRig rig;
    EXPECT_EQ(rig.item().status(), Status::notRegistered);
    rig.writeEntry("[Desktop Entry]\nType=Application\nName=Quorvane\n" + rig.exec());
    EXPECT_EQ(rig.item().status(), Status::enabled);
    rig.writeEntry("[Desktop Entry]\nType=Application\nHidden=true\n" + rig.exec());
    EXPECT_EQ(rig.item().status(), Status::notRegistered);
    rig.writeEntry("[Desktop Entry]\nType=Application\nX-GNOME-Autostart-enabled=false\n" + rig.exec());
    EXPECT_EQ(rig.item().status(), Status::notRegistered);
    // Only the main group speaks for the entry.
    rig.writeEntry("[Desktop Entry]\nType=Application\n" + rig.exec() + "[Desktop Action x]\nHidden=true\n");
    EXPECT_EQ(rig.item().status(), Status::enabled);

    fs::remove(rig.entry);
    ASSERT_EQ(::mkfifo(rig.entry.c_str(), 0600), 0);
    EXPECT_EQ(rig.item().status(), Status::unavailable);
    fs::remove(rig.entry);
    fs::create_directory(rig.entry);
    EXPECT_EQ(rig.item().status(), Status::unavailable);
    fs::remove(rig.entry);
    fs::create_symlink(rig.program, rig.entry);
    EXPECT_EQ(rig.item().status(), Status::unavailable);
    fs::remove(rig.entry);

    EXPECT_EQ(AutostartLoginItem(pathOf(rig.folder), pathOf(rig.home / "gone"), PosixFile::Calls::system()).status(),
              Status::notFound);
}

// Switching on writes a valid entry that runs this program (whatever its path holds), replacing
// one the desktop switched off; switching off removes it.
TEST(AutostartLoginItem, WritesAValidEntryForAnyProgramPathAndRemovesIt) {
    AutostartRig rig;
    rig.writeEntry("[Desktop Entry]\nType=Application\nHidden=true\n");
    for (const char* name : {"quorvane", "My Apps/100% \"quoted\"/quorvane"}) {
        rig.program = rig.home / "bin" / name;
        AutostartRig::makeProgram(rig.program);
        AutostartLoginItem item = rig.item();
        ASSERT_TRUE(item.registerItem().ok()) << name;
        EXPECT_EQ(item.status(), Status::enabled);
        EXPECT_EQ(validationProblems(pathOf(rig.entry)), QString()) << name;
        QFile written(pathOf(rig.entry));
        ASSERT_TRUE(written.open(QIODevice::ReadOnly));
        EXPECT_TRUE(written.readAll().contains("Exec=env OMP_THREAD_LIMIT=1 "));
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(rig.folder), fs::directory_iterator()), 1);
    AutostartLoginItem item = rig.item();
    EXPECT_TRUE(item.unregisterItem().ok());
    EXPECT_FALSE(fs::exists(rig.entry));
    EXPECT_EQ(item.status(), Status::notRegistered);
    EXPECT_TRUE(item.unregisterItem().ok());
}

// An entry that would start no Quorvane counts as off: no Exec line, a program that is gone, not
// executable or another one. Reached through a link or the search path, this program counts;
// switching on writes the entry anew.
TEST(AutostartLoginItem, AnEntryThatStartsAnotherProgramOrNoneIsOff) {
    AutostartRig rig;
    const std::string head = "[Desktop Entry]\nType=Application\nName=Quorvane\n";
    const fs::path other = rig.home / "old build/quorvane";
    AutostartRig::makeProgram(other);
    const fs::path plain = rig.home / "bin/plain";
    std::ofstream(plain) << "#!/bin/sh\n";
    fs::create_symlink(rig.program, rig.home / "linked");
    const auto exec = [](const fs::path& program) {
        return "Exec=" + DesktopEntry::execLine(pathOf(program))->toStdString() + "\n";
    };
    const struct {
        const char* name;
        std::string lines;
        Status status;
    } cases[] = {
        {"no Exec line", "", Status::notRegistered},
        {"an empty one", "Exec=\n", Status::notRegistered},
        {"an open quote", "Exec=\"" + pathOf(rig.program).toStdString() + "\n", Status::notRegistered},
        {"a program that is gone", exec(rig.home / "gone/quorvane"), Status::notRegistered},
        {"another program", exec(other), Status::notRegistered},
        {"a file that does not run", exec(plain), Status::notRegistered},
        {"env and nothing to run", "Exec=env OMP_THREAD_LIMIT=1\n", Status::notRegistered},
        {"a name not on the search path", "Exec=quorvane\n", Status::notRegistered},
        {"this program", exec(rig.program), Status::enabled},
        {"this program bare, with a field code", "Exec=" + pathOf(rig.program).toStdString() + " %U\n",
         Status::enabled},
        {"this program through a link", exec(rig.home / "linked"), Status::enabled},
    };
    for (const auto& c : cases) {
        rig.writeEntry(head + c.lines);
        EXPECT_EQ(rig.item().status(), c.status) << c.name;
    }

    // A bare name counts where the search path finds this program.
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(pathOf(rig.program.parent_path())) + ':' + path);
    rig.writeEntry(head + "Exec=quorvane\n");
    EXPECT_EQ(rig.item().status(), Status::enabled);
    qputenv("PATH", path);

    rig.writeEntry(head + exec(other));
    AutostartLoginItem item = rig.item();
    ASSERT_EQ(item.status(), Status::notRegistered);
    ASSERT_TRUE(item.registerItem().ok());
    EXPECT_EQ(item.status(), Status::enabled);
}

// A missing autostart folder is made private; one that is a file, a full disk or a program path
// no entry can carry fail with their reason and leave no entry, whole or partial.
TEST(AutostartLoginItem, FailsWithAReasonAndLeavesNoPartialEntry) {
    AutostartRig rig;
    ASSERT_TRUE(rig.item().registerItem().ok());
    EXPECT_EQ(fs::status(rig.folder).permissions() & fs::perms::all, fs::perms::owner_all);
    fs::remove_all(rig.folder);

    struct FullDisk : PosixFile::Calls {
        ssize_t write(int, const void*, size_t) const override {
            errno = ENOSPC;
            return -1;
        }
    } full;
    EXPECT_EQ(rig.item(full).registerItem(), Failure{PosixFile::error(ENOSPC)});
    EXPECT_TRUE(fs::is_empty(rig.folder));

    fs::remove(rig.folder);
    std::ofstream(rig.folder) << "not a folder";
    EXPECT_EQ(rig.item().status(), Status::notRegistered);
    EXPECT_EQ(rig.item().registerItem(), Failure{PosixFile::error(ENOTDIR)});
    fs::remove(rig.folder);

    const auto refused =
        AutostartLoginItem(pathOf(rig.folder), QStringLiteral("/opt/line\nbreak/q"), PosixFile::Calls::system())
            .registerItem();
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.error().domain, QStringLiteral("Quorvane.DesktopEntry"));
    EXPECT_FALSE(fs::exists(rig.entry));
}

} // namespace
} // namespace quorvane
