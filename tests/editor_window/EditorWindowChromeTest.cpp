// The assembled editor window as a person meets it: in every state of the tool bar, the status
// bar, its context bars and the toasts, every control shows a real symbol (never the question
// mark our symbol set falls back to) and its whole label. Set QUORVANE_CHROME_SHOTS to a folder
// to keep a picture of each state.

#include "ChromeTesting.h"
#include "ClippedControls.h"
#include "EditorViewRig.h"
#include "canvas/CanvasEditCommands.h"
#include "canvas/EditorCanvasView.h"
#include "canvas/RedactionTesting.h"
#include "editor_window/CapturePermissionView.h"
#include "editor_window/DropHighlight.h"
#include "editor_window/WindowStatusToast.h"

#include <QDir>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

struct State {
    QString name;
    std::function<void()> enter;
};

class EditorWindowChrome : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        test::pinLook();
        rig.capture.accessibility.setReduceMotion(true);
        rig.redactionRecognizer = recognizer.function();
        rig.view = rig.makeView();
        rig.view->resize(GetParam(), 560);
        document = rig.open(900, 500);
        ASSERT_NE(document, nullptr);
    }

    EditorCanvasPane& pane() {
        EditorCanvasPane* pane = rig.view->pane();
        // Set up with a document, the view always has a pane: without one the rig is broken.
        if (pane == nullptr) qFatal("The editor view has no canvas pane");
        return *pane;
    }
    EditorCanvasSettings& settings() { return pane().settings(); }

    QUuid add(AnnotationKind kind, const QRectF& rect) {
        Annotation added = test::annotation(kind, rect);
        if (kind == AnnotationKind::text) added.text = QStringLiteral("Note");
        document->addAnnotation(added);
        return added.id;
    }

    void settle() {
        for (int i = 0; i < 4; ++i) {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QCoreApplication::processEvents();
        }
    }

    // Paints the window, then names every fallback symbol and clipped control it shows.
    void check(const QString& state) {
        settle();
        const QImage shot = rig.view->grab().toImage();
        if (const QByteArray folder = qgetenv("QUORVANE_CHROME_SHOTS"); !folder.isEmpty()) {
            QString file = QStringLiteral("%1-%2.png").arg(GetParam()).arg(state);
            file.replace(QLatin1Char(' '), QLatin1Char('-'));
            shot.save(QDir(QString::fromLocal8Bit(folder)).filePath(file));
        }
        EXPECT_EQ(rig.icons.fallbacks().join(QStringLiteral(", ")).toStdString(), "") << state.toStdString();
        EXPECT_EQ(test::clippedControls(*rig.view).join(QLatin1Char('\n')).toStdString(), "")
            << state.toStdString();
    }

    void run(const std::vector<State>& states) {
        for (const State& state : states) {
            state.enter();
            check(state.name);
        }
    }

    test::HeldRecognizer recognizer;
    test::EditorViewRig rig;
    EditorDocument* document = nullptr;
};

TEST_P(EditorWindowChrome, EveryToolModeAndContextBar) {
    std::vector<State> states;
    for (const QString& tool : EditorCanvasSettings::tools())
        states.push_back({tool, [this, tool] { settings().choose(tool); }});
    const auto s = [this] { return &settings(); };
    states.insert(
        states.end(),
        {
            {"curved arrow",
             [s] {
                 s()->choose(QStringLiteral("Arrow"));
                 s()->style().setArrowCurved(true);
             }},
            {"brace",
             [s] {
                 s()->choose(QStringLiteral("Bracket"));
                 s()->style().setBracketKind(AnnotationKind::braceClose);
             }},
            {"colour under the pointer",
             [s] {
                 s()->choose(QStringLiteral("Color"));
                 s()->modes().setHoverColor(SampledColor{12, 200, 90, 255});
             }},
            {"area colours",
             [s] {
                 s()->modes().setAreaColors(AreaColors{QRectF(10, 10, 40, 30), SampledColor{12, 200, 90, 255},
                                                       SampledColor{250, 250, 250, 255}});
             }},
            {"ruler reading",
             [s] {
                 s()->choose(QStringLiteral("Ruler"));
                 s()->modes().setMeasurementLabel(QStringLiteral("1234 × 567 px"));
             }},
            {"crop",
             [s] {
                 s()->choose(QStringLiteral("Select"));
                 s()->toggleCrop();
             }},
            {"crop selection", [s] { s()->modes().setSelection(QRectF(10, 20, 300, 200)); }},
            {"recognize text",
             [s] {
                 s()->toggleCrop();
                 s()->startRecognizing();
             }},
            {"recognize selection", [s] { s()->modes().setSelection(QRectF(10, 20, 300, 200)); }},
            {"selected rectangle",
             [this] {
                 settings().modes().setRecognizing(false);
                 settings().choose(QStringLiteral("Select"));
                 settings().modes().setSelectedID(add(AnnotationKind::rectangle, QRectF(20, 20, 100, 60)));
             }},
            {"selected highlight",
             [this] {
                 settings().modes().setSelectedID(add(AnnotationKind::highlight, QRectF(40, 200, 200, 30)));
             }},
            {"selected counter",
             [this] {
                 settings().modes().setSelectedID(add(AnnotationKind::counter, QRectF(300, 40, 30, 30)));
             }},
            {"cropped image",
             [this] {
                 settings().modes().setSelectedID(std::nullopt);
                 ASSERT_TRUE(document->crop(QRectF(10, 10, 600, 400)));
             }},
            {"exporting",
             [this] {
                 rig.view->statusBar()->setActions([this] {
                     EditorActions actions = rig.view->actions();
                     actions.exporting = true;
                     return actions;
                 }());
             }},
        });
    run(states);
}

