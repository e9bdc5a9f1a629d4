// The window picker's names and icons for windows of older X programs (as xcalc and xeyes make
// them): no process id, the program named only in WM_CLASS, the icon only a pixmap in WM_HINTS;
// and its list by keys alone.

#include "capture/CaptureControllerRig.h"
#include "capture/SystemCaptureService.h"
#include "capture/x11/CaptureTestWindows.h"
#include "editor_window/IconButton.h"
#include "editor_window/SymbolIcons.h"
#include "panels/WindowIcons.h"
#include "panels/WindowPickerView.h"
#include "panels/WindowRow.h"
#include "support/DisplayState.h"
#include "support/QtPrinters.h"
#include "support/Xdotool.h"

#include <QApplication>
#include <QProcess>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

// Another program's window, listed by the capture service once it shows.
class OldXProgram {
public:
    explicit OldXProgram(const QString& title, const QStringList& options) : title_(title) {
        process_.start(QStringLiteral(QUORVANE_OLD_X_PROGRAM), QStringList{title} + options);
    }
    ~OldXProgram() {
        process_.kill();
        process_.waitForFinished();
    }
    std::optional<CaptureWindow> listed(CaptureService& service) {
        if (!test::waitUntil([&] { return process_.canReadLine(); })) return std::nullopt;
        std::optional<CaptureWindow> found;
        test::waitUntil([&] {
            const auto content =
                test::awaitResult<ShareableContent>([&](auto done) { service.targets(std::move(done)); });
            for (const CaptureWindow& window : content.ok() ? content->windows : std::vector<CaptureWindow>{})
                if (window.title == title_) found = window;
            return found.has_value();
        });
        return found;
    }

private:
    QString title_;
    QProcess process_;
};

QColor at(const QImage& image, int x, int y) {
    return image.pixelColor(x, y);
}

TEST(WindowPicker, NamesAndIconsOfProgramsWithoutAProcess) {
    SystemCaptureService service;
    SymbolIcons symbols(SymbolIcons::Theme::ignore);
    WindowIcons icons(service, symbols);
    const QColor clear(0, 0, 0, 0);

    // A bitmap icon with its mask: black on white, the masked rows see-through.
    {
        OldXProgram calculator(QStringLiteral("Calculator"),
                               {"--class", "xcalc\\0XCalc\\0", "--icon", "1", "--mask"});
        const auto window = calculator.listed(service);
        ASSERT_TRUE(window.has_value());
        EXPECT_EQ(WindowRow::applicationName(*window), QStringLiteral("XCalc"));
        EXPECT_EQ(WindowRow::label(*window), QStringLiteral("XCalc, Calculator"));
        const auto icon = icons.icon(*window);
        EXPECT_EQ(icon.source, WindowIcons::Source::application);
        const QImage image = service.applicationIcon(*window, WindowIcons::side);
        ASSERT_EQ(image.size(), QSize(20, 18));
        EXPECT_EQ(std::tuple(at(image, 2, 10), at(image, 17, 10), at(image, 2, 1), at(image, 17, 3)),
                  std::tuple(QColor(Qt::black), QColor(Qt::white), clear, clear));
    }
    // Colour pixmaps of the screen's depth and of 32 bits with alpha; only an instance name.
    {
        OldXProgram eyes(QStringLiteral("Eyes"), {"--class", "xeyes", "--icon", "24"});
        const auto window = eyes.listed(service);
        ASSERT_TRUE(window.has_value());
        EXPECT_EQ(WindowRow::applicationName(*window), QStringLiteral("xeyes"));
        const QImage image = service.applicationIcon(*window, WindowIcons::side);
        ASSERT_EQ(image.size(), QSize(20, 18));
        EXPECT_EQ(std::pair(at(image, 2, 1), at(image, 17, 1)), std::pair(QColor(Qt::red), QColor(Qt::blue)));
    }
    {
        OldXProgram translucent(QStringLiteral("Translucent"), {"--class", "xglass\\0XGlass\\0", "--icon", "32"});
        const auto window = translucent.listed(service);
        ASSERT_TRUE(window.has_value());
        const QImage image = service.applicationIcon(*window, WindowIcons::side);
        ASSERT_EQ(image.size(), QSize(20, 18));
        const QColor left = at(image, 2, 9);
        EXPECT_EQ(std::tuple(left.red(), left.alpha(), at(image, 17, 9).alpha()), std::tuple(0, 128, 0));
        EXPECT_NEAR(left.green(), 255, 2);
    }
    // Neither name nor icon, a class of zero bytes, a pixmap that does not exist: "Application"
    // with the generic icon, and nothing breaks.
    int count = 0;
    for (const QStringList& options : {QStringList{}, QStringList{"--class", "\\0\\0", "--bad-pixmap"},
                                       QStringList{"--icon", "24"}}) {
        OldXProgram nameless(QStringLiteral("Nameless %1").arg(++count), options);
        const auto window = nameless.listed(service);
        ASSERT_TRUE(window.has_value()) << options.join(' ').toStdString();
        EXPECT_EQ(WindowRow::applicationName(*window), QStringLiteral("Application"));
        EXPECT_EQ(icons.icon(*window).source, WindowIcons::Source::generic) << options.join(' ').toStdString();
    }
    // A program named but without an icon of its own or in the theme.
    OldXProgram plain(QStringLiteral("Plain"), {"--class", "xplain\\0XPlainNoSuchIcon\\0", "--bad-pixmap"});
    const auto window = plain.listed(service);
    ASSERT_TRUE(window.has_value());
    EXPECT_EQ(WindowRow::applicationName(*window), QStringLiteral("XPlainNoSuchIcon"));
    EXPECT_TRUE(service.applicationIcon(*window, WindowIcons::side).isNull());
    EXPECT_EQ(icons.icon(*window).source, WindowIcons::Source::generic);
}

