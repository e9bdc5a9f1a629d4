#include "support/journey/Menus.h"

#include "support/PointerGrab.h"
#include "support/WaitUntil.h"
#include "support/XvfbServer.h"

#include <QGuiApplication>
#include <QRegularExpression>
#include <QScreen>
#include <algorithm>
#include <cstdlib>

namespace quorvane::journey {
namespace {

QString run(const QString& program, const QStringList& arguments) {
    QString output;
    test::x11Server().run(program, arguments, &output);
    return output;
}

// Our override-redirect windows that show now: open menus (and tool tips).
std::vector<QRect> popups() {
    std::vector<QRect> found;
    const QString ids = run(QStringLiteral("xdotool"),
                            {"search", "--onlyvisible", "--maxdepth", "1", "--class", "quorvane"});
    for (const QString& id : ids.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        // A menu without a parent (the tray's) is typed as a normal window; tool tips and the
        // full-screen area picker are not menus.
        if (run(QStringLiteral("xprop"), {"-id", id, "_NET_WM_WINDOW_TYPE"}).contains(QStringLiteral("TOOLTIP")))
            continue;
        const auto rect = geometry(id);
        if (rect && rect->size() != QGuiApplication::primaryScreen()->size()) found.push_back(*rect);
    }
    return found;
}

std::vector<MenuItem> itemsIn(const QRect& menu) {
    std::vector<MenuItem> items;
    for (const TextLine& line : readScreen(menu, Layout::block))
        items.push_back({line.text, line.box, !line.dim});
    // QUORVANE_JOURNEY_DEBUG shows what was read, for writing a journey.
    if (qEnvironmentVariableIsSet("QUORVANE_JOURNEY_DEBUG")) {
        grab(menu).save(QStringLiteral("journey-menu.png"));
        for (const MenuItem& item : items)
            qInfo("menu item \"%s\" %s", qUtf8Printable(item.text), item.enabled ? "enabled" : "disabled");
    }
    return items;
}

QString xdotoolName(const Window& window) {
    return run(QStringLiteral("xdotool"), {"getwindowname", window.id}).trimmed();
}

// The bar under the title: the menu bar of our windows.
constexpr int menuBarHeight = 26;

} // namespace

std::optional<QRect> toolTip() {
    const QString ids =
        run(QStringLiteral("xdotool"), {"search", "--onlyvisible", "--maxdepth", "1", "--class", "quorvane"});
    for (const QString& id : ids.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        if (run(QStringLiteral("xprop"), {"-id", id, "_NET_WM_WINDOW_TYPE"}).contains(QStringLiteral("TOOLTIP")))
            return geometry(id);
    return std::nullopt;
}

bool isAreaPickerOpen() {
    // The picker is ours, bypasses the window manager and covers the whole screen.
    const QString ids =
        run(QStringLiteral("xdotool"), {"search", "--onlyvisible", "--maxdepth", "1", "--class", "quorvane"});
    for (const QString& id : ids.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        if (geometry(id) == QGuiApplication::primaryScreen()->geometry()) return true;
    return false;
}

bool waitForAreaPicker(int timeoutMs) {
    const bool shown = test::waitUntil(isAreaPickerOpen, timeoutMs);
    // It takes the pointer once it is shown; until then a drag would go to the windows beneath.
    // (A probe's grab lasts a moment, and the picker tries again after a refused one.)
    return shown && test::waitUntil([] { return !test::pointerFree(); }, 3000);
}

bool isMenuOpen() {
    return !popups().empty();
}

namespace {

// The menus open now, newest last, once the newest has settled (its size holds); none when no
// menu opens within `timeoutMs`.
std::vector<QRect> settledPopups(int timeoutMs) {
    std::vector<QRect> open;
    std::optional<QRect> previous;
    test::waitUntil(
        [&] {
            open = popups();
            const std::optional<QRect> now = open.empty() ? std::nullopt : std::optional(open.back());
            const bool same = now && now == previous;
            previous = now;
            if (!same) test::pause(50);
            return same;
        },
        timeoutMs);
    return open;
}

std::vector<MenuItem> itemsOfNewest(const std::vector<QRect>& open) {
    std::vector<MenuItem> items;
    if (open.empty()) return items;
    // Its items are read once it is painted: one reading takes seconds on a busy machine.
    test::waitUntil([&] { return !(items = itemsIn(open.back())).empty(); }, 10000);
    return items;
}

// A title of a menu bar and the window's client area when it was read.
struct BarTitle {
    TextLine title;
    QRect frame;
};

// The title `menu` in the menu bar of `window` where the window stands now, read until it reads
// as itself: a title just let go of can still be drawn pressed and read as something else.
std::optional<BarTitle> menuTitle(const Window& window, const QString& menu, int timeoutMs) {
    std::optional<BarTitle> title;
    test::waitUntil(
        [&] {
            // A slow program can still move or resize its window after it was found.
            const QRect frame = geometry(window.id).value_or(window.geometry);
            const QRect bar(frame.x(), frame.y(), frame.width(), menuBarHeight);
            const QImage picture = steadyGrab(bar);
            const auto titles = words(picture, bar.topLeft());
            if (qEnvironmentVariableIsSet("QUORVANE_JOURNEY_DEBUG")) {
                picture.save(QStringLiteral("journey-bar.png"));
                for (const TextLine& word : titles)
                    qInfo("menu bar title \"%s\"", qUtf8Printable(word.text));
            }
            for (const TextLine& word : titles)
                if (comparable(word.text) == comparable(menu)) title = BarTitle{word, frame};
            return title.has_value();
        },
        timeoutMs);
    return title;
}

} // namespace

std::vector<MenuItem> openMenuItems() {
    return itemsOfNewest(settledPopups(10000));
}

void closeMenus() {
    // Escape closes the innermost menu: one press for each level that is open, each once the one
    // before has closed its menu. Pressed again any sooner, an Escape reaches the window beneath
    // when a slow program closes the menu late.
    for (int attempt = 0; attempt < 4; ++attempt) {
        const size_t open = popups().size();
        if (open == 0) return;
        press(QStringLiteral("Escape"));
        test::waitUntil([&] { return popups().size() < open; }, 10000);
    }
}

std::vector<MenuItem> openMenu(const Window& window, const QString& menu) {
    closeMenus();
    // A person brings the window forward before using its menu bar.
    if (activeWindowTitle() != xdotoolName(window)) activate(window);
    // A click that lands while the window still moves (a slow program refitting it) opens
    // nothing: a person looks again and clicks the title where it stands then.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const auto found = menuTitle(window, menu, 10000);
        if (!found) return {};
        click(found->title.box.center());
        // Clicked again any sooner, the title would close the menu a slow program opens late.
        const auto open = settledPopups(10000);
        if (open.empty()) continue;
        // A menu opens at its title's left (or pushed in from a screen's right edge). Elsewhere,
        // the window moved between the reading and the click, which opened another title's menu.
        const QRect frame = geometry(window.id).value_or(found->frame);
        const int title = found->title.box.left() - found->frame.left() + frame.left();
        const QRect popup = open.back();
        const QList<QScreen*> screens = QGuiApplication::screens();
        const bool atAnEdge = std::any_of(screens.begin(), screens.end(), [&](const QScreen* screen) {
            return popup.right() == screen->geometry().right();
        });
        if (std::abs(popup.left() - title) <= 12 || atAnEdge) return itemsOfNewest(open);
        closeMenus();
    }
    return {};
}

std::optional<MenuItem> findItem(const std::vector<MenuItem>& items, const QString& title) {
    std::vector<TextLine> lines;
    for (const MenuItem& item : items) {
        lines.push_back({item.text, item.box, !item.enabled});
        // A checkable item's box can read as a letter or two before its title.
        const qsizetype space = item.text.indexOf(QLatin1Char(' '));
        if (space > 0 && space <= 2) lines.push_back({item.text.mid(space + 1), item.box, !item.enabled});
    }
    const auto line = findText(lines, title);
    if (!line) return std::nullopt;
    return MenuItem{line->text, line->box, !line->dim};
}

bool chooseMenuItem(const Window& window, const QString& menu, const QString& item) {
    const auto found = findItem(openMenu(window, menu), item);
    if (!found || !found->enabled) {
        closeMenus();
        return false;
    }
    click(QPoint(found->box.left() + 8, found->box.center().y()));
    // The program has taken the choice once the menu is gone.
    test::waitUntil([] { return !isMenuOpen(); }, 10000);
    return true;
}

std::optional<MenuItem> menuItem(const Window& window, const QString& menu, const QString& item) {
    const auto found = findItem(openMenu(window, menu), item);
    closeMenus();
    return found;
}

std::optional<QRect> trayIcon() {
    // The icon is a window of ours embedded in the tray's panel.
    const QString tray = run(QStringLiteral("xdotool"), {"search", "--class", "trayer"});
    for (const QString& panel : tray.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QString tree = run(QStringLiteral("xwininfo"), {"-id", panel, "-tree"});
        static const QRegularExpression icon(
            QStringLiteral("(0x[0-9a-f]+) \"[^\"]*\": \\(\"quorvane\" \"Quorvane\"\\)\\s+(\\d+)x(\\d+)"));
        const auto match = icon.match(tree);
        if (!match.hasMatch()) continue;
        if (const auto rect = geometry(match.captured(1))) return rect;
    }
    return std::nullopt;
}

std::vector<MenuItem> openTrayMenu() {
    closeMenus();
    std::optional<QRect> icon;
    if (!test::waitUntil([&] { return (icon = trayIcon()).has_value(); }, 10000)) return {};
    click(icon->center());
    return openMenuItems();
}

bool chooseTrayItem(const QString& item) {
    const auto found = findItem(openTrayMenu(), item);
    if (!found || !found->enabled) {
        closeMenus();
        return false;
    }
    click(QPoint(found->box.left() + 8, found->box.center().y()));
    // The program has taken the choice once the menu is gone.
    test::waitUntil([] { return !isMenuOpen(); }, 10000);
    return true;
}

} // namespace quorvane::journey
