#include "canvas/EditorCanvasView.h"
#include "editor_window/CompositionCommands.h"
#include "editor_window/CompositionMenus.h"
#include "editor_window/EditorViewRig.h"
#include "platform/InputHold.h"
#include "support/TempDir.h"
#include "support/WaitUntil.h"
#include "support/Xdotool.h"
#include "support/XvfbServer.h"

#include <QClipboard>
#include <QMenuBar>
#include <QProcess>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

// A real editor window with the composition menus in its menu bar: the keys reach the items the
// way a user's keyboard does, and an image copied by another program is pasted as an overlay.
TEST(CompositionMenusX11, ShortcutsArrangeAndPasteAnotherProgramsImage) {
    ASSERT_TRUE(test::x11Server().startWindowManager());
    {
        test::EditorViewRig rig;
        EditorDocument* document = rig.open(400, 300);
        ASSERT_NE(document, nullptr);

        QWidget window;
        auto* column = new QVBoxLayout(&window);
        column->setContentsMargins(0, 0, 0, 0);
        auto* bar = new QMenuBar(&window);
        QMenu* file = bar->addMenu(QStringLiteral("File"));
        QMenu* edit = bar->addMenu(QStringLiteral("Edit"));
        column->setMenuBar(bar);
        rig.view->setParent(&window);
        column->addWidget(rig.view.get());
        InputHold input;
        CompositionCommands commands({*rig.capture.controller, rig.exports.clipboard, rig.exports.beeper,
                                      input, [&] { return &window; }, [] {}, [] { return false; },
                                      [] { return false; }, [] {},
                                      []() -> SheetPresenter* { return nullptr; }});
        CompositionMenus menus(commands, [&] { return &window; });
        menus.addCompositionMenus(*file, *edit, *bar);
        window.resize(720, 520);
        window.show();
        window.activateWindow();
        EditorCanvasView& canvas = rig.view->pane()->canvas();
        canvas.setFocus();
        ASSERT_TRUE(test::waitUntil([&] { return window.isActiveWindow() && canvas.hasFocus(); }));

        const Annotation bottom = test::annotation(AnnotationKind::rectangle, QRectF(20, 20, 40, 40));
        const Annotation top = test::annotation(AnnotationKind::oval, QRectF(100, 20, 40, 40));
        document->addAnnotation(bottom);
        document->addAnnotation(top);
        canvas.settings().modes().setSelectedID(bottom.id);
        const qint64 revision = document->revision();
        EXPECT_EQ(test::xdotool(QStringLiteral("key ctrl+alt+bracketright")), 0);
        ASSERT_TRUE(test::waitUntil([&] { return document->annotations().back().id == bottom.id; }));
        EXPECT_EQ(document->revision(), revision + 1);
        document->undoManager().undo();
        EXPECT_EQ(document->annotations().back().id, top.id);

        test::TempDir dir;
        const QString path = QString::fromStdString((dir / "copied.png").string());
        ASSERT_TRUE(test::twoToneImage(60, 40).save(path, "PNG"));
        QProcess xclip;
        xclip.start("xclip", {"-selection", "clipboard", "-t", "image/png", "-quiet", "-i", path});
        ASSERT_TRUE(xclip.waitForStarted());
        ASSERT_TRUE(test::waitUntil([&] { return commands.canPasteOverlay(); }));
        const std::size_t before = document->annotations().size();
        EXPECT_EQ(test::xdotool(QStringLiteral("key ctrl+alt+v")), 0);
        ASSERT_TRUE(test::waitUntil([&] { return document->annotations().size() == before + 1; }));
        const Annotation& overlay = document->annotations().back();
        EXPECT_EQ(overlay.kind, AnnotationKind::image);
        EXPECT_EQ(overlay.rect.size(), QSizeF(60, 40));
        EXPECT_EQ(canvas.settings().modes().selectedID(), overlay.id);
        EXPECT_EQ(canvas.settings().lastAnnouncement(), "Image added");
        // The canvas kept the keyboard: the new overlay goes to the back by key straight away.
        const QUuid added = overlay.id;
        EXPECT_EQ(test::xdotool(QStringLiteral("key ctrl+alt+bracketleft")), 0);
        ASSERT_TRUE(test::waitUntil([&] { return document->annotations().front().id == added; }));
        xclip.kill();
        xclip.waitForFinished();
        rig.view->setParent(nullptr);
    }
    test::x11Server().stopWindowManager();
}

} // namespace
} // namespace quorvane
