#pragma once

// xsettingsd, the XSETTINGS manager of desktops without a settings daemon of their own, on the
// test's X server, serving lines of "Name value" until it ends.

#include "support/TempDir.h"
#include "support/XvfbServer.h"

#include <QProcess>
#include <csignal>
#include <fstream>
#include <string>

namespace quorvane::test {

class SettingsDaemon {
public:
    SettingsDaemon() = default;
    ~SettingsDaemon() {
        if (process_.state() != QProcess::NotRunning) stop();
    }
    SettingsDaemon(const SettingsDaemon&) = delete;
    SettingsDaemon& operator=(const SettingsDaemon&) = delete;

    bool start(const std::string& settings) {
        write(settings);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), x11Server().display());
        process_.setProcessEnvironment(environment);
        process_.start(QStringLiteral("xsettingsd"), {QStringLiteral("-c"), QString::fromStdString(config().string())});
        return process_.waitForStarted();
    }
    // Changes what it serves, as a settings tool does: a new file, then SIGHUP.
    void serve(const std::string& settings) {
        write(settings);
        ::kill(static_cast<pid_t>(process_.processId()), SIGHUP);
    }
    void stop() {
        process_.terminate();
        process_.waitForFinished();
    }

private:
    std::filesystem::path config() const { return folder_ / "xsettingsd.conf"; }
    // Whole or not at all: a manager reading a half-written file keeps what it served before.
    void write(const std::string& settings) {
        const std::filesystem::path next = folder_ / "xsettingsd.conf.next";
        std::ofstream(next) << settings;
        std::filesystem::rename(next, config());
    }

    TempDir folder_;
    QProcess process_;
};

} // namespace quorvane::test
