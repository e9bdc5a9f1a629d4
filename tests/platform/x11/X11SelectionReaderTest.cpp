#include "platform/X11SelectionReader.h"

#include "platform/X11SelectionDrain.h"
#include "support/ClipboardOffer.h"
#include "support/PeakMemory.h"
#include "support/TempDir.h"
#include "support/XConnections.h"

#include <QFile>
#include <QProcess>
#include <cstring>
#include <gtest/gtest.h>
#include <optional>
#include <thread>
#include <vector>

namespace quorvane {
namespace {

using Kind = ClipboardReadError::Kind;
using test::ClipboardOffer;

constexpr qsizetype kib = 1024;

// Bytes that differ from place to place, so that a piece lost, repeated or misplaced shows.
QByteArray pattern(qsizetype length) {
    QByteArray bytes(length, '\0');
    for (qsizetype i = 0; i < length; ++i)
        bytes[i] = static_cast<char>((i * 7 + i / 251) % 256);
    return bytes;
}

ClipboardLimit upTo(std::int64_t bytes) {
    return {bytes, {}, {}};
}

// Compares an offer of `start` and then zeros with what comes, piece by piece, keeping none of it.
class Comparing : public SelectionSink {
public:
    explicit Comparing(QByteArray start) : start_(std::move(start)) {}

    Next expect(std::int64_t, bool) override { return Next::more; }
    Next take(QByteArrayView piece) override {
        static const QByteArray zeros(1 << 20, '\0');
        largest = std::max<std::int64_t>(largest, piece.size());
        for (qsizetype at = 0; at < piece.size();) {
            const QByteArrayView expected =
                received < start_.size() ? QByteArrayView(start_).sliced(received) : QByteArrayView(zeros);
            const qsizetype length = std::min(piece.size() - at, expected.size());
            same = same && std::memcmp(piece.data() + at, expected.data(), length) == 0;
            at += length;
            received += length;
        }
        return Next::more;
    }
    Next end() override { return Next::more; }
    std::int64_t room() const override { return std::int64_t{1} << 40; }

    std::int64_t received = 0;
    std::int64_t largest = 0;
    bool same = true;

private:
    QByteArray start_;
};

// Once the holder heard a request for `target` sent now, it has heard every one sent before.
bool heardAllBefore(ClipboardOffer& holder, const QString& target) {
    QProcess xclip;
    xclip.start("xclip", {"-selection", "clipboard", "-o", "-t", target});
    const bool heard = holder.says("request " + target);
    xclip.kill();
    xclip.waitForFinished();
    return heard;
}

class X11SelectionReading : public ::testing::Test {
protected:
    // The transfers a test gave up are let finish from the event loop, and end once it sees their
    // holders gone: the next test finds all the places for them free, as a running program would.
    void SetUp() override { sockets_ = test::openSockets(); }
    void TearDown() override {
        test::waitUntil([&] { return test::openSockets() <= sockets_; });
    }

    QString file(const QByteArray& bytes) {
        const QString path = QString::fromStdString((folder_ / "offer").string());
        QFile out(path);
        out.open(QIODevice::WriteOnly);
        out.write(bytes);
        return path;
    }

