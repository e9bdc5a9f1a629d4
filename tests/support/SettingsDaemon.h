#pragma once

// xsettingsd, the XSETTINGS manager of desktops without a settings daemon of their own, on the
// test's X server, serving lines of "Name value" until it ends.

#include "support/TempDir.h"
#include "support/WaitUntil.h"
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
        process_.setProcessChannelMode(QProcess::MergedChannels);
        process_.start(QStringLiteral("xsettingsd"), {QStringLiteral("-c"), QString::fromStdString(config().string())});
        return process_.waitForStarted();
    }
    // Changes what it serves, as a settings tool does: a new file, then SIGHUP; returns once the
    // manager has read it. xsettingsd takes a SIGHUP only on its next wake-up, so one that comes
    // just before it sleeps waits for an event that may never come: it is sent again until read.
    bool serve(const std::string& settings) {
        const qsizetype loaded = output().count("Loaded ");
        write(settings);
        for (int attempt = 0; attempt < 20; ++attempt) {
            ::kill(static_cast<pid_t>(process_.processId()), SIGHUP);
            if (waitUntil([&] { return output().count("Loaded ") > loaded; }, 500)) return true;
        }
        return false;
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

    // What it said so far ("Loaded 2 settings from …" for each reading of the file).
    const QByteArray& output() {
        output_ += process_.readAll();
        return output_;
    }

    TempDir folder_;
    QProcess process_;
    QByteArray output_;
};

} // namespace quorvane::test
