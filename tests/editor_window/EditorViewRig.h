#pragma once

// An editor view over a capture controller on a fake screen and a real export controller, with
// its actions recorded.

#include "canvas/TextRedactionController.h"
#include "capture/CaptureControllerRig.h"
#include "editor_window/EditorView.h"
#include "editor_window/RecordedActions.h"
#include "editor_window/SymbolIcons.h"
#include "export/DragExporter.h"
#include "export/ExportTesting.h"
#include "export/ImageExporter.h"
#include "export/ImageImporter.h"

#include <QDragEnterEvent>
#include <QMimeData>
#include <QUrl>

namespace quorvane::test {

struct EditorViewRig {
    CaptureRig capture;
    ExportFixture exports{false};
    SymbolIcons icons{SymbolIcons::Theme::ignore};
    TempDir dragRoot;
    DragExporter dragExporter{QString::fromStdString((dragRoot / "Quorvane Drag").string())};
    std::vector<QString> calls;
    std::vector<QUrl> imported;
    // Redact Text's recogniser; unset, a recognition only records its call and never ends.
    TextRedactionController::Recognize redactionRecognizer;
    std::unique_ptr<EditorView> view;

    EditorViewRig() {
        exports.controller = std::make_unique<ExportController>(
            [this] { return capture.controller->document(); }, exports.preferences, exports.clipboard,
            exports.beeper, test::ExportFixture::refuseReopening);
        view = makeView();
    }

    std::unique_ptr<EditorView> makeView() {
        EditorActions actions = recordedActions([this](const QString& name) { calls.push_back(name); });
        actions.dragExporter = &dragExporter;
        actions.recognizeForRedaction = [this](const QImage& image, RecognitionTask::Completion done) {
            calls.push_back(QStringLiteral("recognizeForRedaction"));
            if (redactionRecognizer) return redactionRecognizer(image, std::move(done));
            return std::shared_ptr<RecognitionTask>();
        };
        auto made = std::make_unique<EditorView>(
            EditorView::Services{*capture.controller, *exports.controller, exports.clipboard, exports.beeper,
                                 icons, capture.accessibility},
            actions, [this](const QUrl& url) { importFile(url); });
        made->resize(720, 480);
        made->show();
        return made;
    }

    // What the shell does with a dropped file: read it, open it under its name, or report.
    void importFile(const QUrl& url) {
        imported.push_back(url);
        auto image = ImageImporter::image(url);
        if (!image) {
            capture.controller->setErrorMessage(image.error().message(url));
            capture.controller->setErrorIsRetryable(false);
            return;
        }
        capture.controller->openImage(*image, url.fileName());
    }

    EditorDocument* open(int width = 40, int height = 30) {
        capture.controller->openImage(gradientImage(width, height), std::nullopt);
        capture.turns();
        return capture.controller->document();
    }

    // A drop of `mime` from another program, and the turn after it.
    bool drop(const QMimeData& mime) {
        QPointF at(100, 100);
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QDropEvent event(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view.get(), &enter);
        if (!enter.isAccepted()) return false;
        QCoreApplication::sendEvent(view.get(), &event);
        capture.turns();
        return event.isAccepted();
    }
};

inline QByteArray pngBytes(const QImage& image) {
    auto bytes = ImageExporter::encode(image, ImageExporter::Format::png, 0.9);
    return bytes ? *bytes : QByteArray();
}

} // namespace quorvane::test