    test::TempDir folder_;
    int sockets_ = 0;
};

TEST_F(X11SelectionReading, ReadsOffersWholeOrPieceByPieceUpToTheLimit) {
    const QByteArray small = pattern(1000);
    {
        ClipboardOffer offer({"--type", "image/png", "--file", file(small)});
        ASSERT_TRUE(offer.ready());
        EXPECT_EQ(X11SelectionReader::read("image/png", upTo(1000)).value(), small);
        // What is not offered, and an offer longer than taken, are told apart.
        EXPECT_EQ(X11SelectionReader::read("image/gif", upTo(1000)).error().kind, Kind::unavailable);
        const auto refused = X11SelectionReader::read("image/png", upTo(999));
        EXPECT_EQ(refused.error(), (ClipboardReadError{Kind::tooLong, 1000, small}));
    }
    // Five pieces and a short one; taken when exactly as long as the limit, refused one byte over.
    const QByteArray large = pattern(640 * kib + 17);
    ClipboardOffer offer({"--type", "image/png", "--file", file(large)});
    ASSERT_TRUE(offer.ready());
    EXPECT_EQ(X11SelectionReader::read("image/png", upTo(large.size())).value(), large);
    const auto refused = X11SelectionReader::read("image/png", upTo(large.size() - 1));
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().kind, Kind::tooLong);
    EXPECT_EQ(refused.error().head, large.first(64 * kib));
    // The holder still serves whoever asks next.
    EXPECT_EQ(X11SelectionReader::read("image/png", upTo(large.size())).value(), large);
}

TEST_F(X11SelectionReading, RefusesAGigabyteAfterItsFirstBytesAnnouncedOrNot) {
    const QByteArray head = pattern(100);
    // Announced, as it is refused before anything is sent; unannounced (as xclip does), once the
    // first bytes tell that the rest is not needed.
    const ClipboardLimit limit{300 << 20, [](QByteArrayView first) { return first.size(); }};
    for (const char* announce : {"1073741824", "0"}) {
        SCOPED_TRACE(announce);
        ClipboardOffer offer(
            {"--type", "image/png", "--file", file(head), "--size", "1073741824", "--announce", announce});
        ASSERT_TRUE(offer.ready());
        const test::PeakMemory memory;
        const auto refused = X11SelectionReader::read("image/png", limit);
        ASSERT_FALSE(refused);
        EXPECT_EQ(refused.error().kind, Kind::tooLong);
        EXPECT_GE(refused.error().length, QByteArrayView(announce) == "0" ? 64 * kib : 1 << 30);
        EXPECT_EQ(refused.error().head.first(100), head);
        EXPECT_LT(memory.growth(), 64 << 20);
        // Left waiting by us, the holder still answers others.
        EXPECT_FALSE(X11SelectionReader::read("TARGETS", upTo(64)).value().isEmpty());
    }
}

TEST_F(X11SelectionReading, CountsPastAShortAnnouncementAndGivesUpOnSilence) {
    {
        // Announced as a kilobyte, sent as three megabytes: refused once past the limit.
        ClipboardOffer offer({"--type", "image/png", "--size", "3145728", "--announce", "1024"});
        ASSERT_TRUE(offer.ready());
        const auto refused = X11SelectionReader::read("image/png", upTo(1 << 20));
        ASSERT_FALSE(refused);
        EXPECT_EQ(refused.error().kind, Kind::tooLong);
        EXPECT_GT(refused.error().length, 1 << 20);
    }
    // A holder that stops after two pieces: given up after its silence, and still there after. The
    // silence is longer than a busy machine keeps it waiting between the pieces before.
    ClipboardOffer offer({"--type", "image/png", "--size", "1048576", "--stall-after", "262144"});
    ASSERT_TRUE(offer.ready());
    const auto stopped =
        X11SelectionReader::read("image/png", upTo(1 << 20), std::chrono::milliseconds(test::bound(1000)));
    ASSERT_FALSE(stopped);
    EXPECT_EQ(stopped.error(), (ClipboardReadError{Kind::stopped, 256 * kib, {}}));
    EXPECT_FALSE(X11SelectionReader::read("TARGETS", upTo(64)).value().isEmpty());
}

TEST_F(X11SelectionReading, XclipServesTheNextReaderOnceARefusedTransferDrained) {
    const QByteArray bytes = pattern(3 << 20);
    ASSERT_EQ(QProcess::execute("xclip", {"-selection", "clipboard", "-t", "image/png", "-i", file(bytes)}),
              0);
    // From a process of its own, which holds the clipboard soon after.
    ASSERT_TRUE(test::waitUntil([] { return X11SelectionReader::read("TARGETS", upTo(64)).ok(); }));
    EXPECT_EQ(X11SelectionReader::read("image/png", upTo(1 << 20)).error().kind, Kind::tooLong);
    // xclip serves one reader at a time: the next gets everything once the event loop let the
    // refused transfer finish.
    EXPECT_TRUE(test::waitUntil([&] {
        const auto again =
            X11SelectionReader::read("image/png", upTo(4 << 20), std::chrono::milliseconds(test::bound(200)));
        return again.ok() && again.value() == bytes;
    }));
    // xclip ends when another program takes the clipboard.
    ClipboardOffer other({"--type", "text/plain", "--size", "1"});
    EXPECT_TRUE(other.ready());
}

TEST_F(X11SelectionReading, TakesTheFirstThousandFormatsOfAVeryLongList) {
    ClipboardOffer offer({"--type", "image/png", "--size", "8", "--targets", "60000"});
    ASSERT_TRUE(offer.ready());
    const auto formats = X11SelectionReader::targets({});
    ASSERT_TRUE(formats);
    ASSERT_EQ(formats->size(), X11SelectionReader::mostTargets);
    EXPECT_EQ(formats->mid(0, 3), (QStringList{"TARGETS", "image/png", "x-quorvane/format-0"}));
    EXPECT_EQ(formats->last(), "x-quorvane/format-997");
    // The holder still serves the format itself.
    EXPECT_EQ(X11SelectionReader::read("image/png", upTo(8)).value(), QByteArray(8, '\0'));
}

TEST_F(X11SelectionReading, ACancelledReadEndsThoughItsHolderNeverAnswers) {
    ClipboardOffer hung({"--type", "image/png", "--hang", "1", "--report", "1"});
    ASSERT_TRUE(hung.ready());
    std::atomic<bool> cancelled{false};
    std::atomic<bool> ended{false};
    std::optional<Result<QStringList, ClipboardReadError>> formats;
    std::thread reader([&] {
        formats = X11SelectionReader::targets({"CLIPBOARD", {}, 0, std::chrono::minutes(1)}, &cancelled);
        ended = true;
    });
    EXPECT_TRUE(hung.says("request TARGETS"));
    cancelled = true;
    EXPECT_TRUE(test::waitUntil([&] { return ended.load(); }));
    reader.join();
    ASSERT_FALSE(*formats);
    EXPECT_EQ(formats->error().kind, Kind::stopped);
}

TEST_F(X11SelectionReading, AnOverLimitTransferIsLetFinishForItsHolderOrAbandoned) {
    {
        // Announced longer than taken, by a holder that serves one reader at a time (as xclip does):
        // let finish, it serves the next reader.
        ClipboardOffer single(
            {"--type", "image/png", "--size", "4194304", "--piece", "1048576", "--one-at-a-time", "1"});
        ASSERT_TRUE(single.ready());
        EXPECT_EQ(X11SelectionReader::read("image/png", upTo(1 << 20)).error().kind, Kind::tooLong);
        EXPECT_TRUE(test::waitUntil([] {
            const auto again = X11SelectionReader::read("image/png", upTo(4 << 20),
                                                        std::chrono::milliseconds(test::bound(200)));
            return again.ok() && again->size() == 4 << 20;
        }));
    }
    // A holder that never ends, a byte at a time: a few are let finish at once and for a while, the
    // others are abandoned at once, with their X connections.
    ClipboardOffer endless(
        {"--type", "image/png", "--size", "1073741824", "--piece", "1", "--trickle", "50", "--report", "1"});
    ASSERT_TRUE(endless.ready());
    const int before = test::openSockets();
    const std::chrono::milliseconds silence(test::bound(500));
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(X11SelectionReader::read("image/png", upTo(1 << 20), silence).error().kind, Kind::tooLong);
        EXPECT_LE(test::openSockets(), before + X11SelectionDrain::mostAtOnce);
    }
    EXPECT_TRUE(test::waitUntil([&] { return endless.output().count("reader gone") == 6; }));
}

