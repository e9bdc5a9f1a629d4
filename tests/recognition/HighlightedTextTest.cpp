#include "document/EditorDocument.h"
#include "document/SystemColors.h"
#include "platform/TesseractEngineFactory.h"
#include "platform/TesseractLanguageData.h"
#include "platform/ZXingBarcodeReader.h"
#include "recognition/TextRecognizer.h"
#include "support/PageDrawer.h"
#include "support/TestAnnotations.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

const QStringList lines = {"The quick brown fox jumps", "over the lazy dog and", "keeps running far away"};

struct Highlighted {
    QImage image;
    test::PageTruth truth;
};

// How far a Highlight reaches past the letters, in parts of the text size.
struct Reach {
    double side, above;
};
constexpr Reach generous{0.3, 0.5};
// Close round the letters, its corners on the strokes of "q" and "b".
constexpr Reach tight{0.05, 0.05};

// Three lines of `size` pixels on an 800 × 400 page, rendered by the document with a Highlight
// of the tool's colour dragged over "quick b".
Highlighted highlightedPage(int size, double opacity, bool dark, Reach reach = generous) {
    test::PageDrawer page(QStringLiteral("highlighted"), QSizeF(800, 400), 1,
                          dark ? QColor(0x1f, 0x1f, 0x1f) : Qt::white);
    for (int i = 0; i < lines.size(); ++i)
        page.text({30, 40.0 + i * size * 1.8}, lines[i],
                  {qreal(size), dark ? QColor(0xe6, 0xe6, 0xe6) : Qt::black}, 1, 1);
    const auto& words = page.truth().lines[0].words;
    const QRect line = page.truth().lines[0].ink(), quick = words[1].ink, brown = words[2].ink;
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(size);
    const qreal b = QFontMetricsF(font).horizontalAdvance(QLatin1Char('b'));
    const QRectF box(QPointF(quick.left() - reach.side * size, line.top() - reach.above * size),
                     QPointF(brown.left() + b + reach.side * size, line.bottom() + reach.above * size));
    EditorDocument document(page.image().convertToFormat(QImage::Format_RGBA8888_Premultiplied), std::nullopt,
                            1);
    Annotation highlight = test::annotation(AnnotationKind::highlight, box, SystemColors::yellow());
    highlight.opacity = opacity;
    document.addAnnotation(highlight);
    return {*document.render(), page.truth()};
}

// Dark text on a Highlight's tint reads as on paper, at each opacity of a highlight and from
// small to large text, and each word's box covers all of its ink, so that Redact Text hides it.
TEST(HighlightedText, EveryWordIsReadAndBoxedWhole) {
    TextRecognizer recognizer(
        std::make_shared<TesseractEngineFactory>(TesseractLanguageData::defaultFolder()),
        std::make_shared<ZXingBarcodeReader>(), QStringList{QStringLiteral("en-US")});
    struct Case {
        int size;
        bool dark;
        Reach reach = generous;
    };
    const Case cases[] = {{14, false},        {18, false},       {24, false}, {32, false},
                          {48, false},        {18, true},        {48, true},  {16, false, tight},
                          {24, false, tight}, {28, false, tight}};
    for (const Case& c : cases)
        for (const double opacity : {0.4, 0.5, 0.75, 1.0}) {
            SCOPED_TRACE(testing::Message()
                         << c.size << " px, opacity " << opacity << (c.dark ? ", dark" : "")
                         << (c.reach.side < generous.side ? ", tight" : ""));
            const Highlighted page = highlightedPage(c.size, opacity, c.dark, c.reach);
            const auto outcome = recognizer.recognize(page.image, QStringList{QStringLiteral("en")})->wait();
            ASSERT_TRUE(outcome.ok()) << outcome.error().message().toStdString();
            QStringList read;
            std::vector<RecognizedWord> words;
            for (const RecognizedLine& line : outcome->lines) {
                read.append(line.text);
                words.insert(words.end(), line.words.begin(), line.words.end());
            }
            EXPECT_EQ(read, lines);
            for (const auto& line : page.truth.lines)
                for (const auto& word : line.words) {
                    // Half a pixel of slack: boxes found on an enlarged copy land between pixels.
                    const bool boxed = std::any_of(words.begin(), words.end(), [&](const RecognizedWord& w) {
                        return w.text == word.text &&
                               w.boundingBox.adjusted(-0.5, -0.5, 0.5, 0.5).contains(QRectF(word.ink));
                    });
                    EXPECT_TRUE(boxed) << word.text.toStdString() << " is not boxed whole";
                }
        }
}

} // namespace
} // namespace quorvane
