#include "platform/OpenMPEnvironment.h"
#include "platform/TesseractEngine.h"
#include "platform/TesseractEngineFactory.h"
#include "platform/TesseractLanguageData.h"
#include "platform/ZXingBarcodeReader.h"
#include "recognition/RecognitionBands.h"
#include "recognition/TextRecognizer.h"
#include "support/QtPrinters.h"
#include "support/TempDir.h"
#include "support/TextImages.h"
#include "support/WaitUntil.h"

#include <QDir>
#include <QPainter>
#include <QFile>
#include <QRandomGenerator>
#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace quorvane {
namespace {

// Threads of this process, without Qt's pooled helpers (image conversions start and retire them
// on their own schedule).
int liveThreads() {
    int count = 0;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile name(tasks.filePath(task + QStringLiteral("/comm")));
        if (name.open(QIODevice::ReadOnly) && !name.readAll().startsWith("Thread (pooled)")) ++count;
    }
    return count;
}

std::shared_ptr<TesseractEngineFactory> installedEngines() {
    return std::make_shared<TesseractEngineFactory>(TesseractLanguageData::defaultFolder());
}

// An engine that does what a test tells it to, for what the real engine cannot be made to do.
struct ScriptedEngine : TextEngine {
    std::function<Result<std::vector<Line>, Error>(const std::atomic<bool>&)> script;
    // The whole area as one line, so that every recognition asks the script.
    std::vector<Block> blocks(const QImage&, const QRect& area) override {
        return {{area, {{area, {area}}}}};
    }
    Result<std::vector<Line>, Error> recognize(const QImage&, const QRect&, Layout,
                                               const std::atomic<bool>& cancelled) override {
        return script(cancelled);
    }
};
struct ScriptedFactory : TextEngineFactory {
    std::function<Result<std::vector<TextEngine::Line>, Error>(const std::atomic<bool>&)> script =
        [](const std::atomic<bool>&) { return std::vector<TextEngine::Line>{}; };
    QStringList languages() const override { return {"en"}; }
    Result<std::unique_ptr<TextEngine>, Error> make(const QStringList&) override {
        auto engine = std::make_unique<ScriptedEngine>();
        engine->script = script;
        return std::unique_ptr<TextEngine>(std::move(engine));
    }
};
struct ListedCodes : BarcodeReader {
    std::vector<Code> codes;
    std::vector<Code> read(const QImage&) override { return codes; }
};

TEST(RecognitionRobustness, CancellationWinsOverTheEngineError) {
    auto factory = std::make_shared<ScriptedFactory>();
    std::atomic<bool> engineStarted{false};
    factory->script =
        [&](const std::atomic<bool>& cancelled) -> Result<std::vector<TextEngine::Line>, Error> {
        engineStarted = true;
        while (!cancelled.load())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return Failure{Error{"Quorvane.OCR", 7, "The text recognition engine failed."}};
    };
    TextRecognizer recognizer(factory, std::make_shared<ListedCodes>(), {}, 1);
    int performs = 0;
    auto task = recognizer.recognize(test::whiteImage(1300, 100), std::nullopt, {}, [&] {
        EXPECT_FALSE(engineStarted.load()); // right before the engines start
        ++performs;
    });
    while (!engineStarted.load())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    task->cancel();
    const auto outcome = task->wait();
    ASSERT_FALSE(outcome.ok());
    EXPECT_TRUE(outcome.error().isCancellation());
    EXPECT_EQ(performs, 1);

    // Without a cancellation the engine's error is the outcome.
    factory->script = [](const std::atomic<bool>&) -> Result<std::vector<TextEngine::Line>, Error> {
        return Failure{Error{"Quorvane.OCR", 7, "The text recognition engine failed."}};
    };
    TextRecognizer failing(factory, std::make_shared<ListedCodes>(), {}, 1);
    const auto failed = failing.recognize(test::whiteImage(1300, 100), std::nullopt)->wait();
    ASSERT_FALSE(failed.ok());
    EXPECT_EQ(failed.error().engine.code, 7);
}