TEST_F(X11SelectionReading, ReadsAPropertyOfHundredsOfMegabytesAMebibyteAtATime) {
    const QByteArray start = pattern(3 * 1024 * kib + 5);
    ClipboardOffer offer({"--type", "image/png", "--file", file(start), "--size", "268435456",
                          "--incremental-above", "1073741824"});
    ASSERT_TRUE(offer.ready());
    Comparing sink(start);
    // The holder takes a while to write it all.
    X11SelectionTransfer transfer({"CLIPBOARD", "image/png", 0, std::chrono::minutes(1)});
    ASSERT_TRUE(transfer.receive(sink));
    EXPECT_EQ(sink.received, 268435456);
    EXPECT_TRUE(sink.same);
    EXPECT_LE(sink.largest, 1024 * kib);
}

TEST_F(X11SelectionReading, TakesTheFirstThousandFormatsOfAListSentPieceByPiece) {
    // The rest of the list never comes: it is not waited for.
    ClipboardOffer offer({"--type", "image/png", "--size", "8", "--targets", "2000", "--incremental-targets",
                          "1", "--piece", "1024", "--stall-after", "4096"});
    ASSERT_TRUE(offer.ready());
    const auto formats = X11SelectionReader::targets({});
    ASSERT_TRUE(formats);
    ASSERT_EQ(formats->size(), X11SelectionReader::mostTargets);
    EXPECT_EQ(formats->mid(0, 3), (QStringList{"TARGETS", "image/png", "x-quorvane/format-0"}));
}

