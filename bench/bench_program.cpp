// The whole program as its own process under a private Xvfb: a later process forwarding a link
// (from its start to the running program having the link parsed; median of 50), and the area hot
// key to the area picker showing its frozen image at 1920 × 1080 and 3840 × 2160 (median of 20).

#include "CaptureBench.h"
#include "support/TempDir.h"
#include "support/XvfbServer.h"

#include <benchmark/benchmark.h>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

extern char** environ;

namespace {

using namespace quorvane;
using namespace quorvane::bench;
using namespace std::chrono_literals;

// The environment of a program on `display` with private folders under `home`.
std::vector<std::string> environmentFor(const QString& display, const std::filesystem::path& home) {
    std::vector<std::string> variables;
    for (char** variable = environ; *variable != nullptr; ++variable) {
        const std::string_view text(*variable);
        if (!text.starts_with("DISPLAY=") && !text.starts_with("HOME=") && !text.starts_with("XDG_") &&
            !text.starts_with("QT_QPA_PLATFORM="))
            variables.emplace_back(text);
    }
    variables.push_back("DISPLAY=" + display.toStdString());
    variables.push_back("HOME=" + home.string());
    for (const char* name : {"CONFIG", "STATE", "CACHE", "RUNTIME"}) {
        const auto folder = home / name;
        std::filesystem::create_directories(folder);
        std::filesystem::permissions(folder, std::filesystem::perms::owner_all);
        variables.push_back(std::string("XDG_") + name + (std::string_view(name) == "RUNTIME" ? "_DIR=" : "_HOME=") +
                            folder.string());
    }
    return variables;
}

// Starts the program with `arguments`; its standard output and error go to `output` (or nowhere).
pid_t spawn(const std::vector<std::string>& environment, const std::vector<std::string>& arguments, int output) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (output >= 0) {
        posix_spawn_file_actions_adddup2(&actions, output, 1);
        posix_spawn_file_actions_adddup2(&actions, output, 2);
    } else {
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    }
    std::vector<char*> argv{const_cast<char*>(QUORVANE_PROGRAM)};
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& variable : environment)
        envp.push_back(const_cast<char*>(variable.c_str()));
    envp.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, QUORVANE_PROGRAM, &actions, nullptr, argv.data(), envp.data()) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// The resident program, its log read as it arrives.
class Running {
public:
    explicit Running(const QString& display) : environment_(environmentFor(display, home_.path())) {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0) return;
        pid_ = spawn(environment_, {}, ends[1]);
        ::close(ends[1]);
        log_ = ends[0];
    }
    ~Running() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
        if (log_ >= 0) ::close(log_);
    }
    const std::vector<std::string>& environment() const { return environment_; }
    std::size_t mark() {
        read(0ms);
        return text_.size();
    }
    // When `line` was first seen after `since`; none if it did not come in time.
    std::optional<Clock::time_point> waitFor(const std::string& line, std::size_t since,
                                             std::chrono::milliseconds timeout = 10s) {
        const auto end = Clock::now() + timeout;
        while (text_.find(line, since) == std::string::npos) {
            if (Clock::now() > end || !read(std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now())))
                return std::nullopt;
        }
        return Clock::now();
    }

private:
    bool read(std::chrono::milliseconds wait) {
        pollfd ready{log_, POLLIN, 0};
        if (::poll(&ready, 1, int(wait.count())) <= 0) return wait.count() == 0;
        char buffer[4096];
        const ssize_t got = ::read(log_, buffer, sizeof buffer);
        if (got <= 0) return false;
        text_.append(buffer, std::size_t(got));
        return true;
    }

    test::TempDir home_;
    std::vector<std::string> environment_;
    pid_t pid_ = -1;
    int log_ = -1;
    std::string text_;
};

// A server of that size with the program running on it, kept for every run of that size (each
// repetition calls the benchmark again).
struct Desktop {
    test::XvfbServer server;
    std::unique_ptr<Running> program;
    bool ready = false;
};

Desktop& desktop(int width, int height) {
    static std::map<std::pair<int, int>, std::unique_ptr<Desktop>> desktops;
    auto& made = desktops[{width, height}];
    if (made) return *made;
    made = std::make_unique<Desktop>();
    if (!made->server.start(width, height)) return *made;
    made->program = std::make_unique<Running>(made->server.display());
    made->ready = made->program->waitFor("Launched", 0, 30s).has_value();
    // Start-up shows the editor: let it settle.
    std::this_thread::sleep_for(1s);
    return *made;
}

