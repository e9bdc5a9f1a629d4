// Start-up costs of the shell: parsing a link (against Qt's own URL parser on the same text) and
// registering the five default hot keys on a private Xvfb.

#include "app/HotKeyCenter.h"
#include "app/URLCommand.h"
#include "platform/X11HotKeyGrabber.h"
#include "XvfbMain.h"

#include <QGuiApplication>
#include <QUrl>
#include <benchmark/benchmark.h>

namespace {

using namespace quorvane;

constexpr std::string_view link = "quorvane://capture/area?delay=3&then=copy";

void ParseLink(benchmark::State& state) {
    for (auto _ : state) {
        auto command = URLCommand::parse(link);
        benchmark::DoNotOptimize(command);
    }
}
BENCHMARK(ParseLink);

void QUrlOfTheSameLink(benchmark::State& state) {
    const QString text = QString::fromLatin1(link.data(), static_cast<qsizetype>(link.size()));
    for (auto _ : state) {
        QUrl url(text, QUrl::StrictMode);
        benchmark::DoNotOptimize(url.query());
    }
}
BENCHMARK(QUrlOfTheSameLink);

// Grabbing all five keys with their lock variants, then letting them go.
void RegisterDefaultHotKeys(benchmark::State& state) {
    X11HotKeyGrabber grabber;
    HotKeyCenter center(grabber);
    for (auto _ : state) {
        auto errors = center.registerBindings(HotKeyCenter::defaultBindings());
        if (!errors.empty()) {
            state.SkipWithError("a default key is taken");
            break;
        }
        center.unregisterAll();
    }
}
BENCHMARK(RegisterDefaultHotKeys)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    return quorvane::bench::runOnXvfb<QGuiApplication>(argc, argv);
}