// Four transfers ask at once; one more asks only once one of them ended, and never once cancelled
// while it waits: it ends at once.
TEST_F(X11SelectionReading, FourTransfersAskAtOnceAndOneMoreWaitsForAPlaceOrItsCancel) {
    ClipboardOffer hung({"--type", "image/png", "--hang", "1", "--report", "1"});
    ASSERT_TRUE(hung.ready());
    const X11SelectionTransfer::Request request{"CLIPBOARD", "image/png", 0, std::chrono::minutes(1)};
    const auto asked = [&] { return hung.output().count("request image/png"); };
    std::vector<std::unique_ptr<X11SelectionTransfer>> held;
    for (int i = 0; i < 4; ++i)
        held.push_back(std::make_unique<X11SelectionTransfer>(request));
    X11SelectionTransfer fifth(request);
    ASSERT_TRUE(heardAllBefore(hung, "text/x-first"));
    EXPECT_EQ(asked(), 4);
    Comparing sink({});
    std::atomic<bool> cancelled = false;
    std::thread waiting([&] { EXPECT_EQ(fifth.receive(sink, &cancelled).error().kind, Kind::stopped); });
    held.pop_back();
    EXPECT_TRUE(test::waitUntil([&] { return asked() == 5; }));
    cancelled = true;
    waiting.join();

    X11SelectionTransfer sixth(request);
    std::atomic<bool> sixthCancelled = false;
    std::atomic<bool> ended = false;
    std::thread cancelledWhileWaiting([&] {
        EXPECT_EQ(sixth.receive(sink, &sixthCancelled).error().kind, Kind::stopped);
        ended = true;
    });
    // A moment to reach its wait; cancelled sooner, it would end as soon without proving more.
    test::pause(100);
    sixthCancelled = true;
    const bool endedSoon = test::waitUntil([&] { return ended.load(); });
    // Were it still waiting, it would take this place and ask.
    held.clear();
    cancelledWhileWaiting.join();
    EXPECT_TRUE(endedSoon) << "a cancelled transfer went on waiting for a place";
    ASSERT_TRUE(heardAllBefore(hung, "text/x-second"));
    EXPECT_EQ(asked(), 5);
}