void Forwarding(benchmark::State& state) {
    Desktop& screen = desktop(1920, 1080);
    if (!screen.ready) return state.SkipWithError("the program did not start");
    Running& first = *screen.program;
    double exited = 0;
    for (auto _ : state) {
        const std::size_t since = first.mark();
        const auto start = Clock::now();
        // A link the running program refuses as soon as it has parsed it: no capture, no spacing.
        const pid_t second = spawn(first.environment(), {"quorvane://capture/nothing"}, -1);
        const auto parsed = first.waitFor("URL command rejected: unknownCommand", since);
        int status = 0;
        ::waitpid(second, &status, 0);
        const auto ended = Clock::now();
        if (!parsed || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
            return state.SkipWithError("the link did not arrive");
        state.SetIterationTime(seconds(*parsed - start));
        exited = seconds(ended - start) * 1000;
    }
    state.counters["second_process_ms"] = exited;
}
BENCHMARK(Forwarding)->UseManualTime()->Iterations(1)->Repetitions(50)->ReportAggregatesOnly(true)->Unit(
    benchmark::kMillisecond);

// A bottom-centre strip of the screen, where the picker shows its hint.
std::vector<std::uint8_t> strip(xcb_connection_t* x, xcb_window_t root, int width, int height) {
    const auto reply = xcb_get_image_reply(
        x, xcb_get_image(x, XCB_IMAGE_FORMAT_Z_PIXMAP, root, std::int16_t(width / 2 - 500), std::int16_t(height - 120),
                         1000, 120, ~0u),
        nullptr);
    if (reply == nullptr) return {};
    const std::uint8_t* data = xcb_get_image_data(reply);
    std::vector<std::uint8_t> pixels(data, data + xcb_get_image_data_length(reply));
    std::free(reply);
    return pixels;
}

void pressKeys(xcb_connection_t* x, const std::vector<xcb_keycode_t>& keys) {
    for (const xcb_keycode_t key : keys)
        xcb_test_fake_input(x, XCB_KEY_PRESS, key, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    for (auto key = keys.rbegin(); key != keys.rend(); ++key)
        xcb_test_fake_input(x, XCB_KEY_RELEASE, *key, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    xcb_flush(x);
}

void HotKeyToAreaPicker(benchmark::State& state, int width, int height) {
    Desktop& screen = desktop(width, height);
    if (!screen.ready) return state.SkipWithError("the program did not start");
    Running& program = *screen.program;
    std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> x(
        xcb_connect(screen.server.display().toUtf8().constData(), nullptr), &xcb_disconnect);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(x.get())).data->root;
    std::unique_ptr<xcb_key_symbols_t, decltype(&xcb_key_symbols_free)> symbols(xcb_key_symbols_alloc(x.get()),
                                                                                &xcb_key_symbols_free);
    const auto code = [&](xcb_keysym_t symbol) {
        xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols.get(), symbol);
        const xcb_keycode_t first = codes != nullptr ? codes[0] : 0;
        std::free(codes);
        return first;
    };
    // Ctrl+Alt+Super+4, and Escape.
    const std::vector<xcb_keycode_t> areaKey = {code(0xffe3), code(0xffe9), code(0xffeb), code('4')};
    const std::vector<xcb_keycode_t> escape = {code(0xff1b)};
    for (auto _ : state) {
        const std::size_t since = program.mark();
        const auto before = strip(x.get(), root, width, height);
        const auto start = Clock::now();
        pressKeys(x.get(), areaKey);
        while (strip(x.get(), root, width, height) == before && Clock::now() - start < 10s) {
        }
        const auto shown = Clock::now();
        if (shown - start >= 10s) return state.SkipWithError("the picker did not show");
        state.SetIterationTime(seconds(shown - start));
        pressKeys(x.get(), escape);
        if (!program.waitFor("Capture cancelled", since)) return state.SkipWithError("the picker did not close");
        std::this_thread::sleep_for(300ms);
    }
}
BENCHMARK_CAPTURE(HotKeyToAreaPicker, 1920x1080, 1920, 1080)->Apply(medianOfRuns);
BENCHMARK_CAPTURE(HotKeyToAreaPicker, 3840x2160, 3840, 2160)->Apply(medianOfRuns);

} // namespace

BENCHMARK_MAIN();
