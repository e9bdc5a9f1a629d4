#pragma once

// A controller over real preferences in a private settings file, a real (off-screen or X11)
// clipboard, a counting beeper and documents of given sizes; renders can be held on a latch.

#include "app/Preferences.h"
#include "document/EditorDocument.h"
#include "export/ExportController.h"
#include "platform/JsonSettingsStore.h"
#include "platform/SystemClipboard.h"
#include "support/CountingBeeper.h"
#include "support/TempDir.h"
#include "support/TestAnnotations.h"
#include "support/WaitUntil.h"

#include <QClipboard>
#include <QGuiApplication>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace quorvane::test {

// Holds every render that passes it until opened; counts the renders that reached it.
class RenderLatch {
public:
    ExportController::Renderer renderer() {
        return [this](const EditorDocument::Output& output) {
            {
                std::unique_lock lock(mutex_);
                ++arrived_;
                arrivedChanged_.notify_all();
                opened_.wait(lock, [this] { return open_; });
            }
            return EditorDocument::renderOutput(output);
        };
    }
    void open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        opened_.notify_all();
    }
    // Waits until `count` renders reached the latch.
    bool waitForArrivals(int count) {
        std::unique_lock lock(mutex_);
        return arrivedChanged_.wait_for(lock, std::chrono::milliseconds(test::bound(20000)),
                                        [&] { return arrived_ >= count; });
    }
    ~RenderLatch() { open(); }

private:
    std::mutex mutex_;
    std::condition_variable opened_;
    std::condition_variable arrivedChanged_;
    bool open_ = false;
    int arrived_ = 0;
};

struct ExportFixture {
    TempDir folder;
    JsonSettingsStore store{folder / "settings.json"};
    Preferences preferences{store};
    SystemClipboard clipboard{*QGuiApplication::clipboard()};
    CountingBeeper beeper;
    std::unique_ptr<EditorDocument> document;
    std::unique_ptr<ExportController> controller;

    explicit ExportFixture(bool withDocument = true) {
        preferences.setSaveFolder(QString::fromStdString((folder / "Shots").string()));
        if (withDocument) document = makeDocument(64, 48);
        controller = makeController();
    }

    // Reopening, for a test that is not about it: the image never becomes the document.
    static bool refuseReopening(const QImage&) { return false; }

    std::unique_ptr<ExportController> makeController() {
        return std::make_unique<ExportController>([this] { return document.get(); }, preferences, clipboard,
                                                  beeper, refuseReopening);
    }

    static std::unique_ptr<EditorDocument> makeDocument(int width, int height,
                                                        std::optional<QString> sourceName = std::nullopt) {
        return std::make_unique<EditorDocument>(twoToneImage(width, height), sourceName, 1.0);
    }

    // One edit: the revision grows by one.
    void edit() {
        Annotation solid = annotation(AnnotationKind::rectangle, QRectF(4, 4, 10, 10), Qt::green);
        solid.fill = true;
        document->addAnnotation(solid);
    }

    // The file dialog's answer, held until the test gives it; the last request it was asked.
    std::function<void(std::optional<QString>)> answer;
    FileRequest asked;
    void holdDialog() {
        controller->chooser = [this](const FileRequest& request, auto done) {
            asked = request;
            answer = done;
        };
    }
    // Counts the editor's hides after saves.
    int hidden = 0;
    void countHides() {
        preferences.setHideAfterSave(true);
        QObject::connect(controller.get(), &ExportController::hideEditorRequested, [this] { ++hidden; });
    }

    // Lets exports go to the worker from this many pixels on, so that tests stay small.
    void backgroundFrom(double pixels) { controller->backgroundPixels = pixels; }
    // Every export goes to the worker, and its renders wait for `latch`.
    void holdOn(RenderLatch& latch) {
        backgroundFrom(1);
        controller->renderer = latch.renderer();
    }

    bool waitIdle() {
        return waitUntil([this] { return controller->pendingExports() == 0; }, 20000);
    }

    std::vector<std::filesystem::path> savedFiles(const std::filesystem::path& in) const {
        std::vector<std::filesystem::path> files;
        if (std::filesystem::exists(in))
            for (const auto& entry : std::filesystem::directory_iterator(in))
                files.push_back(entry.path());
        return files;
    }
};

} // namespace quorvane::test
