// The delegate on the real services of a private X server: start-up in order, and the rules it
// wires between the controllers.

#include "app/AppDelegate.h"
#include "app/AppMenus.h"
#include "app/EditorWindow.h"
#include "app/ServiceFactory.h"
#include "app/Services.h"
#include "app/ShellTesting.h"
#include "app/WindowCoordinator.h"
#include "canvas/AnnotationTextEditor.h"
#include "canvas/AnnotationTextView.h"
#include "canvas/EditorCanvasPane.h"
#include "canvas/EditorCanvasView.h"
#include "capture/CaptureController.h"
#include "editor_window/EditorStatusBar.h"
#include "editor_window/EditorView.h"
#include "editor_window/KeyboardFocusStyle.h"
#include "editor_window/SheetPresenter.h"
#include "editor_window/ValueIconButton.h"
#include "export/ExportController.h"
#include "export/ImageImporter.h"
#include "panels/ThumbnailController.h"
#include "platform/Clipboard.h"
#include "platform/InputHold.h"
#include "support/ClipboardOffer.h"
#include "support/DisplayState.h"
#include "support/ImageFiles.h"
#include "support/LaterTurn.h"
#include "support/LogLines.h"
#include "support/TempDir.h"
#include "support/TestAnnotations.h"
#include "support/Xdotool.h"
#include "support/XvfbServer.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTextCursor>
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

// Another program holding `bytes` as `type`, sending them piece by piece: each piece `late` ms after
// it is asked for, or ("never") none at all.
std::unique_ptr<test::ClipboardOffer> lateOffer(const test::TempDir& folder, const QByteArray& bytes,
                                                const QString& type, const QString& late) {
    const QString path = QString::fromStdString((folder / "offered").string());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) return nullptr;
    file.close();
    QStringList arguments{"--type", type, "--file", path, "--incremental-above", "0", "--report", "1"};
    arguments << (late == "never" ? QStringList{"--stall-after", "0"} : QStringList{"--trickle", late});
    auto offer = std::make_unique<test::ClipboardOffer>(arguments);
    return offer->ready() ? std::move(offer) : nullptr;
}

// The delegate started with a picture open, counting its saves, and the pastes other programs offer it.
struct Rig {
    const std::unique_ptr<Services> services = ServiceFactory::make();
    int saves = 0;
    AppDelegate delegate{*services};
    test::TempDir folder;

    Rig() {
        delegate.start();
        QObject::connect(&delegate.exporter(), &ExportController::lastURLChanged, [this] { ++saves; });
        delegate.documentCommands().importImage(test::gradientImage(400, 300), QStringLiteral("picture"));
    }

    // What `keys` saved; a null picture where they saved nothing.
    QImage savedAfter(const QString& keys) {
        const int before = saves;
        EXPECT_EQ(test::xdotool(keys), 0);
        return test::waitUntil([&] { return saves > before; }, 20000)
                   ? QImage(delegate.exporter().lastURL().toLocalFile())
                   : QImage();
    }

    // `bytes` as `type` from another program, sent `late` as lateOffer takes it.
    std::unique_ptr<test::ClipboardOffer> offered(const QByteArray& bytes, const QString& type,
                                                  const QString& late) {
        auto offer = lateOffer(folder, bytes, type, late);
        // Asked by the program, so that a window of the holder before, at the same number, is
        // not taken for it.
        EXPECT_TRUE(offer && offer->says("request TARGETS") &&
                    test::waitUntil([&] { return services->clipboard().offeredFormats().contains(type); }));
        return offer;
    }
};