// Capture a Window by keys alone: the list is one Tab stop, the row that last had the keyboard;
// Up and Down move between the rows, the one with the keyboard framed; Return and keypad Enter
// press Refresh as Space does, and the keyboard stays on it.
TEST(WindowPicker, TheListTakesTheKeysAsOneStopAndRefreshKeepsTheKeyboard) {
    const test::InputKept input;
    test::CaptureRig capture;
    std::vector<CaptureWindow> windows;
    for (const auto& [id, title] : {std::pair{7, "One"}, {8, "Two"}, {9, "Three"}}) {
        windows.push_back(test::window(WindowID(id), QRectF(0, 0, 400, 300)));
        windows.back().title = QString::fromLatin1(title);
    }
    capture.service.content.windows = windows;
    capture.controller->setChoosingWindow(true);
    capture.controller->refreshTargets();
    ASSERT_TRUE(capture.settle());
    SymbolIcons symbols(SymbolIcons::Theme::ignore);
    WindowIcons icons(capture.service, symbols);
    WindowPickerView picker(*capture.controller, icons, symbols);
    picker.show();
    picker.activateWindow();
    const auto keyboard = [] {
        const QWidget* focused = QApplication::focusWidget();
        return focused == nullptr ? QString()
                                  : focused->accessibleName() + focused->property("text").toString();
    };
    ASSERT_TRUE(test::waitUntil([&] { return picker.isActiveWindow() && keyboard() == "Capture app, One"; }))
        << keyboard().toStdString();

    QStringList heard;
    for (const char* keys : {"Down", "Down", "Up", "Tab", "shift+Tab", "shift+Tab", "Tab", "Up"}) {
        const QString before = keyboard();
        EXPECT_EQ(test::xdotool(QStringLiteral("key ") + QString::fromLatin1(keys)), 0);
        test::waitUntil([&] { return keyboard() != before; }, 5000);
        heard << keyboard();
    }
    EXPECT_EQ(heard.join(u'\n').toStdString(),
              "Capture app, Two\nCapture app, Three\nCapture app, Two\nCancel\n"
              "Capture app, Two\nRefresh windows\nCapture app, Two\nCapture app, One");
    // The row with the keyboard is framed; once it has gone on, it is not.
    WindowRow* first = picker.rows().front();
    ASSERT_TRUE(first->hasFocus());
    const QImage framed = first->grab().toImage();
    picker.rows()[1]->setFocus(Qt::TabFocusReason);
    EXPECT_NE(first->grab().toImage(), framed);

    // Refresh by keys, with Two listed first now, then with no window and with them again: the list
    // follows, and the keyboard stays on Refresh.
    std::swap(capture.service.content.windows[0], capture.service.content.windows[1]);
    EXPECT_EQ(test::xdotool(QStringLiteral("key shift+Tab")), 0);
    ASSERT_TRUE(test::waitUntil([&] { return keyboard() == "Refresh windows"; })) << keyboard().toStdString();
    for (const auto& [key, listed] : {std::pair{"Return", 8}, {"KP_Enter", 0}, {"space", 7}}) {
        SCOPED_TRACE(key);
        if (listed == 0) capture.service.content.windows.clear();
        if (listed == 7) capture.service.content.windows = windows;
        const int listings = capture.service.listings;
        EXPECT_EQ(test::xdotool(QStringLiteral("key ") + QString::fromLatin1(key)), 0);
        ASSERT_TRUE(test::waitUntil([&] {
            return capture.service.listings > listings && !capture.controller->isBusy() &&
                   (picker.rows().empty() ? 0 : int(picker.rows().front()->window().windowID)) == listed;
        }));
        EXPECT_TRUE(test::waitUntil([&] { return keyboard() == "Refresh windows"; }))
            << keyboard().toStdString();
    }
    picker.reject();
}

} // namespace
} // namespace quorvane
