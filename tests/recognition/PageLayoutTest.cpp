#include "recognition/PageLayout.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

using PageLayout::Piece;

// A page whose gaps are empty unless listed, on one paper unless a word is listed as on another.
struct FakeInk {
    std::vector<QRect> text;  // where the analysis missed letters
    std::vector<QRect> other; // words on paper of another colour
    PageLayout::PageInk ink() const {
        return {[this](const QRect& gap, int) {
                    for (const QRect& box : text)
                        if (box.intersects(gap)) return 0;
                    return gap.width();
                },
                [this](const QRect& a, const QRect& b) {
                    const auto on = [&](const QRect& word) {
                        return std::any_of(other.begin(), other.end(),
                                           [&](const QRect& box) { return box.contains(word); });
                    };
                    return on(a) != on(b);
                }};
    }
};

TextEngine::Block blockOf(std::vector<std::vector<QRect>> lines) {
    TextEngine::Block block;
    for (auto& words : lines) {
        QRect box;
        for (const QRect& word : words)
            box |= word;
        block.box |= box;
        block.lines.push_back({box, std::move(words)});
    }
    return block;
}

std::vector<QRect> boxesOf(const std::vector<Piece>& pieces) {
    std::vector<QRect> boxes;
    for (const Piece& piece : pieces)
        boxes.push_back(piece.box);
    std::sort(boxes.begin(), boxes.end(), [](const QRect& a, const QRect& b) {
        return std::pair(a.top(), a.left()) < std::pair(b.top(), b.left());
    });
    return boxes;
}

