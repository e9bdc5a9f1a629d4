#include "scrolling/AutoScrollRun.h"

#include "scrolling/AutoScrollSpeed.h"

#include <gtest/gtest.h>
#include <limits>

namespace quorvane {
namespace {

using Outcome = ScrollStitchOutcome;
using Stop = AutoScrollStop::Kind;
using Decision = AutoScrollRun::Decision;
using Direction = AutoScrollDirection;

Decision scroll(std::int32_t delta) {
    return Decision::scrollBy(delta);
}
Decision stop(Stop kind) {
    return Decision::stopWith(AutoScrollStop::of(kind));
}

TEST(AutoScrollSpeed, StepsFollowTheRegionHeightWithinTheirBounds) {
    const double nan = std::nan(""), infinity = std::numeric_limits<double>::infinity();
    const struct {
        AutoScrollSpeed speed;
        double height;
        std::int32_t step;
    } cases[] = {
        {AutoScrollSpeed::normal, 0, 4},      {AutoScrollSpeed::normal, -50, 4},
        {AutoScrollSpeed::normal, nan, 4},    {AutoScrollSpeed::fast, infinity, 4},
        {AutoScrollSpeed::slow, 10, 4},       {AutoScrollSpeed::normal, 10000, 2000},
        {AutoScrollSpeed::fast, 100, 40},     {AutoScrollSpeed::slow, 1000, 150},
        {AutoScrollSpeed::normal, 1000, 250}, {AutoScrollSpeed::normal, 999.9, 249},
    };
    for (const auto& c : cases)
        EXPECT_EQ(stepForRegionHeight(c.speed, c.height), c.step)
            << rawValue(c.speed).toStdString() << " " << c.height;
}

// One run fed a sequence of reports; each row is one call of next() and the decision it must give.
struct Call {
    std::optional<Outcome> after;
    Decision expected;
    bool trusted = true, sameTarget = true;
};

TEST(AutoScrollRun, DecidesEachStepFromTheStitchOutcome) {
    const auto rows = [](int n) { return std::optional<Outcome>(Outcome::appended(n)); };
    const std::optional<Outcome> idle = Outcome::noProgress(), none, back = Outcome::reversed(),
                                 mismatched = Outcome::mismatched();
    const Decision down = scroll(-40), up = scroll(40);
    const auto stitchStop = [](const char* why) {
        return Decision::stopWith(AutoScrollStop::stitchStopped(QString::fromUtf8(why)));
    };
    const struct {
        const char* name;
        Direction direction;
        bool inverted;
        std::vector<Call> calls;
    } cases[] = {
        {"first call down ignores the outcome", Direction::down, false, {{back, down}}},
        {"first call inverted", Direction::down, true, {{none, up}}},
        {"untrusted wins over a changed target",
         Direction::down,
         false,
         {{none, stop(Stop::permissionRevoked), false, false}, {none, down}}},
        {"changed target, run unchanged",
         Direction::down,
         false,
         {{none, stop(Stop::targetChanged), true, false}, {none, down}}},
        {"first reversed flips, second gives no effect",
         Direction::down,
         false,
         {{none, down}, {back, up}, {back, stop(Stop::noEffect)}}},
        {"reversed after rows",
         Direction::down,
         false,
         {{none, down}, {rows(12), down}, {back, stop(Stop::contentReversed)}}},
        {"idle thrice flips once, thrice more is no effect",
         Direction::up,
         false,
         {{none, up},
          {idle, up},
          {mismatched, up},
          {none, down},
          {idle, down},
          {idle, down},
          {idle, stop(Stop::noEffect)}}},
        {"idle thrice after rows is the end",
         Direction::down,
         false,
         {{none, down}, {rows(5), down}, {idle, down}, {idle, down}, {idle, stop(Stop::endReached)}}},
        {"appended resets the idle count",
         Direction::down,
         false,
         {{none, down},
          {rows(5), down},
          {idle, down},
          {idle, down},
          {rows(1), down},
          {idle, down},
          {idle, down},
          {idle, stop(Stop::endReached)}}},
        {"stitcher stops",
         Direction::down,
         false,
         {{none, down},
          {Outcome::lowConfidence(QStringLiteral("Scrolled too far")),
           stitchStop("Low confidence: Scrolled too far")}}},
        {"limit reached",
         Direction::down,
         false,
         {{none, down}, {Outcome::limitReached(), stitchStop("Limit reached")}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AutoScrollRun run = AutoScrollRun::make(c.direction, 40, c.inverted);
        for (std::size_t i = 0; i < c.calls.size(); ++i) {
            const Call& call = c.calls[i];
            EXPECT_EQ(run.next(call.after, {.trusted = call.trusted, .sameTarget = call.sameTarget}),
                      call.expected)
                << "call " << i + 1;
        }
    }
}

TEST(AutoScrollRun, MakesAtMostTwoThousandSteps) {
    AutoScrollRun run = AutoScrollRun::make(Direction::down, 4, false);
    int scrolls = 0;
    Decision last;
    for (int call = 1; call <= 2001; ++call) {
        last = run.next(Outcome::appended(1), {.trusted = true, .sameTarget = true});
        if (last.scroll) ++scrolls;
    }
    EXPECT_EQ(scrolls, 2000);
    EXPECT_EQ(last, stop(Stop::stepLimit));
    EXPECT_EQ(run.steps, 2000);
}

TEST(AutoScrollStop, MessagesNameTheReason) {
    const struct {
        AutoScrollStop stop;
        const char* text;
    } cases[] = {
        {AutoScrollStop::userInput(QStringLiteral("the pointer moved")),
         "Auto scroll stopped: the pointer moved — scroll manually or press Finish"},
        {AutoScrollStop::stitchStopped(QStringLiteral("Limit reached")), "Limit reached"},
        {AutoScrollStop::of(Stop::endReached), "Reached the end of the content"},
        {AutoScrollStop::of(Stop::noEffect),
         "Auto scroll found nothing new (app ignores it, or at the end) — scroll manually or press Finish"},
        {AutoScrollStop::of(Stop::escape), "Auto scroll stopped (Escape) — scroll manually or press Finish"},
        {AutoScrollStop::of(Stop::stepLimit),
         "Auto scroll step limit reached — scroll manually or press Finish"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.stop.message().toStdString(), c.text);
}

} // namespace
} // namespace quorvane
