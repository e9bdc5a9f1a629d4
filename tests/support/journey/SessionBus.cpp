#include "support/journey/SessionBus.h"

#include "support/WaitUntil.h"
#include "support/journey/Program.h"

#include <QFile>
#include <filesystem>
#include <string>
#include <vector>

namespace quorvane::journey {
namespace {

// A session bus that can start the settings store, the accessibility bus and nothing else of the
// machine's services.
QString configuration(const std::filesystem::path& socket, const std::filesystem::path& services) {
    return QStringLiteral(R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:path=%1</listen>
  <auth>EXTERNAL</auth>
  <servicedir>%2</servicedir>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)")
        .arg(QString::fromStdString(socket.string()), QString::fromStdString(services.string()));
}

} // namespace

SessionBus::SessionBus(const Program& program, Accessibility accessibility)
    : environment_(program.environment()) {
    const std::filesystem::path socket = program.folder("runtime") / "bus";
    const std::filesystem::path services = program.folder("bus-services");
    std::filesystem::create_directories(services);
    std::vector<std::string> offered{"ca.desrt.dconf.service"};
    if (accessibility == Accessibility::on) offered.emplace_back("org.a11y.Bus.service");
    for (const std::string& service : offered)
        std::filesystem::copy_file("/usr/share/dbus-1/services/" + service, services / service,
                                   std::filesystem::copy_options::overwrite_existing);
    const std::filesystem::path config = program.folder("bus.conf");
    QFile file(QString::fromStdString(config.string()));
    if (!file.open(QIODevice::WriteOnly)) return;
    file.write(configuration(socket, services).toUtf8());
    file.close();
    // The store it starts keeps its settings in the program's own configuration folder.
    daemon_.setProcessEnvironment(environment_);
    daemon_.start(QStringLiteral("dbus-daemon"),
                  {QStringLiteral("--nofork"), QStringLiteral("--config-file=") + QString::fromStdString(config.string())});
    running_ = daemon_.waitForStarted() &&
               test::waitUntil([&] { return std::filesystem::exists(socket); }, 10000);
    if (running_ && accessibility == Accessibility::on) {
        // The launcher reads the setting when it starts; asking it for its bus starts it.
        running_ = set(QStringLiteral("org.gnome.desktop.interface"), QStringLiteral("toolkit-accessibility"),
                       QStringLiteral("true"));
        QProcess address;
        address.setProcessEnvironment(environment_);
        address.start(QStringLiteral("gdbus"),
                      {QStringLiteral("call"), QStringLiteral("--session"), QStringLiteral("--dest"),
                       QStringLiteral("org.a11y.Bus"), QStringLiteral("--object-path"),
                       QStringLiteral("/org/a11y/bus"), QStringLiteral("--method"),
                       QStringLiteral("org.a11y.Bus.GetAddress")});
        running_ = running_ && address.waitForFinished(test::bound(10000)) &&
                   address.exitStatus() == QProcess::NormalExit && address.exitCode() == 0;
    }
}

SessionBus::~SessionBus() {
    if (daemon_.state() == QProcess::NotRunning) return;
    daemon_.terminate();
    daemon_.waitForFinished();
}

bool SessionBus::set(const QString& schema, const QString& key, const QString& value) {
    QProcess gsettings;
    gsettings.setProcessEnvironment(environment_);
    gsettings.start(QStringLiteral("gsettings"), {QStringLiteral("set"), schema, key, value});
    return gsettings.waitForFinished(test::bound(10000)) && gsettings.exitStatus() == QProcess::NormalExit &&
           gsettings.exitCode() == 0;
}

} // namespace quorvane::journey