TEST(PageLayout, CutsLinesIntoPiecesWhereAReaderWould) {
    const QRect label(0, 0, 40, 10), colon(50, 0, 40, 10), field(300, 0, 40, 10);
    struct Case {
        const char* name;
        std::vector<TextEngine::Block> blocks;
        FakeInk ink;
        std::vector<QRect> expected;
    };
    const std::vector<Case> cases = {
        {"an empty gap wider than spaces", {blockOf({{label, colon, field}})}, {}, {{0, 0, 90, 10}, field}},
        {"letters the analysis missed",
         {blockOf({{label, colon, field}})},
         {{{150, 2, 8, 6}}, {}},
         {{0, 0, 340, 10}}},
        {"two buttons side by side",
         {blockOf({{label, {48, 0, 40, 10}}})},
         {{}, {{45, -5, 50, 20}}},
         {label, {48, 0, 40, 10}}},
        {"an icon taken for a word",
         {blockOf({{{0, -15, 40, 40}, {50, 0, 40, 10}, {100, 0, 40, 10}}})},
         {},
         {{0, -15, 40, 40}, {50, 0, 90, 10}}},
        {"points between words", {blockOf({{label, {45, 8, 2, 2}, colon}})}, {}, {{0, 0, 90, 10}}},
        {"a sidebar item under a heading",
         {blockOf({{{0, 20, 40, 10}, {60, 0, 40, 10}}})},
         {},
         {{60, 0, 40, 10}, {0, 20, 40, 10}}},
        {"halves of a line in two blocks", {blockOf({{label}}), blockOf({{colon}})}, {}, {{0, 0, 90, 10}}},
        {"a dash the analysis kept apart",
         {blockOf({{{0, 0, 90, 10}}}), blockOf({{{44, 2, 6, 7}}})},
         {},
         {{0, 0, 90, 10}}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(boxesOf(PageLayout::pieces(c.blocks, c.ink.ink())), c.expected) << c.name;
}

TEST(PageLayout, ReadsColumnByColumnAndRowByRow) {
    const auto piece = [](int x, int y, int width) { return Piece{{x, y, width, 10}, 10}; };
    const auto order = [](std::vector<Piece> pieces) {
        std::reverse(pieces.begin(), pieces.end()); // the order handed in does not matter
        std::vector<QPoint> corners;
        for (const Piece& read : PageLayout::readingOrder(pieces))
            corners.push_back(read.box.topLeft());
        return corners;
    };
    // A page header over a sidebar and an article whose lines sit between the sidebar's.
    EXPECT_EQ(order({piece(0, 0, 500), piece(0, 40, 80), piece(0, 60, 80), piece(0, 80, 80),
                     piece(140, 45, 360), piece(140, 65, 360)}),
              (std::vector<QPoint>{{0, 0}, {0, 40}, {0, 60}, {0, 80}, {140, 45}, {140, 65}}));
    // A form: labels and fields row by row, as a paragraph runs under both.
    EXPECT_EQ(order({piece(0, 0, 60), piece(120, 0, 100), piece(0, 20, 60), piece(120, 20, 100),
                     piece(0, 40, 220)}),
              (std::vector<QPoint>{{0, 0}, {120, 0}, {0, 20}, {120, 20}, {0, 40}}));
    // A dialog: a heading, an address, a button centred below it and a field's text: the button
    // stands beside no other line, so it is no column of its own.
    EXPECT_EQ(order({{QRect(0, 0, 160, 14), 14}, piece(0, 38, 150), piece(170, 63, 100), piece(6, 88, 120)}),
              (std::vector<QPoint>{{0, 0}, {0, 38}, {170, 63}, {6, 88}}));
    // Two columns between page numbers standing in the gap between them, above and below.
    EXPECT_EQ(order({piece(225, -20, 10), piece(0, 0, 200), piece(260, 0, 200), piece(0, 20, 200),
                     piece(260, 20, 200), piece(225, 40, 10)}),
              (std::vector<QPoint>{{225, -20}, {0, 0}, {0, 20}, {260, 0}, {260, 20}, {225, 40}}));
    // Lines that overlap: top to bottom, then left to right.
    EXPECT_EQ(order({{QRect(0, 0, 50, 20), 10}, {QRect(40, 5, 50, 20), 10}, {QRect(20, 15, 50, 20), 10}}),
              (std::vector<QPoint>{{0, 0}, {40, 5}, {20, 15}}));
    EXPECT_TRUE(PageLayout::readingOrder({}).empty());
}

TEST(PageLayout, ReadsARowAboveTrueColumnsWhereItStandsWhenItStandsApart) {
    const auto piece = [](int x, int y, int width) { return Piece{{x, y, width, 10}, 10}; };
    const auto order = [&](int top, int right) {
        std::vector<QPoint> corners;
        for (const Piece& read :
             PageLayout::readingOrder({piece(0, top, 100), piece(right, top, 80), piece(0, 40, 200),
                                       piece(250, 40, 250), piece(0, 60, 200), piece(250, 60, 250),
                                       piece(0, 80, 200), piece(250, 80, 250)}))
            corners.push_back(read.box.topLeft());
        return corners;
    };
    // A header whose links line up with nothing below and stand further off than the rows below.
    EXPECT_EQ(order(0, 380), (std::vector<QPoint>{{0, 0}, {380, 0}, {0, 40}, {0, 60}, {0, 80}, {250, 40},
                                                  {250, 60}, {250, 80}}));
    // Headings of the columns, or a first row as near as the others: the columns' own.
    EXPECT_EQ(order(0, 250), (std::vector<QPoint>{{0, 0}, {0, 40}, {0, 60}, {0, 80}, {250, 0}, {250, 40},
                                                  {250, 60}, {250, 80}}));
    EXPECT_EQ(order(20, 380), (std::vector<QPoint>{{0, 20}, {0, 40}, {0, 60}, {0, 80}, {380, 20},
                                                   {250, 40}, {250, 60}, {250, 80}}));
}

TEST(PageLayout, ReadsALineBesideTheMiddleOfABlockAfterOrBeforeTheBlock) {
    const auto piece = [](int x, int y, int width) { return Piece{{x, y, width, 10}, 10}; };
    struct Case {
        const char* name;
        std::vector<Piece> pieces;
        std::vector<QPoint> expected;
    };
    const std::vector<Case> cases = {
        {"a message with a button beside its middle line",
         {piece(0, 0, 300), piece(0, 20, 300), piece(400, 20, 60), piece(0, 40, 300)},
         {{0, 0}, {0, 20}, {0, 40}, {400, 20}}},
        {"a label beside a paragraph's third line",
         {piece(200, 0, 300), piece(200, 20, 300), piece(0, 40, 100), piece(200, 40, 300),
          piece(200, 60, 300), piece(200, 80, 300)},
         {{0, 40}, {200, 0}, {200, 20}, {200, 40}, {200, 60}, {200, 80}}},
        // The first row is read where it stands.
        {"a toolbar over a message",
         {piece(0, 0, 100), piece(400, 0, 60), piece(0, 20, 300), piece(0, 40, 300)},
         {{0, 0}, {400, 0}, {0, 20}, {0, 40}}},
    };
    for (const Case& c : cases) {
        std::vector<QPoint> corners;
        for (const Piece& read : PageLayout::readingOrder(c.pieces))
            corners.push_back(read.box.topLeft());
        EXPECT_EQ(corners, c.expected) << c.name;
    }
}

TEST(PageLayout, LinesSharingOneRowOfPixelsStandBesideEachOther) {
    // Two columns whose lines overlap by one row of pixels only: still two lines beside two, read
    // column by column, not row by row.
    const auto piece = [](int x, int y) { return Piece{{x, y, 200, 10}, 10}; };
    std::vector<QPoint> corners;
    for (const Piece& read :
         PageLayout::readingOrder({piece(0, 0), piece(300, 9), piece(0, 20), piece(300, 29)}))
        corners.push_back(read.box.topLeft());
    EXPECT_EQ(corners, (std::vector<QPoint>{{0, 0}, {0, 20}, {300, 9}, {300, 29}}));
}

} // namespace
} // namespace quorvane
