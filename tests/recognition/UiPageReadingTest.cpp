#include "platform/TesseractEngineFactory.h"
#include "platform/TesseractLanguageData.h"
#include "platform/ZXingBarcodeReader.h"
#include "recognition/TextRecognizer.h"
#include "support/QtPrinters.h"
#include "support/UiPages.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

std::unique_ptr<TextRecognizer> recognizerWith(int workers) {
    return std::make_unique<TextRecognizer>(
        std::make_shared<TesseractEngineFactory>(TesseractLanguageData::defaultFolder()),
        std::make_shared<ZXingBarcodeReader>(), QStringList{QStringLiteral("en-US")}, workers);
}

// Pages Tesseract reads without a single error; on the others a few characters go wrong (an
// underscore, a radio button read as a letter), fewer than the command line gets wrong.
const QStringList readExactly = {
    "dialog-light-1x",     "dialog-light-2x",    "dialog-dark-1x",    "dialog-dark-2x", "toolbar-light-1x",
    "toolbar-dark-1x",     "mixed-light-2x",     "mixed-dark-1x",     "mixed-dark-2x",  "highlights-light-1x",
    "highlights-light-2x", "highlights-dark-1x", "highlights-dark-2x"};
constexpr double errorBound = 0.03;

// One kind of page (its themes and scales) a test: the kinds are read side by side, which a
// sanitizer build needs, where reading every page takes minutes.
class UiPageReading : public testing::TestWithParam<QString> {};

TEST_P(UiPageReading, ReadsEveryPageInColumnOrderWithBoxesOnTheirWordsWhateverTheWorkers) {
    auto parallel = recognizerWith(4), single = recognizerWith(1);
    for (const QString& name : test::uiPageNames()) {
        if (!name.startsWith(GetParam() + QLatin1Char('-'))) continue;
        SCOPED_TRACE(name.toStdString());
        const auto truth = test::PageTruth::load(test::uiPagePath(name, ".txt"));
        const QImage image(test::uiPagePath(name, ".png"));
        ASSERT_TRUE(truth && !image.isNull()) << "run scripts/render-ui-pages";
        const auto many = parallel->recognize(image, QStringList{"en"})->wait();
        const auto one = single->recognize(image, QStringList{"en"})->wait();
        ASSERT_TRUE(many.ok() && one.ok());
        // Pieces read side by side give what one engine gives, boxes and all.
        EXPECT_EQ(many->lines, one->lines);

        std::vector<test::ReadLine> read;
        std::vector<test::BoxedWord> words;
        for (const RecognizedLine& line : many->lines) {
            read.push_back({line.text, line.boundingBox});
            for (const RecognizedWord& word : line.words)
                words.push_back({word.text, word.boundingBox});
            // Nothing lower than the smallest readable text comes back.
            EXPECT_GE(line.boundingBox.height(), std::min(6.0, image.height() / 32.0))
                << line.text.toStdString();
        }
        const test::PageScore score = test::scoreReading(*truth, read);
        EXPECT_TRUE(score.orderFaults.isEmpty()) << score.orderFaults.join("\n").toStdString();
        if (readExactly.contains(name))
            EXPECT_EQ(score.errorRate, 0.0);
        else
            EXPECT_LE(score.errorRate, errorBound);
        // Redact Text covers these boxes: each must hide its word and nothing of another line.
        const QStringList faults = test::wordBoxFaults(*truth, words);
        EXPECT_TRUE(faults.isEmpty()) << faults.join("\n").toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, UiPageReading, testing::ValuesIn(test::uiPageKinds()),
                         [](const testing::TestParamInfo<QString>& kind) { return kind.param.toStdString(); });

} // namespace
} // namespace quorvane