// Keys pressed at once after a paste act on what it brought, however late the program that holds
// the clipboard answers; a paste that never comes is given up, said, and the keys then go on.
TEST(AppDelegateX11, WhatIsPressedAfterAPasteActsOnWhatItBrought) {
    Rig rig;
    test::LogLines log{"app"};
    EditorWindow* window = rig.delegate.windows().editorWindow();
    window->activateWindow();
    ASSERT_TRUE(test::waitUntil(
        [&] { return window->isActiveWindow() && rig.delegate.captureController().document(); }));
    const auto png = [](const QImage& image) { return test::qtEncoded(image, "PNG"); };
    for (const QString late : {"100", "500"}) {
        SCOPED_TRACE(late.toStdString() + " ms late");
        const QSize size(120 + late.toInt() / 100, 80);
        auto picture =
            rig.offered(png(test::filledImage(Qt::red, size.width(), size.height())), "image/png", late);
        EXPECT_EQ(rig.savedAfter("key ctrl+v ctrl+s").size(), size);

        auto overlay = rig.offered(png(test::filledImage(Qt::green, 20, 10)), "image/png", late);
        const QImage overlaid = rig.savedAfter("key ctrl+alt+v ctrl+s");
        EXPECT_EQ(overlaid.pixelColor(overlaid.width() / 2, overlaid.height() / 2), QColor(Qt::green));

        auto text = rig.offered("PASTED", "UTF8_STRING", late);
        EditorCanvasView& canvas = window->view()->pane()->canvas();
        canvas.beginTextEditing(test::annotation(AnnotationKind::text, QRectF(10, 10, 100, 30), Qt::black));
        QWidget* box = canvas.textEditor().textView();
        box->setFocus();
        ASSERT_TRUE(test::waitUntil([&] { return box->hasFocus(); }));
        EXPECT_EQ(test::xdotool("key ctrl+v"), 0);
        EXPECT_EQ(test::xdotool("type typed"), 0);
        rig.savedAfter("key ctrl+Return ctrl+s");
        EXPECT_EQ(rig.delegate.captureController().document()->annotations().back().text,
                  QStringLiteral("PASTEDtyped"));
    }

    // Paste chosen from the Edit menu with the mouse holds the window below the menu.
    const test::InputKept pointer;
    const auto click = [](const QWidget& widget, const QRect& area) {
        const QPoint at = widget.mapToGlobal(area.center());
        return test::xdotool(QStringLiteral("mousemove %1 %2 click 1").arg(at.x()).arg(at.y()));
    };
    auto picture = rig.offered(png(test::filledImage(Qt::red, 130, 80)), "image/png", "500");
    QMenuBar& bar = *window->menuBar();
    QMenu* edit = nullptr;
    for (QAction* item : bar.actions())
        if (item->text() == QStringLiteral("Edit")) edit = item->menu();
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(click(bar, bar.actionGeometry(edit->menuAction())), 0);
    ASSERT_TRUE(test::waitUntil([&] { return edit->isVisible(); }));
    QAction* pasteItem = rig.delegate.menus().action(MenuCommand::paste);
    EXPECT_EQ(click(*edit, edit->actionGeometry(pasteItem)), 0);
    EXPECT_EQ(rig.savedAfter("key ctrl+s").size(), QSize(130, 80));

    // A holder that never sends its picture, or one that Escape gives up: the keys save the
    // picture that was open, after the paste has said it failed, or said nothing: Escape gave it up.
    const QString failed = ImageImporter::ImportError::unreadable().message();
    for (const auto& [keys, said] : {std::pair{QStringLiteral("key ctrl+v ctrl+s"), std::optional(failed)},
                                     {QStringLiteral("key ctrl+v Escape ctrl+s"), std::nullopt}}) {
        SCOPED_TRACE(keys.toStdString());
        auto never = rig.offered(png(test::filledImage(Qt::blue, 50, 50)), "image/png", "never");
        rig.delegate.captureController().setErrorMessage(std::nullopt);
        const QImage saved = rig.savedAfter(keys);
        EXPECT_EQ(saved.size(), QSize(130, 80));
        EXPECT_EQ(rig.delegate.captureController().errorMessage(), said);
    }
    EXPECT_EQ(log.count("A read for a window was given up by Escape, and its input went on"), 1);

    // A picture dropped by a program that sends it late, given up by Escape: nothing is said, and
    // the keys after it save the picture that was open.
    const QString dropped = QString::fromStdString((rig.folder / "dropped").string());
    QFile bytes(dropped);
    ASSERT_TRUE(bytes.open(QIODevice::WriteOnly));
    bytes.write(png(test::filledImage(Qt::blue, 50, 50)));
    bytes.close();
    rig.delegate.captureController().setErrorMessage(std::nullopt);
    EditorCanvasView& canvas = window->view()->pane()->canvas();
    const QPoint over = canvas.mapToGlobal(canvas.rect().center());
    const int saves = rig.saves;
    // Pressed once the drop holds the window's input, as a person's keys come after the drop.
    QTimer escape;
    QObject::connect(&escape, &QTimer::timeout, [&] {
        if (!rig.services->inputHold().holds(window->windowHandle())) return;
        escape.stop();
        EXPECT_EQ(test::xdotool("key Escape ctrl+s"), 0);
    });
    escape.start(10);
    test::ClipboardOffer drag({"--type", "image/png", "--file", dropped, "--incremental-above", "0",
                               "--trickle", "3000", "--drag-to",
                               QStringLiteral("%1,%2").arg(over.x()).arg(over.y()), "--drop", "1"});
    ASSERT_TRUE(test::waitUntil([&] { return rig.saves > saves; }, 20000));
    EXPECT_EQ(QImage(rig.delegate.exporter().lastURL().toLocalFile()).size(), QSize(130, 80));
    EXPECT_EQ(rig.delegate.captureController().errorMessage(), std::nullopt);
    EXPECT_EQ(log.count("A read for a window was given up by Escape, and its input went on"), 2);
    rig.delegate.aboutToQuit();
}

