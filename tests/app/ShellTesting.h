#pragma once

// The shell's controllers on a fake screen: a capture controller (its rig), a real export
// controller on real preferences and files, the capture commands and the quit coordinator, with
// the "app" log lines recorded.

#include "app/CaptureCommands.h"
#include "app/DiscardQuestion.h"
#include "app/DocumentCommands.h"
#include "app/QuitCoordinator.h"
#include "capture/CaptureControllerRig.h"
#include "core/Announcer.h"
#include "export/ExportTesting.h"
#include "platform/InputHold.h"
#include "support/LogLines.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>
#include <fstream>

namespace quorvane::test {

// Document commands without an editor window, counting the commits of typed text they ask for.
inline DocumentCommands::Hooks windowlessDocuments(int* commits = nullptr) {
    return {.editorWindow = []() -> EditorWindow* { return nullptr; },
            .commitEditing =
                [commits] {
                    if (commits != nullptr) ++*commits;
                }};
}

struct ShellRig {
    CaptureRig capture;
    ExportFixture exports{false};
    LogLines log{"app"};
    Announcer announcer;
    InputHold input;
    std::unique_ptr<ExportController> exporter;
    std::unique_ptr<CaptureCommands> commands;
    DiscardQuestion question;
    std::unique_ptr<QuitCoordinator> quit;
    int editorShown = 0, pinned = 0, thumbnails = 0, quits = 0, commits = 0;
    bool scrolling = false;

    ShellRig() {
        CaptureController* controller = capture.controller;
        exporter = std::make_unique<ExportController>([controller] { return controller->document(); },
                                                      exports.preferences, exports.clipboard, exports.beeper,
                                                      ExportFixture::refuseReopening);
        commands = std::make_unique<CaptureCommands>(*controller, *exporter, exports.preferences, announcer,
                                                     [this] { return scrolling; });
        QObject::connect(commands.get(), &CaptureCommands::editorRequested, [this] { ++editorShown; });
        QObject::connect(commands.get(), &CaptureCommands::pinRequested, [this] { ++pinned; });
        QObject::connect(commands.get(), &CaptureCommands::thumbnailRequested, [this] { ++thumbnails; });
        QObject::connect(controller, &CaptureController::captured, commands.get(),
                         &CaptureCommands::handleCapture);
        controller->isDirty = [this](EditorDocument* document) {
            return exporter->hasUnexportedChanges(document);
        };
        quit = std::make_unique<QuitCoordinator>(
            *controller, *exporter, question,
            QuitCoordinator::Hooks{.commitEditing = [this] { ++commits; },
                                   .visibleEditor = []() -> QWidget* { return nullptr; },
                                   .canAsk = [] { return true; }});
        quit->quit = [this] { ++quits; };
    }
    ~ShellRig() { question.dismiss(); }

    CaptureController& controller() const { return *capture.controller; }
    bool logged(const std::string& line) const { return log.count(line) > 0; }
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
