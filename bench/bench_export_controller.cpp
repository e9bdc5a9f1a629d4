// The export controller's copy and save of a 4K document with 50 annotations: the time the GUI
// thread is held and the time until the clipboard or file is ready; and the before/after GIF of
// a 1080p screenshot against ImageMagick on the same two frames (time, size, mean colour error).

#include "ImageMagick.h"
#include "app/Preferences.h"
#include "core/Log.h"
#include "document/EditorDocument.h"
#include "export/ExportController.h"
#include "export/GIFExporter.h"
#include "platform/Beeper.h"
#include "platform/JsonSettingsStore.h"
#include "platform/SystemClipboard.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QClipboard>
#include <QColorSpace>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QImageReader>
#include <QListWidget>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextEdit>
#include <benchmark/benchmark.h>
#include <random>

namespace {

using namespace quorvane;

struct NoBeeper final : Beeper {
    void beep() override {}
};

// Windows of text over a gradient, and a noisy photograph: many colours, as people capture.
QImage desktop(int width, int height) {
    QImage image(width, height, QImage::Format_RGBA8888_Premultiplied);
    image.setColorSpace(QColorSpace::SRgb);
    QPainter painter(&image);
    QLinearGradient wallpaper(0, 0, width, height);
    wallpaper.setColorAt(0, QColor(30, 60, 110));
    wallpaper.setColorAt(1, QColor(140, 70, 90));
    painter.fillRect(image.rect(), wallpaper);
    painter.fillRect(QRect(width / 12, height / 10, width / 2, height / 2), QColor(248, 248, 250));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(height / 60);
    painter.setFont(font);
    painter.setPen(QColor(25, 25, 30));
    for (int y = height / 10 + 40; y < height / 10 + height / 2 - 10; y += height / 45)
        painter.drawText(width / 12 + 20, y,
                         QStringLiteral("The quick brown fox annotates the screenshot %1").arg(y));
    std::mt19937 random(3);
    std::normal_distribution<double> noise(0, 6);
    const QRect photo(width / 2, height / 2, width / 3, height / 3);
    for (int y = photo.top(); y <= photo.bottom(); ++y) {
        auto* row = image.scanLine(y);
        for (int x = photo.left(); x <= photo.right(); ++x) {
            const double light = 0.5 + 0.4 * std::sin(x / 90.0) * std::cos(y / 70.0);
            row[4 * x] = static_cast<uchar>(std::clamp(60 + 150 * light + noise(random), 0.0, 255.0));
            row[4 * x + 1] = static_cast<uchar>(std::clamp(120 + 80 * light + noise(random), 0.0, 255.0));
            row[4 * x + 2] =
                static_cast<uchar>(std::clamp(40 + 60 * (1 - light) + noise(random), 0.0, 255.0));
            row[4 * x + 3] = 255;
        }
    }
    return image;
}

std::unique_ptr<EditorDocument> annotatedDocument(int width, int height, int count) {
    auto document = std::make_unique<EditorDocument>(desktop(width, height), std::nullopt, 1.0);
    const AnnotationKind kinds[] = {AnnotationKind::arrow, AnnotationKind::rectangle,
                                    AnnotationKind::text,  AnnotationKind::blur,
                                    AnnotationKind::oval,  AnnotationKind::highlight};
    for (int i = 0; i < count; ++i) {
        Annotation a;
        a.id = QUuid::createUuid();
        a.kind = kinds[i % 6];
        a.rect = QRectF(40 + (i * 173) % (width - 400), 40 + (i * 97) % (height - 300), 300, 180);
        a.start = a.rect.topLeft();
        a.end = a.rect.bottomRight();
        a.color = QColor::fromHsv(i * 37 % 360, 220, 230);
        a.strokeWidth = 6;
        a.text = QStringLiteral("Note %1").arg(i);
        a.fontSize = 28;
        a.number = i + 1;
        document->addAnnotation(a);
    }
    return document;
}

// GUI-thread time of the request and the time until the export is done, for copy and save.
void ControllerExport4K(benchmark::State& state, bool save) {
    QTemporaryDir folder;
    JsonSettingsStore store(folder.filePath(QStringLiteral("settings.json")).toStdString());
    Preferences preferences(store);
    preferences.setSaveFolder(folder.filePath(QStringLiteral("Shots")));
    SystemClipboard clipboard(*QGuiApplication::clipboard());
    NoBeeper beeper;
    auto document = annotatedDocument(3840, 2160, 50);
    ExportController controller([&] { return document.get(); }, preferences, clipboard, beeper,
                                [](const QImage&) { return false; });
    // A 4K document stays under 8 megapixels; the benchmark asks what the worker path costs.
    controller.backgroundPixels = 1;
    double guiMs = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        const Result<void, Error> accepted =
            save ? controller.saveToFolder(ExportController::AfterSave::hideEditorIfSet,
                                           ExportController::Encoding::mayUseWorker)
                 : controller.copyFinal(ExportController::Encoding::mayUseWorker);
        guiMs += static_cast<double>(timer.nsecsElapsed()) / 1e6;
        while (controller.pendingExports() > 0)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) / 1e9);
        if (!accepted) state.SkipWithError("refused");
    }
    state.counters["gui_thread_ms"] = guiMs / static_cast<double>(state.iterations());
}
BENCHMARK_CAPTURE(ControllerExport4K, copy, false)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK_CAPTURE(ControllerExport4K, save, true)->Unit(benchmark::kMillisecond)->UseManualTime();