TEST(RecognitionRobustness, KeepsTheFirstOfRepeatedOverlappingCodes) {
    auto codes = std::make_shared<ListedCodes>();
    codes->codes = {{"A", "QR", {0, 0, 10, 10}},
                    {"A", "QR", {5, 5, 10, 10}},
                    {"A", "QR", {100, 100, 10, 10}},
                    {"B", "QR", {0, 0, 10, 10}},
                    {"", "QR", {300, 0, 10, 10}}};
    // Every image of 1200 pixels or more is read as it is, so the boxes stay as listed.
    TextRecognizer recognizer(std::make_shared<ScriptedFactory>(), codes, {}, 1);
    const auto outcome = recognizer.recognize(test::whiteImage(1200, 200), std::nullopt)->wait();
    ASSERT_TRUE(outcome.ok());
    const std::vector<RecognizedCode> expected = {
        {"A", "QR", {0, 0, 10, 10}}, {"A", "QR", {100, 100, 10, 10}}, {"B", "QR", {0, 0, 10, 10}}};
    EXPECT_EQ(outcome->codes, expected);

    // On an enlarged image the boxes are brought back to the pixels as given.
    codes->codes = {{"C", "QR", {40, 40, 20, 20}}};
    const auto small = recognizer.recognize(test::whiteImage(300, 100), std::nullopt)->wait();
    ASSERT_TRUE(small.ok());
    EXPECT_EQ(small->codes[0].boundingBox, QRectF(10, 10, 5, 5));
}

TEST(RecognitionRobustness, BandsOverlapAndCoverTheLongSideOnce) {
    const auto bands = RecognitionBands::alongLongSide({40000, 100});
    ASSERT_EQ(bands.size(), 3u);
    int covered = 0;
    for (const auto& band : bands) {
        EXPECT_LE(band.area.width(), RecognitionBands::longestSide);
        EXPECT_TRUE(band.area.contains(band.owned));
        EXPECT_EQ(band.owned.left(), covered);
        covered = band.owned.right() + 1;
    }
    EXPECT_EQ(covered, 40000);
    EXPECT_EQ(RecognitionBands::alongLongSide({100, 32767}).size(), 1u);
    EXPECT_EQ(RecognitionBands::alongLongSide({1, 32768}).size(), 3u);

    // Strips are cut in the gaps between rows of lines, never through one.
    const QRect area(0, 0, 500, 400);
    const std::vector<QRect> lines = {
        {10, 10, 200, 20}, {250, 15, 200, 20}, {10, 60, 400, 20}, {10, 120, 400, 20}, {10, 200, 400, 20}};
    const auto strips = RecognitionBands::betweenLines(area, lines, 3);
    ASSERT_GT(strips.size(), 1u);
    EXPECT_EQ(strips.front().top(), 0);
    EXPECT_EQ(strips.back().bottom(), 399);
    for (const QRect& line : lines) {
        int holding = 0;
        for (const QRect& strip : strips)
            if (strip.contains(line)) ++holding;
        EXPECT_EQ(holding, 1);
    }
}

TEST(RecognitionRobustness, ReadsAnImageTooLongForTheEngineInBands) {
    auto recognizer = std::make_unique<TextRecognizer>(
        installedEngines(), std::make_shared<ZXingBarcodeReader>(), QStringList{}, 2);
    QImage image = test::whiteImage(40000, 100);
    test::drawText(image, QStringLiteral("Beginning of the strip"), {100, 4}, 22);
    test::drawText(image, QStringLiteral("Across the seam"), {15950, 36}, 22);
    test::drawText(image, QStringLiteral("Near the far end"), {39000, 68}, 22);
    const auto outcome = recognizer->recognize(image, std::nullopt)->wait();
    ASSERT_TRUE(outcome.ok()) << outcome.error().message().toStdString();
    QStringList texts;
    for (const auto& line : outcome->lines)
        texts.append(line.text);
    EXPECT_EQ(texts, (QStringList{"Beginning of the strip", "Across the seam", "Near the far end"}));
    EXPECT_GT(outcome->lines[1].boundingBox.left(), 15900);
}

TEST(RecognitionRobustness, BadImagesGiveResultsNotCrashes) {
    auto recognizer = std::make_unique<TextRecognizer>(
        installedEngines(), std::make_shared<ZXingBarcodeReader>(), QStringList{}, 2);
    QImage transparent(1500, 800, QImage::Format_RGBA8888_Premultiplied);
    transparent.fill(Qt::transparent);
    QImage noise(1300, 700, QImage::Format_RGBX8888);
    auto* random = QRandomGenerator::global();
    for (int y = 0; y < noise.height(); ++y)
        random->fillRange(reinterpret_cast<quint32*>(noise.scanLine(y)), noise.width());
    for (const QImage& image :
         {test::whiteImage(1, 32'000'000), test::whiteImage(32'000'000, 1), transparent, noise}) {
        SCOPED_TRACE(image.width());
        const auto outcome = recognizer->recognize(image, std::nullopt)->wait();
        ASSERT_TRUE(outcome.ok()) << outcome.error().message().toStdString();
        EXPECT_TRUE(image.cacheKey() == noise.cacheKey() || *outcome == RecognitionResult{});
    }
}

