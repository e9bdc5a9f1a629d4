// The whole program as its own process under a private Xvfb: a later process forwarding a link
// (from its start to the running program having the link parsed; median of 50), and the area hot
// key to the area picker showing its frozen image at 1920 × 1080 and 3840 × 2160, without and with a
// compositing manager (xcompmgr, picom), the editor open (median of 20).
// Then what other programs on the desktop cost it: a clipboard holder that never answers (a link
// forwarded meanwhile), one that offers 60,000 formats (processor time until a link forwarded
// after it is parsed), a list of a million files pasted (time and memory), and 64 MiB of links
// dragged over the window and not dropped (memory). And what other clients of its own services
// cost it: 40 idle connections kept open on its socket (a link forwarded meanwhile, median of
// 10), and another process holding the log folder's lock (a start until its first forwarded link
// is parsed, beside a start without it; median of 5).
//
// QUORVANE_BENCH_PROGRAM runs another build of the program instead, for before-and-after figures.

#include "CaptureBench.h"
#include "core/AppIdentity.h"
#include "platform/InstanceLock.h"
#include "support/TempDir.h"
#include "support/XvfbServer.h"

#include <atomic>
#include <benchmark/benchmark.h>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <QImage>
#include <QUrl>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <map>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <tuple>
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

const char* program() {
    const char* other = std::getenv("QUORVANE_BENCH_PROGRAM");
    return other != nullptr && *other != '\0' ? other : QUORVANE_PROGRAM;
}

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

// Starts `path` with `arguments`; its standard output and error go to `output` (or nowhere).
pid_t spawnAt(const char* path, const std::vector<std::string>& environment, const std::vector<std::string>& arguments,
              int output) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (output >= 0) {
        posix_spawn_file_actions_adddup2(&actions, output, 1);
        posix_spawn_file_actions_adddup2(&actions, output, 2);
    } else {
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    }
    std::vector<char*> argv{const_cast<char*>(path)};
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& variable : environment)
        envp.push_back(const_cast<char*>(variable.c_str()));
    envp.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, path, &actions, nullptr, argv.data(), envp.data()) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

pid_t spawn(const std::vector<std::string>& environment, const std::vector<std::string>& arguments, int output) {
    return spawnAt(program(), environment, arguments, output);
}

// A process of ours, what it writes read as it arrives; ended with `ending` when the object goes.
class Child {
public:
    Child(const char* path, const std::vector<std::string>& environment, const std::vector<std::string>& arguments,
          int ending)
        : ending_(ending) {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0) return;
        pid_ = spawnAt(path, environment, arguments, ends[1]);
        ::close(ends[1]);
        output_ = ends[0];
    }
    ~Child() {
        if (pid_ > 0) {
            ::kill(pid_, ending_);
            ::waitpid(pid_, nullptr, 0);
        }
        if (output_ >= 0) ::close(output_);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    pid_t pid() const { return pid_; }
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
        pollfd ready{output_, POLLIN, 0};
        if (::poll(&ready, 1, int(wait.count())) <= 0) return wait.count() == 0;
        char buffer[4096];
        const ssize_t got = ::read(output_, buffer, sizeof buffer);
        if (got <= 0) return false;
        text_.append(buffer, std::size_t(got));
        return true;
    }

    int ending_;
    pid_t pid_ = -1;
    int output_ = -1;
    std::string text_;
};

// The resident program, its log read as it arrives.
class Running {
public:
    // `prepare` readies the private folders before the program starts.
    explicit Running(const QString& display,
                     const std::function<void(const std::filesystem::path& home)>& prepare = {})
        : environment_(environmentFor(display, home_.path())),
          socket_(home_.path() / "RUNTIME" / applicationId /
                  InstanceLock::socketName(display.toStdString())) {
        if (prepare) prepare(home_.path());
        process_.emplace(program(), environment_, std::vector<std::string>{}, SIGTERM);
    }
    const std::vector<std::string>& environment() const { return environment_; }
    // Where it listens for later processes.
    const std::filesystem::path& socket() const { return socket_; }
    pid_t pid() const { return process_->pid(); }
    std::size_t mark() { return process_->mark(); }
    std::optional<Clock::time_point> waitFor(const std::string& line, std::size_t since,
                                             std::chrono::milliseconds timeout = 10s) {
        return process_->waitFor(line, since, timeout);
    }

private:
    test::TempDir home_;
    std::vector<std::string> environment_;
    std::filesystem::path socket_;
    std::optional<Child> process_;
};