// A holder that quits ends a transfer waiting for it, and a drain of one given up, at once:
// neither waits out the silence, nor keeps a place meanwhile.
TEST_F(X11SelectionReading, AHolderQuittingEndsItsTransferAndItsDrainAtOnce) {
    const std::chrono::milliseconds silence(test::bound(30000));
    auto stalled = std::make_unique<ClipboardOffer>(
        QStringList{"--type", "image/png", "--size", "1048576", "--stall-after", "262144", "--report", "1"});
    ASSERT_TRUE(stalled->ready());
    std::atomic<bool> ended = false;
    std::thread reading([&] {
        EXPECT_EQ(X11SelectionReader::read("image/png", upTo(1 << 20), silence).error().kind, Kind::stopped);
        ended = true;
    });
    ASSERT_TRUE(stalled->says("request image/png"));
    stalled.reset();
    EXPECT_TRUE(test::waitUntil([&] { return ended.load(); })) << "waited out the silence of a holder gone";
    reading.join();

    auto endless = std::make_unique<ClipboardOffer>(
        QStringList{"--type", "image/png", "--size", "1073741824", "--piece", "1", "--trickle", "50"});
    ASSERT_TRUE(endless->ready());
    const int before = test::openSockets();
    EXPECT_EQ(X11SelectionReader::read("image/png", upTo(1 << 20), silence).error().kind, Kind::tooLong);
    ASSERT_EQ(test::openSockets(), before + 1);
    endless.reset();
    EXPECT_TRUE(test::waitUntil([&] { return test::openSockets() <= before; }))
        << "a drain kept its place after its holder quit";
}

// A holder whose window is gone costs neither a wait nor a connection: gone before it could be
// watched, it ends the read at once though it never says so; gone as it writes a transfer that is
// then given up, the transfer is closed, not let run on.
TEST_F(X11SelectionReading, AHolderWhoseWindowIsGoneEndsItsTransferAtOnce) {
    {
        // Each window holds the clipboard only until the next one does: the one a read is told of
        // is destroyed before the read's request to watch it arrives, unless the server happens to
        // turn to that request first. A few reads, so that one at least finds it gone.
        ClipboardOffer fleeting({"--fleeting", "1"});
        ASSERT_TRUE(fleeting.ready());
        for (int read = 0; read < 5; ++read) {
            X11SelectionTransfer transfer({"CLIPBOARD", "image/png", 0, std::chrono::minutes(1)});
            Comparing sink({});
            std::atomic<bool> cancelled = false;
            std::atomic<bool> ended = false;
            std::thread reading([&] {
                EXPECT_FALSE(transfer.receive(sink, &cancelled));
                ended = true;
            });
            const bool endedSoon = test::waitUntil([&] { return ended.load(); });
            cancelled = true;
            reading.join();
            ASSERT_TRUE(endedSoon) << "waited out the silence of a holder gone before it was watched";
        }
    }
    // Announced longer than taken: given up on the first piece, which its holder writes just after
    // destroying its window. The server may send the window's end apart from the piece, and the
    // transfer then stops before the piece comes: a few holders, so that one at least sends both.
    for (int holder = 0; holder < 5; ++holder) {
        ClipboardOffer closing({"--type", "image/png", "--size", "1073741824", "--piece", "1", "--trickle",
                                "50", "--close-window-at", "0"});
        ASSERT_TRUE(closing.ready());
        const int before = test::openSockets();
        EXPECT_EQ(X11SelectionReader::read("image/png", upTo(1 << 20), std::chrono::minutes(1)).error().kind,
                  Kind::tooLong);
        ASSERT_EQ(test::openSockets(), before) << "a transfer whose holder is gone was let run on";
    }
}

// Two transfers given up are let finish at once; the third is abandoned at once, its window with it.
TEST_F(X11SelectionReading, TwoGivenUpTransfersDrainAndAThirdIsAbandoned) {
    ClipboardOffer endless(
        {"--type", "image/png", "--size", "1073741824", "--piece", "1", "--trickle", "50", "--report", "1"});
    ASSERT_TRUE(endless.ready());
    const std::chrono::milliseconds silence(test::bound(30000));
    const int before = test::openSockets();
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(X11SelectionReader::read("image/png", upTo(1 << 20), silence).error().kind, Kind::tooLong);
    EXPECT_EQ(test::openSockets(), before + 2);
    EXPECT_EQ(X11SelectionReader::read("image/png", upTo(1 << 20), silence).error().kind, Kind::tooLong);
    EXPECT_TRUE(endless.says("reader gone"));
    EXPECT_EQ(test::openSockets(), before + 2);
    EXPECT_EQ(endless.output().count("reader gone"), 1);
}

} // namespace
} // namespace quorvane