// A screenshot of real widgets as Qt draws them (calendar, text, list, controls), with the photo
// of desktop() beside them, at 1920 × 1080.
QImage widgetScreenshot() {
    QWidget window;
    auto* layout = new QGridLayout(&window);
    auto* text = new QTextEdit;
    for (int i = 0; i < 40; ++i)
        text->append(
            QStringLiteral("Line %1: the export controller copies, saves and animates the final image.")
                .arg(i));
    auto* list = new QListWidget;
    for (int i = 0; i < 60; ++i)
        list->addItem(QStringLiteral("Document %1.png").arg(i));
    auto* progress = new QProgressBar;
    progress->setValue(62);
    layout->addWidget(new QCalendarWidget, 0, 0);
    layout->addWidget(text, 0, 1, 2, 1);
    layout->addWidget(list, 1, 0);
    layout->addWidget(new QPushButton(QStringLiteral("Save Image")), 2, 0);
    layout->addWidget(progress, 2, 1);
    window.resize(1920, 1080);
    QImage image = window.grab().toImage().convertToFormat(QImage::Format_RGBA8888_Premultiplied);
    image.setColorSpace(QColorSpace::SRgb);
    const QImage photo = desktop(1920, 1080);
    QPainter(&image).drawImage(QPoint(1280, 700), photo, QRect(960, 540, 640, 360));
    return image;
}

const std::pair<QImage, QImage>& gifFrames() {
    static const std::pair<QImage, QImage> frames = [] {
        EditorDocument document(widgetScreenshot(), std::nullopt, 1.0);
        const auto annotated = annotatedDocument(1920, 1080, 20);
        for (const Annotation& a : annotated->annotations())
            document.addAnnotation(a);
        return GIFExporter::frames(document).value();
    }();
    return frames;
}

// Mean absolute difference per colour channel of two opaque images of one size.
double meanError(const QImage& a, const QImage& b) {
    const QImage x = a.convertToFormat(QImage::Format_RGBA8888);
    const QImage y = b.convertToFormat(QImage::Format_RGBA8888);
    double sum = 0;
    for (int row = 0; row < x.height(); ++row)
        for (int i = 0; i < 4 * x.width(); ++i)
            if (i % 4 != 3) sum += std::abs(int(x.constScanLine(row)[i]) - int(y.constScanLine(row)[i]));
    return sum / (3.0 * x.width() * x.height());
}

// Every frame of a GIF, through Qt's reader (independent of both encoders).
std::vector<QImage> gifFramesOf(const QString& path) {
    QImageReader reader(path);
    std::vector<QImage> frames;
    for (QImage frame = reader.read(); !frame.isNull(); frame = reader.read())
        frames.push_back(frame);
    return frames;
}

void BeforeAfterGif1080p(benchmark::State& state) {
    const auto& [before, after] = gifFrames();
    QByteArray bytes;
    for (auto _ : state) {
        bytes = GIFExporter::encode({before, after}, 1.0).value();
        benchmark::DoNotOptimize(bytes.constData());
    }
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("ours.gif"));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) file.write(bytes);
    file.close();
    const auto frames = gifFramesOf(path);
    state.counters["bytes"] = static_cast<double>(bytes.size());
    if (frames.size() == 2)
        state.counters["mean_error"] = (meanError(frames[0], before) + meanError(frames[1], after)) / 2;
}
BENCHMARK(BeforeAfterGif1080p)->Unit(benchmark::kMillisecond)->UseRealTime();

void BeforeAfterGif1080pImageMagick(benchmark::State& state) {
    const auto& [before, after] = gifFrames();
    QTemporaryDir folder;
    const QString first = folder.filePath(QStringLiteral("before.png"));
    const QString second = folder.filePath(QStringLiteral("after.png"));
    const QString output = folder.filePath(QStringLiteral("out.gif"));
    before.save(first);
    after.save(second);
    for (auto _ : state) {
        QFile::remove(output);
        QElapsedTimer timer;
        timer.start();
        const int status = QProcess::execute(
            QStringLiteral("convert"), {QStringLiteral("-delay"), QStringLiteral("100"),
                                        QStringLiteral("-loop"), QStringLiteral("0"), first, second, output});
        state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) / 1e9);
        if (status != 0) state.SkipWithError("convert failed");
    }
    const auto frames = gifFramesOf(output);
    state.counters["bytes"] = static_cast<double>(QFileInfo(output).size());
    if (frames.size() == 2)
        state.counters["mean_error"] = (meanError(frames[0], before) + meanError(frames[1], after)) / 2;
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    Log::setEchoToStandardError(false);
    if (auto* comparison = bench::registerImageMagickComparison("BeforeAfterGif1080pImageMagick",
                                                                BeforeAfterGif1080pImageMagick))
        comparison->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
