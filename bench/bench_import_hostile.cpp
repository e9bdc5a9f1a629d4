// Files made to cost the importer more than their picture is worth: small pictures whose
// compressed data goes on for megabytes past their pixels, a progressive JPEG that repeats one
// scan, a run-length BMP without rows, one pixel under hundreds of megabytes of metadata (opened as
// files, as they come), files whose first 64 KiB look right and whose rest is junk. Each row
// reports the processor time of one open, the peak memory it took, and what came of it.

#include "ProcessTime.h"
#include "export/ImageImporter.h"
#include "support/HostileImages.h"
#include "support/ImageFiles.h"
#include "support/PeakMemory.h"
#include "support/TempDir.h"

#include <QFile>
#include <QGuiApplication>
#include <QRandomGenerator>
#include <benchmark/benchmark.h>

namespace {

using namespace quorvane;

void Open(benchmark::State& state, QByteArray (*make)()) {
    const QByteArray bytes = make();
    std::string outcome;
    std::int64_t peak = 0;
    const double cpuBefore = bench::processCpuMilliseconds();
    for (auto _ : state) {
        const test::PeakMemory memory;
        const auto result = ImageImporter::image(bytes);
        peak = std::max(peak, memory.growth());
        outcome = result ? "opened " + std::to_string(result->width()) + "x" + std::to_string(result->height())
                         : "refused: " + result.error().message().toStdString();
    }
    state.counters["cpu_ms"] =
        (bench::processCpuMilliseconds() - cpuBefore) / static_cast<double>(state.iterations());
    state.counters["peak_MB"] = static_cast<double>(peak) / 1e6;
    state.counters["file_MB"] = static_cast<double>(bytes.size()) / 1e6;
    state.SetLabel(outcome);
}

// The file at `path`, `length` bytes long, opened as a file.
void OpenPath(benchmark::State& state, const QString& path, qint64 length) {
    const QUrl url = QUrl::fromLocalFile(path);
    std::string outcome;
    std::int64_t peak = 0;
    const double cpuBefore = bench::processCpuMilliseconds();
    for (auto _ : state) {
        const test::PeakMemory memory;
        const auto result = ImageImporter::image(url);
        peak = std::max(peak, memory.growth());
        outcome = result
                      ? "opened " + std::to_string(result->width()) + "x" + std::to_string(result->height())
                      : "refused: " + result.error().message().toStdString();
    }
    state.counters["cpu_ms"] =
        (bench::processCpuMilliseconds() - cpuBefore) / static_cast<double>(state.iterations());
    state.counters["peak_MB"] = static_cast<double>(peak) / 1e6;
    state.counters["file_MB"] = static_cast<double>(length) / 1e6;
    state.SetLabel(outcome);
}

// The same for `make`'s bytes written to a file, opened as a file.
void OpenFile(benchmark::State& state, QByteArray (*make)()) {
    const test::TempDir folder;
    const QString path = QString::fromStdString((folder / "image").string());
    qint64 length = 0;
    {
        const QByteArray bytes = make();
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
            state.SkipWithError("could not write the file");
            return;
        }
        length = bytes.size();
    }
    OpenPath(state, path, length);
}

// `start`'s bytes followed by zeros (a hole on disk) up to `megabytes`, opened as a file.
void OpenJunkTailed(benchmark::State& state, QByteArray (*start)(), qint64 megabytes) {
    const test::TempDir folder;
    const QString path = QString::fromStdString((folder / "image").string());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(start()) < 0 || !file.resize(megabytes << 20)) {
        state.SkipWithError("could not write the file");
        return;
    }
    file.close();
    OpenPath(state, path, megabytes << 20);
}

constexpr qsizetype megabyte = 1 << 20;

