#include "support/journey/Desktop.h"

#include "support/WaitUntil.h"
#include "support/XvfbServer.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QPixmap>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryFile>

namespace quorvane::journey {
namespace {

QString run(const QString& program, const QStringList& arguments, int* status = nullptr) {
    QString output;
    const int code = test::x11Server().run(program, arguments, &output);
    if (status != nullptr) *status = code;
    return output;
}

QString xdotool(const QStringList& arguments, int* status = nullptr) {
    return run(QStringLiteral("xdotool"), arguments, status);
}

QString point(int value) {
    return QString::number(value);
}

// The bytes of a clipboard target, read by xclip as another program would.
QByteArray clipboardBytes(const QString& target) {
    QProcess xclip;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), test::x11Server().display());
    xclip.setProcessEnvironment(environment);
    xclip.start(QStringLiteral("xclip"), {"-selection", "clipboard", "-t", target, "-o"});
    // Our process answers the request: keep its event loop turning while xclip waits.
    test::waitUntil([&] { return xclip.state() == QProcess::NotRunning; }, 10000);
    if (xclip.state() != QProcess::NotRunning) {
        xclip.kill();
        xclip.waitForFinished();
        return {};
    }
    return xclip.exitCode() == 0 ? xclip.readAllStandardOutput() : QByteArray();
}

} // namespace

Desktop::Desktop() = default;

Desktop::~Desktop() {
    for (auto it = processes_.rbegin(); it != processes_.rend(); ++it) {
        (*it)->terminate();
        if (!(*it)->waitForFinished(3000)) {
            (*it)->kill();
            (*it)->waitForFinished();
        }
    }
    test::x11Server().stopWindowManager();
}

bool Desktop::start(bool withTray) {
    if (!test::x11Server().startWindowManager()) return false;
    if (!withTray) return true;
    auto tray = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), test::x11Server().display());
    tray->setProcessEnvironment(environment);
    tray->start(QStringLiteral("trayer"), {"--edge", "top", "--align", "right", "--widthtype", "pixel",
                                           "--width", "120", "--height", "24", "--SetDockType", "true",
                                           "--SetPartialStrut", "true"});
    if (!tray->waitForStarted()) return false;
    processes_.push_back(std::move(tray));
    // The tray is there once it holds the screen's tray selection.
    return test::waitUntil(
        [] {
            return run(QStringLiteral("xprop"), {"-root", "_NET_SUPPORTING_WM_CHECK"}).contains("window id") &&
                   !xdotool({"search", "--class", "trayer"}).trimmed().isEmpty();
        },
        10000);
}

QString Desktop::nextWindowName() const {
    return QStringLiteral("still-") + QString::number(processes_.size());
}

bool Desktop::showWindow(const QString& program, const QStringList& arguments, const QString& name) {
    auto window = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), test::x11Server().display());
    window->setProcessEnvironment(environment);
    window->start(program, arguments);
    if (!window->waitForStarted()) return false;
    processes_.push_back(std::move(window));
    QString id;
    const bool shown = test::waitUntil(
        [&] {
            id = xdotool({"search", "--onlyvisible", "--classname", name}).section(QLatin1Char('\n'), 0, 0).trimmed();
            return !id.isEmpty();
        },
        10000);
    if (!shown) return false;
    // openbox decorates and places it on its next turns, and the program draws it: wait until
    // it stands still and its picture holds.
    std::optional<QRect> previous;
    test::waitUntil(
        [&] {
            const std::optional<QRect> now = geometry(id);
            const bool same = now && now == previous;
            previous = now;
            if (!same) test::pause(100);
            return same;
        },
        10000);
    if (previous) steadyGrab(*previous);
    return true;
}

bool Desktop::showStillWindow(const QString& text, const QRect& geometry, const QString& background) {
    const QString name = nextWindowName();
    QStringList arguments = {"-name", name, "-geometry",
                             QStringLiteral("%1x%2+%3+%4")
                                 .arg(geometry.width())
                                 .arg(geometry.height())
                                 .arg(geometry.x())
                                 .arg(geometry.y())};
    if (!background.isEmpty()) arguments << "-bg" << background;
    return showWindow(QStringLiteral("xmessage"), arguments << text, name);
}