// A server of that size with the program running on it, kept for every run of that size (each
// repetition calls the benchmark again).
struct Desktop {
    test::XvfbServer server;
    // A compositing manager, when asked for; ended before the server.
    std::optional<Child> compositor;
    std::unique_ptr<Running> program;
    bool ready = false;
    ~Desktop() {
        program.reset();
        compositor.reset();
    }
};

// `compositor`: "" for none, "xcompmgr" or "picom".
Desktop& desktop(int width, int height, const std::string& compositor = {}) {
    static std::map<std::tuple<int, int, std::string>, std::unique_ptr<Desktop>> desktops;
    auto& made = desktops[{width, height, compositor}];
    if (made) return *made;
    made = std::make_unique<Desktop>();
    if (!made->server.start(width, height)) return *made;
    if (!compositor.empty()) {
        const std::vector<std::string> environment = {"DISPLAY=" + made->server.display().toStdString()};
        std::vector<std::string> arguments;
        if (compositor == "picom") arguments = {"--backend", "xrender", "--config", "/dev/null"};
        made->compositor.emplace(compositor == "picom" ? "/usr/bin/picom" : "/usr/bin/xcompmgr", environment,
                                 arguments, SIGTERM);
        // Until it paints the screen.
        std::this_thread::sleep_for(1s);
    }
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

void HotKeyToAreaPicker(benchmark::State& state, int width, int height, const char* compositor) {
    Desktop& screen = desktop(width, height, compositor);
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
BENCHMARK_CAPTURE(HotKeyToAreaPicker, 1920x1080, 1920, 1080, "")->Apply(medianOfRuns);
BENCHMARK_CAPTURE(HotKeyToAreaPicker, 3840x2160, 3840, 2160, "")->Apply(medianOfRuns);
BENCHMARK_CAPTURE(HotKeyToAreaPicker, 1920x1080_xcompmgr, 1920, 1080, "xcompmgr")->Apply(medianOfRuns);
BENCHMARK_CAPTURE(HotKeyToAreaPicker, 3840x2160_xcompmgr, 3840, 2160, "xcompmgr")->Apply(medianOfRuns);
BENCHMARK_CAPTURE(HotKeyToAreaPicker, 1920x1080_picom, 1920, 1080, "picom")->Apply(medianOfRuns);
BENCHMARK_CAPTURE(HotKeyToAreaPicker, 3840x2160_picom, 3840, 2160, "picom")->Apply(medianOfRuns);

// Another program on the desktop: the selection-offer helper with `arguments`, ready once it holds
// the clipboard (or drags), ended with the object.
class OtherProgram {
public:
    OtherProgram(const std::vector<std::string>& environment, const std::vector<std::string>& arguments)
        : process_(QUORVANE_SELECTION_OFFER, environment, arguments, SIGKILL) {}
    // Whether it printed `line` within `timeout`.
    bool says(const std::string& line, std::chrono::milliseconds timeout = 20s) {
        return process_.waitFor(line, 0, timeout).has_value();
    }

private:
    Child process_;
};

// Processor time of every thread of `process`, in milliseconds.
double processorMs(pid_t process) {
    std::ifstream stat("/proc/" + std::to_string(process) + "/stat");
    std::string line;
    std::getline(stat, line);
    std::istringstream fields(line.substr(line.rfind(')') + 2));
    std::string field;
    double ticks = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i)
        if (i >= 14) ticks += std::stod(field);
    return ticks * 1000.0 / double(::sysconf(_SC_CLK_TCK));
}

// Resident memory of `process`: reset its peak, then read how far it rose.
class PeakGrowth {
public:
    explicit PeakGrowth(pid_t process) : folder_("/proc/" + std::to_string(process) + "/") {
        std::ofstream(folder_ + "clear_refs") << "5";
        start_ = field("VmRSS:");
    }
    double megabytes() const { return double(field("VmHWM:") - start_) / 1024.0; }

private:
    long field(const std::string& name) const {
        std::ifstream status(folder_ + "status");
        for (std::string line; std::getline(status, line);)
            if (line.rfind(name, 0) == 0) return std::stol(line.substr(name.size()));
        return 0;
    }
    std::string folder_;
    long start_ = 0;
};

// Forwards a link the running program refuses once parsed: how long until it was.
std::optional<Clock::duration> forwardLink(Running& first, std::chrono::milliseconds timeout) {
    const std::size_t since = first.mark();
    const auto start = Clock::now();
    const pid_t second = spawn(first.environment(), {"quorvane://capture/nothing"}, -1);
    const auto parsed = first.waitFor("URL command rejected: unknownCommand", since, timeout);
    ::kill(second, SIGKILL);
    ::waitpid(second, nullptr, 0);
    if (!parsed) return std::nullopt;
    return *parsed - start;
}

// A picture handed over by a second start, opened as the document.
bool openPicture(Running& first, const std::filesystem::path& folder, std::chrono::milliseconds timeout = 120s) {
    const QString path = QString::fromStdString((folder / "picture.png").string());
    QImage(400, 300, QImage::Format_RGB32).save(path);
    const std::size_t since = first.mark();
    const pid_t second = spawn(first.environment(), {path.toStdString()}, -1);
    const bool opened = first.waitFor("Imported 400x300 px image", since, timeout).has_value();
    ::kill(second, SIGKILL);
    ::waitpid(second, nullptr, 0);
    return opened;
}

// Waits until the process has used no processor time for a while: its answer to what came is done.
void settle(pid_t process, std::chrono::seconds most = 120s) {
    const auto end = Clock::now() + most;
    double before = processorMs(process);
    while (Clock::now() < end) {
        std::this_thread::sleep_for(500ms);
        const double now = processorMs(process);
        if (now == before) return;
        before = now;
    }
}

// The largest mapped top-level window of the program, and where it stands.
std::optional<std::pair<xcb_window_t, QRect>> editorWindow(xcb_connection_t* x, xcb_window_t root) {
    const auto tree = xcb_query_tree_reply(x, xcb_query_tree(x, root), nullptr);
    if (tree == nullptr) return std::nullopt;
    std::optional<std::pair<xcb_window_t, QRect>> largest;
    const xcb_window_t* children = xcb_query_tree_children(tree);
    for (int i = 0; i < xcb_query_tree_children_length(tree); ++i) {
        const auto attributes = xcb_get_window_attributes_reply(x, xcb_get_window_attributes(x, children[i]), nullptr);
        const auto geometry = xcb_get_geometry_reply(x, xcb_get_geometry(x, children[i]), nullptr);
        if (attributes != nullptr && geometry != nullptr && attributes->map_state == XCB_MAP_STATE_VIEWABLE &&
            !attributes->override_redirect && geometry->width > 200 &&
            (!largest || geometry->width * geometry->height > largest->second.width() * largest->second.height()))
            largest = std::pair{children[i], QRect(geometry->x, geometry->y, geometry->width, geometry->height)};
        std::free(attributes);
        std::free(geometry);
    }
    std::free(tree);
    return largest;
}

struct FreshDesktop {
    test::XvfbServer server;
    std::unique_ptr<Running> program;
    test::TempDir files;

    bool start() {
        if (!server.start(1920, 1080)) return false;
        program = std::make_unique<Running>(server.display());
        if (!program->waitFor("Launched", 0, 30s)) return false;
        std::this_thread::sleep_for(1s);
        return true;
    }
};

void ForwardingWhileTheClipboardHangs(benchmark::State& state) {
    for (auto _ : state) {
        FreshDesktop screen;
        if (!screen.start() || !openPicture(*screen.program, screen.files.path()))
            return state.SkipWithError("the program did not start");
        OtherProgram hung(screen.program->environment(), {"--type", "image/png", "--hang", "1"});
        if (!hung.says("ready")) return state.SkipWithError("the clipboard was not taken");
        std::this_thread::sleep_for(500ms);
        const auto forwarded = forwardLink(*screen.program, 300s);
        if (!forwarded) return state.SkipWithError("the link did not arrive");
        state.SetIterationTime(seconds(*forwarded));
    }
}
BENCHMARK(ForwardingWhileTheClipboardHangs)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

void SixtyThousandFormats(benchmark::State& state) {
    for (auto _ : state) {
        FreshDesktop screen;
        if (!screen.start() || !openPicture(*screen.program, screen.files.path()))
            return state.SkipWithError("the program did not start");
        settle(screen.program->pid());
        const pid_t pid = screen.program->pid();
        const double before = processorMs(pid);
        OtherProgram holder(screen.program->environment(),
                            {"--type", "image/png", "--size", "8", "--targets", "60000"});
        if (!holder.says("ready")) return state.SkipWithError("the clipboard was not taken");
        const auto forwarded = forwardLink(*screen.program, 300s);
        if (!forwarded) return state.SkipWithError("the link did not arrive");
        settle(pid);
        state.SetIterationTime(seconds(*forwarded));
        state.counters["processor_ms"] = processorMs(pid) - before;
    }
}
BENCHMARK(SixtyThousandFormats)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

void PasteAMillionFiles(benchmark::State& state) {
    for (auto _ : state) {
        FreshDesktop screen;
        if (!screen.start()) return state.SkipWithError("the program did not start");
        const pid_t pid = screen.program->pid();
        const auto folder = screen.files.path();
        const QString picture = QString::fromStdString((folder / "last.png").string());
        QImage(9, 4, QImage::Format_RGB32).save(picture);
        {
            std::ofstream list(folder / "list", std::ios::binary);
            char line[32];
            for (int i = 0; i < 1'000'000; ++i) {
                const int length = std::snprintf(line, sizeof line, "file:///%06d\n", i);
                list.write(line, length);
            }
            list << QUrl::fromLocalFile(picture).toEncoded().toStdString();
        }
        // Only offered while a document opens: the Edit menu asks whether it could paste.
        PeakGrowth offered(pid);
        OtherProgram links(screen.program->environment(),
                           {"--type", "text/uri-list", "--file", (folder / "list").string()});
        if (!links.says("ready") || !openPicture(*screen.program, folder))
            return state.SkipWithError("the clipboard was not taken");
        settle(pid);
        state.counters["offered_MB"] = offered.megabytes();
        // Pasted with Ctrl+V in the editor.
        std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> x(
            xcb_connect(screen.server.display().toUtf8().constData(), nullptr), &xcb_disconnect);
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(x.get())).data->root;
        const auto editor = editorWindow(x.get(), root);
        if (!editor) return state.SkipWithError("no editor window");
        xcb_set_input_focus(x.get(), XCB_INPUT_FOCUS_POINTER_ROOT, editor->first, XCB_CURRENT_TIME);
        xcb_flush(x.get());
        std::this_thread::sleep_for(500ms);
        std::unique_ptr<xcb_key_symbols_t, decltype(&xcb_key_symbols_free)> symbols(
            xcb_key_symbols_alloc(x.get()), &xcb_key_symbols_free);
        xcb_keycode_t* control = xcb_key_symbols_get_keycode(symbols.get(), 0xffe3);
        xcb_keycode_t* v = xcb_key_symbols_get_keycode(symbols.get(), 'v');
        const std::vector<xcb_keycode_t> paste = {control[0], v[0]};
        std::free(control);
        std::free(v);
        PeakGrowth pasted(pid);
        const double processor = processorMs(pid);
        const std::size_t since = screen.program->mark();
        const auto start = Clock::now();
        pressKeys(x.get(), paste);
        const auto imported = screen.program->waitFor("Imported 9x4 px image", since, 300s);
        if (!imported) return state.SkipWithError("the paste did not open the picture");
        state.SetIterationTime(seconds(*imported - start));
        state.counters["pasted_MB"] = pasted.megabytes();
        state.counters["processor_ms"] = processorMs(pid) - processor;
    }
}
BENCHMARK(PasteAMillionFiles)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

