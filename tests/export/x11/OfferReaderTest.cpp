#include "export/OfferReader.h"

#include "platform/X11SelectionOffer.h"
#include "support/ClipboardOffer.h"
#include "support/WaitUntil.h"

#include <atomic>
#include <gtest/gtest.h>
#include <optional>

namespace quorvane {
namespace {

// A paste of another program's clipboard, waiting as long as its holder stays silent.
std::shared_ptr<X11SelectionOffer> pasteOfTheClipboard() {
    return std::make_shared<X11SelectionOffer>("CLIPBOARD", 0, QStringList{"image/png"},
                                               std::chrono::hours(1));
}

// A newer paste cancels the one underway: a holder that never answers holds up no later paste.
TEST(OfferReader, ANewerReadIsNotHeldUpByAHolderThatNeverAnswers) {
    OfferReader reader;
    const auto read = [](ClipboardOffer& offer) { return offer.read("image/png", {64, {}, {}}).ok(); };
    test::ClipboardOffer hung({"--type", "image/png", "--hang", "1", "--report", "1"});
    ASSERT_TRUE(hung.ready());
    const auto first = pasteOfTheClipboard();
    bool firstDone = false;
    reader.read(first, read, [&](bool) { firstDone = true; });
    ASSERT_TRUE(hung.says("request image/png"));

    test::ClipboardOffer answering({"--type", "image/png", "--size", "8"});
    ASSERT_TRUE(answering.ready());
    // The silent holder quits once the other takes the clipboard, which on a busy machine may end
    // its read before the newer one starts; once superseded, the read never comes back.
    const bool endedBeforeTheNewer = firstDone;
    std::optional<bool> second;
    reader.read(pasteOfTheClipboard(), read, [&](bool ok) { second = ok; });
    EXPECT_TRUE(test::waitUntil([&] { return second.has_value(); }));
    EXPECT_EQ(second, true);
    EXPECT_EQ(firstDone, endedBeforeTheNewer) << "a superseded read came back";
    // Were it still running, the reader's end would wait the hour out.
    first->cancel();
}

// A frozen program keeps its window: only the cancel ends the read it never answers, and the
// newer paste does not wait for that read's silence.
TEST(OfferReader, ANewerReadCancelsOneWhoseHolderStaysButNeverAnswers) {
    OfferReader reader;
    const auto read = [](ClipboardOffer& offer) { return offer.read("image/png", {64, {}, {}}).ok(); };
    test::ClipboardOffer frozen({"--type", "image/png", "--hang", "1", "--stay", "1", "--report", "1"});
    ASSERT_TRUE(frozen.ready());
    const auto first = pasteOfTheClipboard();
    std::atomic<bool> firstStopped = false;
    reader.read(
        first,
        [&](ClipboardOffer& offer) {
            const auto got = offer.read("image/png", {64, {}, {}});
            firstStopped = !got && got.error().kind == ClipboardReadError::Kind::stopped;
            return got.ok();
        },
        [](bool) { ADD_FAILURE() << "a superseded read came back"; });
    ASSERT_TRUE(frozen.says("request image/png"));

    test::ClipboardOffer answering({"--type", "image/png", "--size", "8"});
    ASSERT_TRUE(answering.ready());
    std::optional<bool> second;
    reader.read(pasteOfTheClipboard(), read, [&](bool ok) { second = ok; });
    const bool came = test::waitUntil([&] { return second.has_value(); });
    first->cancel();
    ASSERT_TRUE(came) << "the newer paste waited on the read it superseded";
    EXPECT_EQ(second, true);
    // One worker runs them in turn: the first ended, as cancelled, before the second began.
    EXPECT_TRUE(firstStopped);
}

} // namespace
} // namespace quorvane
