#include "canvas/EditorCanvasPane.h"
#include "editor_window/BackdropSheet.h"
#include "editor_window/SheetPresenter.h"
#include "export/ExportTesting.h"
#include "support/WaitUntil.h"
#include "support/Xdotool.h"
#include "support/XvfbServer.h"

#include <QPushButton>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

// The editor as the shell will build it: the canvas pane in a top-level window, its sheets
// shown by the presenter, the result saved through the export controller into a real file.
struct BackdropExport : ::testing::Test {
    test::ExportFixture exports{false};
    std::unique_ptr<EditorCanvasPane> pane;
    std::unique_ptr<SheetPresenter> presenter;

    void SetUp() override {
        ASSERT_TRUE(test::x11Server().startWindowManager());
        exports.document = test::ExportFixture::makeDocument(200, 120);
        pane = std::make_unique<EditorCanvasPane>(*exports.document, nullptr);
        pane->resize(640, 420);
        pane->show();
        presenter = std::make_unique<SheetPresenter>(*pane);
    }
    void TearDown() override {
        presenter.reset();
        pane.reset();
        test::x11Server().stopWindowManager();
    }

    // Saves the final image and reads the file back.
    QImage exported() {
        const auto before = exports.savedFiles(exports.folder / "Shots").size();
        EXPECT_TRUE(exports.controller->saveToFolder(ExportController::AfterSave::keepEditor,
                                                     ExportController::Encoding::mayUseWorker));
        EXPECT_TRUE(exports.waitIdle());
        if (exports.savedFiles(exports.folder / "Shots").size() != before + 1) return {};
        return QImage(exports.controller->lastURL().toLocalFile()).convertToFormat(QImage::Format_RGBA8888);
    }
};

TEST_F(BackdropExport, ApplyFramesTheExportAndUndoTakesItBack) {
    ASSERT_TRUE(presenter->presentBackdrop(exports.document.get(), &pane->settings()));
    auto* sheet = qobject_cast<BackdropSheet*>(presenter->sheet());
    ASSERT_NE(sheet, nullptr);
    sheet->activateWindow();
    ASSERT_TRUE(test::waitUntil([&] { return sheet->isActiveWindow(); }));
    // Return from the keyboard presses Apply.
    EXPECT_EQ(test::xdotool(QStringLiteral("key Return")), 0);
    ASSERT_TRUE(test::waitUntil([&] { return exports.document->backdrop().has_value(); }));

    QImage framed = exported();
    ASSERT_EQ(framed.size(), QSize(296, 216));
    const QColor corner = framed.pixelColor(0, 0);
    EXPECT_EQ(corner.alpha(), 255);
    EXPECT_NEAR(corner.red(), 15, 6);
    EXPECT_NEAR(corner.green(), 118, 6);
    EXPECT_NEAR(corner.blue(), 110, 6);
    // The image's rounded corner shows the backdrop, not the image's red.
    const QColor rounded = framed.pixelColor(48, 48);
    EXPECT_LT(rounded.red(), 100);
    EXPECT_EQ(framed.pixelColor(60, 60), QColor(255, 0, 0));

    ASSERT_TRUE(presenter->presentBackdrop(exports.document.get(), &pane->settings()));
    sheet = qobject_cast<BackdropSheet*>(presenter->sheet());
    ASSERT_NE(sheet, nullptr);
    sheet->backgroundButton(BackdropModel::Background::transparent).click();
    sheet->applyButton().click();
    QImage clear = exported();
    ASSERT_EQ(clear.size(), QSize(296, 216));
    EXPECT_EQ(clear.pixelColor(0, 0).alpha(), 0);

    ASSERT_TRUE(exports.document->undoManager().undo());
    ASSERT_TRUE(exports.document->undoManager().undo());
    const QImage plain = exported();
    ASSERT_EQ(plain.size(), QSize(200, 120));
    EXPECT_EQ(plain.pixelColor(0, 0), QColor(255, 0, 0));
}

} // namespace
} // namespace quorvane
