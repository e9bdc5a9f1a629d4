#include "recognition/MissedText.h"

#include "support/TextImages.h"

#include <QPainter>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

TEST(MissedText, FindsTheEntriesBesideTheOnesTheLayoutFoundAndTheTextOnAFill) {
    QImage page = test::whiteImage(400, 260);
    QPainter(&page).fillRect(0, 0, 200, 260, QColor(0xeb, 0xeb, 0xeb));
    QPainter(&page).fillRect(8, 40, 184, 28, QColor(0x2a, 0x6a, 0xd8));
    const QRect general = test::drawText(page, QStringLiteral("General"), {20, 14}, 13);
    const QRect selected = test::drawText(page, QStringLiteral("Capture"), {20, 46}, 13, false, Qt::white);
    const QRect missed = test::drawText(page, QStringLiteral("Annotations"), {20, 78}, 13);
    // An icon, as high as it is wide, is no text.
    QPainter(&page).fillRect(20, 120, 16, 16, Qt::black);
    const QImage flat = page.convertToFormat(QImage::Format_RGBX8888);

    const QRect found(general.x(), general.y() + 3, general.width() - 4, 10);
    const TextEngine::Block block{found, {{found, {found}}}};
    const auto pieces = MissedText::find(flat, {block}, {{found, 10}});
    ASSERT_EQ(pieces.size(), 2u);
    // The selected entry's own text, not its fill; the next entry whole.
    EXPECT_TRUE(selected.contains(pieces[0].box)) << pieces[0].box.y();
    EXPECT_LT(pieces[0].box.width(), 100);
    EXPECT_TRUE(missed.adjusted(-1, -1, 1, 1).contains(pieces[1].box));
    EXPECT_GT(pieces[1].box.width(), missed.width() / 2);

    // Without anything found by the layout, nothing is made up.
    EXPECT_TRUE(MissedText::find(flat, {}, {}).empty());
}

TEST(MissedText, FindsTheLightTextOfADarkPanelTakenForAPicture) {
    QImage page = test::whiteImage(600, 120);
    // Too high to be a row of text on the page: its text is looked for on the panel's own paper.
    QPainter(&page).fillRect(20, 10, 260, 60, QColor(0x24, 0x29, 0x2f));
    const QRect links =
        test::drawText(page, QStringLiteral("Docs Blog Help"), {40, 30}, 13, false, QColor(0xc9, 0xd1, 0xd9));
    const QRect text = test::drawText(page, QStringLiteral("Text beside the panel"), {320, 30}, 14);
    const QImage flat = page.convertToFormat(QImage::Format_RGBX8888);

    const TextEngine::Block block{text, {{text, {text}}}};
    const TextEngine::Block panel{{20, 10, 260, 60}, {}, TextEngine::Block::Kind::picture};
    const auto pieces = MissedText::find(flat, {block, panel}, {{text, text.height()}});
    // The text on the panel, whole, and nothing of the white page beside it.
    ASSERT_EQ(pieces.size(), 1u);
    EXPECT_TRUE(links.adjusted(-1, -1, 1, 1).contains(pieces[0].box)) << pieces[0].box.x();
    EXPECT_GT(pieces[0].box.width(), links.width() * 3 / 4);
}

} // namespace
} // namespace quorvane