TEST(RecognitionRobustness, PagesWithoutRealTextGiveHonestResults) {
    auto recognizer = std::make_unique<TextRecognizer>(
        installedEngines(), std::make_shared<ZXingBarcodeReader>(), QStringList{}, 3);
    QImage icons = test::whiteImage(900, 120), rules = test::whiteImage(1400, 600);
    QImage checkers = test::whiteImage(640, 480), glyph = test::whiteImage(1300, 1300);
    QImage tiny = test::whiteImage(700, 80), tall = test::whiteImage(400, 30000);
    {
        QPainter painter(&icons);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(Qt::black, 3));
        for (int i = 0; i < 12; ++i) {
            painter.drawEllipse(QPoint(40 + i * 70, 40), 16, 12);
            painter.drawLine(28 + i * 70, 80, 52 + i * 70, 64);
        }
        QPainter lines(&rules);
        for (int y = 20; y < 600; y += 24)
            lines.fillRect(40, y, 1300, y % 48 ? 1 : 3, Qt::black);
        QPainter squares(&checkers);
        for (int y = 0; y < 480; y += 8)
            for (int x = (y / 8) % 2 * 8; x < 640; x += 16)
                squares.fillRect(x, y, 8, 8, Qt::black);
    }
    test::drawText(glyph, QStringLiteral("A"), {100, 0}, 1100);
    test::drawText(tiny, QStringLiteral("text drawn at five pixels is below the smallest readable"), {10, 30}, 5);
    for (int y = 200; y < 30000; y += 3000)
        test::drawText(tall, QStringLiteral("Line %1 of a tall page").arg(y / 3000 + 1), {20, y}, 18);
    struct Case {
        const char* name;
        const QImage& image;
        QStringList expected; // texts read, when the page has any
    };
    const QStringList tallLines = {"Line 1 of a tall page", "Line 2 of a tall page", "Line 3 of a tall page",
                                   "Line 4 of a tall page", "Line 5 of a tall page", "Line 6 of a tall page",
                                   "Line 7 of a tall page", "Line 8 of a tall page", "Line 9 of a tall page",
                                   "Line 10 of a tall page"};
    for (const Case& c : {Case{"only icons", icons, {}}, Case{"only lines", rules, {}}, Case{"checkerboard", checkers, {}},
                          Case{"one enormous glyph", glyph, {}}, Case{"text at 5 px", tiny, {}},
                          Case{"30,000 pixels tall", tall, tallLines}}) {
        SCOPED_TRACE(c.name);
        const auto outcome = recognizer->recognize(c.image, std::nullopt)->wait();
        ASSERT_TRUE(outcome.ok()) << outcome.error().message().toStdString();
        QStringList texts;
        for (const auto& line : outcome->lines) {
            texts.append(line.text);
            // What comes back is text of a readable height with some letters, not a shape.
            EXPECT_GE(line.boundingBox.height(), std::min(6.0, c.image.height() / 32.0));
            EXPECT_TRUE(std::any_of(line.text.begin(), line.text.end(), [](QChar ch) { return ch.isLetterOrNumber(); }))
                << line.text.toStdString();
        }
        if (!c.expected.isEmpty()) {
            EXPECT_EQ(texts, c.expected);
        }
        if (&c.image == &tiny) {
            EXPECT_TRUE(texts.isEmpty()) << texts.join("|").toStdString();
        }
    }
}

TEST(RecognitionRobustness, DamagedOrMissingLanguageDataIsAnErrorNotACrash) {
    const test::TempDir folder;
    const QString damaged = QString::fromStdString((folder / "eng.traineddata").string());
    QFile original(TesseractLanguageData::defaultFolder() + QStringLiteral("/eng.traineddata"));
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    const QByteArray whole = original.readAll();
    const QString message = QStringLiteral("The text recognition data for en is missing or damaged.");
    struct Case {
        const char* name;
        QByteArray contents; // empty: no file
    };
    QByteArray scrambled = whole;
    scrambled[200] = char(0x7f); // the second offset points past the end
    for (int i = 0; i < 8; ++i)
        scrambled[4 + 8 * 17 + i] = char(0xff); // and the model's offset says "absent"
    for (const Case& c : {Case{"missing", {}}, Case{"truncated", whole.left(whole.size() / 2)},
                          Case{"header only", whole.left(100)}, Case{"no model", scrambled}}) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(folder / "eng.traineddata");
        if (!c.contents.isEmpty()) {
            QFile file(damaged);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(c.contents);
        }
        EXPECT_FALSE(TesseractLanguageData::isUsable(damaged));
        TextRecognizer recognizer(
            std::make_shared<TesseractEngineFactory>(QString::fromStdString(folder.path().string())),
            std::make_shared<ListedCodes>(), QStringList{}, 1);
        const auto outcome = recognizer.recognize(test::whiteImage(200, 50), std::nullopt)->wait();
        ASSERT_FALSE(outcome.ok());
        EXPECT_EQ(outcome.error().message(), message);
        EXPECT_EQ(outcome.error().engine.domain, "Quorvane.OCR");
    }
    EXPECT_TRUE(TesseractLanguageData::isUsable(original.fileName()));
}