bool Desktop::showTextWindow(const QStringList& lines, const QRect& geometry, int points) {
    const QString name = nextWindowName();
    // Hides the cursor, prints the lines and waits without drawing anything more.
    const QString script =
        QStringLiteral("printf '\\033[?25l%s' \"$1\"; shift; printf '\\r\\n%s' \"$@\"; exec sleep 100000");
    // A character cell of DejaVu Sans Mono is about 0.8 of the size in points wide.
    const QString size = QStringLiteral("%1x%2+%3+%4")
                             .arg(geometry.width() * 5 / (points * 4))
                             .arg(lines.size() + 1)
                             .arg(geometry.x())
                             .arg(geometry.y());
    const QStringList arguments = {"-name", name, "-title", name, "-fa", "DejaVu Sans Mono", "-fs",
                                   QString::number(points), "-bg", "white", "-fg", "black", "-geometry", size,
                                   "-e", "sh", "-c", script, "sh"};
    return showWindow(QStringLiteral("xterm"), arguments + lines, name);
}

std::vector<Window> windows(const QString& titlePattern) {
    std::vector<Window> found;
    // The window manager's own list: top-level windows a person can see and use (not menus,
    // tool tips or the windows inside them).
    const QString clients = run(QStringLiteral("xprop"), {"-root", "_NET_CLIENT_LIST"});
    static const QRegularExpression hex(QStringLiteral("0x[0-9a-f]+"));
    const QRegularExpression title(titlePattern);
    for (auto it = hex.globalMatch(clients.section(QLatin1Char('#'), 1)); it.hasNext();) {
        const QString id = QString::number(it.next().captured(0).toULongLong(nullptr, 16));
        if (!title.match(xdotool({"getwindowname", id}).trimmed()).hasMatch()) continue;
        if (!run(QStringLiteral("xwininfo"), {"-id", id}).contains(QStringLiteral("Map State: IsViewable")))
            continue;
        if (const auto rect = geometry(id)) found.push_back({id, *rect});
    }
    std::sort(found.begin(), found.end(), [](const Window& a, const Window& b) {
        return a.geometry.width() * a.geometry.height() > b.geometry.width() * b.geometry.height();
    });
    return found;
}

std::optional<Window> window(const QString& titlePattern) {
    const auto all = windows(titlePattern);
    if (all.empty()) return std::nullopt;
    return all.front();
}

std::optional<Window> waitForWindow(const QString& titlePattern, int timeoutMs, int steadyMs) {
    std::optional<Window> found;
    std::optional<QRect> previous;
    const bool steady = test::waitUntil(
        [&] {
            found = window(titlePattern);
            if (!found) return false;
            const bool same = previous == found->geometry;
            previous = found->geometry;
            if (!same) test::pause(steadyMs);
            return same;
        },
        timeoutMs);
    return steady ? found : std::nullopt;
}

bool waitForNoWindow(const QString& titlePattern, int timeoutMs) {
    return test::waitUntil([&] { return !window(titlePattern).has_value(); }, timeoutMs);
}

static std::optional<QRect> windowInfoRect(const QStringList& arguments) {
    // xwininfo's absolute position (xdotool's counts the frame twice for reparented windows).
    const QString info = run(QStringLiteral("xwininfo"), arguments);
    static const QRegularExpression pattern(
        QStringLiteral("Absolute upper-left X:\\s+(-?\\d+).*Absolute upper-left Y:\\s+(-?\\d+).*Width: (\\d+).*Height: (\\d+)"),
        QRegularExpression::DotMatchesEverythingOption);
    const auto match = pattern.match(info);
    if (!match.hasMatch()) return std::nullopt;
    return QRect(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt(),
                 match.captured(4).toInt());
}

