#include "recognition/TextRecognizer.h"

#include "platform/TesseractEngine.h"
#include "platform/TesseractEngineFactory.h"
#include "platform/TesseractLanguageData.h"
#include "platform/ZXingBarcodeReader.h"
#include "support/QtPrinters.h"
#include "support/TextImages.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

using test::BarcodeKind;

std::unique_ptr<TextRecognizer> realRecognizer(int workers = 2) {
    return std::make_unique<TextRecognizer>(
        std::make_shared<TesseractEngineFactory>(TesseractLanguageData::defaultFolder()),
        std::make_shared<ZXingBarcodeReader>(), QStringList{QStringLiteral("en-US")}, workers);
}

RecognitionOutcome outcomeOf(TextRecognizer& recognizer, const QImage& image,
                             std::optional<QStringList> languages = std::nullopt) {
    return recognizer.recognize(image, std::move(languages))->wait();
}

RecognitionResult recognized(TextRecognizer& recognizer, const QImage& image,
                             std::optional<QStringList> languages = std::nullopt) {
    const auto outcome = outcomeOf(recognizer, image, std::move(languages));
    EXPECT_TRUE(outcome.ok()) << (outcome.ok() ? "" : outcome.error().message().toStdString());
    return outcome.ok() ? outcome.value() : RecognitionResult{};
}

const RecognizedLine* lineWith(const RecognitionResult& result, const QString& text) {
    for (const auto& line : result.lines)
        if (line.text == text) return &line;
    return nullptr;
}

// Boxes of the engine are tight around the ink; the drawn box adds the font's line spacing.
bool inside(const QRectF& box, const QRect& drawn) {
    return QRectF(drawn).adjusted(-3, -3, 3, 3).contains(box);
}

TEST(TextRecognizer, ReadsDrawnTextAndCodesInSourcePixels) {
    auto recognizer = realRecognizer();
    // 1300 wide: read as it is. 600 wide: drawn four times larger for the engine, boxes back in
    // the pixels as given.
    struct Case {
        int width, height, pixelSize;
    };
    for (const Case& c : {Case{1300, 520, 26}, Case{600, 260, 16}}) {
        SCOPED_TRACE(c.width);
        QImage image = test::whiteImage(c.width, c.height);
        const QRect first =
            test::drawText(image, QStringLiteral("Quorvane reads this line"), {30, 20}, c.pixelSize);
        const QRect second = test::drawText(image, QStringLiteral("  and a smaller one below  "),
                                            {30, 20 + 2 * c.pixelSize}, c.pixelSize * 2 / 3 + 2);
        const QRect code = test::drawText(image, QStringLiteral("int main() { return 42; }"),
                                          {30, 20 + 4 * c.pixelSize}, c.pixelSize * 3 / 4, true);
        const QRect qr = test::drawBarcode(image, BarcodeKind::qr, QStringLiteral("https://example.org/q"),
                                           {c.width - 160, c.height - 160}, 4);
        const RecognitionResult result = recognized(*recognizer, image);

        const auto* line = lineWith(result, QStringLiteral("Quorvane reads this line"));
        ASSERT_NE(line, nullptr);
        EXPECT_TRUE(inside(line->boundingBox, first))
            << line->boundingBox.x() << "," << line->boundingBox.y();
        EXPECT_TRUE(line->confidence > 0.5f && line->confidence <= 1.0f) << line->confidence;
        ASSERT_EQ(line->words.size(), 4u);
        EXPECT_EQ(line->words[0].text, "Quorvane");
        EXPECT_LT(line->words[0].boundingBox.right(), line->words[1].boundingBox.left());
        for (const auto& word : line->words)
            EXPECT_TRUE(line->boundingBox.adjusted(-1, -1, 1, 1).contains(word.boundingBox));
        // Trimmed of the spaces it was drawn with.
        const auto* smaller = lineWith(result, QStringLiteral("and a smaller one below"));
        ASSERT_NE(smaller, nullptr);
        EXPECT_TRUE(inside(smaller->boundingBox, second));
        const auto* program = lineWith(result, QStringLiteral("int main() { return 42; }"));
        ASSERT_NE(program, nullptr);
        EXPECT_TRUE(inside(program->boundingBox, code));

        ASSERT_EQ(result.codes.size(), 1u);
        EXPECT_EQ(result.codes[0].payload, "https://example.org/q");
        EXPECT_EQ(result.codes[0].symbology, "QR");
        EXPECT_TRUE(QRectF(qr).contains(result.codes[0].boundingBox));
    }
}