QByteArray png4() { return test::pngWithExtraImageData(4 * megabyte); }
QByteArray png12() { return test::pngWithExtraImageData(12 * megabyte); }
QByteArray tiffStrip4() { return test::tiffWithExtraImageData(4 * megabyte, false); }
QByteArray tiffTile4() { return test::tiffWithExtraImageData(4 * megabyte, true); }
QByteArray heicUnits4() { return test::heicWithExtraItemData(4 * megabyte); }
QByteArray gifData4() { return test::gifWithExtraImageData(4 * megabyte); }
// Some 16 bytes each.
QByteArray gifFrames4() { return test::gifWithFrames(int(4 * megabyte / 16)); }
// A frame of 32,000 × 64 on a screen of 1 × 1.
QByteArray gifWideFrame() {
    QByteArray gif = test::gif(32'000, 64, {Qt::red}, std::vector<uchar>(32'000 * 64, 0));
    gif.replace(6, 4, test::le16(1) + test::le16(1));
    return gif;
}
QByteArray jpeg990Scans() { return test::jpegWithScans(test::quadrants(5000, 6000), 990); }
// The most scans still opened: what a hostile file can still cost.
QByteArray jpeg100Scans() { return test::jpegWithScans(test::quadrants(5000, 6000), 100); }
QByteArray bmpEndOnly() { return test::runLengthBmp(5000, 6000, QByteArray("\0\x01", 2)); }
QByteArray pngPalettes300MB() {
    return test::pngWithPaletteChunks(300 * megabyte);
}
QByteArray jpegProfileParts230MB() {
    return test::jpegWithProfileSegments(230 * megabyte);
}

// Starts that look right for their first 64 KiB, then break (the sizes).
QByteArray pngCritical() {
    const QByteArray start = test::plausibleStart("PNG");
    const auto length = static_cast<std::uint32_t>((std::int64_t{304} << 20) - start.size() - 12);
    return start + QByteArray(1, char(length >> 24)) + char(length >> 16 & 0xFF) + char(length >> 8 & 0xFF) +
           char(length & 0xFF) + "QUUX";
}
QByteArray pngStart() { return test::plausibleStart("PNG"); }
QByteArray jpegMarker() { return test::plausibleStart("JPEG") + "\xFF\x02"; }
QByteArray gifStart() { return test::plausibleStart("GIF"); }
// A phone's motion photo: a picture, then its video after the end of the image.
QByteArray jpegAlone() { return test::qtEncoded(test::quadrants(2000, 1500), "JPEG"); }
QByteArray jpegThenVideo30MB() {
    QByteArray video(30 * megabyte, Qt::Uninitialized);
    QRandomGenerator(5).fillRange(reinterpret_cast<quint32*>(video.data()), video.size() / 4);
    video.replace(0, 12, QByteArray("\0\0\0\x18" "ftypmp42", 12));
    return jpegAlone() + video;
}
// Kept whole: it has no end to check.
QByteArray tiff() { return test::tiffWithExtraImageData(0, false); }

BENCHMARK_CAPTURE(Open, png_extra_idat_4MB, png4)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Open, png_extra_idat_12MB, png12)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Open, tiff_strip_extra_4MB, tiffStrip4)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Open, tiff_tile_extra_4MB, tiffTile4)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Open, heic_item_extra_units_4MB, heicUnits4)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Open, gif_extra_lzw_4MB, gifData4)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Open, gif_frames_4MB, gifFrames4)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Open, gif_wide_frame_on_1x1, gifWideFrame)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Open, jpeg_990_scans_5000x6000, jpeg990Scans)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Open, jpeg_100_scans_5000x6000, jpeg100Scans)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Open, bmp_rle_end_only_5000x6000, bmpEndOnly)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(OpenFile, png_1x1_splt_300MB_file, pngPalettes300MB)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(OpenFile, jpeg_1x1_app2_230MB_file, jpegProfileParts230MB)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(OpenFile, jpeg_2000x1500_file, jpegAlone)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(OpenFile, jpeg_2000x1500_then_30MB_video_file, jpegThenVideo30MB)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(OpenJunkTailed, png_unknown_critical_chunk_after_64KiB_304MB, pngCritical, 304)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(OpenJunkTailed, png_zeros_after_64KiB_304MB, pngStart, 304)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(OpenJunkTailed, jpeg_unknown_marker_after_64KiB_240MB, jpegMarker, 240)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(OpenJunkTailed, gif_bad_block_after_64KiB_120MB, gifStart, 120)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(OpenJunkTailed, tiff_zeros_after_its_picture_300MB, tiff, 300)
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
