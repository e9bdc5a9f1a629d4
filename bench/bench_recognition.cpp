// Text recognition of three drawn screenshots, against the tesseract command line on the same
// PNG files: wall time and character error rate ("cer") of each, in the same run. Then the same
// for each drawn user-interface page of tests/data/ui-pages, read warm (engines loaded) and cold
// (a new recognizer), against the command line with its default threads and with one;
// bench/recognition-table.py turns the JSON output into a table.

#include "OffscreenMain.h"
#include "ScreenshotPages.h"
#include "platform/OpenMPEnvironment.h"
#include "platform/TesseractEngineFactory.h"
#include "platform/TesseractLanguageData.h"
#include "platform/ZXingBarcodeReader.h"
#include "recognition/TextRecognizer.h"
#include "support/UiPages.h"

#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <map>
#include <optional>
#include <thread>

namespace quorvane::bench {
namespace {

const std::vector<Screenshot>& screenshots() {
    static const std::vector<Screenshot> shots = {prosePage(), codeEditor(), dialogWithCode()};
    return shots;
}

QString pngOf(int index) {
    static QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("shot-%1.png").arg(index));
    if (!QFile::exists(path)) screenshots()[std::size_t(index)].image.save(path);
    return path;
}

int distance(const QString& first, const QString& second) {
    const std::u16string a = first.toStdU16String(), b = second.toStdU16String();
    std::vector<int> row(b.size() + 1);
    for (std::size_t j = 0; j < row.size(); ++j)
        row[j] = int(j);
    for (std::size_t i = 1; i <= a.size(); ++i) {
        int diagonal = row[0];
        row[0] = int(i);
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const int above = row[j];
            row[j] = std::min({above + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

QStringList normalized(const QStringList& lines) {
    QStringList result;
    for (const QString& line : lines)
        if (const QString text = line.simplified(); !text.isEmpty()) result.append(text);
    return result;
}

// Errors per character of the truth. Lines are matched by content, not by order, so that
// a reading order that differs from the drawing order (a label beside a field) costs nothing;
// lines left over on either side count whole.
double errorRate(const QStringList& truth, const QStringList& read) {
    const QStringList expected = normalized(truth);
    QStringList found = normalized(read);
    long errors = 0, total = 0;
    for (const QString& line : expected) {
        total += line.size();
        int best = -1, bestDistance = int(line.size());
        for (int i = 0; i < found.size(); ++i)
            if (const int d = distance(line, found[i]); d < bestDistance) best = i, bestDistance = d;
        errors += bestDistance;
        if (best >= 0) found.removeAt(best);
    }
    for (const QString& extra : found)
        errors += extra.size();
    return total ? double(errors) / double(total) : 0;
}

TextRecognizer& recognizer() {
    static TextRecognizer instance(
        std::make_shared<TesseractEngineFactory>(TesseractLanguageData::defaultFolder()),
        std::make_shared<ZXingBarcodeReader>(), QStringList{QStringLiteral("en")});
    return instance;
}

void BM_Recognize(benchmark::State& state) {
    const Screenshot& shot = screenshots()[std::size_t(state.range(0))];
    (void)recognizer().recognize(shot.image, QStringList{"en"})->wait(); // engines loaded before timing
    RecognitionResult result;
    for (auto _ : state) {
        const auto outcome = recognizer().recognize(shot.image, QStringList{"en"})->wait();
        if (!outcome.ok()) {
            state.SkipWithError(outcome.error().message().toStdString().c_str());
            return;
        }
        result = *outcome;
    }
    QStringList lines;
    for (const auto& line : result.lines)
        lines.append(line.text);
    state.SetLabel(shot.name.toStdString());
    state.counters["cer"] = errorRate(shot.lines, lines);
    state.counters["codes"] = double(result.codes.size());
    state.counters["threads"] = recognizer().workerCount();
}

// Times the tesseract command on `png` with its default threads (one OpenMP thread per core) or,
// when `oneThread`, one; its text, or none when it is missing or failed.
std::optional<QString> commandLineText(benchmark::State& state, const QString& png, bool oneThread) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("OMP_THREAD_LIMIT"));
    if (oneThread) environment.insert(QStringLiteral("OMP_THREAD_LIMIT"), QStringLiteral("1"));
    QString text;
    for (auto _ : state) {
        QProcess tesseract;
        tesseract.setProcessEnvironment(environment);
        tesseract.start(QStringLiteral("tesseract"), {png, QStringLiteral("stdout"), QStringLiteral("-l"), "eng"});
        if (!tesseract.waitForFinished(600000) || tesseract.exitCode() != 0) {
            tesseract.kill();
            tesseract.waitForFinished();
            state.SkipWithError("the tesseract command is missing or failed");
            return std::nullopt;
        }
        text = QString::fromUtf8(tesseract.readAllStandardOutput());
    }
    state.counters["threads"] = oneThread ? 1 : std::thread::hardware_concurrency();
    return text;
}

void BM_TesseractCommandLine(benchmark::State& state) {
    const Screenshot& shot = screenshots()[std::size_t(state.range(0))];
    const auto text = commandLineText(state, pngOf(int(state.range(0))), state.range(1) == 1);
    if (!text) return;
    state.SetLabel(shot.name.toStdString());
    state.counters["cer"] = errorRate(shot.lines, text->split(QLatin1Char('\n')));
}

struct UiPageFile {
    QImage image;
    test::PageTruth truth;
    QString png;
};

const UiPageFile& uiPage(int index) {
    static std::map<int, UiPageFile> pages;
    auto& page = pages[index];
    if (page.image.isNull()) {
        const QString name = test::uiPageNames()[index];
        page.png = test::uiPagePath(name, QStringLiteral(".png"));
        page.image = QImage(page.png).convertToFormat(QImage::Format_RGBA8888_Premultiplied);
        page.truth = test::PageTruth::load(test::uiPagePath(name, QStringLiteral(".txt"))).value_or(test::PageTruth{});
    }
    return page;
}

std::unique_ptr<TextRecognizer> newRecognizer() {
    return std::make_unique<TextRecognizer>(
        std::make_shared<TesseractEngineFactory>(TesseractLanguageData::defaultFolder()),
        std::make_shared<ZXingBarcodeReader>(), QStringList{QStringLiteral("en")});
}

// Warm: the engines of one recognizer, loaded before timing. Cold: a new recognizer each time,
// its engines loaded while it reads.
void BM_UiPage(benchmark::State& state) {
    const UiPageFile& page = uiPage(int(state.range(0)));
    const bool cold = state.range(1) == 1;
    if (!cold) (void)recognizer().recognize(page.image, QStringList{"en"})->wait();
    RecognitionResult result;
    for (auto _ : state) {
        std::unique_ptr<TextRecognizer> own = cold ? newRecognizer() : nullptr;
        const auto outcome = (cold ? *own : recognizer()).recognize(page.image, QStringList{"en"})->wait();
        if (!outcome.ok()) {
            state.SkipWithError(outcome.error().message().toStdString().c_str());
            return;
        }
        result = *outcome;
    }
    std::vector<test::ReadLine> lines;
    for (const auto& line : result.lines)
        lines.push_back({line.text, line.boundingBox});
    state.SetLabel((page.truth.name + (cold ? QStringLiteral(" cold") : QStringLiteral(" warm"))).toStdString());
    state.counters["cer"] = test::scoreReading(page.truth, lines).errorRate;
    state.counters["threads"] = recognizer().workerCount();
}

void BM_UiPageCommandLine(benchmark::State& state) {
    const UiPageFile& page = uiPage(int(state.range(0)));
    const bool oneThread = state.range(1) == 1;
    const auto text = commandLineText(state, page.png, oneThread);
    if (!text) return;
    state.SetLabel((page.truth.name + (oneThread ? QStringLiteral(" cli-1") : QStringLiteral(" cli"))).toStdString());
    state.counters["cer"] = test::scoreReading(page.truth, text->split(QLatin1Char('\n'))).errorRate;
}

// Every page of tests/data/ui-pages, by its index.
const std::vector<int64_t> everyPage = benchmark::CreateDenseRange(0, int(test::uiPageNames().size()) - 1, 1);

BENCHMARK(BM_Recognize)->DenseRange(0, 2)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UiPage)->ArgsProduct({everyPage, {0, 1}})->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UiPageCommandLine)
    ->ArgsProduct({everyPage, {0, 1}})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TesseractCommandLine)
    ->ArgsProduct({{0, 1, 2}, {0, 1}})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
} // namespace quorvane::bench

int main(int argc, char** argv) {
    quorvane::OpenMPEnvironment::ensureSingleThreaded("/proc/self/exe", argv);
    return quorvane::bench::runOffscreen(argc, argv);
}
