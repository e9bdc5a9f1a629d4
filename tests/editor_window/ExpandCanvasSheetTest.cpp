#include "editor_window/ExpandCanvasSheet.h"

#include "SheetTesting.h"
#include "document/EditorDocument.h"
#include "editor_window/SegmentedPicker.h"
#include "support/TestAnnotations.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

enum FieldIndex { top, left, bottom, right, width, height };

struct ExpandCanvasSheetTest : ::testing::Test {
    QWidget window;
    EditorDocument document{test::twoToneImage(1200, 800), std::nullopt, 1.0};

    ExpandCanvasSheet* open() {
        auto* sheet = new ExpandCanvasSheet(document, &window);
        sheet->open();
        return sheet;
    }
    static void type(QLineEdit& field, const QString& text) {
        field.setFocus();
        field.selectAll();
        if (text.isEmpty())
            test::keyClick(&field, Qt::Key_Backspace);
        else
            test::keyClicks(&field, text);
    }
};

TEST_F(ExpandCanvasSheetTest, OpensAskingForAPixelAndExpandsByAPreset) {
    ExpandCanvasSheet* sheet = open();
    EXPECT_EQ(sheet->problemLine().text(), "Add at least one pixel.");
    EXPECT_TRUE(sheet->problemLine().isVisible());
    EXPECT_FALSE(sheet->expandButton().isEnabled());
    EXPECT_EQ(sheet->summaryLine().text(), "1200 × 800 → – px");
    EXPECT_FALSE(sheet->field(width).isVisible());

    sheet->presetButton(0).click();
    EXPECT_EQ(sheet->summaryLine().accessibleName(), "Result: 1200 × 800 → 1240 × 840 px");
    EXPECT_FALSE(sheet->problemLine().isVisible());
    const qint64 revision = document.revision();
    sheet->expandButton().click();
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_EQ(document.revision(), revision + 1);
    EXPECT_EQ(document.cropRect(), QRectF(-20, -20, 1240, 840));
    EXPECT_EQ(document.undoManager().undoActionName(), "Expand Canvas");
}

TEST_F(ExpandCanvasSheetTest, TypedEntriesAreFilteredAndSizeModeUsesTheCrop) {
    ASSERT_TRUE(document.crop(QRectF(0, 0, 1000, 500)));
    ExpandCanvasSheet* sheet = open();
    type(sheet->field(left), QStringLiteral("12a-3"));
    EXPECT_EQ(sheet->field(left).text(), "123");
    type(sheet->field(left), QString());
    EXPECT_EQ(sheet->problemLine().text(), "Enter a value for every field.");

    sheet->modePicker().choose(1);
    EXPECT_FALSE(sheet->field(top).isVisible());
    EXPECT_TRUE(sheet->field(width).isVisible());
    EXPECT_EQ(sheet->field(width).text(), "1000");
    EXPECT_FALSE(sheet->presetButton(0).isVisible());
    type(sheet->field(width), QStringLiteral("1005"));
    EXPECT_EQ(sheet->summaryLine().text(), "1000 × 500 → 1005 × 500 px");
    type(sheet->field(height), QStringLiteral("499"));
    EXPECT_EQ(sheet->problemLine().text(), "The canvas only grows here; use Crop to make it smaller.");
    EXPECT_FALSE(sheet->expandButton().isEnabled());
    type(sheet->field(height), QStringLiteral("1234567"));
    EXPECT_EQ(sheet->field(height).text(), "123456");

    // Cancel leaves the document as it was.
    const qint64 revision = document.revision();
    sheet->cancelButton().click();
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_EQ(document.revision(), revision);
}

TEST_F(ExpandCanvasSheetTest, ARefusedExpansionKeepsTheSheetOpen) {
    document.setBitmapAllocator(test::failingAllocator);
    ExpandCanvasSheet* sheet = open();
    sheet->presetButton(2).click();
    sheet->expandButton().click();
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_EQ(sheet->model().top, 80);
    EXPECT_EQ(document.cropRect(), QRectF(0, 0, 1200, 800));
}

} // namespace
} // namespace quorvane
