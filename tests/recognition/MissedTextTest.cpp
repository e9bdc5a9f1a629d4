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

} // namespace
} // namespace quorvane
