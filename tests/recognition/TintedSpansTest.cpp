#include "recognition/TintedSpans.h"

#include "document/AnnotationDrawing.h"
#include "document/SystemColors.h"
#include "support/TestAnnotations.h"
#include "support/TextImages.h"

#include <QPainter>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

constexpr int size = 24;
const QString text = QStringLiteral("The quick brown fox jumps");

struct Page {
    QImage image;
    QRect line; // the ink of the line, as layout analysis finds it
};

Page lineOn(const QColor& paper, const QColor& ink) {
    QImage image = test::filledImage(paper, 500, 120);
    const QRect drawn = test::drawText(image, text, {20, 40}, size, false, ink);
    return {image, drawn.adjusted(0, 4, 0, -4)};
}

// The box over "quick b" from its first letter to the middle of the next word, reaching a little
// above and below the letters, at fractions of a pixel as a drag leaves it.
QRectF overQuickB() {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(size);
    const QFontMetricsF metrics(font);
    return QRectF(20 + metrics.horizontalAdvance(QStringLiteral("The ")) - 2.3, 36.6,
                  metrics.horizontalAdvance(QStringLiteral("quick b")) + 4.1, size * 1.45);
}

QImage highlighted(QImage image, const QRectF& box, const QColor& color, double opacity) {
    Annotation a = test::annotation(AnnotationKind::highlight, box, color);
    a.opacity = opacity;
    QPainter painter(&image);
    drawAnnotation(a, painter, image);
    painter.end();
    return image;
}

QImage rgbx(const QImage& image) {
    return image.convertToFormat(QImage::Format_RGBX8888);
}

int pixelsApart(const QImage& a, const QImage& b, int by) {
    int count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            if (std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                          std::abs(qBlue(p) - qBlue(q))}) > by)
                ++count;
        }
    return count;
}

// A highlight drawn as the Highlight tool draws it is divided out again: the line comes back as
// it was on plain paper, but for a few pixels where letters cross the highlight's soft edge.
TEST(TintedSpans, DividesAHighlightOutOfTheLineUnderIt) {
    const QRectF box = overQuickB();
    for (const bool dark : {false, true})
        for (const QColor& color : {SystemColors::yellow(), SystemColors::green(), SystemColors::blue()})
            for (const double opacity : {0.4, 0.5, 1.0}) {
                SCOPED_TRACE(testing::Message()
                             << (dark ? "dark " : "light ") << color.name().toStdString() << " " << opacity);
                const Page plain = dark ? lineOn(QColor(0x1f, 0x1f, 0x1f), QColor(0xe6, 0xe6, 0xe6))
                                        : lineOn(Qt::white, QColor(0x1d, 0x1d, 0x1d));
                const QImage marked = rgbx(highlighted(plain.image, box, color, opacity));
                const auto flat = TintedSpans::flattened(marked, {plain.line});
                ASSERT_TRUE(flat);
                // Still tinted, every pixel of the box would be apart.
                EXPECT_LE(pixelsApart(*flat, rgbx(plain.image), 16), int(box.width() * box.height()) / 100);
            }
}

// Fills that are no highlight over part of a line stay: a button with a light label, a rounded
// button, a lighter field, a panel the text runs onto, and plain paper.
TEST(TintedSpans, LeavesOtherFillsAsTheyAre) {
    const QRectF box = overQuickB();
    // The line in dark ink over `fill`, and in `label` where the fill is `labelled`.
    const auto page = [&](const std::function<void(QPainter&)>& fill, const QRectF& labelled = {},
                          const QColor& label = Qt::black) {
        QImage image = test::filledImage(QColor(0xf5, 0xf5, 0xf5), 500, 400);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        fill(painter);
        painter.end();
        test::drawText(image, text, {20, 40}, size, false, QColor(0x1d, 0x1d, 0x1d));
        QImage labelledText = image.copy();
        test::drawText(labelledText, text, {20, 40}, size, false, label);
        QPainter(&image).drawImage(labelled, labelledText, labelled);
        return rgbx(image);
    };
    const QRect line = lineOn(Qt::white, Qt::black).line;
    const QColor grey(0xd6, 0xd6, 0xd6);
    struct Case {
        const char* name;
        QImage image;
    };
    const Case cases[] = {
        {"plain paper", page([](QPainter&) {})},
        {"light label on a blue button",
         page([&](QPainter& p) { p.fillRect(box, QColor(0x2a, 0x6a, 0xd8)); }, box, Qt::white)},
        {"rounded button", page([&](QPainter& p) {
             p.setPen(Qt::NoPen);
             p.setBrush(grey);
             p.drawRoundedRect(box, 6, 6);
         })},
        {"lighter field", page([&](QPainter& p) { p.fillRect(box, Qt::white); })},
        {"panel the line runs onto",
         page([&](QPainter& p) { p.fillRect(QRectF(0, 0, box.right(), 400), grey); })},
    };
    for (const Case& c : cases)
        EXPECT_FALSE(TintedSpans::flattened(c.image, {line})) << c.name;
    // The same fill as a square box over part of the line is a highlight.
    EXPECT_TRUE(TintedSpans::flattened(page([&](QPainter& p) { p.fillRect(box, grey); }), {line}));
}

} // namespace
} // namespace quorvane