// The pieces of `expected` in the order they come in the text Copy Text takes, one line a row.
std::string readInOrder(TextRecognizer& recognizer, const QImage& image, const QStringList& expected) {
    const QStringList lines =
        recognized(recognizer, image).text(RecognitionResult::LineBreaks::kept).split('\n');
    std::vector<std::pair<qsizetype, QString>> found;
    for (const QString& text : expected)
        for (qsizetype i = 0; i < lines.size(); ++i)
            if (lines[i].contains(text)) found.emplace_back(i, text);
    std::stable_sort(found.begin(), found.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    QStringList order;
    for (const auto& [line, text] : found)
        order.append(text);
    return order.join(" / ").toStdString();
}

TEST(TextRecognizer, ReadsLinesWhereTheyStandAndColumnsOneColumnAfterTheOther) {
    auto recognizer = realRecognizer();
    // A dialog whose button stands centred between the lines above and the field below it.
    QWidget dialog;
    dialog.setFont(QFont(QStringLiteral("DejaVu Sans"), 10));
    auto* layout = new QVBoxLayout(&dialog);
    auto* heading = new QLabel(QStringLiteral("Shipping Details"));
    QFont bold = dialog.font();
    bold.setPointSize(14), bold.setBold(true);
    heading->setFont(bold);
    layout->addWidget(heading);
    layout->addWidget(new QLabel(QStringLiteral("221 Baker Street, London NW1 6XE")));
    layout->addWidget(new QPushButton(QStringLiteral("Confirm Order")), 0, Qt::AlignHCenter);
    layout->addWidget(new QLineEdit(QStringLiteral("editable field text")));
    dialog.resize(460, 200);
    const QStringList dialogLines = {"Shipping Details", "Baker Street", "Confirm Order",
                                     "editable field text"};
    EXPECT_EQ(readInOrder(*recognizer, dialog.grab().toImage(), dialogLines),
              dialogLines.join(" / ").toStdString());

    // Two columns whose lines stand side by side, under a heading over both.
    QImage page = test::whiteImage(900, 300);
    const QStringList left = {"Quorvane reads the left column", "from its top line down", "to its last line"},
                      right = {"and only then the right", "column beside it", "down to its end"};
    test::drawText(page, QStringLiteral("Two Columns Under One Heading"), {240, 20}, 24);
    for (int i = 0; i < 3; ++i) {
        test::drawText(page, left[i], {30, 80 + 40 * i}, 20);
        test::drawText(page, right[i], {500, 80 + 40 * i}, 20);
    }
    const QStringList pageLines = QStringList{"Two Columns Under One Heading"} + left + right;
    EXPECT_EQ(readInOrder(*recognizer, page, pageLines), pageLines.join(" / ").toStdString());
}

TEST(TextRecognizer, ReadsLinearCodesWithTheirSymbologyNames) {
    auto recognizer = realRecognizer();
    QImage image = test::whiteImage(1400, 300);
    const QRect code128 =
        test::drawBarcode(image, BarcodeKind::code128, QStringLiteral("QV-128-ok"), {20, 20}, 3);
    const QRect ean13 =
        test::drawBarcode(image, BarcodeKind::ean13, QStringLiteral("4006381333931"), {20, 160}, 3);
    const RecognitionResult result = recognized(*recognizer, image);
    ASSERT_EQ(result.codes.size(), 2u);
    for (const auto& code : result.codes) {
        const bool is128 = code.symbology == "Code128";
        EXPECT_EQ(code.symbology + " " + code.payload, is128 ? "Code128 QV-128-ok" : "EAN13 4006381333931");
        EXPECT_TRUE(QRectF(is128 ? code128 : ean13).contains(code.boundingBox));
    }
}

TEST(TextRecognizer, RefusesImagesOutsideTheSizeLimitsAndAcceptsTheEdges) {
    auto recognizer = realRecognizer();
    const QString refusal = QStringLiteral("OCR needs an image between 1 pixel and 32 megapixels.");
    struct Case {
        int width, height;
        bool accepted;
    };
    for (const Case& c :
         {Case{1, 1, true}, Case{8000, 4000, true}, Case{8001, 4000, false}, Case{0, 10, false}}) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
        const QImage image = c.width > 0 ? test::whiteImage(c.width, c.height) : QImage();
        const auto outcome = outcomeOf(*recognizer, image);
        ASSERT_EQ(outcome.ok(), c.accepted);
        if (!c.accepted) {
            EXPECT_EQ(outcome.error().message(), refusal);
        } else {
            EXPECT_EQ(outcome.value(), RecognitionResult{});
        }
    }
}

