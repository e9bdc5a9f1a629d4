#include "app/LaunchAtLogin.h"

#include "platform/AutostartLoginItem.h"
#include "platform/DesktopEntry.h"
#include "support/LogLines.h"
#include "support/TempDir.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace quorvane {
namespace {

namespace fs = std::filesystem;
using Kind = LaunchAtLogin::Status::Kind;
using Service = LoginItemService::Status;

// A login item service in any state, including the approval step no X11 desktop has; it counts
// the calls and fails them on request.
struct FakeLoginItem : LoginItemService {
    Service state = Service::notRegistered;
    Service afterRegister = Service::enabled;
    std::optional<Error> failure;
    int registers = 0, unregisters = 0;

    Status status() const override { return state; }
    QString program() const override { return QStringLiteral("/usr/bin/quorvane"); }
    Result<void, Error> registerItem() override {
        ++registers;
        if (failure) return Failure{*failure};
        state = afterRegister;
        return {};
    }
    Result<void, Error> unregisterItem() override {
        ++unregisters;
        if (failure) return Failure{*failure};
        state = Service::notRegistered;
        return {};
    }
};

const QStringList temporary = {QStringLiteral("/tmp"), QStringLiteral("/var/tmp")};
const QString installed = QStringLiteral("/usr/bin/quorvane");
const QString inTemp = QStringLiteral("/tmp/build/quorvane");

// Installed, the service's state shows as it is; from a temporary folder only an item that is
// already on shows as on (so it can still be switched off), everything else as unavailable.
TEST(LaunchAtLogin, ShowsTheServicesStateUnlessTheProgramRunsFromATemporaryFolder) {
    const struct {
        Service service;
        LaunchAtLogin::Status installed, temporary;
    } table[] = {
        {Service::notRegistered, {Kind::disabled, {}}, LaunchAtLogin::Status::unavailable(LaunchAtLogin::notInstalledText)},
        {Service::enabled, {Kind::enabled, {}}, {Kind::enabled, {}}},
        {Service::requiresApproval, {Kind::requiresApproval, {}}, {Kind::requiresApproval, {}}},
        {Service::notFound, LaunchAtLogin::Status::unavailable(LaunchAtLogin::notFoundText),
         LaunchAtLogin::Status::unavailable(LaunchAtLogin::notInstalledText)},
        {Service::unavailable, LaunchAtLogin::Status::unavailable(LaunchAtLogin::notAvailableText),
         LaunchAtLogin::Status::unavailable(LaunchAtLogin::notInstalledText)},
    };
    for (const auto& row : table) {
        FakeLoginItem service;
        service.state = row.service;
        EXPECT_EQ(LaunchAtLogin(service, installed, temporary).status(), row.installed) << int(row.service);
        EXPECT_EQ(LaunchAtLogin(service, inTemp, temporary).status(), row.temporary) << int(row.service);
    }
    EXPECT_EQ(LaunchAtLogin::notInstalledText,
              QStringLiteral("Move Quorvane out of the temporary folder to launch it at login."));
}

// "Under" a folder means inside it, at any depth, with links resolved on both sides.
TEST(LaunchAtLogin, CountsAProgramUnderATemporaryFolderAsNotInstalled) {
    test::TempDir root;
    fs::create_directories(root / "tmp/deep/er");
    fs::create_directories(root / "tmpOld");
    fs::create_directories(root / "opt");
    fs::create_directory_symlink(root / "tmp", root / "opt/link");
    for (const char* program : {"tmp/deep/er/quorvane", "tmpOld/quorvane", "opt/quorvane", "tmp/quorvane"})
        std::ofstream(root / program) << "#!/bin/sh\n";
    const QString tmp = QString::fromStdString((root / "tmp").string());
    const QString rootPath = QString::fromStdString(root.path().string());
    for (const auto& [program, isInstalled] :
         {std::pair{QStringLiteral("/tmp/deep/er/quorvane"), false}, {QStringLiteral("/tmpOld/quorvane"), true},
          {QStringLiteral("/opt/link/quorvane"), false}, {QStringLiteral("/opt/quorvane"), true}})
        EXPECT_EQ(LaunchAtLogin::isInstalled(rootPath + program, {tmp}), isInstalled) << program.toStdString();
    // A temporary folder reached through a link is the folder it names.
    EXPECT_FALSE(LaunchAtLogin::isInstalled(tmp + QStringLiteral("/quorvane"),
                                            {rootPath + QStringLiteral("/opt/link")}));
    EXPECT_TRUE(LaunchAtLogin::temporaryFolders().contains(QStringLiteral("/dev/shm")));
}

TEST(LaunchAtLogin, SwitchesOnlyWhatNeedsSwitchingAndSaysWhyASwitchFailed) {
    test::LogLines log("app");
    FakeLoginItem service;
    LaunchAtLogin login(service, installed, temporary);
    int statusChanges = 0;
    QObject::connect(&login, &LaunchAtLogin::statusChanged, [&] { ++statusChanges; });

    // Unchanged, nothing is published.
    login.refresh();
    EXPECT_EQ(statusChanges, 0);

    login.setEnabled(true);
    EXPECT_EQ(service.registers, 1);
    EXPECT_TRUE(login.isEnabled());
    EXPECT_EQ(statusChanges, 1);
    // Already on: the desktop is asked nothing, yet the switch is logged.
    login.setEnabled(true);
    EXPECT_EQ(service.registers, 1);
    EXPECT_EQ(login.message(), QString());
    EXPECT_EQ(log.count("Launch at login enabled=true"), 2);

    service.failure = Error{QStringLiteral("POSIX"), 28, QStringLiteral("No space left on device.")};
    login.setEnabled(false);
    EXPECT_TRUE(login.isEnabled());
    EXPECT_EQ(login.message(), QStringLiteral("Couldn't turn off launch at login: No space left on device."));
    EXPECT_EQ(
        log.count("Launch at login failed enabled=false domain=POSIX code=28 (No space left on device)"), 1);
    service.failure.reset();
    login.setEnabled(false);
    EXPECT_EQ(login.status().kind, Kind::disabled);
    EXPECT_EQ(login.message(), QString());

    // A desktop that asks the user first leaves the item on, waiting.
    service.afterRegister = Service::requiresApproval;
    login.setEnabled(true);
    EXPECT_TRUE(login.isEnabled());
    EXPECT_EQ(login.message(), QStringLiteral("Allow Quorvane in your desktop's startup applications settings."));

    // From a temporary folder switching on is refused before the desktop is asked.
    FakeLoginItem untouched;
    LaunchAtLogin moved(untouched, inTemp, temporary);
    moved.setEnabled(true);
    EXPECT_EQ(untouched.registers, 0);
    EXPECT_EQ(moved.message(), LaunchAtLogin::notInstalledText);
    EXPECT_FALSE(moved.isEnabled());
    // …but an item left on can be switched off.
    untouched.state = Service::enabled;
    moved.refresh();
    moved.setEnabled(false);
    EXPECT_EQ(untouched.unregisters, 1);
}

// An autostart entry left by a build that is gone starts no Quorvane: it shows as off (no "opens at
// login"), and switching on writes it anew for this program.
TEST(LaunchAtLogin, ADeadAutostartEntryShowsAsOffAndSwitchingOnRewritesIt) {
    test::TempDir home;
    const fs::path program = home / "bin/quorvane";
    fs::create_directories(program.parent_path());
    std::ofstream(program) << "#!/bin/sh\n";
    fs::permissions(program, fs::perms::owner_all);
    const fs::path folder = home / "autostart";
    fs::create_directories(folder);
    const QString gone = QString::fromStdString((home / "old build/quorvane").string());
    std::ofstream(folder / AutostartLoginItem::entryName)
        << (*AutostartLoginItem::entryText(gone)).toStdString();

    AutostartLoginItem item(QString::fromStdString(folder.string()),
                            QString::fromStdString(program.string()));
    LaunchAtLogin login(item, QString::fromStdString(program.string()), {});
    EXPECT_EQ(login.status().kind, Kind::disabled);
    EXPECT_FALSE(login.isEnabled());
    login.setEnabled(true);
    EXPECT_EQ(login.status().kind, Kind::enabled);
    std::ifstream written(folder / AutostartLoginItem::entryName);
    std::ostringstream read;
    read << written.rdbuf();
    const std::string text = read.str();
    EXPECT_NE(text.find(DesktopEntry::execLine(QString::fromStdString(program.string()))->toStdString()),
              std::string::npos);
    EXPECT_EQ(text.find("old build"), std::string::npos);
}

} // namespace
} // namespace quorvane
