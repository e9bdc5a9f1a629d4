#pragma once

// A capture controller on a fake screen the test controls, the real (offscreen) area picker, a
// countdown stepped by hand and the capture log recorded.

#include "capture/AreaSelectionOverlay.h"
#include "capture/CaptureController.h"
#include "capture/CaptureService.h"
#include "core/AccessibilityOptions.h"
#include "core/Log.h"
#include "platform/LogStore.h"
#include "support/CountingBeeper.h"
#include "support/LogLines.h"
#include "support/TestEnvironment.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <vector>

namespace quorvane::test {

// The shell's answers when nothing is typed, nothing counts as an edit, any document may be
// replaced and no window of ours shows in captures; a test sets the one it is about.
inline CaptureController::Questions unaskedQuestions() {
    return {.commitEditing = [] {},
            .isDirty = [](EditorDocument*) { return false; },
            .mayDiscardPrevious = [](EditorDocument*, std::function<void(bool)> reply) { reply(true); },
            .includedWindowIDs = [] { return std::vector<WindowID>{}; }};
}

// Rows and columns differ, so a crop from the wrong place or a flip shows.
inline QImage gradientImage(int width, int height) {
    QImage image(width, height, QImage::Format_RGBA8888_Premultiplied);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixelColor(x, y, QColor(x % 256, y % 256, (x / 256 + 8 * (y / 256)) % 256));
    return image;
}

class FakeCaptureService : public CaptureService {
public:
    ShareableContent content;
    // Changes the content just before the n-th listing (1-based) is answered.
    std::function<void(int listing, ShareableContent&)> beforeListing;
    std::optional<Error> targetsError;
    std::optional<Error> imageError;
    // Keeps answers back until the test releases them (or forever).
    bool holdTargets = false;
    bool holdImages = false;
    bool answerTwice = false;
    bool grantsAccess = true;

    int listings = 0;
    std::vector<ContentFilter> filters;
    std::vector<Completion<ShareableContent>> heldTargets;
    std::vector<Completion<QImage>> heldImages;

    bool preflightAccess() const override { return grantsAccess; }
    bool requestAccess() override { return grantsAccess; }

protected:
    void loadTargets(Completion<ShareableContent> done) override {
        ++listings;
        if (beforeListing) beforeListing(listings, content);
        if (holdTargets) return heldTargets.push_back(std::move(done));
        for (int i = 0; i < (answerTwice ? 2 : 1); ++i)
            targetsError ? done(Failure{*targetsError}) : done(content);
    }
    void takeImage(const ContentFilter& filter, const CaptureConfiguration& configuration,
                   Completion<QImage> done) override {
        filters.push_back(filter);
        if (holdImages) return heldImages.push_back(std::move(done));
        for (int i = 0; i < (answerTwice ? 2 : 1); ++i)
            imageError ? done(Failure{*imageError})
                       : done(gradientImage(configuration.width, configuration.height));
    }
};

inline CaptureDisplay display(DisplayID id, QRectF frame, double scale = 1) {
    const QSizeF pixels = frame.size() * scale;
    return {id, QStringLiteral("D%1").arg(id), frame, scale, int(pixels.width()), int(pixels.height())};
}

inline CaptureWindow window(WindowID id, QRectF frame, std::optional<ProcessID> owner = 4242, int layer = 0) {
    CaptureWindow w{.windowID = id, .frame = frame, .layer = layer};
    if (owner) w.owningApplication = CaptureApplication{*owner, QStringLiteral("app")};
    return w;
}

struct CaptureRig {
    FakeCaptureService service;
    test::CountingBeeper bell;
    AccessibilityOptions accessibility;
    AreaSelectionOverlay overlay{bell, accessibility};
    std::unique_ptr<CaptureController> owned;
    CaptureController* controller = nullptr;
    LogLines log{"capture"};

    QPointF pointer{10, 10};
    std::vector<QString> statuses;
    std::vector<std::function<void()>> wakes;
    int stoppedSleeps = 0;
    int captured = 0, reopened = 0, failed = 0;
    std::vector<QImage> ocrImages;
    std::vector<std::pair<QImage, double>> overlays;
    std::vector<std::tuple<QRectF, DisplayID, double>> scrollRegions;

    explicit CaptureRig(std::vector<CaptureDisplay> displays = {display(1, QRectF(0, 0, 800, 600))}) {
        service.content.displays = std::move(displays);
        if (!service.content.displays.empty())
            service.content.mainDisplayID = service.content.displays[0].displayID;
        service.content.applications = {
            CaptureApplication{QCoreApplication::applicationPid(), QStringLiteral("us")},
            CaptureApplication{4242, QStringLiteral("app")}};
        overlay.setInputGrabber(
            {[](QWindow*) { return true; }, [](QWindow*) { return true; }, [](QWindow*) {}});
        owned = std::make_unique<CaptureController>(service, overlay, unaskedQuestions());
        controller = owned.get();
        CaptureController& c = *controller;
        c.pointerPosition = [this] { return pointer; };
        c.screenFor = [](const CaptureDisplay&) { return QGuiApplication::primaryScreen(); };
        c.sleep = [this](int milliseconds, std::function<void()> wake) -> std::function<void()> {
            EXPECT_EQ(milliseconds, 1000);
            wakes.push_back(std::move(wake));
            return [this] { ++stoppedSleeps; };
        };
        QObject::connect(&c, &CaptureController::statusMessageChanged,
                         [this] { statuses.push_back(controller->statusMessage()); });
        QObject::connect(&c, &CaptureController::captured, [this] { ++captured; });
        QObject::connect(&c, &CaptureController::reopened, [this] { ++reopened; });
        QObject::connect(&c, &CaptureController::failed, [this] { ++failed; });
        QObject::connect(&c, &CaptureController::ocrImageCaptured,
                         [this](const QImage& image) { ocrImages.push_back(image); });
        QObject::connect(&c, &CaptureController::overlayImageCaptured,
                         [this](const QImage& image, double scale) { overlays.emplace_back(image, scale); });
        QObject::connect(&c, &CaptureController::scrollRegionPicked,
                         [this](const QRectF& rect, DisplayID id, double scale) {
                             scrollRegions.emplace_back(rect, id, scale);
                         });
    }
    ~CaptureRig() { owned.reset(); }

    // Runs the event loop until `done` holds (false if it never does); no clock involved.
    static bool turnUntil(const std::function<bool()>& done, int turns = 2000) {
        for (int i = 0; i < turns && !done(); ++i)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        return done();
    }
    bool settle() {
        return turnUntil([this] { return !controller->isBusy(); });
    }
    void turns(int count = 5) {
        while (count-- > 0)
            QCoreApplication::processEvents();
    }
    bool pickerOpen() {
        return turnUntil([this] { return overlay.isOpen(); });
    }
    bool wake() { // the pending countdown step
        if (!turnUntil([this] { return !wakes.empty(); })) return false;
        auto next = std::move(wakes.front());
        wakes.erase(wakes.begin());
        next();
        return true;
    }
    bool logged(const std::string& line) const { return log.count(line) > 0; }
};

} // namespace quorvane::test
