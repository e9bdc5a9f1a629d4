#include "support/XvfbServer.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>
#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

namespace quorvane::test {
namespace {

void terminate(pid_t& pid) {
    if (pid <= 0) return;
    ::kill(pid, SIGTERM);
    for (int i = 0; i < 100; ++i) {
        if (::waitpid(pid, nullptr, WNOHANG) == pid) {
            pid = -1;
            return;
        }
        ::usleep(10'000);
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    pid = -1;
}

// The names of the root window's properties; with `keep`, those not in it are deleted.
std::vector<std::string> rootProperties(const QString& display,
                                        const std::vector<std::string>* keep = nullptr) {
    std::vector<std::string> names;
    xcb_connection_t* c = xcb_connect(display.toUtf8().constData(), nullptr);
    if (xcb_connection_has_error(c) != 0) {
        xcb_disconnect(c);
        return names;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    if (auto* list = xcb_list_properties_reply(c, xcb_list_properties(c, root), nullptr)) {
        const xcb_atom_t* atoms = xcb_list_properties_atoms(list);
        for (int i = 0; i < xcb_list_properties_atoms_length(list); ++i) {
            auto* name = xcb_get_atom_name_reply(c, xcb_get_atom_name(c, atoms[i]), nullptr);
            if (name == nullptr) continue;
            names.emplace_back(xcb_get_atom_name_name(name), xcb_get_atom_name_name_length(name));
            std::free(name);
            if (keep != nullptr && std::find(keep->begin(), keep->end(), names.back()) == keep->end())
                xcb_delete_property(c, root, atoms[i]);
        }
        std::free(list);
    }
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    xcb_disconnect(c);
    return names;
}

} // namespace

XvfbServer::~XvfbServer() {
    stop();
}

bool XvfbServer::start(int width, int height, const std::vector<std::string>& arguments) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) return false;
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    const std::string fd = std::to_string(pipeFds[1]);
    std::vector<std::string> command = {"Xvfb", "-displayfd", fd,  "-noreset", "-nolisten",
                                        "tcp",  "-screen",    "0", screen};
    command.insert(command.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& argument : command)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    server_ = ::fork();
    if (server_ == 0) {
        ::close(pipeFds[0]);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
        // -displayfd lets the server pick a free display and tell us its number.
        ::execvp("Xvfb", argv.data());
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    if (server_ < 0) {
        ::close(pipeFds[0]);
        return false;
    }
    std::string number;
    char c;
    while (::read(pipeFds[0], &c, 1) == 1 && c != '\n')
        number += c;
    ::close(pipeFds[0]);
    if (number.empty()) {
        terminate(server_);
        return false;
    }
    display_ = QStringLiteral(":") + QString::fromStdString(number);
    return true;
}

void XvfbServer::stop() {
    stopWindowManager();
    terminate(server_);
}

int XvfbServer::run(const QString& program, const QStringList& arguments, QString* output,
                    int timeoutMs) const {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), display_);
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return -1;
    }
    if (output != nullptr) *output = QString::fromUtf8(process.readAllStandardOutput());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

bool XvfbServer::startWindowManager() {
    if (windowManager_ > 0) return true;
    rootProperties_ = rootProperties(display_);
    const std::string display = display_.toStdString();
    windowManager_ = ::fork();
    if (windowManager_ == 0) {
        ::setenv("DISPLAY", display.c_str(), 1);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
        ::execlp("openbox", "openbox", "--sm-disable", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    if (windowManager_ < 0) return false;
    // The window manager announces itself on the root window before it is ready: a window
    // mapped during its start-up can stay unmanaged and unmapped for good. Ready means that it
    // manages a probe window.
    for (int attempt = 0; attempt < 40; ++attempt) {
        QString check;
        if (run(QStringLiteral("xprop"),
                {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")}, &check) != 0 ||
            !check.contains(QStringLiteral("window id"))) {
            QThread::msleep(25);
            continue;
        }
        QProcess probe;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), display_);
        probe.setProcessEnvironment(environment);
        probe.start(QStringLiteral("xmessage"),
                    {QStringLiteral("-name"), QStringLiteral("quorvane-wm-probe"), QStringLiteral("probe")});
        bool managed = false;
        for (int i = 0; i < 20 && !managed; ++i) {
            QString window, clients;
            if (run(QStringLiteral("xdotool"),
                    {QStringLiteral("search"), QStringLiteral("--classname"),
                     QStringLiteral("quorvane-wm-probe")},
                    &window) == 0 &&
                run(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_CLIENT_LIST")},
                    &clients) == 0) {
                const QString id = QStringLiteral("0x") + QString::number(window.trimmed().toULongLong(), 16);
                managed = !window.trimmed().isEmpty() && clients.contains(id);
            }
            if (!managed) QThread::msleep(25);
        }
        probe.kill();
        probe.waitForFinished();
        if (managed) return true;
    }
    return false;
}

void XvfbServer::stopWindowManager() {
    if (windowManager_ <= 0) return;
    terminate(windowManager_);
    // Openbox leaves its client lists, desktops and work area, which clients would go on reading.
    rootProperties(display_, &rootProperties_);
}

XvfbServer& x11Server() {
    static XvfbServer server;
    return server;
}

} // namespace quorvane::test
