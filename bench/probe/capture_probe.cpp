// Times captures from outside, the way a person starts them: a hot key pressed through XTest on
// one X connection kept open (no process started per press), until a new PNG is complete in a
// folder, and whole runs of other screenshot programs, in the same clock.
//
// Reads commands from standard input, one a line, and answers each with one line:
//   watch FOLDER      later presses wait for a new *.png there (a save links it into place)
//   press KEYS        e.g. ctrl+alt+super+3; answers the milliseconds until the file is there
//   run PROGRAM ARGS  answers the milliseconds the program ran
//   stamp             answers the monotonic clock in nanoseconds
// A line that cannot be served answers "error …".

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iostream>
#include <map>
#include <memory>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

extern char** environ;

namespace {

std::int64_t now() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return std::int64_t{t.tv_sec} * 1'000'000'000 + t.tv_nsec;
}

std::string milliseconds(std::int64_t nanoseconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", double(nanoseconds) / 1e6);
    return text;
}

class Keyboard {
public:
    explicit Keyboard(xcb_connection_t* c) : c_(c) {
        const xcb_setup_t* setup = xcb_get_setup(c);
        const auto first = setup->min_keycode, count = std::uint8_t(setup->max_keycode - first + 1);
        auto* reply = xcb_get_keyboard_mapping_reply(c, xcb_get_keyboard_mapping(c, first, count), nullptr);
        if (reply == nullptr) return;
        const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(reply);
        for (int code = 0; code < count; ++code)
            for (int level = 0; level < reply->keysyms_per_keycode; ++level) {
                const xcb_keysym_t sym = syms[code * reply->keysyms_per_keycode + level];
                if (sym != 0 && codes_.find(sym) == codes_.end()) codes_[sym] = std::uint8_t(first + code);
            }
        std::free(reply);
    }

    // "ctrl+alt+super+3" pressed in order and released backwards; false for an unknown key.
    bool press(const std::string& combination) {
        std::vector<std::uint8_t> keys;
        std::stringstream parts(combination);
        for (std::string part; std::getline(parts, part, '+');) {
            const std::uint8_t code = codeOf(part);
            if (code == 0) return false;
            keys.push_back(code);
        }
        for (const auto key : keys)
            xcb_test_fake_input(c_, XCB_KEY_PRESS, key, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        for (auto it = keys.rbegin(); it != keys.rend(); ++it)
            xcb_test_fake_input(c_, XCB_KEY_RELEASE, *it, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_flush(c_);
        return true;
    }

private:
    std::uint8_t codeOf(const std::string& name) const {
        static const std::map<std::string, xcb_keysym_t> named = {
            {"ctrl", 0xffe3}, {"alt", 0xffe9}, {"super", 0xffeb}, {"shift", 0xffe1}};
        xcb_keysym_t sym = 0;
        if (const auto found = named.find(name); found != named.end())
            sym = found->second;
        else if (name.size() == 1)
            sym = xcb_keysym_t(static_cast<unsigned char>(name[0]));
        const auto code = codes_.find(sym);
        return code == codes_.end() ? 0 : code->second;
    }

    xcb_connection_t* c_;
    std::map<xcb_keysym_t, std::uint8_t> codes_;
};

// Waits for a name ending in ".png" and not starting with "." to appear in the watched folder.
class FolderWatch {
public:
    FolderWatch() : fd_(inotify_init1(IN_CLOEXEC | IN_NONBLOCK)) {}
    ~FolderWatch() { close(fd_); }

    bool watch(const std::string& folder) {
        if (watch_ >= 0) inotify_rm_watch(fd_, watch_);
        watch_ = inotify_add_watch(fd_, folder.c_str(), IN_CREATE | IN_MOVED_TO);
        return watch_ >= 0;
    }
    void drain() {
        char buffer[4096];
        while (read(fd_, buffer, sizeof buffer) > 0) {
        }
    }
    bool waitForPng(int timeoutMs) {
        const std::int64_t deadline = now() + std::int64_t{timeoutMs} * 1'000'000;
        alignas(inotify_event) char buffer[4096];
        while (now() < deadline) {
            pollfd entry{fd_, POLLIN, 0};
            if (poll(&entry, 1, int((deadline - now()) / 1'000'000) + 1) <= 0) continue;
            const ssize_t length = read(fd_, buffer, sizeof buffer);
            for (ssize_t offset = 0; offset < length;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + offset);
                const std::string name = event->len > 0 ? event->name : "";
                if (name.size() > 4 && name[0] != '.' && name.compare(name.size() - 4, 4, ".png") == 0)
                    return true;
                offset += ssize_t(sizeof(inotify_event) + event->len);
            }
        }
        return false;
    }

private:
    int fd_;
    int watch_ = -1;
};

std::string run(const std::vector<std::string>& command) {
    std::vector<char*> arguments;
    for (const auto& argument : command)
        arguments.push_back(const_cast<char*>(argument.c_str()));
    arguments.push_back(nullptr);
    const std::int64_t start = now();
    pid_t child = 0;
    if (posix_spawnp(&child, arguments[0], nullptr, nullptr, arguments.data(), environ) != 0)
        return "error cannot start " + command[0];
    int status = 0;
    waitpid(child, &status, 0);
    const std::int64_t elapsed = now() - start;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return "error " + command[0] + " failed";
    return milliseconds(elapsed);
}

} // namespace

int main() {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c) != 0) {
        std::cerr << "capture_probe: cannot reach the X server\n";
        return 1;
    }
    Keyboard keyboard(c);
    FolderWatch folder;
    for (std::string line; std::getline(std::cin, line);) {
        std::stringstream words(line);
        std::string command;
        words >> command;
        std::vector<std::string> rest;
        for (std::string word; words >> word;)
            rest.push_back(word);
        std::string answer;
        if (command == "watch" && rest.size() == 1) {
            answer = folder.watch(rest[0]) ? "ok" : "error cannot watch " + rest[0];
        } else if (command == "press" && rest.size() == 1) {
            folder.drain();
            const std::int64_t start = now();
            if (!keyboard.press(rest[0]))
                answer = "error unknown key in " + rest[0];
            else
                answer = folder.waitForPng(10'000) ? milliseconds(now() - start) : "error no file";
        } else if (command == "run" && !rest.empty()) {
            answer = run(rest);
        } else if (command == "stamp") {
            answer = std::to_string(now());
        } else {
            answer = "error " + line;
        }
        std::cout << answer << std::endl;
    }
    xcb_disconnect(c);
    return 0;
}