void DragSixtyFourMiBOfLinks(benchmark::State& state) {
    for (auto _ : state) {
        FreshDesktop screen;
        if (!screen.start() || !openPicture(*screen.program, screen.files.path()))
            return state.SkipWithError("the program did not start");
        settle(screen.program->pid());
        std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> x(
            xcb_connect(screen.server.display().toUtf8().constData(), nullptr), &xcb_disconnect);
        const auto editor = editorWindow(x.get(), xcb_setup_roots_iterator(xcb_get_setup(x.get())).data->root);
        if (!editor) return state.SkipWithError("no editor window");
        const QPoint centre = editor->second.center();
        PeakGrowth memory(screen.program->pid());
        const auto start = Clock::now();
        {
            OtherProgram links(screen.program->environment(),
                               {"--type", "text/uri-list", "--size", "67108864", "--drag-to",
                                std::to_string(centre.x()) + "," + std::to_string(centre.y()), "--positions", "200",
                                "--reenter", "20"});
            if (!links.says("ready")) return state.SkipWithError("the drag did not start");
            state.counters["accepted"] = links.says("status accept", 300s) ? 1 : 0;
            settle(screen.program->pid());
        }
        state.SetIterationTime(seconds(Clock::now() - start));
        state.counters["peak_MB"] = memory.megabytes();
    }
}
BENCHMARK(DragSixtyFourMiBOfLinks)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

