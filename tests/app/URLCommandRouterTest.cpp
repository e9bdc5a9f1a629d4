#include "app/URLCommandRouter.h"

#include "LinkTesting.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

using Rejection = URLCommand::Rejection;
using Then = URLCommand::Then;
using test::RecordingLinkTarget;

URLCommand command(const char* link) {
    return *URLCommand::parse(std::string_view(link));
}

// Each command starts the application's own command; captures carry their one-shot choices, and
// a capture nobody frames always ends in the editor.
TEST(URLCommandRouter, EachCommandStartsItsOwnCommandWithItsOneShotChoices) {
    struct Case {
        const char* link;
        const char* call;
        std::optional<int> delay;
        std::optional<Then> then;
        bool armed;
    };
    const Case cases[] = {
        {"quorvane://capture/area?delay=3&then=copy", "captureArea", 3, Then::copy, true},
        {"quorvane://capture/area", "captureArea", std::nullopt, std::nullopt, true},
        {"quorvane://capture/screen", "captureScreen", std::nullopt, Then::edit, true},
        {"quorvane://capture/repeat?delay=10", "repeatArea", 10, Then::edit, true},
        {"quorvane://ocr?delay=2", "recognizeTextInArea", 2, std::nullopt, true},
        {"quorvane://capture/window", "chooseWindow", std::nullopt, std::nullopt, false},
        {"quorvane://show", "presentEditor", std::nullopt, std::nullopt, false},
        {"quorvane://settings", "showSettings", std::nullopt, std::nullopt, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.link);
        RecordingLinkTarget target;
        EXPECT_TRUE(URLCommandRouter::route(command(c.link), target).ok());
        EXPECT_EQ(target.calls, QStringList{QString::fromLatin1(c.call)});
        EXPECT_EQ(target.delay, c.delay);
        EXPECT_EQ(target.then, c.then);
        EXPECT_EQ(target.fromLink, c.armed);
    }
}

// Refusals change nothing; only capture links mind unexported changes.
TEST(URLCommandRouter, RefusesWhileBusyCapturesThatWouldDropWorkAndARepeatWithNothingToRepeat) {
    RecordingLinkTarget target;
    target.busy = true;
    EXPECT_EQ(URLCommandRouter::route(command("quorvane://show"), target), Failure{Rejection::busy});

    target.busy = false;
    target.dirty = true;
    target.capturesStart = false;
    for (const char* link :
         {"quorvane://capture/area", "quorvane://capture/screen", "quorvane://capture/repeat"})
        EXPECT_EQ(URLCommandRouter::route(command(link), target), Failure{Rejection::unexportedChanges})
            << link;
    for (const char* link :
         {"quorvane://show", "quorvane://ocr", "quorvane://capture/window", "quorvane://settings"})
        EXPECT_TRUE(URLCommandRouter::route(command(link), target).ok()) << link;
    EXPECT_EQ(target.calls,
              (QStringList{"presentEditor", "recognizeTextInArea", "chooseWindow", "showSettings"}));

    RecordingLinkTarget nothingToRepeat;
    nothingToRepeat.repeatable = false;
    EXPECT_EQ(URLCommandRouter::route(command("quorvane://capture/repeat?delay=1"), nothingToRepeat),
              Failure{Rejection::unavailable});
    EXPECT_TRUE(nothingToRepeat.calls.isEmpty());
    EXPECT_FALSE(nothingToRepeat.fromLink);
    EXPECT_FALSE(nothingToRepeat.delay);
}

// A capture that declines to start leaves nothing armed for the next one, and is no refusal.
TEST(URLCommandRouter, ACaptureThatDidNotStartIsDisarmed) {
    RecordingLinkTarget target;
    target.capturesStart = false;
    EXPECT_TRUE(URLCommandRouter::route(command("quorvane://capture/area?delay=4&then=pin"), target).ok());
    EXPECT_EQ(target.calls, QStringList{"captureArea"});
    EXPECT_FALSE(target.fromLink);
    EXPECT_FALSE(target.delay);
    EXPECT_FALSE(target.then);
}

} // namespace
} // namespace quorvane