TEST_P(EditorWindowChrome, RedactTextReviewInEveryState) {
    const auto start = [this] {
        settings().choose(QStringLiteral("Redact"));
        pane().canvas().editCommands().perform(CanvasEditCommands::Action::redactText);
    };
    run({
        {"redact note", [this] { settings().choose(QStringLiteral("Redact")); }},
        {"finding text", start},
        {"boxes", [this] { recognizer.deliver(test::threeWords()); }},
        {"one box kept",
         [this] {
             auto* review = qobject_cast<TextRedactionController*>(settings().modes().textRedaction());
             ASSERT_NE(review, nullptr);
             review->toggle(QPointF(60, 15));
         }},
        {"applied", [this] { settings().finishTextRedaction(true); }},
        {"nothing found",
         [this, start] {
             start();
             recognizer.deliver(RecognitionResult{});
         }},
        {"failed",
         [this, start] {
             settings().finishTextRedaction(false);
             start();
             recognizer.deliver(Failure{RecognitionFailure::failed(Error{
                 QStringLiteral("Quorvane.OCR"), 3, QStringLiteral("The text engine could not start.")})});
         }},
    });
}

TEST_P(EditorWindowChrome, ToastsAndTheDropHighlight) {
    run({
        {"saved",
         [this] {
             ASSERT_TRUE(rig.exports.controller->saveToFolder(ExportController::AfterSave::keepEditor,
                                                              ExportController::Encoding::onGUIThread));
         }},
        {"copy refused",
         [this] {
             QObject review;
             document->setTextRedactionReview(&review);
             (void)rig.exports.controller->copyFinal(ExportController::Encoding::onGUIThread);
             document->setTextRedactionReview(nullptr);
         }},
        {"capture error",
         [this] {
             rig.capture.controller->setErrorMessage(
                 QStringLiteral("Capture unavailable. Previous image retained."));
             rig.capture.controller->setErrorIsRetryable(true);
         }},
        {"canvas message",
         [this] {
             rig.capture.controller->setErrorMessage(std::nullopt);
             settings().modes().setMessage(
                 QStringLiteral("Redacted 3 text boxes. Undo removes them together."));
         }},
        {"drop hover",
         [this] {
             QMimeData mime;
             mime.setData(QStringLiteral("image/png"), test::pngBytes(test::gradientImage(8, 8)));
             QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
             QCoreApplication::sendEvent(rig.view.get(), &enter);
             ASSERT_TRUE(rig.view->dropTargeted());
         }},
    });
}

// The editor window's smallest width, and a roomy one.
INSTANTIATE_TEST_SUITE_P(Widths, EditorWindowChrome, ::testing::Values(640, 1100));

TEST(EditorWindowChromeSymbols, PermissionPanelInBothStates) {
    test::EditorViewRig rig;
    for (const bool granted : {false, true}) {
        rig.capture.controller->setPermissionGranted(granted);
        CapturePermissionView view(*rig.capture.controller, rig.icons);
        view.grab();
    }
    EXPECT_EQ(rig.icons.fallbacks(), QStringList());
}

} // namespace
} // namespace quorvane
