// The diagnostics export of a full log store (8 MB, both files at their bound, every entry this
// process's and within the day): reading, formatting and writing the file, as the worker does it.
// Reading the store alone shows how much of it is the store's own parsing. And what one log entry
// costs its writer (the GUI thread, say) while another process holds the store's folder locked.

#include "OffscreenMain.h"
#include "app/Diagnostics.h"
#include "platform/LogStore.h"
#include "support/FolderLockHolder.h"

#include <QCoreApplication>
#include <QDateTime>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace quorvane;
namespace fs = std::filesystem;

struct FullStore {
    fs::path folder = fs::temp_directory_path() / ("quorvane-bench-diagnostics-" + std::to_string(::getpid()));
    LogStore store{folder / "log"};
    std::int64_t nowMs = QDateTime::currentMSecsSinceEpoch();
    std::size_t entries = 0;

    FullStore() {
        fs::create_directories(folder);
        // Entries like the program's own, spread over the last hours, until the store is full.
        const std::int64_t start = nowMs - 20 * 3600 * 1000;
        std::uintmax_t bytes = 0;
        while (bytes < LogStore::defaultMaxBytes - 64 * 1024) {
            LogEntry entry{start + static_cast<std::int64_t>(entries) * 500, ::getpid(),
                           entries % 3 == 0 ? "capture" : "app",
                           entries % 7 == 0 ? LogLevel::error : LogLevel::defaultLevel,
                           "Capture succeeded: 1920x1080 px, ocr false; export queue 0 pending " +
                               std::to_string(entries)};
            store.append(entry);
            ++entries;
            if (entries % 1000 == 0) {
                bytes = 0;
                for (const char* name : {"quorvane.log", "quorvane.log.1"})
                    if (fs::exists(folder / "log" / name)) bytes += fs::file_size(folder / "log" / name);
            }
        }
    }
    ~FullStore() { fs::remove_all(folder); }
};

FullStore& fullStore() {
    static FullStore store;
    return store;
}

const Diagnostics::Facts facts{QStringLiteral("0.1.0"), QStringLiteral("abc"), QStringLiteral("Debian"),
                               QStringLiteral("unknown"), QStringLiteral("x86_64")};

void ExportFullStore(benchmark::State& state) {
    FullStore& full = fullStore();
    const QString path = QString::fromStdString((full.folder / "QuorvaneShot-Diagnostics.txt").string());
    qsizetype written = 0;
    for (auto _ : state) {
        auto count = Diagnostics::exportRecent(path, full.store, facts, full.nowMs - Diagnostics::windowMs,
                                               full.nowMs, ::getpid());
        written = count ? *count : -1;
    }
    state.counters["entries"] = static_cast<double>(written);
    state.counters["file MB"] =
        static_cast<double>(fs::file_size(full.folder / "QuorvaneShot-Diagnostics.txt")) / (1 << 20);
}
BENCHMARK(ExportFullStore)->Unit(benchmark::kMillisecond)->UseRealTime();

void ReadFullStoreOnly(benchmark::State& state) {
    FullStore& full = fullStore();
    for (auto _ : state) {
        auto entries = full.store.read(full.nowMs - Diagnostics::windowMs, ::getpid());
        benchmark::DoNotOptimize(entries);
    }
}
BENCHMARK(ReadFullStoreOnly)->Unit(benchmark::kMillisecond)->UseRealTime();

// Each entry while a child process keeps the folder locked, and the slowest of them; entries past
// the waiting bound are dropped, which costs as little.
void AppendWhileAnotherProcessHoldsTheLock(benchmark::State& state) {
    const fs::path folder =
        fs::temp_directory_path() / ("quorvane-bench-locked-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    std::optional<test::FolderLockHolder> holder(std::in_place, folder);
    if (holder->locked()) {
        LogStore store(folder);
        std::int64_t stored = 0, entries = 0;
        std::chrono::steady_clock::duration slowest{};
        for (auto _ : state) {
            const auto start = std::chrono::steady_clock::now();
            stored += store.append(
                LogEntry{QDateTime::currentMSecsSinceEpoch(), ::getpid(), "app", LogLevel::defaultLevel,
                         "Capture succeeded: 1920x1080 px, ocr false; export queue 0 pending"});
            slowest = std::max(slowest, std::chrono::steady_clock::now() - start);
            ++entries;
        }
        state.counters["kept"] = static_cast<double>(stored) / static_cast<double>(entries);
        state.counters["slowest_ms"] = std::chrono::duration<double, std::milli>(slowest).count();
    } else {
        state.SkipWithError("the folder could not be locked");
    }
    holder.reset();
    fs::remove_all(folder);
}
BENCHMARK(AppendWhileAnotherProcessHoldsTheLock)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    return quorvane::bench::runOffscreen<QCoreApplication>(argc, argv);
}