TEST(TextRecognizer, EnlargesSmallImagesOnWhite) {
    for (const auto& [longer, factor] :
         {std::pair(1, 4), {600, 4}, {601, 3}, {800, 3}, {801, 2}, {1199, 2}, {1200, 1}, {5000, 1}}) {
        EXPECT_EQ(TextRecognizer::upscaleFactor({longer, 1}), factor) << longer;
        EXPECT_EQ(TextRecognizer::upscaleFactor({1, longer}), factor) << longer;
    }
    QImage transparent(1, 1, QImage::Format_RGBA8888_Premultiplied);
    transparent.fill(Qt::transparent);
    const auto prepared = TextRecognizer::upscaled(transparent);
    ASSERT_TRUE(prepared.ok());
    EXPECT_EQ(prepared->size(), QSize(4, 4));
    EXPECT_EQ(prepared->pixel(3, 3), qRgb(255, 255, 255));

    // Read as it is, but still over white: a premultiplied channel plus the missing alpha.
    QImage wide(1200, 1, QImage::Format_RGBA8888_Premultiplied);
    wide.fill(Qt::transparent);
    wide.scanLine(0)[4] = 64, wide.scanLine(0)[7] = 128;
    const auto flat = TextRecognizer::upscaled(wide);
    ASSERT_TRUE(flat.ok());
    EXPECT_EQ(flat->size(), wide.size());
    EXPECT_EQ(flat->pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(flat->pixel(1, 0), qRgb(191, 127, 127));
}

TEST(TextRecognizer, ReadsASecondInstalledLanguage) {
    auto recognizer = realRecognizer();
    if (!recognizer->languages().contains("de")) GTEST_SKIP() << "German recognition data is not installed";
    QImage image = test::whiteImage(900, 120);
    test::drawText(image, QStringLiteral("Größere Übungen für Bären"), {20, 30}, 30);
    const RecognitionResult result = recognized(*recognizer, image, QStringList{"de", "en"});
    ASSERT_EQ(result.lines.size(), 1u);
    EXPECT_EQ(result.lines[0].text, "Größere Übungen für Bären");
}

TEST(TextRecognizer, NamesTheLanguagesItDoesNotSupport) {
    auto recognizer = realRecognizer();
    EXPECT_TRUE(recognizer->languages().count("en") == 1 && !recognizer->languages().contains("osd"));
    struct Case {
        QStringList languages;
        QString message;
    };
    for (const Case& c : {Case{{}, "OCR does not support: (none)."},
                          Case{{"xx", "en", "eng"}, "OCR does not support: xx, eng."}}) {
        const auto outcome = outcomeOf(*recognizer, test::whiteImage(10, 10), c.languages);
        ASSERT_FALSE(outcome.ok());
        EXPECT_EQ(outcome.error().message(), c.message);
        EXPECT_EQ(outcome.error().refusal.languages.size(), c.languages.isEmpty() ? 1 : 2);
    }
}

TEST(TextRecognizer, AutomaticDetectionReadsTheInterfaceLanguagesAndEnglish) {
    struct Factory : TextEngineFactory {
        QStringList languages() const override { return {"de", "en", "fr", "it", "zh-Hans"}; }
        Result<std::unique_ptr<TextEngine>, Error> make(const QStringList&) override {
            return Failure{Error{"test", 1, "no engine"}};
        }
    };
    struct Case {
        QStringList ui, chosen;
    };
    for (const Case& c : {Case{{"de-AT", "en-GB"}, {"de", "en"}}, Case{{"zh-Hans-CN"}, {"zh-Hans", "en"}},
                          Case{{"fr", "it", "de"}, {"fr", "it", "en"}}, Case{{"pt-BR"}, {"en"}}}) {
        const TextRecognizer recognizer(std::make_shared<Factory>(), std::make_shared<ZXingBarcodeReader>(),
                                        c.ui, 1);
        EXPECT_EQ(recognizer.automaticLanguages(), c.chosen) << c.ui.join(",").toStdString();
    }
}

TEST(TextRecognizer, SplitsWordsAtWhiteSpaceAndDropsThoseWithoutBoxes) {
    const QString text = QStringLiteral("  one\ttwo\nthree\u00a0four five ");
    const auto boxes = [](qsizetype start, qsizetype length) -> std::optional<QRectF> {
        if (start == 10) return std::nullopt;             // "three": none
        if (start == 21) return QRectF(qQNaN(), 0, 1, 1); // "five": not finite
        return QRectF(double(start), 0, double(length), 1);
    };
    const auto words = TextRecognizer::words(text, boxes);
    ASSERT_EQ(words.size(), 3u);
    EXPECT_EQ(words[0], (RecognizedWord{"one", QRectF(2, 0, 3, 1)}));
    EXPECT_EQ(words[1].text, "two");
    EXPECT_EQ(words[2].text, "four");
}

TEST(TextRecognizer, JoinsLineTextsAndLeavesCodesOut) {
    const RecognitionResult result{{{"a", 1, {}, {}}, {"b", 1, {}, {}}},
                                   {{"payload", "QR", QRectF(0, 0, 1, 1)}}};
    using Breaks = RecognitionResult::LineBreaks;
    EXPECT_EQ(result.text(Breaks::joined) + "|" + result.text(Breaks::kept), "a b|a\nb");
}

} // namespace
} // namespace quorvane