// A client of the program's socket that keeps `count` connections open and sends nothing: each
// one the program closes is opened again at once.
class IdleClients {
public:
    IdleClients(const std::filesystem::path& socket, int count) : fds_(std::size_t(count), -1) {
        address_.sun_family = AF_UNIX;
        std::snprintf(address_.sun_path, sizeof address_.sun_path, "%s", socket.c_str());
        for (int& fd : fds_)
            fd = connected();
        keeper_ = std::thread([this] {
            while (!stopping_) {
                std::vector<pollfd> watched;
                for (const int fd : fds_)
                    watched.push_back(pollfd{fd, POLLIN, 0});
                if (::poll(watched.data(), watched.size(), 5) <= 0) continue;
                for (std::size_t i = 0; i < watched.size(); ++i) {
                    char byte = 0;
                    if (watched[i].revents != 0 && ::recv(fds_[i], &byte, 1, MSG_DONTWAIT) <= 0) {
                        ::close(fds_[i]);
                        fds_[i] = connected();
                    }
                }
            }
        });
    }
    ~IdleClients() {
        stopping_ = true;
        keeper_.join();
        for (const int fd : fds_)
            ::close(fd);
    }
    IdleClients(const IdleClients&) = delete;
    IdleClients& operator=(const IdleClients&) = delete;

private:
    int connected() const {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address_), sizeof address_);
        return fd;
    }

    sockaddr_un address_{};
    std::vector<int> fds_;
    std::atomic<bool> stopping_{false};
    std::thread keeper_;
};

