// Scrolling capture costs: the stitcher's per-frame `add` on full-HD and 4K frames scrolled by
// typical amounts (time, heap allocations and memory maps per frame), `result()` on a
// 20,000-row image, and the peak memory of a whole 20,000-row capture through the worker.

#include "../tests/scrolling/SyntheticPage.h"
#include "imaging/MappedBitmap.h"
#include "platform/AnonymousMemory.h"
#include "scrolling/ScrollStitchWorker.h"
#include "scrolling/ScrollStitcher.h"

#include <QColorSpace>
#include <QCoreApplication>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <new>
#include <string>

// Every heap allocation of the program is counted.
namespace {
std::atomic<std::int64_t> allocations{0};

void* counted(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void* countedAligned(std::size_t size, std::align_val_t alignment) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    const auto a = static_cast<std::size_t>(alignment);
    if (void* p = std::aligned_alloc(a, (std::max<std::size_t>(size, 1) + a - 1) / a * a)) return p;
    throw std::bad_alloc();
}
} // namespace

void* operator new(std::size_t size) {
    return counted(size);
}
void* operator new[](std::size_t size) {
    return counted(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size == 0 ? 1 : size);
}
void* operator new(std::size_t size, std::align_val_t alignment) {
    return countedAligned(size, alignment);
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
    return countedAligned(size, alignment);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept {
    std::free(p);
}

namespace {

using namespace quorvane;

constexpr ScrollStitcher::Limits captureLimits{20000, 40000000, 48};

// A tall text-like page; frames are read-only views into it.
const QImage& tallPage(int width, int height) {
    static std::map<std::pair<int, int>, QImage> pages;
    QImage& page = pages[{width, height}];
    if (page.isNull()) page = test::pageImage(test::SyntheticPage{}, width, 0, height);
    return page;
}

// Tagged sRGB, as captured frames are.
QImage frameOf(const QImage& page, int offset, int height) {
    QImage frame(page.constScanLine(offset), page.width(), height, page.bytesPerLine(), page.format());
    frame.setColorSpace(QColorSpace(QColorSpace::SRgb));
    return frame;
}

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

// One `add` per iteration over a page scrolled by `step` rows a frame; a new stitcher (not
// timed) whenever the page runs out.
void StitchAdd(benchmark::State& state) {
    const int width = int(state.range(0)), height = int(state.range(1)), step = int(state.range(2));
    const int frames = std::min(40, (std::min(40000000 / width, 20000) - height) / step);
    const QImage& page = tallPage(width, height + frames * step);
    std::unique_ptr<ScrollStitcher> stitcher;
    int next = 0;
    std::vector<double> milliseconds;
    milliseconds.reserve(100000);
    std::int64_t allocated = 0, mapped = 0, adds = 0;
    for (auto _ : state) {
        if (!stitcher || next > frames) {
            state.PauseTiming();
            stitcher.reset();
            stitcher = ScrollStitcher::create(frameOf(page, 0, height), captureLimits);
            next = 1;
            state.ResumeTiming();
        }
        const QImage frame = frameOf(page, next++ * step, height);
        const auto before = allocations.load(std::memory_order_relaxed);
        const auto mapsBefore = AnonymousMemory::counters().maps;
        const auto start = std::chrono::steady_clock::now();
        const auto outcome = stitcher->add(frame);
        const auto elapsed = std::chrono::steady_clock::now() - start;
        allocated += allocations.load(std::memory_order_relaxed) - before;
        mapped += AnonymousMemory::counters().maps - mapsBefore;
        ++adds;
        milliseconds.push_back(std::chrono::duration<double, std::milli>(elapsed).count());
        if (outcome.kind != ScrollStitchOutcome::Kind::appended) state.SkipWithError("frame not appended");
    }
    state.counters["median_ms"] = median(std::move(milliseconds));
    state.counters["of_interval"] = state.counters["median_ms"] / 110.0;
    state.counters["allocs_per_add"] = double(allocated) / double(std::max<std::int64_t>(adds, 1));
    state.counters["maps_per_add"] = double(mapped) / double(std::max<std::int64_t>(adds, 1));
}
BENCHMARK(StitchAdd)
    ->ArgNames({"width", "height", "step"})
    ->Args({1920, 1080, 40})
    ->Args({1920, 1080, 120})
    ->Args({1920, 1080, 360})
    ->Args({3840, 2160, 80})
    ->Args({3840, 2160, 240})
    ->Args({3840, 2160, 720})
    ->Unit(benchmark::kMillisecond);

// A full stitcher of 20,000 rows, 1920 wide.
std::unique_ptr<ScrollStitcher> fullStitcher() {
    const int step = 240;
    const QImage& page = tallPage(1920, 20000 + step);
    auto stitcher = ScrollStitcher::create(frameOf(page, 0, 1080), captureLimits);
    for (int offset = step; stitcher->height() < 20000; offset += step)
        if (stitcher->add(frameOf(page, offset, 1080)).kind != ScrollStitchOutcome::Kind::appended) break;
    return stitcher;
}

// The first `result()` after the last frame, and for comparison a copy of all its pixels (what
// composing separately stored strips into one image costs).
void StitchResult20000Rows(benchmark::State& state) {
    double copyMilliseconds = 0;
    std::unique_ptr<ScrollStitcher> stitcher;
    std::optional<QImage> image;
    for (auto _ : state) {
        state.PauseTiming();
        image.reset();
        stitcher = fullStitcher();
        state.ResumeTiming();
        image = stitcher->result();
        benchmark::DoNotOptimize(image->constBits());
        state.PauseTiming();
        if (image->height() != 20000) state.SkipWithError("not 20,000 rows");
        const auto start = std::chrono::steady_clock::now();
        QImage copy = image->copy();
        benchmark::DoNotOptimize(copy.constBits());
        copyMilliseconds =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        copy = QImage();
        state.ResumeTiming();
    }
    state.counters["full_copy_ms"] = copyMilliseconds;
}
BENCHMARK(StitchResult20000Rows)->Iterations(1)->Repetitions(3)->Unit(benchmark::kMicrosecond);

std::int64_t statusKilobytes(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0) return std::atoll(line.c_str() + std::strlen(field));
    return 0;
}

// A whole 20,000-row capture of a 1920 × 1080 region through the worker, frames made one at a
// time as the capture takes them. Peak resident memory against the final image's bytes plus
// two frames.
void CapturePeakMemory20000Rows(benchmark::State& state) {
    const int width = 1920, height = 1080, step = 240;
    const test::SyntheticPage page;
    const auto frameAt = [&](int offset) {
        return *MappedBitmap::image(
            width, height, MappedBitmap::Alpha::premultipliedLast, [&](QImage& image) {
                for (int y = 0; y < height; ++y) {
                    uchar* row = image.scanLine(y);
                    for (int x = 0; x < width; ++x) {
                        row[4 * x] = row[4 * x + 1] = row[4 * x + 2] = page.level(x, offset + y);
                        row[4 * x + 3] = 255;
                    }
                }
            });
    };
    for (auto _ : state) {
        std::ofstream("/proc/self/clear_refs") << "5";
        const std::int64_t baseline = statusKilobytes("VmRSS:");
        QObject receiver;
        int reports = 0;
        std::optional<QImage> result;
        bool finished = false;
        {
            ScrollStitchWorker worker(
                &receiver, {}, ScrollStitchWorker::flippedVertically,
                [](const QImage& first) { return ScrollStitcher::create(first, captureLimits); },
                [&](const ScrollStitchWorker::Report&) { ++reports; });
            int sent = 0;
            for (int offset = 0; offset + height <= 20000 + step; offset += step) {
                if (!worker.enqueue(frameAt(offset))) break;
                ++sent;
                while (reports < sent) {
                    QCoreApplication::processEvents();
                    QThread::usleep(200);
                }
            }
            worker.finishReporting([&](std::optional<QImage> image, std::optional<QString>) {
                result = std::move(image);
                finished = true;
            });
            while (!finished) {
                QCoreApplication::processEvents();
                QThread::usleep(200);
            }
        }
        const double peak = double(statusKilobytes("VmHWM:") - baseline) * 1024;
        const double finalBytes = double(result->bytesPerLine()) * result->height();
        const double frameBytes = double(*MappedBitmap::rowBytes(width)) * height;
        state.counters["rows"] = result->height();
        state.counters["peak_MB"] = peak / 1e6;
        state.counters["final_MB"] = finalBytes / 1e6;
        state.counters["peak_per_final_plus_2_frames"] = peak / (finalBytes + 2 * frameBytes);
        state.counters["peak_per_final"] = peak / finalBytes;
    }
}
BENCHMARK(CapturePeakMemory20000Rows)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    // The worker delivers its reports through the event loop.
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
