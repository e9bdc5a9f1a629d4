#include "app/WindowCoordinator.h"

#include "ShellTesting.h"
#include "app/OCRController.h"
#include "canvas/AnnotationTextEditor.h"
#include "canvas/AnnotationTextView.h"
#include "canvas/EditorCanvasPane.h"
#include "canvas/EditorCanvasView.h"
#include "editor_window/EditorView.h"
#include "editor_window/RecordedActions.h"
#include "editor_window/SymbolIcons.h"
#include "support/QtPrinters.h"

namespace quorvane {
namespace {

struct WindowRig : test::ShellRig {
    SymbolIcons icons;
    OCRController ocr{exports.clipboard, {QStringLiteral("eng")}, {}};
    WindowCoordinator windows{controller(), ocr, capture.accessibility, [this] {
                                  return new EditorView(
                                      EditorView::Services{controller(), *exporter, exports.clipboard,
                                                           exports.beeper, icons, capture.accessibility},
                                      test::recordedActions(), [](const QUrl&) {});
                              }};
};

TEST(WindowCoordinator, TheEditorFitsItsHomeViewThePermissionPanelAndItsDocument) {
    WindowRig rig;
    rig.controller().setPermissionGranted(true);
    rig.windows.presentEditor();
    EditorWindow* editor = rig.windows.editorWindow();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->size(), QSize(284, 310));
    EXPECT_EQ(editor->minimumSize(), QSize(284, 310));

    rig.controller().setPermissionGranted(false);
    rig.windows.fitEditor();
    EXPECT_EQ(editor->size(), QSize(284, 406));
    EXPECT_EQ(editor->minimumSize(), QSize(284, 406));

    // Shown again, it is the same window, and it follows its document's size.
    rig.windows.presentEditor();
    EXPECT_EQ(rig.windows.editorWindow(), editor);
    rig.open(100, 100);
    rig.windows.fitEditor();
    EXPECT_EQ(editor->minimumSize(), QSize(640, 400));
    EXPECT_EQ(editor->size(), QSize(640, 400));
}

TEST(WindowCoordinator, CapturesIncludeTheEditorOnlyOnScreenAndClosingTheLastWindowDropsThePolicy) {
    WindowRig rig;
    EXPECT_TRUE(rig.windows.includedWindowIDs().empty());
    rig.windows.presentEditor();
    ASSERT_EQ(rig.windows.includedWindowIDs().size(), 1u);
    EXPECT_EQ(rig.windows.includedWindowIDs()[0], std::uint32_t(rig.windows.editorWindow()->winId()));
    rig.windows.editorWindow()->showMinimized();
    EXPECT_TRUE(rig.windows.includedWindowIDs().empty());
    rig.windows.presentEditor();
    EXPECT_FALSE(rig.windows.editorWindow()->isMinimized());
    EXPECT_EQ(rig.windows.activationPolicy(), WindowCoordinator::ActivationPolicy::regular);
    rig.windows.presentRecognizedText();
    rig.windows.editorWindow()->close();
    EXPECT_EQ(rig.windows.activationPolicy(), WindowCoordinator::ActivationPolicy::regular);
    EXPECT_TRUE(rig.windows.includedWindowIDs().empty());
    rig.windows.recognizedTextWindow()->close();
    EXPECT_EQ(rig.windows.activationPolicy(), WindowCoordinator::ActivationPolicy::accessory);
    EXPECT_EQ(rig.quits, 0);
    // A save that hides the editor does the same.
    rig.windows.presentEditor();
    rig.windows.hideEditor();
    const EditorWindow* hidden = rig.windows.editorWindow();
    ASSERT_NE(hidden, nullptr);
    EXPECT_FALSE(hidden->isVisible());
    EXPECT_EQ(rig.windows.activationPolicy(), WindowCoordinator::ActivationPolicy::accessory);
}

// Asked for again from outside, the program brings an open area picker to the front instead of
// showing the editor over it; with no picker open it shows the editor.
TEST(WindowCoordinator, ReopeningBringsAnOpenAreaPickerForwardRatherThanTheEditor) {
    WindowRig rig;
    rig.controller().captureArea();
    ASSERT_TRUE(test::CaptureRig::turnUntil([&] { return !rig.controller().ownedWindows().empty(); }));
    QWidget* picker = rig.controller().ownedWindows().front();
    ASSERT_TRUE(picker->isVisible());
    rig.windows.reopen();
    EXPECT_EQ(rig.windows.editorWindow(), nullptr);
    EXPECT_TRUE(picker->isVisible());
    EXPECT_TRUE(rig.controller().isBusy());

    rig.controller().cancel();
    ASSERT_TRUE(test::CaptureRig::turnUntil([&] { return !rig.controller().isBusy(); }));
    rig.windows.reopen();
    const EditorWindow* editor = rig.windows.editorWindow();
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(editor->isVisible());
}

// Text being typed when the editor closes is written into its picture.
TEST(WindowCoordinator, ClosingTheEditorCommitsTheTextBeingTyped) {
    WindowRig rig;
    EditorDocument* document = rig.open(200, 100);
    rig.windows.presentEditor();
    EditorWindow* editor = rig.windows.editorWindow();
    ASSERT_NE(editor, nullptr);
    EditorCanvasPane* pane = editor->view()->pane();
    ASSERT_NE(pane, nullptr);
    pane->canvas().beginTextEditing(
        test::annotation(AnnotationKind::text, QRectF(20, 20, 60, 30), Qt::black));
    pane->canvas().textEditor().textView()->insertPlainText(QStringLiteral("hello"));
    rig.windows.editorWindow()->close();
    ASSERT_EQ(document->annotations().size(), 1u);
    EXPECT_EQ(document->annotations().front().text, QStringLiteral("hello"));
}

} // namespace
} // namespace quorvane
