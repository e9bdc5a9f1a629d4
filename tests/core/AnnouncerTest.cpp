#include "core/Announcer.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

// Listeners hear every announcement, repeats included, and find it already stored when they do.
TEST(Announcer, KeepsTheLastAnnouncementBeforeListenersHearIt) {
    Announcer announcer;
    EXPECT_EQ(announcer.lastAnnouncement(), std::nullopt);
    QStringList heard;
    QObject::connect(&announcer, &Announcer::announced, [&](const QString& text) {
        EXPECT_EQ(announcer.lastAnnouncement(), text);
        heard << text;
    });
    for (const char* text : {"Scrolling capture: Drag over the area", "Copied", "Copied"})
        announcer.announce(QString::fromUtf8(text));
    EXPECT_EQ(announcer.lastAnnouncement(), QStringLiteral("Copied"));
    EXPECT_EQ(heard, (QStringList{"Scrolling capture: Drag over the area", "Copied", "Copied"}));
}

} // namespace
} // namespace quorvane
