// The delegate on the real services of a private X server: start-up in order, and the rules it
// wires between the controllers.

#include "app/AppDelegate.h"
#include "app/EditorWindow.h"
#include "app/ServiceFactory.h"
#include "app/Services.h"
#include "app/ShellTesting.h"
#include "app/WindowCoordinator.h"
#include "canvas/AnnotationTextEditor.h"
#include "canvas/AnnotationTextView.h"
#include "canvas/EditorCanvasPane.h"
#include "canvas/EditorCanvasView.h"
#include "editor_window/EditorStatusBar.h"
#include "editor_window/EditorView.h"
#include "editor_window/KeyboardFocusStyle.h"
#include "editor_window/SheetPresenter.h"
#include "editor_window/ValueIconButton.h"
#include "export/ExportController.h"
#include "panels/ThumbnailController.h"
#include "support/LaterTurn.h"
#include "support/TestAnnotations.h"
#include "support/Xdotool.h"
#include "support/XvfbServer.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

namespace quorvane {
namespace {

TEST(AppDelegateX11, StartsUpInOrderAndALinksChoicesLastOneCapture) {
    const std::unique_ptr<Services> services = ServiceFactory::make();
    test::LogLines log{"app"};
    services->preferences().setPostCaptureAction(PostCaptureAction::showThumbnail);
    {
        AppDelegate delegate(*services);
        delegate.start();
        EXPECT_TRUE(delegate.isStarted());
        EXPECT_GT(log.count("Launched"), 0);
        // The stored hot keys are registered at start.
        EXPECT_TRUE(services->preferences().hotKeyErrors().empty());
        const EditorWindow* editor = delegate.windows().editorWindow();
        ASSERT_NE(editor, nullptr);
        EXPECT_TRUE(editor->isVisible());
        EXPECT_NE(editor->menuBar()->actions().size(), 0);

        // A link asked to edit the next capture, while a thumbnail shows.
        delegate.thumbnails().show(test::gradientImage(64, 48), nullptr);
        delegate.captureCommands().oneShotThen = URLCommand::Then::edit;
        delegate.captureCommands().oneShotFromLink = true;
        delegate.captureCommands().captureScreen();
        EXPECT_TRUE(delegate.captureController().isBusy());
        EXPECT_FALSE(delegate.thumbnails().isShown());
        ASSERT_TRUE(test::waitUntil([&] { return !delegate.captureController().isBusy(); }, 20000));
        ASSERT_NE(delegate.captureController().document(), nullptr);
        EXPECT_EQ(log.count("Post-capture action: openEditor (one-shot)"), 1);
        EXPECT_FALSE(delegate.captureCommands().oneShotThen);
        EXPECT_FALSE(delegate.captureCommands().oneShotFromLink);

        // The next capture uses the user's own action again.
        delegate.captureCommands().captureScreen();
        ASSERT_TRUE(test::waitUntil([&] { return !delegate.captureController().isBusy(); }, 20000));
        EXPECT_TRUE(delegate.thumbnails().isShown());

        // A text-recognition area capture shows the Recognized Text window with its run.
        QImage text(40, 20, QImage::Format_RGBA8888_Premultiplied);
        text.fill(Qt::white);
        Q_EMIT delegate.captureController().ocrImageCaptured(text);
        const QWidget* recognized = delegate.windows().recognizedTextWindow();
        ASSERT_NE(recognized, nullptr);
        EXPECT_TRUE(recognized->isVisible());
        delegate.aboutToQuit();
    }
}

// The shell hands every window its actions: the status bar's size and Backdrop buttons open their
// sheets as the menu items do, and text being typed is an edit when the program is asked to quit
// and when a new capture replaces its document.
TEST(AppDelegateX11, StatusBarButtonsOpenTheirSheetsAndTextBeingTypedIsNeverLost) {
    const std::unique_ptr<Services> services = ServiceFactory::make();
    AppDelegate delegate(*services);
    delegate.start();
    int quits = 0;
    delegate.quitCoordinator().quit = [&quits] { ++quits; };
    delegate.documentCommands().importImage(test::gradientImage(400, 300), QStringLiteral("picture"));
    EditorWindow* window = delegate.windows().editorWindow();
    ASSERT_TRUE(test::waitUntil([&] { return window->view()->statusBar() != nullptr; }, 20000));
    EditorStatusBar& bar = *window->view()->statusBar();
    SheetPresenter& sheets = *delegate.documentCommands().sheets();
    for (const auto& [button, title] :
         {std::pair<QAbstractButton*, const char*>{bar.sizeButton(), "Resize Image"},
          {bar.backdropButton(), "Backdrop"}}) {
        button->click();
        ASSERT_TRUE(test::waitUntil([&] { return sheets.sheet() != nullptr; })) << title;
        EXPECT_EQ(sheets.sheet()->windowTitle(), QString::fromLatin1(title));
        sheets.sheet()->reject();
        ASSERT_TRUE(test::waitUntil([&] { return sheets.sheet() == nullptr; })) << title;
    }

    EditorDocument* document = delegate.captureController().document();
    const auto type = [&](const QString& text) {
        EditorCanvasView& canvas = window->view()->pane()->canvas();
        canvas.beginTextEditing(test::annotation(AnnotationKind::text, QRectF(20, 20, 60, 30), Qt::black));
        canvas.textEditor().textView()->insertPlainText(text);
    };
    const auto texts = [](const EditorDocument* shown) {
        QStringList found;
        for (const Annotation& annotation : shown->annotations())
            found << annotation.text;
        return found;
    };
    // Asked to quit while typing: the text is an edit, so the question comes first.
    type(QStringLiteral("hello world"));
    delegate.quitCoordinator().requestQuit();
    ASSERT_TRUE(test::waitUntil([&] { return delegate.discardQuestion().isOpen(); }));
    EXPECT_EQ(quits, 0);
    EXPECT_EQ(texts(document), QStringList{QStringLiteral("hello world")});
    for (QAbstractButton* button : delegate.discardQuestion().box()->buttons())
        if (button->text() == QStringLiteral("Cancel")) button->click();
    ASSERT_TRUE(test::waitUntil([&] { return !delegate.quitCoordinator().isDeciding(); }));

    // Copied, it has nothing unexported; a capture while typing keeps it, with its text, as the
    // previous document.
    delegate.documentCommands().copyImage();
    ASSERT_TRUE(test::waitUntil([&] { return !delegate.exporter().hasUnexportedChanges(document); }));
    type(QStringLiteral("second"));
    delegate.captureCommands().captureScreen();
    ASSERT_TRUE(test::waitUntil([&] { return !delegate.captureController().isBusy(); }, 20000));
    ASSERT_EQ(delegate.captureController().previousDocument(), document);
    EXPECT_EQ(texts(document), (QStringList{QStringLiteral("hello world"), QStringLiteral("second")}));
    EXPECT_EQ(quits, 0);
    delegate.aboutToQuit();
}

// A sheet or the Save As dialog opened by a key on its button, then closed with Escape, gives the
// keyboard back to that button, for Qt and for a screen reader alike.
TEST(AppDelegateX11, EscapeInASheetGivesTheKeyboardBackToTheButtonThatOpenedIt) {
    test::WindowManagerInTest manager;
    ASSERT_TRUE(manager.started());
    const std::unique_ptr<Services> services = ServiceFactory::make();
    AppDelegate delegate(*services);
    delegate.start();
    delegate.documentCommands().importImage(test::gradientImage(400, 300), QStringLiteral("picture"));
    EditorWindow* window = delegate.windows().editorWindow();
    ASSERT_TRUE(test::waitUntil([&] { return window->view()->statusBar() != nullptr; }, 20000));
    EditorStatusBar& bar = *window->view()->statusBar();
    // The style that frames a default button Tab rests on.
    EXPECT_NE(qobject_cast<KeyboardFocusStyle*>(QApplication::style()), nullptr);
    window->activateWindow();
    ASSERT_TRUE(test::waitUntil([&] { return window->isActiveWindow(); }, 20000));
    // Save As is the first item of the Save button's menu, which Down opens; Return is pressed
    // from inside the menu's own loop.
    QTimer menuReturn;
    QObject::connect(&menuReturn, &QTimer::timeout, [] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr || menu->activeAction() == nullptr) return;
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(menu, &enter);
    });
    menuReturn.start(10);
    const std::vector<std::pair<QWidget*, QString>> openers = {
        {bar.sizeButton(), QStringLiteral("space")},
        {bar.backdropButton(), QStringLiteral("space")},
        {bar.saveButton(), QStringLiteral("Down")}};
    for (const auto& [button, key] : openers) {
        SCOPED_TRACE(key.toStdString());
        button->setFocus(Qt::TabFocusReason);
        ASSERT_EQ(test::xdotool(QStringLiteral("key ") + key), 0);
        ASSERT_TRUE(test::waitUntil(
            [] {
                QWidget* sheet = QApplication::activeModalWidget();
                return sheet != nullptr && sheet->isActiveWindow();
            },
            20000));
        ASSERT_EQ(test::xdotool(QStringLiteral("key Escape")), 0);
        ASSERT_TRUE(test::waitUntil(
            [&] { return QApplication::activeModalWidget() == nullptr && window->isActiveWindow(); }, 20000));
        ASSERT_TRUE(test::laterTurn());
        QWidget* focused = QApplication::focusWidget();
        EXPECT_EQ(focused, button) << (focused != nullptr ? focused->metaObject()->className() : "nothing");
        EXPECT_TRUE(QAccessible::queryAccessibleInterface(button)->state().focused);
    }
    delegate.aboutToQuit();
}

} // namespace
} // namespace quorvane
