// The floating panels under a private Xvfb with a 3840 × 2160 monitor: a display capture from
// the capture command to the floating thumbnail on screen and painted (against the same capture
// that only opens the document), and one wheel step of a pin showing a 4K image (zoom about the
// pointer, the window resized and the view painted; the goal is 8 ms). Medians of 20 runs.

#include "CaptureBench.h"
#include "app/Preferences.h"
#include "app/ThumbnailCommands.h"
#include "capture/AreaSelectionOverlay.h"
#include "capture/CaptureController.h"
#include "capture/SystemCaptureService.h"
#include "core/AccessibilityOptions.h"
#include "editor_window/SymbolIcons.h"
#include "export/ExportController.h"
#include "panels/PinController.h"
#include "panels/PinPanel.h"
#include "panels/PinView.h"
#include "panels/ThumbnailContentView.h"
#include "panels/ThumbnailController.h"
#include "panels/ThumbnailPanel.h"
#include "platform/JsonSettingsStore.h"
#include "platform/SystemBeeper.h"
#include "platform/SystemClipboard.h"
#include "support/CountingBeeper.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QCursor>
#include <QScreen>
#include <QWindow>
#include <cmath>

namespace {

using namespace quorvane;
using namespace quorvane::bench;

struct Rig {
    test::TempDir folder;
    JsonSettingsStore store{folder / "settings.json"};
    Preferences preferences{store};
    SystemCaptureService service;
    test::CountingBeeper bell;
    AccessibilityOptions accessibility;
    AreaSelectionOverlay overlay{bell, accessibility};
    CaptureController captures{service, overlay, unaskedQuestions()};
    SystemClipboard clipboard{*QGuiApplication::clipboard()};
    ExportController exporter{[this] { return captures.document(); }, preferences, clipboard, bell,
                              [](const QImage&) { return false; }};
    SymbolIcons icons;
    ThumbnailController thumbnails{
        icons,
        bell,
        accessibility,
        {.copy = [this] { return commands.copy(); },
         .mayExport = [this](std::optional<ThumbnailAction> action) { return commands.mayExport(action); }}};
    ThumbnailCommands commands{thumbnails, captures, exporter, bell};
    PinController pins{clipboard, bell, icons, accessibility};

    Rig() {
        // Measured without the slide-in, which only delays the last frame on purpose.
        accessibility.setReduceMotion(true);
        captures.pointerPosition = [] { return QPointF(1920, 1080); };
    }
};

// Made once the application exists and gone before it ends: the rig holds windows.
Rig* current = nullptr;

Rig& rig() {
    return *current;
}

void pointAtTheBigMonitor() {
    QCursor::setPos(1920, 1080);
    turnUntil([] { return QCursor::pos() == QPoint(1920, 1080); });
}

// From the command to the new document: what every post-capture action starts from.
void CaptureToDocument(benchmark::State& state) {
    pointAtTheBigMonitor();
    for (auto _ : state) {
        bool captured = false;
        const QMetaObject::Connection connection =
            QObject::connect(&rig().captures, &CaptureController::captured, [&] { captured = true; });
        const auto start = Clock::now();
        rig().captures.captureDisplay();
        turnUntil([&] { return captured && !rig().captures.isBusy(); });
        state.SetIterationTime(seconds(Clock::now() - start));
        QObject::disconnect(connection);
    }
}

// The same capture shown as the thumbnail: rendered, placed, on screen and painted.
void CaptureToThumbnail(benchmark::State& state) {
    pointAtTheBigMonitor();
    for (auto _ : state) {
        rig().thumbnails.dismiss();
        bool shown = false;
        const QMetaObject::Connection connection =
            QObject::connect(&rig().captures, &CaptureController::captured,
                             [&] { shown = rig().commands.showThumbnail().ok(); });
        const auto start = Clock::now();
        rig().captures.captureDisplay();
        turnUntil([&] { return shown && !rig().captures.isBusy(); });
        ThumbnailPanel* panel = rig().thumbnails.panel();
        turnUntil([&] { return panel->windowHandle() != nullptr && panel->windowHandle()->isExposed(); });
        panel->content()->repaint();
        state.SetIterationTime(seconds(Clock::now() - start));
        QObject::disconnect(connection);
        if (rig().thumbnails.image().size() != QSize(3840, 2160)) state.SkipWithError("not the 4K monitor");
    }
}

QImage photoLike(int width, int height) {
    QImage image(width, height, QImage::Format_RGBA8888_Premultiplied);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<quint32*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            row[x] = 0xff000000u | quint32((x * 7 + y) & 0xff) << 16 | quint32((y * 3) & 0xff) << 8 |
                     quint32(x & 0xff);
    }
    return image;
}

// One wheel notch on a pin of a 3840 × 2160 image: zoom about the pointer, then the repaint. The
// pin opens at 60 % of the monitor it is placed on: 2304 × 1296 on the 4K one, 1152 × 648 on
// the 1920 × 1080 one.
void PinZoomStep(benchmark::State& state, const QRectF& near) {
    PinPanel* pin = rig().pins.pin(photoLike(3840, 2160), near);
    if (pin == nullptr) return state.SkipWithError("no pin");
    turnUntil([&] { return pin->windowHandle() != nullptr && pin->windowHandle()->isExposed(); });
    const QPointF pointer = pin->frame().center() + QPointF(100, 60);
    int step = 0;
    for (auto _ : state) {
        // Up and down in turn, so that the pin stays near its opening size.
        const double factor = std::exp(step++ % 2 == 0 ? 0.1 : -0.1);
        const auto start = Clock::now();
        pin->setZoom(pin->zoom() * factor, pointer);
        pin->view()->repaint();
        QCoreApplication::processEvents();
        state.SetIterationTime(seconds(Clock::now() - start));
    }
    rig().pins.closeAll();
}

BENCHMARK(CaptureToDocument)->Apply(medianOfRuns);
BENCHMARK(CaptureToThumbnail)->Apply(medianOfRuns);
BENCHMARK_CAPTURE(PinZoomStep, on4KMonitor, QRectF(1820, 980, 200, 200))->Apply(medianOfRuns);
BENCHMARK_CAPTURE(PinZoomStep, on1080pMonitor, QRectF(4700, 440, 200, 200))->Apply(medianOfRuns);

} // namespace

int main(int argc, char** argv) {
    return runOnTwoMonitors(argc, argv, [](test::XvfbServer&) {
        auto made = std::make_shared<Rig>();
        current = made.get();
        return std::shared_ptr<void>(made);
    });
}
