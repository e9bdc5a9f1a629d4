#include "platform/SystemClipboard.h"

#include "platform/X11SelectionTransfer.h"
#include "support/ClipboardOffer.h"
#include "support/WaitUntil.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QProcess>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace quorvane {
namespace {

// What another client reads from the clipboard, without running our event loop: while we still
// own it nobody answers, and the reader is given up after a moment (longer on a busy machine).
QByteArray readWithoutUs() {
    QProcess xclip;
    xclip.start("xclip", {"-selection", "clipboard", "-o"});
    if (!xclip.waitForFinished(test::bound(300))) {
        xclip.kill();
        xclip.waitForFinished();
        return {};
    }
    return xclip.readAllStandardOutput();
}

TEST(SystemClipboard, CountsAnotherClientsWriteBeforeQtHasDeliveredIt) {
    SystemClipboard clipboard(*QGuiApplication::clipboard());
    ASSERT_TRUE(clipboard.writeText("ours"));
    const auto ours = clipboard.changeCount();
    // Qt's own notice of our write, arriving later, is no change by someone else: the server sent
    // it before it answers a round trip, and Qt has handled what came before the answer.
    QGuiApplication::sync();
    EXPECT_EQ(clipboard.changeCount(), ours);

    QProcess xclip;
    xclip.start("xclip", {"-selection", "clipboard", "-i", "-quiet"});
    ASSERT_TRUE(xclip.waitForStarted());
    xclip.write("theirs");
    // Written now, not when our event loop would run.
    ASSERT_TRUE(xclip.waitForBytesWritten());
    xclip.closeWriteChannel();
    bool taken = false;
    for (int i = 0; i < 50 && !taken; ++i)
        taken = readWithoutUs() == "theirs";
    ASSERT_TRUE(taken);
    // Our event loop has not run: only the round trip can know.
    EXPECT_NE(clipboard.changeCount(), ours);
    xclip.kill();
    xclip.waitForFinished();
}

TEST(SystemClipboard, AHolderThatNeverAnswersOffersNothingAndIsAskedOncePerChange) {
    SystemClipboard clipboard(*QGuiApplication::clipboard(), std::chrono::milliseconds(test::bound(300)));
    int changes = 0;
    QObject::connect(&clipboard, &Clipboard::offerChanged, [&] { ++changes; });
    test::ClipboardOffer hung({"--type", "image/png", "--hang", "1", "--report", "1"});
    ASSERT_TRUE(hung.ready());
    // Asked in the background, as a menu that opens asks: nothing is known yet, and the answer's
    // silence comes as a change.
    const int before = changes;
    ASSERT_TRUE(test::waitUntil([&] {
        EXPECT_TRUE(clipboard.offeredFormats().isEmpty());
        return hung.output().contains("request TARGETS");
    }));
    ASSERT_TRUE(test::waitUntil([&] { return changes > before; }));
    for (int i = 0; i < 20; ++i)
        EXPECT_TRUE(clipboard.offeredFormats().isEmpty());
    QGuiApplication::sync();
    test::pause(test::bound(100));
    EXPECT_EQ(hung.output().count("request TARGETS"), 1) << hung.output().toStdString();

    // New contents are asked for again, and what they offer is known once they answer.
    test::ClipboardOffer answering({"--type", "image/png", "--size", "8"});
    ASSERT_TRUE(answering.ready());
    EXPECT_TRUE(test::waitUntil([&] { return clipboard.offeredFormats().contains("image/png"); }));
}

// Contents that change while their holder's predecessor is being asked (a frozen program that
// keeps its window) end that question, and are asked about once it ended, with nobody asking
// again: a paste then knows what they offer.
TEST(SystemClipboard, ContentsChangedDuringAQuestionAreAskedAboutOnceItEnds) {
    SystemClipboard clipboard(*QGuiApplication::clipboard(), std::chrono::milliseconds(test::bound(30000)));
    test::ClipboardOffer frozen({"--type", "image/png", "--hang", "1", "--stay", "1", "--report", "1"});
    ASSERT_TRUE(frozen.ready());
    ASSERT_TRUE(test::waitUntil([&] {
        EXPECT_TRUE(clipboard.offeredFormats().isEmpty());
        return frozen.output().contains("request TARGETS");
    }));
    test::ClipboardOffer next({"--type", "image/png", "--size", "8", "--report", "1"});
    ASSERT_TRUE(next.ready());
    EXPECT_TRUE(next.says("request TARGETS")) << "the new contents were never asked about";
    EXPECT_TRUE(test::waitUntil([&] { return clipboard.offeredFormats().contains("image/png"); }));
    EXPECT_EQ(next.output().count("request TARGETS"), 1);
}

TEST(SystemClipboard, AfterAnyChurnTheNextHolderIsAskedForItsFormatsOnce) {
    SystemClipboard clipboard(*QGuiApplication::clipboard());
    // Two thousand changes in ten seconds, between holders that never answer.
    test::ClipboardOffer churn({"--churn", "2000", "--every", "5"});
    ASSERT_TRUE(churn.ready());
    ASSERT_TRUE(test::waitUntil([&] { return churn.output().contains("churned"); }, 60000));
    test::ClipboardOffer next({"--type", "image/png", "--size", "8", "--report", "1"});
    ASSERT_TRUE(next.ready());
    ASSERT_TRUE(test::waitUntil([&] { return clipboard.offeredFormats().contains("image/png"); }, 30000));
    EXPECT_LE(next.output().count("request TARGETS"), 2) << next.output().count("request TARGETS");
}

// Another program that takes the clipboard from us at the very time we took it (Qt then goes on
// believing it holds it, and signals nothing) is heard of by the server's notice: its contents
// are counted and asked about at once, with nothing reading the clipboard, so that Paste offers
// them. A program taking it the usual way is heard of by Qt and by the notice, and its change is
// told once (and once more when its formats came).
TEST(SystemClipboard, AnotherProgramsCopyOverOursIsHeardOfOnceWhoeverTellsIt) {
    // Notices an earlier test left unhandled go first: Qt would otherwise refuse our write.
    QGuiApplication::sync();
    QCoreApplication::processEvents();
    SystemClipboard clipboard(*QGuiApplication::clipboard());
    ASSERT_TRUE(clipboard.writeText("ours"));
    int changes = 0;
    QObject::connect(&clipboard, &Clipboard::offerChanged, [&] { ++changes; });
    test::ClipboardOffer sameTime(
        {"--type", "image/png", "--size", "8", "--holders-time", "1", "--report", "1"});
    ASSERT_TRUE(sameTime.ready());
    EXPECT_TRUE(test::waitUntil([&] { return sameTime.output().contains("request TARGETS"); }))
        << "never asked";
    EXPECT_TRUE(test::waitUntil([&] { return changes > 0; }));
    EXPECT_TRUE(test::waitUntil([&] { return clipboard.offeredFormats().contains("image/png"); }));

    test::ClipboardOffer usual({"--type", "image/jpeg", "--size", "8", "--report", "1"});
    changes = 0;
    ASSERT_TRUE(usual.ready());
    ASSERT_TRUE(test::waitUntil([&] { return clipboard.offeredFormats().contains("image/jpeg"); }));
    // Both notices handled: the server's, and Qt's own, which it sent before it answers this.
    QGuiApplication::sync();
    QCoreApplication::processEvents();
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(usual.output().count("request TARGETS"), 1);
}

// While nobody holds the clipboard, nothing is asked: a question sent then, waiting for one of the
// few connections kept for other programs' transfers, would reach the next holder on its
// behalf, which would then be asked twice.
TEST(SystemClipboard, NobodyIsAskedWhileNobodyHoldsTheClipboard) {
    SystemClipboard clipboard(*QGuiApplication::clipboard(), std::chrono::milliseconds(test::bound(30000)));
    auto first = std::make_unique<test::ClipboardOffer>(QStringList{"--type", "image/png", "--size", "8"});
    ASSERT_TRUE(first->ready());
    ASSERT_TRUE(test::waitUntil([&] { return clipboard.offeredFormats().contains("image/png"); }));
    // Every connection for other programs' transfers taken, as by drops underway; answered, so
    // that none is left to drain once they end.
    std::vector<std::unique_ptr<X11SelectionTransfer>> busy;
    struct : SelectionSink {
        Next expect(std::int64_t, bool) override { return Next::enough; }
        Next take(QByteArrayView) override { return Next::enough; }
        Next end() override { return Next::enough; }
        std::int64_t room() const override { return 0; }
    } nothing;
    for (int i = 0; i < X11SelectionTransfer::mostAtOnce; ++i) {
        busy.push_back(std::make_unique<X11SelectionTransfer>(
            X11SelectionTransfer::Request{QByteArrayLiteral("CLIPBOARD"), QByteArrayLiteral("TARGETS")}));
        ASSERT_TRUE(busy.back()->receive(nothing).ok());
    }
    int changes = 0;
    QObject::connect(&clipboard, &Clipboard::offerChanged, [&] { ++changes; });
    // Its window goes with it: nobody holds the clipboard.
    first.reset();
    ASSERT_TRUE(test::waitUntil([&] { return changes > 0; }));
    // The next holder comes, and the connections are free again, before we hear of it.
    test::ClipboardOffer next({"--type", "image/png", "--size", "8", "--report", "1"});
    ASSERT_TRUE(next.saysWhileEventsWait("ready"));
    busy.clear();
    // A question waiting for a connection would go out now.
    next.saysWhileEventsWait("request TARGETS", 1000);
    ASSERT_TRUE(test::waitUntil([&] { return clipboard.offeredFormats().contains("image/png"); }));
    QGuiApplication::sync();
    QCoreApplication::processEvents();
    EXPECT_EQ(next.output().count("request TARGETS"), 1) << next.output().toStdString();
}

} // namespace
} // namespace quorvane