// A hot key pressed while a paste waits captures at once; its picture replaces the editor's only
// once the key typed before it has gone into the text box it was typed for.
TEST(AppDelegateX11, AHotKeyDuringAPasteCapturesAtOnceAndReplacesThePictureAfterTheKeysBeforeIt) {
    Rig rig;
    test::LogLines capture{"capture"};
    EditorWindow* window = rig.delegate.windows().editorWindow();
    window->activateWindow();
    ASSERT_TRUE(test::waitUntil(
        [&] { return window->isActiveWindow() && rig.delegate.captureController().document(); }));
    EditorCanvasView& canvas = window->view()->pane()->canvas();
    canvas.beginTextEditing(test::annotation(AnnotationKind::text, QRectF(10, 10, 100, 30), Qt::black));
    QWidget* box = canvas.textEditor().textView();
    box->setFocus();
    ASSERT_TRUE(test::waitUntil([&] { return box->hasFocus(); }));
    auto never = rig.offered("PASTED", "UTF8_STRING", "never");
    struct Typed : QObject {
        bool a = false;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_A)
                a = true;
            return false;
        }
    } typed;
    box->installEventFilter(&typed);
    std::optional<bool> typedFirst;
    QObject::connect(&rig.delegate.captureController(), &CaptureController::documentChanged, [&] {
        if (!typedFirst) typedFirst = typed.a;
    });
    InputHold& input = rig.services->inputHold();
    const std::string succeeded = "Capture succeeded: ";
    bool capturedWhileHeld = false;
    bool pressed = false;
    QTimer meanwhile;
    QObject::connect(&meanwhile, &QTimer::timeout, [&] {
        if (!input.holds(window->windowHandle())) return;
        if (!std::exchange(pressed, true)) test::xdotool("key a ctrl+alt+super+3");
        for (const std::string& line : capture.lines())
            if (line.rfind(succeeded, 0) == 0) {
                capturedWhileHeld = true;
                meanwhile.stop();
                test::xdotool("key Escape");
            }
    });
    meanwhile.start(10);
    EXPECT_EQ(test::xdotool("key ctrl+v"), 0);
    // An event loop that sleeps between events, as the program's does: the hold hands over once
    // the input that waited has gone on and nothing is left to do.
    QEventLoop replaced;
    QObject::connect(&rig.delegate.captureController(), &CaptureController::documentChanged, &replaced,
                     &QEventLoop::quit, Qt::QueuedConnection);
    QTimer::singleShot(test::bound(20000), &replaced, &QEventLoop::quit);
    replaced.exec();
    ASSERT_TRUE(typedFirst.has_value());
    EXPECT_TRUE(capturedWhileHeld);
    EXPECT_EQ(typedFirst, true);
    rig.delegate.aboutToQuit();
}

