#include "recognition/LineImage.h"

#include "support/PageDrawer.h"
#include "support/QtPrinters.h"
#include "support/TextImages.h"

#include <QPainter>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

QImage rgbx(const QImage& image) {
    return image.convertToFormat(QImage::Format_RGBX8888);
}

// The box of the pixels darker than mid-grey in `area`.
QRect inkIn(const QImage& image, const QRect& area) {
    QRect ink;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(image.pixel(x, y)) < 128) ink |= QRect(x, y, 1, 1);
    return ink;
}

TEST(LineImage, FitsWordBoxesToTheirInkAndNoOtherLine) {
    QImage page = test::whiteImage(400, 80);
    const QRect above = test::drawText(page, QStringLiteral("Window title above"), {10, 4}, 16);
    const QRect first = test::drawText(page, QStringLiteral("Notes"), {10, 30}, 16);
    const QRect second = test::drawText(page, QStringLiteral("here"), {first.right() + 6, 30}, 16);
    const QImage flat = rgbx(page);
    const QRect notes = inkIn(flat, first), here = inkIn(flat, second);
    const QRect line = notes | here, top = inkIn(flat, above);
    const LineImage image(flat, flat, 1, line, line.height(), {top});
    // The engine placed the first word short ("Not"), and the second taller, up and to the left.
    const auto fitted =
        image.fitted({QRectF(notes.left(), notes.top(), notes.width() * 0.6, notes.height()),
                      QRectF(here.left() - 4, top.top(), here.width() + 4, here.bottom() - top.top())});
    ASSERT_EQ(fitted.size(), 2u);
    for (const auto& [box, ink] : {std::pair(fitted[0], notes), std::pair(fitted[1], here)}) {
        EXPECT_TRUE(box.contains(QRectF(ink)))
            << box.x() << "," << box.y() << " " << box.width() << "x" << box.height();
        EXPECT_TRUE(QRectF(ink.adjusted(-1, -1, 1, 1)).contains(box));
    }

    // On an image drawn twice as large, boxes come back in pixels of the image as given.
    const QImage enlarged = flat.scaled(flat.size() * 2);
    const LineImage doubled(flat, enlarged, 2, line, line.height(), {top});
    EXPECT_EQ(doubled.toSource(QRectF(10, 20, 30, 40)).size(), QSizeF(15, 20));
    // The line above is not in the image the engine reads, however near.
    const QImage read = doubled.image();
    for (int y = 0; y < read.height(); ++y)
        for (int x = 0; x < read.width(); ++x) {
            const QPointF at = doubled.toSource(QRectF(x, y, 1, 1)).topLeft();
            if (qGray(read.pixel(x, y)) < 128) {
                ASSERT_TRUE(line.adjusted(-6, -6, 6, 6).contains(at.toPoint()));
            }
        }
}

TEST(LineImage, TakesInTheLettersTheAnalysisMissedOnAColouredButton) {
    QImage page = test::whiteImage(300, 60);
    QPainter(&page).fillRect(20, 10, 150, 40, QColor(0xd0, 0x34, 0x2c));
    const QRect drawn = test::drawText(page, QStringLiteral("Delete"), {40, 20}, 16, false, Qt::white);
    const QImage flat = rgbx(page);
    // The analysis saw only "Del".
    const LineImage image(flat, flat, 1, QRect(drawn.left(), drawn.top() + 3, drawn.width() / 2, 12), 12, {});
    EXPECT_EQ(image.background(), QColor(0xd0, 0x34, 0x2c));
    EXPECT_GE(image.image().width(), drawn.width());
}

// A dim label beside dark text (a settings form): the label's pale last strokes and its colon,
// pale beside the value's ink, are part of its box all the same.
TEST(LineImage, FitsDimWordsToTheirPaleInkBesideDarkOnes) {
    test::PageDrawer page(QStringLiteral("form"), QSizeF(300, 40), 1, QColor(0xf5, 0xf5, 0xf5));
    const qreal label =
        page.text({10, 10}, QStringLiteral("Kernel Version:"), {12, QColor(0x66, 0x66, 0x66)}, 1, -1);
    page.text({22 + label, 10}, QStringLiteral("6.1.0-18-amd64"), {12, QColor(0x1d, 0x1d, 0x1d)}, 1, -1);
    std::vector<QRect> inks;
    for (const auto& line : page.truth().lines)
        for (const auto& word : line.words)
            inks.push_back(word.ink);
    QRect line;
    for (const QRect& ink : inks)
        line |= ink;
    const QImage flat = rgbx(page.image());
    const LineImage image(flat, flat, 1, line, line.height(), {});
    // The engine's boxes end a pixel short of each word's ink.
    std::vector<QRectF> engine;
    for (const QRect& ink : inks)
        engine.emplace_back(ink.adjusted(0, 0, -1, 0));
    const auto fitted = image.fitted(engine);
    ASSERT_EQ(fitted.size(), inks.size());
    for (std::size_t i = 0; i < inks.size(); ++i)
        EXPECT_TRUE(fitted[i].contains(QRectF(inks[i])))
            << i << ": " << fitted[i].x() << " " << fitted[i].width();
}

TEST(LineImage, TellsGapsBetweenColumnsFromMissedLetters) {
    QImage page = test::whiteImage(400, 40);
    const QRect word = test::drawText(page, QStringLiteral("left"), {0, 10}, 14);
    test::drawText(page, QStringLiteral("x"), {200, 10}, 14);
    QPainter(&page).fillRect(300, 0, 2, 40, Qt::black); // a border through the whole row
    const QImage flat = rgbx(page);
    const QRect band(60, 8, 330, 20);
    EXPECT_EQ(LineImage::emptyWidth(flat, QRect(60, 8, 120, 20), 14), 120);  // nothing
    EXPECT_EQ(LineImage::emptyWidth(flat, band, 14), 0);                     // a letter
    EXPECT_GT(LineImage::emptyWidth(flat, QRect(220, 8, 170, 20), 14), 100); // only the border
    // "lef" seen, "t" missed: the end of the word is no part of the gap.
    const QRect ink = inkIn(flat, word);
    EXPECT_EQ(LineImage::emptyWidth(flat, QRect(ink.right() - 3, 8, 60, 20), 14), 60 - 4);

    QImage buttons = test::whiteImage(200, 40);
    QPainter(&buttons).fillRect(100, 0, 100, 40, QColor(0x2a, 0x6a, 0xd8));
    const QImage two = rgbx(buttons);
    EXPECT_TRUE(LineImage::onDifferentPaper(two, QRect(20, 15, 40, 10), QRect(130, 15, 40, 10)));
    EXPECT_FALSE(LineImage::onDifferentPaper(two, QRect(10, 15, 30, 10), QRect(50, 15, 30, 10)));
}

} // namespace
} // namespace quorvane
