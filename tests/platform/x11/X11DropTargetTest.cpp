#include "platform/X11DropTarget.h"

#include "platform/XdndWindows.h"
#include "support/DropFlood.h"
#include "support/LogLines.h"
#include "support/WaitUntil.h"

#include <QCoreApplication>
#include <QWindow>
#include <chrono>
#include <condition_variable>
#include <gtest/gtest.h>
#include <malloc.h>
#include <mutex>
#include <numeric>
#include <string>
#include <vector>

namespace quorvane {
namespace {

using namespace std::chrono_literals;

// The drop target's clock, which moves only when the test moves it. Stopped, it holds the target's
// thread where a round of reading starts, so that what is sent meanwhile waits unread, and lets
// rounds through one at a time.
class RoundClock {
public:
    X11DropTarget::Now now() {
        return [this] {
            std::unique_lock lock(mutex_);
            if (stopped_) {
                ++arrivals_;
                changed_.notify_all();
                changed_.wait(lock, [this] { return !stopped_ || passes_ > 0; });
                if (passes_ > 0) --passes_;
            }
            return start_ + offset_;
        };
    }
    void advance(std::chrono::steady_clock::duration by) {
        const std::lock_guard lock(mutex_);
        offset_ += by;
    }
    // Holds the thread at the start of its next round; whether it is held within the bound.
    bool stop(X11DropTarget& target) {
        std::unique_lock lock(mutex_);
        stopped_ = true;
        return nextArrival(lock, target);
    }
    // Lets one round through; whether the thread is held again at the start of the next.
    bool oneRound(X11DropTarget& target) {
        std::unique_lock lock(mutex_);
        passes_ = 1;
        changed_.notify_all();
        return nextArrival(lock, target);
    }
    void go() {
        const std::lock_guard lock(mutex_);
        stopped_ = false;
        changed_.notify_all();
    }

private:
    bool nextArrival(std::unique_lock<std::mutex>& lock, X11DropTarget& target) {
        const long before = arrivals_;
        // Asked to catch up, the thread does not wait for the server before its next round.
        lock.unlock();
        target.catchUp();
        lock.lock();
        return changed_.wait_for(lock, std::chrono::milliseconds(test::bound(5000)),
                                 [&] { return arrivals_ > before && passes_ == 0; });
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    bool stopped_ = false;
    int passes_ = 0;
    long arrivals_ = 0;
    const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::chrono::steady_clock::duration offset_{};
};

// A window that takes drops of `types` in the whole of it, served by a target of its own on that
// clock, and nothing else: no one sets its windows again.
struct Served {
    RoundClock clock;
    X11DropTarget target;
    QWindow window;
    std::uint32_t id = 0;

