#pragma once

// The shell's controllers on a fake screen: a capture controller (its rig), a real export
// controller on real preferences and files, the capture commands and the quit coordinator, with
// the app channel's log lines recorded.

#include "app/CaptureCommands.h"
#include "app/DiscardQuestion.h"
#include "app/QuitCoordinator.h"
#include "capture/CaptureControllerRig.h"
#include "core/Announcer.h"
#include "export/ExportTesting.h"
#include "platform/HotKeyGrabber.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>
#include <fstream>
#include <set>

namespace quorvane::test {

class AppLogSink : public LogSink {
public:
    explicit AppLogSink(LogSink* next) : next_(next) {}
    bool append(const LogEntry& entry) override {
        {
            std::lock_guard lock(mutex_);
            if (entry.category == "app") lines.push_back(entry.message);
        }
        return next_->append(entry);
    }
    std::vector<std::string> snapshot() {
        std::lock_guard lock(mutex_);
        return lines;
    }
    std::vector<std::string> lines;

private:
    LogSink* next_;
    std::mutex mutex_;
};

// Keys "grabbed" without a server; ids in `refused` are refused as taken.
class FakeHotKeyGrabber : public HotKeyGrabber {
public:
    bool installHandler(std::function<void(std::uint32_t)> onPressed) override {
        press = std::move(onPressed);
        return true;
    }
    void removeHandler() override { press = nullptr; }
    std::optional<Refusal> grab(std::uint32_t id, std::uint32_t, std::uint32_t) override {
        if (refusedKeycodes.contains(id & 0xff)) return Refusal{};
        grabbed.insert(id);
        return std::nullopt;
    }
    void ungrab(std::uint32_t id) override { grabbed.erase(id); }

    std::function<void(std::uint32_t)> press;
    std::set<std::uint32_t> grabbed;
    // Positions + 1 of the actions whose keys are taken.
    std::set<std::uint32_t> refusedKeycodes;
};

struct ShellRig {
    CaptureRig capture;
    ExportFixture exports{false};
    AppLogSink log{&capture.log};
    Announcer announcer;
    std::unique_ptr<ExportController> exporter;
    std::unique_ptr<CaptureCommands> commands;
    DiscardQuestion question;
    std::unique_ptr<QuitCoordinator> quit;
    int editorShown = 0, pinned = 0, thumbnails = 0, quits = 0;

    ShellRig() {
        Log::installSink(&log);
        CaptureController* controller = capture.controller;
        exporter = std::make_unique<ExportController>([controller] { return controller->document(); },
                                                      exports.preferences, exports.clipboard, exports.beeper);
        commands = std::make_unique<CaptureCommands>(*controller, *exporter, exports.preferences, announcer);
        commands->presentEditor = [this] { ++editorShown; };
        commands->pinScreenshot = [this] { ++pinned; };
        commands->showThumbnail = [this] { ++thumbnails; };
        controller->onCaptured = [this] { commands->handleCapture(); };
        controller->isDirty = [this](EditorDocument* document) {
            return exporter->hasUnexportedChanges(document);
        };
        quit = std::make_unique<QuitCoordinator>(*controller, *exporter, question);
        quit->quit = [this] { ++quits; };
    }
    ~ShellRig() {
        question.dismiss();
        Log::installSink(&capture.log);
    }

    CaptureController& controller() const { return *capture.controller; }
    bool logged(const std::string& line) {
        const auto lines = log.snapshot();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    // Opens an image as the document and waits until it is.
    EditorDocument* open(int width = 64, int height = 48) {
        bool opened = false;
        controller().openImage(gradientImage(width, height), QStringLiteral("picture"),
                               [&opened](bool done) { opened = done; });
        EXPECT_TRUE(CaptureRig::turnUntil([&] { return opened; }));
        return controller().document();
    }
    static void edit(EditorDocument& document) {
        document.addAnnotation(annotation(AnnotationKind::rectangle, QRectF(4, 4, 10, 10), Qt::green));
    }
    // Clicks the open question's button with this text.
    bool answer(const QString& text) {
        QMessageBox* box = question.box();
        if (box == nullptr) return false;
        for (QAbstractButton* button : box->buttons())
            if (button->text() == text) {
                button->click();
                return true;
            }
        return false;
    }
};

} // namespace quorvane::test