TEST(RecognitionRobustness, LanguageTagsFromDataFileNames) {
    const std::pair<const char*, std::optional<QString>> cases[] = {{"eng", "en"},
                                                                    {"chi_tra", "zh-Hant"},
                                                                    {"aze_cyrl", "az-Cyrl"},
                                                                    {"frk", "frk"},
                                                                    {"osd", std::nullopt},
                                                                    {"equ", std::nullopt},
                                                                    {"chi_sim_vert", std::nullopt},
                                                                    {"Latin", std::nullopt}};
    for (const auto& [code, tag] : cases)
        EXPECT_EQ(TesseractLanguageData::tag(QString::fromLatin1(code)), tag) << code;
}

TEST(RecognitionRobustness, ThousandCancelledRecognitionsLeaveNoThreadsOrEngines) {
    const int before = liveThreads();
    {
        TextRecognizer recognizer(installedEngines(), std::make_shared<ZXingBarcodeReader>(), QStringList{},
                                  2);
        QImage image = test::whiteImage(300, 60);
        test::drawText(image, QStringLiteral("cancel me"), {10, 10}, 20);
        std::vector<std::shared_ptr<RecognitionTask>> tasks;
        std::atomic<int> completions{0};
        for (int i = 0; i < 1000; ++i) {
            tasks.push_back(
                recognizer.recognize(image, std::nullopt, [&](const RecognitionOutcome&) { ++completions; }));
            // Some are cancelled right away, some while they run.
            if (i % 100 == 99) std::this_thread::sleep_for(std::chrono::milliseconds(5));
            tasks.back()->cancel();
        }
        for (const auto& task : tasks) {
            const auto outcome = task->wait();
            EXPECT_TRUE(outcome.ok() || outcome.error().isCancellation());
            // A cancellation that comes after the outcome changes nothing.
            task->cancel();
            EXPECT_EQ(task->wait(), outcome);
        }
        EXPECT_EQ(completions.load(), 1000);
        EXPECT_LE(TesseractEngine::liveCount(), recognizer.workerCount());
        EXPECT_EQ(liveThreads(), before + recognizer.workerCount() + 1);
    }
    EXPECT_EQ(TesseractEngine::liveCount(), 0);
    // A joined thread may still be listed for a moment while the system takes it down.
    EXPECT_TRUE(test::waitUntil([&] { return liveThreads() == before; })) << liveThreads() << " " << before;
}

TEST(RecognitionRobustness, StartsNoOpenMPThreadsAndReadsSplitPagesInOrder) {
    ASSERT_TRUE(OpenMPEnvironment::isSingleThreaded()) << "run with OMP_THREAD_LIMIT=1, as ctest does";
    const int before = liveThreads();
    TextRecognizer recognizer(installedEngines(), std::make_shared<ZXingBarcodeReader>(), QStringList{}, 3);
    // Large enough to be cut into strips read side by side.
    QImage image = test::whiteImage(1600, 1200);
    const QStringList drawn = {
        "The quick brown fox jumps", "over the lazy dog while",     "seven wizards quietly hex",
        "a jovial gnome's jigsaw",   "Pack my box with five dozen", "liquor jugs before noon",
        "Sphinx of black quartz",    "judge my solemn vow",         "How vexingly quick daft",
        "zebras jump over fences",   "Bright vixens jump; dozy",    "fowl quack at dawn"};
    for (int i = 0; i < int(drawn.size()); ++i)
        test::drawText(image, drawn[i], {40 + (i % 3) * 30, 40 + i * 90}, 26);
    const auto outcome = recognizer.recognize(image, std::nullopt)->wait();
    ASSERT_TRUE(outcome.ok());
    QStringList texts;
    for (const auto& line : outcome->lines)
        texts.append(line.text);
    EXPECT_EQ(texts, drawn);
    EXPECT_EQ(liveThreads(), before + recognizer.workerCount() + 1);
}

TEST(RecognitionRobustness, RestartsOnceWithOpenMPLimitedToOneThread) {
    const test::TempDir folder;
    const std::string out = (folder / "limit").string();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::unsetenv("OMP_THREAD_LIMIT");
        const std::string script = "printf %s \"$OMP_THREAD_LIMIT\" > '" + out + "'";
        const char* argv[] = {"sh", "-c", script.c_str(), nullptr};
        OpenMPEnvironment::ensureSingleThreaded("/bin/sh", const_cast<char* const*>(argv));
        ::_exit(99); // not replaced
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    QFile limit(QString::fromStdString(out));
    ASSERT_TRUE(limit.open(QIODevice::ReadOnly));
    EXPECT_EQ(limit.readAll(), "1");
}

} // namespace
} // namespace quorvane