// A link forwarded while another client keeps 40 idle connections open on the socket: the time
// until the program parsed it, or until the later process gave up ("reached" is then below 1).
void ForwardingPastIdleClients(benchmark::State& state) {
    Desktop& screen = desktop(1920, 1080);
    if (!screen.ready) return state.SkipWithError("the program did not start");
    Running& first = *screen.program;
    double reached = 0, exited = 0;
    for (auto _ : state) {
        const IdleClients idle(first.socket(), 40);
        std::this_thread::sleep_for(100ms);
        const std::size_t since = first.mark();
        const auto start = Clock::now();
        const pid_t second = spawn(first.environment(), {"quorvane://capture/nothing"}, -1);
        int status = 0;
        ::waitpid(second, &status, 0);
        const auto ended = Clock::now();
        const auto parsed = first.waitFor("URL command rejected: unknownCommand", since, 1s);
        const bool delivered = parsed && WIFEXITED(status) && WEXITSTATUS(status) == 0;
        state.SetIterationTime(seconds((delivered ? *parsed : ended) - start));
        reached += delivered;
        exited = seconds(ended - start) * 1000;
    }
    state.counters["reached"] = reached / static_cast<double>(state.iterations());
    state.counters["second_process_ms"] = exited;
}
BENCHMARK(ForwardingPastIdleClients)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

// A start with a link forwarded to it as soon as it listens: from its start until it parsed the
// link. With `logLocked`, another process holds the log folder's lock all along.
void StartToFirstLink(benchmark::State& state, bool logLocked) {
    static test::XvfbServer server;
    if (server.display().isEmpty() && !server.start(1920, 1080)) return state.SkipWithError("no Xvfb");
    for (auto _ : state) {
        pid_t holder = -1;
        const auto lockLog = [&](const std::filesystem::path& home) {
            const auto folder = home / "STATE" / applicationId / "log";
            std::filesystem::create_directories(folder);
            std::filesystem::permissions(folder, std::filesystem::perms::owner_all);
            holder = ::fork();
            if (holder == 0) {
                const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
                if (fd < 0 || ::flock(fd, LOCK_EX) != 0) ::_exit(1);
                for (;;)
                    ::pause();
            }
        };
        const auto start = Clock::now();
        Running program(server.display(),
                        logLocked ? lockLog : std::function<void(const std::filesystem::path&)>());
        while (!std::filesystem::exists(program.socket()) && Clock::now() - start < 30s)
            std::this_thread::sleep_for(1ms);
        const pid_t second = spawn(program.environment(), {"quorvane://capture/nothing"}, -1);
        const auto parsed = program.waitFor("URL command rejected: unknownCommand", 0, 30s);
        ::waitpid(second, nullptr, 0);
        if (holder > 0) {
            ::kill(holder, SIGKILL);
            ::waitpid(holder, nullptr, 0);
        }
        if (!parsed) return state.SkipWithError("the link did not arrive");
        state.SetIterationTime(seconds(*parsed - start));
    }
}
BENCHMARK_CAPTURE(StartToFirstLink, unlocked, false)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(StartToFirstLink, logLocked, true)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
