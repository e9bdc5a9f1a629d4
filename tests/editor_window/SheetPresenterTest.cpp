#include "editor_window/SheetPresenter.h"

#include "canvas/EditorCanvasSettings.h"
#include "document/EditorDocument.h"
#include "editor_window/BackdropSheet.h"
#include "editor_window/ResizeSheet.h"
#include "support/TestAnnotations.h"

#include <QApplication>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

struct SheetPresenterTest : ::testing::Test {
    QWidget window;
    SheetPresenter presenter{window};
    EditorCanvasSettings settings;
    int finishedTexts = 0;
    std::unique_ptr<EditorDocument> document =
        std::make_unique<EditorDocument>(test::twoToneImage(40, 30), std::nullopt, 1.0);

    void SetUp() override {
        window.show();
        settings.finishText = [this] { ++finishedTexts; };
    }
    static void settle() { QApplication::processEvents(); }
};

TEST_F(SheetPresenterTest, OneSheetAtATimeAndTextEditingEndsFirst) {
    ASSERT_TRUE(presenter.presentBackdrop(document.get(), &settings));
    EXPECT_EQ(finishedTexts, 1);
    auto* backdrop = qobject_cast<BackdropSheet*>(presenter.sheet());
    ASSERT_NE(backdrop, nullptr);
    EXPECT_TRUE(backdrop->isVisible());
    EXPECT_EQ(backdrop->windowModality(), Qt::WindowModal);

    // A second backdrop does nothing; a resize waits for the window.
    EXPECT_FALSE(presenter.presentBackdrop(document.get(), &settings));
    presenter.presentResize(document.get(), &settings);
    EXPECT_EQ(presenter.sheet(), backdrop);
    EXPECT_EQ(finishedTexts, 2);

    backdrop->reject();
    settle();
    auto* resize = qobject_cast<ResizeSheet*>(presenter.sheet());
    ASSERT_NE(resize, nullptr);
    EXPECT_TRUE(resize->isVisible());
    resize->reject();
    settle();
    EXPECT_FALSE(presenter.showsSheet());
}

TEST_F(SheetPresenterTest, NothingWithoutADocumentOrWhileAnotherSheetShows) {
    EXPECT_FALSE(presenter.presentBackdrop(nullptr, &settings));
    presenter.presentResize(nullptr, &settings);
    EXPECT_EQ(presenter.sheet(), nullptr);
    EXPECT_EQ(finishedTexts, 0);

    QDialog other(&window);
    other.open();
    EXPECT_TRUE(presenter.showsSheet());
    EXPECT_FALSE(presenter.presentBackdrop(document.get(), &settings));
    other.reject();
    EXPECT_TRUE(presenter.presentBackdrop(document.get(), nullptr));
    presenter.sheet()->reject();
    settle();
}

TEST_F(SheetPresenterTest, AWaitingResizeOfAClosedDocumentIsDropped) {
    ASSERT_TRUE(presenter.presentBackdrop(document.get(), &settings));
    presenter.presentResize(document.get(), &settings);
    document.reset();
    settle();
    EXPECT_EQ(presenter.sheet(), nullptr);
    EXPECT_FALSE(presenter.showsSheet());
}

} // namespace
} // namespace quorvane
