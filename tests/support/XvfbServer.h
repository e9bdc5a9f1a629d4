#pragma once

#include <QString>
#include <string>
#include <sys/types.h>
#include <vector>

namespace quorvane::test {

// A private X server (Xvfb -noreset) for one test process, optionally with openbox as window
// manager. Stopped with the object.
class XvfbServer {
public:
    XvfbServer() = default;
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    // Starts Xvfb on a free display with one screen of the given size and any further server
    // arguments (say "-extension", "Composite"); false when it cannot.
    bool start(int width = 1920, int height = 1080, const std::vector<std::string>& arguments = {});
    void stop();

    // ":N"
    const QString& display() const { return display_; }

    // Starts openbox and waits until it manages the screen.
    bool startWindowManager();
    // Stops it, and takes away what it left on the root window.
    void stopWindowManager();

    // Runs an X client (xdotool, xrandr, xprop…) against this server; returns its exit code, or
    // -1 when it could not run or took longer than `timeoutMs`.
    int run(const QString& program, const QStringList& arguments, QString* output = nullptr,
            int timeoutMs = 10000) const;

private:
    pid_t server_ = -1;
    pid_t windowManager_ = -1;
    // The root window's properties before the window manager set its own.
    std::vector<std::string> rootProperties_;
    QString display_;
};

// The server of the running x11 test program.
XvfbServer& x11Server();

// Openbox on that server for as long as it lives, however the test that holds it ends.
class WindowManagerInTest {
public:
    WindowManagerInTest() : started_(x11Server().startWindowManager()) {}
    ~WindowManagerInTest() { x11Server().stopWindowManager(); }
    WindowManagerInTest(const WindowManagerInTest&) = delete;
    WindowManagerInTest& operator=(const WindowManagerInTest&) = delete;
    bool started() const { return started_; }

private:
    bool started_;
};

} // namespace quorvane::test
