// The thumbnail card on every desktop and out of task bars and pagers at each of its showings:
// the window manager forgets both when the card is hidden.

#include "panels/PanelTesting.h"
#include "panels/ThumbnailController.h"
#include "panels/ThumbnailPanel.h"
#include "support/WaitUntil.h"
#include "support/XvfbServer.h"

#include <QGuiApplication>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

// A property of `window` as xprop shows it, "" when it has none.
QString property(WId window, const char* name) {
    QString output;
    test::x11Server().run(QStringLiteral("xprop"), {"-id", QString::number(window), QString::fromLatin1(name)},
                          &output);
    return output.contains(QLatin1Char('=')) ? output.section(QLatin1Char('='), 1).trimmed() : QString();
}

TEST(FloatingPanel, TheCardIsOnEveryDesktopAndOutOfTaskBarsAtEachShowing) {
    test::WindowManagerInTest manager;
    ASSERT_TRUE(manager.started());
    test::PanelServices services;
    services.accessibility.setReduceMotion(true);
    ThumbnailController thumbnail{services.icons, services.bell, services.accessibility,
                                  test::thumbnailActions()};
    thumbnail.autoDismissSeconds = 0;
    QImage image(400, 300, QImage::Format_RGBA8888_Premultiplied);
    image.fill(Qt::red);
    for (int showing = 1; showing <= 3; ++showing) {
        thumbnail.show(image, QGuiApplication::primaryScreen());
        const WId card = thumbnail.panel()->winId();
        EXPECT_TRUE(test::waitUntil([&] {
            const QString states = property(card, "_NET_WM_STATE");
            return property(card, "_NET_WM_DESKTOP") == QStringLiteral("4294967295") &&
                   states.contains(QStringLiteral("_NET_WM_STATE_SKIP_TASKBAR")) &&
                   states.contains(QStringLiteral("_NET_WM_STATE_SKIP_PAGER"));
        })) << "showing " << showing << ": desktop " << property(card, "_NET_WM_DESKTOP").toStdString()
            << ", states " << property(card, "_NET_WM_STATE").toStdString();
        thumbnail.dismiss();
        // Withdrawn, the card loses them, so the next showing's cannot be this one's.
        ASSERT_TRUE(test::waitUntil([&] { return property(card, "_NET_WM_DESKTOP").isEmpty(); }));
    }
}

} // namespace
} // namespace quorvane