std::optional<QRect> geometry(const QString& id) {
    return windowInfoRect({"-id", id});
}

std::optional<QRect> frameGeometry(const QString& id) {
    return windowInfoRect({"-frame", "-id", id});
}

QRect workArea() {
    const QString area = run(QStringLiteral("xprop"), {"-root", "_NET_WORKAREA"});
    const QStringList values = area.section(QLatin1Char('='), 1).split(QLatin1Char(','));
    if (values.size() < 4) return QGuiApplication::primaryScreen()->geometry();
    return QRect(values[0].trimmed().toInt(), values[1].trimmed().toInt(), values[2].trimmed().toInt(),
                 values[3].trimmed().toInt());
}

QString activeWindowTitle() {
    return xdotool({"getactivewindow", "getwindowname"}).trimmed();
}

void activate(const Window& window) {
    xdotool({"windowactivate", "--sync", window.id});
    test::waitUntil([&] { return xdotool({"getactivewindow"}).trimmed() == window.id; }, 3000);
}

QStringList stacking() {
    const QString list = run(QStringLiteral("xprop"), {"-root", "_NET_CLIENT_LIST_STACKING"});
    static const QRegularExpression hex(QStringLiteral("0x[0-9a-f]+"));
    QStringList ids;
    for (auto it = hex.globalMatch(list.section(QLatin1Char('#'), 1)); it.hasNext();)
        ids << QString::number(it.next().captured(0).toULongLong(nullptr, 16));
    return ids;
}

void press(const QString& keys) {
    xdotool({"key", "--delay", "40", keys});
}

void type(const QString& text) {
    xdotool({"type", "--delay", "15", text});
}

void moveMouse(QPoint to) {
    xdotool({"mousemove", point(to.x()), point(to.y())});
}

void click(QPoint at, int button) {
    moveMouse(at);
    settle(60);
    xdotool({"click", point(button)});
}

void doubleClick(QPoint at) {
    moveMouse(at);
    settle(60);
    xdotool({"click", "--repeat", "2", "--delay", "80", "1"});
}

void drag(QPoint from, QPoint to, int steps) {
    moveMouse(from);
    settle(60);
    xdotool({"mousedown", "1"});
    for (int step = 1; step <= steps; ++step) {
        const QPoint at = from + (to - from) * step / steps;
        moveMouse(at);
        test::pause(15);
    }
    settle(60);
    xdotool({"mouseup", "1"});
}

void settle(int ms) {
    test::pause(ms);
}

QImage grab(const QRect& region) {
    QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = region.isNull() ? screen->geometry() : region;
    return screen->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage();
}

QImage steadyGrab(const QRect& region, int timeoutMs) {
    QImage last = grab(region);
    test::waitUntil(
        [&] {
            test::pause(80);
            QImage next = grab(region);
            const bool same = next == last;
            last = std::move(next);
            return same;
        },
        timeoutMs);
    return last;
}

QStringList clipboardTargets() {
    return QString::fromUtf8(clipboardBytes(QStringLiteral("TARGETS"))).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QImage clipboardImage() {
    return QImage::fromData(clipboardBytes(QStringLiteral("image/png")), "PNG");
}

QString clipboardText() {
    return QString::fromUtf8(clipboardBytes(QStringLiteral("UTF8_STRING")));
}

bool putOnClipboard(const QImage& image) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    return image.save(&buffer, "PNG") && putOnClipboard(png, QStringLiteral("image/png"));
}

bool putOnClipboard(const QByteArray& bytes, const QString& type) {
    QTemporaryFile file;
    if (!file.open()) return false;
    file.write(bytes);
    file.flush();
    int status = -1;
    // xclip stays in the background and serves the clipboard until another program takes it.
    run(QStringLiteral("xclip"), {"-selection", "clipboard", "-t", type, "-i", file.fileName()}, &status);
    // Offered once another program can see it there.
    return status == 0 && test::waitUntil([&] { return clipboardTargets().contains(type); }, 10000);
}

} // namespace quorvane::journey
