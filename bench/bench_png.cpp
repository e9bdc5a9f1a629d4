// PNG of real screenshots: desktops of real windows grabbed at 3840 × 2160 under a private Xvfb
// (terminals full of text, a file dialog, a photo viewer), encoded by us, by Qt's default writer
// (RGB, as we write opaque images) and by the optimisers optipng -o1 and pngcrush. Each row
// reports the time and the file size; ours also the CPU time of all its threads, the time one
// core would need.

#include "ProcessTime.h"
#include "XvfbMain.h"
#include "capture/SystemCaptureService.h"
#include "export/ImageExporter.h"
#include "support/DesktopScenes.h"
#include "support/XvfbServer.h"

#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <map>
#include <sys/resource.h>
#include <unistd.h>

namespace {

using namespace quorvane;
using test::DesktopScene;

constexpr QSize screenSize(3840, 2160);

std::map<DesktopScene, QImage>& screenshots() {
    static std::map<DesktopScene, QImage> images;
    return images;
}

QTemporaryDir& folder() {
    static QTemporaryDir instance;
    return instance;
}

// Grabs each scene once, through the program's own capture service.
bool grabScenes() {
    SystemCaptureService service;
    for (DesktopScene scene : {DesktopScene::terminals, DesktopScene::dialog, DesktopScene::photo}) {
        const auto windows = test::showScene(scene, screenSize);
        std::optional<Result<ShareableContent, Error>> content;
        service.targets([&](Result<ShareableContent, Error> value) { content = std::move(value); });
        while (!content)
            QCoreApplication::processEvents();
        if (!content->ok() || (*content)->displays.empty()) return false;
        std::optional<Result<QImage, Error>> image;
        service.image(ContentFilter::forDisplay((*content)->displays.front()),
                      [&](Result<QImage, Error> value) { image = std::move(value); });
        while (!image)
            QCoreApplication::processEvents();
        if (!image->ok()) return false;
        screenshots()[scene] = **image;
    }
    return true;
}

const QImage& shot(DesktopScene scene) {
    return screenshots().at(scene);
}

void Quorvane(benchmark::State& state, DesktopScene scene) {
    qsizetype size = 0;
    const double cpuBefore = bench::processCpuMilliseconds();
    for (auto _ : state) {
        auto bytes = ImageExporter::encode(shot(scene), ImageExporter::Format::png, 0.9);
        if (!bytes) return state.SkipWithError("encoding failed");
        size = bytes->size();
        benchmark::DoNotOptimize(bytes->constData());
    }
    state.counters["kB"] = static_cast<double>(size) / 1000;
    state.counters["cpu_ms_all_threads"] =
        (bench::processCpuMilliseconds() - cpuBefore) / static_cast<double>(state.iterations());
}

// Qt's default writer on the same pixels as RGB: what the size goal is measured against.
QByteArray qtPng(const QImage& rgb) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    rgb.save(&buffer, "PNG");
    return bytes;
}

void QtDefault(benchmark::State& state, DesktopScene scene) {
    const QImage rgb = shot(scene).convertToFormat(QImage::Format_RGB32);
    qsizetype size = 0;
    for (auto _ : state)
        size = qtPng(rgb).size();
    state.counters["kB"] = static_cast<double>(size) / 1000;
}

// An optimiser run on Qt's file; the wall time of the tool and the size it wrote.
void ExternalTool(benchmark::State& state, DesktopScene scene, const char* tool) {
    const QString input = folder().filePath(test::sceneName(scene) + QStringLiteral(".png"));
    if (!QFileInfo::exists(input)) {
        QFile file(input);
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(qtPng(shot(scene).convertToFormat(QImage::Format_RGB32))) < 0)
            return state.SkipWithError("could not write the input");
    }
    const QString output = folder().filePath(test::sceneName(scene) + QLatin1Char('-') + QLatin1String(tool) +
                                             QStringLiteral(".png"));
    const QStringList arguments = QLatin1String(tool) == QLatin1String("optipng")
                                      ? QStringList{QStringLiteral("-quiet"),
                                                    QStringLiteral("-o1"),
                                                    QStringLiteral("-clobber"),
                                                    QStringLiteral("-out"),
                                                    output,
                                                    input}
                                      : QStringList{QStringLiteral("-q"), QStringLiteral("-ow"), output};
    for (auto _ : state) {
        QFile::remove(output);
        if (QLatin1String(tool) == QLatin1String("pngcrush")) QFile::copy(input, output);
        const auto start = std::chrono::steady_clock::now();
        if (QProcess::execute(QString::fromLatin1(tool), arguments) != 0)
            return state.SkipWithError("the tool failed or is not installed");
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    state.counters["kB"] = static_cast<double>(QFileInfo(output).size()) / 1000;
}

void registerAll() {
    for (DesktopScene scene : {DesktopScene::terminals, DesktopScene::dialog, DesktopScene::photo}) {
        const std::string name = test::sceneName(scene).toStdString();
        benchmark::RegisterBenchmark(("Png/" + name + "/Quorvane").c_str(), Quorvane, scene)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
        benchmark::RegisterBenchmark(("Png/" + name + "/QtDefault").c_str(), QtDefault, scene)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
        // Separate programs: left out of the quick smoke runs.
        for (const char* tool : {"optipng", "pngcrush"})
            benchmark::RegisterBenchmark(("Png/" + name + "/External/" + tool).c_str(), ExternalTool, scene,
                                         tool)
                ->Unit(benchmark::kMillisecond)
                ->UseManualTime()
                ->Iterations(1);
    }
}

} // namespace

int main(int argc, char** argv) {
    quorvane::bench::paintAsAsked(argc, argv);
    benchmark::Initialize(&argc, argv);
    quorvane::test::XvfbServer server;
    if (!server.start(screenSize.width(), screenSize.height())) {
        std::fprintf(stderr, "Could not start Xvfb\n");
        return 1;
    }
    ::setenv("DISPLAY", server.display().toUtf8().constData(), 1);
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    QApplication application(argc, argv);
    if (!grabScenes()) {
        std::fprintf(stderr, "Could not grab the screenshots\n");
        return 1;
    }
    registerAll();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