    explicit Served(const QStringList& types) : target({types}, nullptr, clock.now()) {
        window.setFlag(Qt::BypassWindowManagerHint);
        window.setGeometry(100, 100, 400, 300);
        window.show();
        id = static_cast<std::uint32_t>(window.winId());
        target.setWindows({{id, {{QRect(100, 100, 400, 300), 0}}}});
    }
    ~Served() { clock.go(); }
    bool serves() const {
        return test::waitUntil([&] { return test::dropProxyOf(id) != 0; });
    }
    // Once the target has handed on every message sent before.
    bool caughtUp() {
        bool caught = false;
        const QMetaObject::Connection heard =
            QObject::connect(&target, &X11DropTarget::caughtUp, [&] { caught = true; });
        target.catchUp();
        const bool done = test::waitUntil([&] { return caught; });
        QObject::disconnect(heard);
        return done;
    }
    // A new drag offering `types`, over the window: its answer.
    std::vector<std::string> answer(const std::vector<std::string>& types = {"text/uri-list"}) const {
        test::ForeignDrag drag(id);
        drag.enter(types);
        drag.position(300, 250);
        return drag.answers(1);
    }
};

const std::vector<std::string> accepted{"accept"};
const std::vector<std::string> refused{"refuse"};

// Messages that wait for the target are read a round at a time, a few thousand at most before the
// answers they owe are sent: a drag heard before a long backlog is answered before the target has
// read the backlog's end. The server hands on what waits for a client in large pieces once the
// client read what it wrote first: the backlog is read in one go unless a round ends it.
TEST(X11DropTarget, ADragHeardBeforeALongBacklogIsAnsweredBeforeItsEndIsRead) {
    Served served({QStringLiteral("text/uri-list")});
    ASSERT_TRUE(served.serves());
    test::ForeignDrag drags(served.id, 2);
    ASSERT_TRUE(served.clock.stop(served.target));
    // What the server writes first, a message at a time, then the drag, the backlog, and a drag at
    // its end.
    test::sendEntersFromNoWindows(served.id, 400);
    drags.enter();
    drags.position(300, 250);
    test::sendEntersFromNoWindows(served.id, 4600);
    drags.enter({"text/uri-list"}, 1);
    drags.position(300, 250, 0, 1);
    // The server may write the backlog in pieces, more of them on a busy machine, and a round
    // ends with what was written: round after round until the first drag is answered, which the
    // round that read it does, before it could read the backlog's end.
    for (int round = 0; round < 200 && drags.answersSoFar().empty(); ++round)
        ASSERT_TRUE(served.clock.oneRound(served.target));
    EXPECT_EQ(drags.answers(1), accepted);
    EXPECT_TRUE(drags.answersSoFar(1).empty());
    served.clock.go();
    EXPECT_EQ(drags.answers(1, 1), accepted);
}

// However many drags are owed an answer at once, one round answers a few of each program's and
// 256 in all: here 65 programs' five drags each, offering a type whose name comes in one answer
// of the server, all at once.
TEST(X11DropTarget, OneRoundAnswersAFewDragsOfEachProgramAnd256InAll) {
    Served served({QStringLiteral("image/*")});
    ASSERT_TRUE(served.serves());
    const std::vector<std::string> type = test::neverNamedTypes(1, 0, "image");
    constexpr int programs = 65;
    constexpr int each = 5;
    std::vector<std::unique_ptr<test::ForeignDrag>> drags;
    ASSERT_TRUE(served.clock.stop(served.target));
    for (int program = 0; program < programs; ++program) {
        drags.push_back(std::make_unique<test::ForeignDrag>(served.id, each));
        drags.back()->hold();
        for (int source = 0; source < each; ++source) {
            drags.back()->enter(type, source);
            drags.back()->position(300, 250, 0, source);
        }
        drags.back()->release();
    }
    // The answers each program heard so far.
    const auto answered = [&] {
        std::vector<std::size_t> counts;
        for (const auto& program : drags) {
            counts.push_back(0);
            for (int source = 0; source < each; ++source)
                counts.back() += program->answersSoFar(source).size();
        }
        return counts;
    };
    // Rounds until the one that takes the name: all drags wait for it.
    std::vector<std::size_t> counts(programs, 0);
    for (int round = 0; round < 20 && std::accumulate(counts.begin(), counts.end(), 0u) == 0; ++round) {
        ASSERT_TRUE(served.clock.oneRound(served.target));
        counts = answered();
    }
    // The server may hand on the round's last answers after a program's round trip: asked again
    // until nothing more comes, while no other round runs.
    for (std::vector<std::size_t> again = answered(); again != counts; again = answered())
        counts = again;
    EXPECT_EQ(std::accumulate(counts.begin(), counts.end(), 0u), 256u);
    for (std::size_t program = 0; program < counts.size(); ++program)
        EXPECT_LE(counts[program], 4u) << "program " << program;
    served.clock.go();
}

// The name of a type is kept only as long as a type's can be: a drag offering nothing else is
// refused, as one offering a type of no family we take. Names of a great many types cost little
// memory, whatever drags offer them.
TEST(X11DropTarget, NamesOfTypesAreKeptShortAndFew) {
    Served served({QStringLiteral("image/*")});
    ASSERT_TRUE(served.serves());
    EXPECT_EQ(served.answer(test::neverNamedTypes(1, 0, "image")), accepted);
    EXPECT_EQ(served.answer(test::neverNamedTypes(1, 300, "image")), refused);

    // What the heap holds, of every thread.
    const std::size_t before = ::mallinfo2().uordblks;
    // 40,000 names of 250 bytes, 64 a drag, as many at a time as the target asks names.
    for (int batch = 0; batch < 40; ++batch) {
        test::ForeignDrag drags(served.id, 16);
        for (int source = 0; source < 16; ++source)
            drags.enter(test::neverNamedTypes(64, 250, "image"), source);
        ASSERT_TRUE(served.caughtUp());
    }
    const std::size_t after = ::mallinfo2().uordblks;
    EXPECT_LT(after > before ? after - before : 0, 8u << 20);
}

// Another client destroying the window's proxy has it made again at once and named (a drag through
// it is answered), whether its changes were heard or read back; destroyed again right away, it is
// made again a quarter second after the last time, by the target's clock.
TEST(X11DropTarget, ADestroyedProxyIsMadeAgainAndNamedAQuarterSecondApart) {
    test::LogLines log("app");
    Served served({QStringLiteral("text/uri-list")});
    ASSERT_TRUE(served.serves());
    const auto destroyed = [&] {
        return test::tamperWithDropProxy(served.id, test::ProxyTampering::destroyProxy);
    };
    const auto madeAgain = [&] { return test::waitUntil([&] { return test::dropProxyOf(served.id) != 0; }); };

    ASSERT_TRUE(destroyed());
    ASSERT_TRUE(madeAgain());
    EXPECT_EQ(served.answer(), accepted);
    EXPECT_EQ(log.count("Drop proxy window destroyed by another program: made again"), 1);

    ASSERT_TRUE(destroyed());
    // The target has heard of it, and sent what it did then.
    ASSERT_TRUE(served.caughtUp());
    ASSERT_TRUE(served.caughtUp());
    EXPECT_EQ(test::dropProxyOf(served.id), 0u);
    served.clock.advance(XdndWindows::remakeApart);
    served.target.catchUp();
    ASSERT_TRUE(madeAgain());
    EXPECT_EQ(served.answer(), accepted);

    // Long after: its changes are heard again, no longer read back.
    served.clock.advance(XdndWindows::deafFor + 1s);
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(served.caughtUp());
    ASSERT_TRUE(destroyed());
    ASSERT_TRUE(madeAgain());
    EXPECT_EQ(served.answer(), accepted);
}

// Another client ending the target's connection while it reads a backlog and awaits the name of a
// type: the connection is opened again with the window's proxy, and what it awaited is forgotten
// rather than taken from the new one, which has not asked it (the connection lost had sent more
// requests than the new one will for a while). The next drag offering that type is answered by
// its name.
TEST(X11DropTarget, AConnectionEndedByAnotherClientIsOpenedAgainWithItsWindowsAndNothingItAwaited) {
    test::LogLines log("app");
    Served served({QStringLiteral("image/*")});
    ASSERT_TRUE(served.serves());
    for (int i = 0; i < 200; ++i)
        ASSERT_TRUE(served.caughtUp());
    const std::vector<std::string> type = test::neverNamedTypes(1, 0, "image");
    test::ForeignDrag before(served.id);
    ASSERT_TRUE(served.clock.stop(served.target));
    test::sendEntersFromNoWindows(served.id, 400);
    before.enter(type);
    // More than a round reads: the round that reads up to the end of the connection awaits the
    // name it asked.
    test::sendEntersFromNoWindows(served.id, 20000);
    ASSERT_TRUE(served.clock.oneRound(served.target));
    before.answersSoFar();
    ASSERT_TRUE(test::tamperWithDropProxy(served.id, test::ProxyTampering::killProxyClient));
    served.clock.go();
    ASSERT_TRUE(
        test::waitUntil([&] { return log.count("Drop target's X connection was lost: opened again") >= 1; }));
    ASSERT_TRUE(served.serves());
    test::ForeignDrag after(served.id);
    after.enter(type);
    after.position(300, 250);
    EXPECT_EQ(after.answers(1), accepted);
}

// Past a few lists of types asked at once, a drag whose types are listed is asked its list only if
// it holds the drag's data, as a person's drag does: another is refused, as a flood of made-up
// drags is, without a request each.
TEST(X11DropTarget, PastAFewListsOfTypesAskedOnlyThatOfTheDragHoldingItsDataIsAsked) {
    Served served({QStringLiteral("text/uri-list")});
    ASSERT_TRUE(served.serves());
    test::ForeignDrag drags(served.id, 2);
    drags.holdData(1);
    const std::vector<std::string> listed = {"x-quorvane/a", "x-quorvane/b", "x-quorvane/c", "text/uri-list"};
    drags.offer(listed, 0);
    drags.offer(listed, 1);
    ASSERT_TRUE(served.caughtUp());
    ASSERT_TRUE(served.clock.stop(served.target));
    test::sendEntersFromNoWindows(served.id, 300, test::Offered::listed);
    for (int source = 0; source < 2; ++source) {
        drags.enter(listed, source);
        drags.position(300, 250, 0, source);
    }
    served.clock.go();
    EXPECT_EQ(drags.answers(1, 0), refused);
    EXPECT_EQ(drags.answers(1, 1), accepted);
}

// A drag whose source holds the drag's data, as a person's does, is known to be there: made-up drags
// of its program, more than a program's drags followed, push out their own, and it is answered on.
TEST(X11DropTarget, ADragHoldingItsDataIsNotPushedOutByMadeUpDragsOfItsProgram) {
    Served served({QStringLiteral("text/uri-list")});
    ASSERT_TRUE(served.serves());
    test::ForeignDrag person(served.id);
    person.holdData();
    person.enter();
    person.position(300, 250);
    ASSERT_EQ(person.answers(1), accepted);
    test::sendEntersFromNoWindows(served.id, 100, test::Offered::inMessage, person.window());
    person.position(310, 250);
    EXPECT_EQ(person.answers(2), std::vector<std::string>(2, "accept"));
}

} // namespace
} // namespace quorvane