// What is clicked, typed and dragged while a paste is read acts where it would have had the paste
// come at once: a click in the text box moves its caret, the keys after one that closes a sheet or
// opens a dialog go there, and a tool key and a drag reach the pasted picture.
TEST(AppDelegateX11, InputWhileAPasteIsReadActsAsIfThePasteHadComeAtOnce) {
    // Keys after one that closes a sheet go where the window manager puts the keyboard then.
    test::WindowManagerInTest manager;
    ASSERT_TRUE(manager.started());
    Rig rig;
    EditorWindow* window = rig.delegate.windows().editorWindow();
    window->activateWindow();
    ASSERT_TRUE(
        test::waitUntil([&] { return window->isActiveWindow() && window->view()->statusBar(); }, 20000));
    const test::InputKept pointer;
    // The canvas of the picture shown now: a pasted picture gets one of its own.
    const auto canvas = [&]() -> EditorCanvasView& { return window->view()->pane()->canvas(); };
    const auto png = [&](Qt::GlobalColor color) {
        return test::qtEncoded(test::filledImage(color, 400, 300), "PNG");
    };
    for (const QString late : {"0", "1000"}) {
        SCOPED_TRACE(late.toStdString() + " ms late");
        // The pasted picture lies where the one before it did.
        auto picture = rig.offered(png(Qt::red), "image/png", late);
        const QPoint middle = canvas().mapToGlobal(canvas().rect().center());
        EXPECT_EQ(test::xdotool(QStringLiteral("key ctrl+v x mousemove %1 %2 mousedown 1 mousemove %3 %4 "
                                               "mousemove %5 %6 mouseup 1")
                                    .arg(middle.x() - 40)
                                    .arg(middle.y() - 20)
                                    .arg(middle.x())
                                    .arg(middle.y())
                                    .arg(middle.x() + 40)
                                    .arg(middle.y() + 20)),
                  0);
        // The window manager hands a click on after keys sent later: the redaction is waited for.
        EXPECT_TRUE(test::waitUntil(
            [&] {
                const EditorDocument* shown = rig.delegate.captureController().document();
                return shown->image().pixelColor(0, 0) == QColor(Qt::red) && !shown->annotations().empty();
            },
            20000));
        const QImage redacted = rig.savedAfter("key ctrl+s");
        EXPECT_EQ(redacted.size(), QSize(400, 300));
        EXPECT_LT(qGray(redacted.pixel(200, 150)), 60);

        auto text = rig.offered("PASTED", "UTF8_STRING", late);
        canvas().beginTextEditing(test::annotation(AnnotationKind::text, QRectF(10, 10, 200, 30), Qt::black));
        const QPointer<AnnotationTextView> box = canvas().textEditor().textView();
        box->setFocus();
        ASSERT_TRUE(test::waitUntil([&] { return box->hasFocus(); }));
        const QRect first = box->cursorRect(QTextCursor(box->document()));
        const QPoint start = box->viewport()->mapToGlobal(QPoint(first.left() + 1, first.center().y()));
        EXPECT_EQ(test::xdotool(QStringLiteral("type typ")), 0);
        EXPECT_EQ(
            test::xdotool(QStringLiteral("key ctrl+v mousemove %1 %2 click 1").arg(start.x()).arg(start.y())),
            0);
        // Keys sent later may overtake a click the window manager hands on: it is waited for.
        EXPECT_TRUE(test::waitUntil(
            [&] {
                return box != nullptr && box->toPlainText().size() >= 9 && box->textCursor().position() == 0;
            },
            20000));
        EXPECT_EQ(test::xdotool(QStringLiteral("type X")), 0);
        rig.savedAfter("key ctrl+Return ctrl+s");
        EXPECT_EQ(rig.delegate.captureController().document()->annotations().back().text,
                  QStringLiteral("XtypPASTED"));

        auto width = rig.offered("25", "UTF8_STRING", late);
        window->view()->statusBar()->sizeButton()->click();
        ASSERT_TRUE(test::waitUntil([] {
            QWidget* sheet = QApplication::activeModalWidget();
            return sheet != nullptr && sheet->isActiveWindow();
        }));
        EXPECT_EQ(rig.savedAfter("key ctrl+a 1 ctrl+v 0 Return ctrl+s").width(), 1250);

        auto named = rig.offered(png(Qt::blue), "image/png", late);
        EXPECT_EQ(test::xdotool("key ctrl+v ctrl+shift+s"), 0);
        EXPECT_EQ(test::xdotool("type abc"), 0);
        QLineEdit* name = nullptr;
        EXPECT_TRUE(test::waitUntil([&] {
            QWidget* dialog = QApplication::activeModalWidget();
            name = dialog != nullptr ? dialog->findChild<QLineEdit*>("fileNameEdit") : nullptr;
            return name != nullptr && name->text() == QStringLiteral("abc");
        })) << (name != nullptr ? name->text().toStdString() : "no dialog");
        EXPECT_EQ(test::xdotool("key Escape"), 0);
        ASSERT_TRUE(test::waitUntil([] { return QApplication::activeModalWidget() == nullptr; }));
        EXPECT_EQ(rig.delegate.captureController().document()->image().size(), QSize(400, 300));
    }
    rig.delegate.aboutToQuit();
}

} // namespace
} // namespace quorvane
