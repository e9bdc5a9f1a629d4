// What an offer hands over is bounded as another program's is: its list of formats, and its bytes
// no further than the reader takes.

#include "platform/MimeDataOffer.h"
#include "platform/X11SelectionOffer.h"
#include "platform/X11SelectionReader.h"

#include <QMimeData>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

// A drag that lists thousands of types: only the first thousand are kept, as for the clipboard.
TEST(ClipboardOffer, ADragKeepsTheFirstThousandOfItsTypes) {
    QStringList types;
    for (int i = 0; i < 5000; ++i)
        types.append(QStringLiteral("x-quorvane/format-%1").arg(i));
    X11SelectionOffer offer("XdndSelection", 0, types);
    const QStringList kept = offer.formats();
    EXPECT_EQ(kept.size(), X11SelectionReader::mostTargets);
    EXPECT_TRUE(kept == types.first(X11SelectionReader::mostTargets)) << "the first, in their order";
}

// Contents of this process longer than the reader takes are refused as too long, with their
// length and first bytes, as another program's are: never taken for an empty offer.
TEST(ClipboardOffer, InProcessContentsLongerThanTakenAreRefused) {
    QByteArray bytes(100'000, '\0');
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i % 251);
    QMimeData contents;
    contents.setData("image/png", bytes);
    MimeDataOffer offer(contents);
    EXPECT_EQ(offer.read("image/png", {bytes.size(), {}, {}}).value(), bytes);
    const auto refused = offer.read("image/png", {bytes.size() - 1, {}, {}});
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error(), (ClipboardReadError{ClipboardReadError::Kind::tooLong, bytes.size(),
                                                   bytes.first(ClipboardLimit::headLength)}));
}

} // namespace
} // namespace quorvane
