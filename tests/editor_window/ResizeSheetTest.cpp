#include "editor_window/ResizeSheet.h"

#include "SheetTesting.h"
#include "document/EditorDocument.h"
#include "support/ImageCompare.h"
#include "support/QtPrinters.h"
#include "support/TestAnnotations.h"
#include "support/ToldReaders.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

using Quality = ImageResampler::Quality;

struct ResizeSheetTest : ::testing::Test {
    QWidget window;
    std::unique_ptr<EditorDocument> document =
        std::make_unique<EditorDocument>(test::twoToneImage(120, 80), std::nullopt, 1.0);

    ResizeSheet* open(EditorDocument& shown) {
        auto* sheet = new ResizeSheet(shown, &window);
        sheet->open();
        return sheet;
    }
    static void type(QLineEdit& field, const QString& text) {
        field.setFocus();
        field.selectAll();
        test::keyClicks(&field, text);
    }
};

TEST_F(ResizeSheetTest, TypingShowsTheStoredSideAndCarriesTheOther) {
    ResizeSheet* sheet = open(*document);
    EXPECT_EQ(sheet->widthField().text(), QStringLiteral("120"));
    EXPECT_EQ(sheet->heightField().text(), QStringLiteral("80"));

    type(sheet->widthField(), QStringLiteral("1,2a0 px"));
    EXPECT_EQ(sheet->widthField().text(), QStringLiteral("120"));
    type(sheet->widthField(), QStringLiteral("60"));
    EXPECT_EQ(sheet->heightField().text(), QStringLiteral("40"));
    EXPECT_EQ(sheet->summaryLine().accessibleName(),
              QStringLiteral("Result: 120 × 80 → 60 × 40 px · 0.0 MP"));

    type(sheet->heightField(), QStringLiteral("only letters"));
    EXPECT_EQ(sheet->heightField().text(), QString());
    EXPECT_EQ(sheet->problemLine().text(), QStringLiteral("Enter a width and height."));
    EXPECT_FALSE(sheet->resizeButton().isEnabled());

    sheet->lockAspect().click();
    type(sheet->heightField(), QStringLiteral("50"));
    type(sheet->widthField(), QStringLiteral("20000"));
    EXPECT_EQ(sheet->heightField().text(), QStringLiteral("50"));
    EXPECT_EQ(sheet->problemLine().text(), QStringLiteral("Each side can be at most 16,384 pixels."));
    EXPECT_TRUE(sheet->summaryLine().text().endsWith(QStringLiteral(" → – px")));
    EXPECT_FALSE(sheet->resizeButton().isEnabled());
    EXPECT_EQ(document->outputSize(), std::nullopt);
}

// An emptied field shows its name just as Qt draws a placeholder, yet a screen reader hears no
// description that only repeats the name.
TEST_F(ResizeSheetTest, AnEmptiedFieldShowsItsNameWithoutDescribingItself) {
    ResizeSheet* sheet = open(*document);
    QLineEdit& field = sheet->widthField();
    field.clear();
    QLineEdit drawnByQt;
    drawnByQt.setFixedSize(field.size());
    drawnByQt.setFont(field.font());
    drawnByQt.setAlignment(field.alignment());
    drawnByQt.setPlaceholderText(QStringLiteral("Width"));
    const QImage shown = field.grab().toImage(), expected = drawnByQt.grab().toImage();
    QLineEdit blank;
    blank.setFixedSize(field.size());
    EXPECT_NE(shown, blank.grab().toImage());
    EXPECT_TRUE(test::imagesNear(shown.convertToFormat(QImage::Format_RGBA8888_Premultiplied),
                                 expected.convertToFormat(QImage::Format_RGBA8888_Premultiplied), 16, 0.01));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(&field)->text(QAccessible::Description), QString());
}

TEST_F(ResizeSheetTest, ResizeStoresSizeAndQualityAsOneStep) {
    ResizeSheet* sheet = open(*document);
    sheet->percentButton(1).click();
    QAccessibleInterface* picker = QAccessible::queryAccessibleInterface(&sheet->qualityPicker());
    EXPECT_EQ(picker->text(QAccessible::Name), QStringLiteral("Resampling")) << "by its label";
    {
        test::ToldReaders readers;
        sheet->qualityPicker().setCurrentIndex(2);
        // Its choice in words is its description, which a reader is told to read again.
        EXPECT_EQ(picker->text(QAccessible::Description), QStringLiteral("Nearest Neighbor"));
        EXPECT_EQ(readers.descriptionChanges(&sheet->qualityPicker()), 1);
    }
    Q_EMIT sheet->qualityPicker().activated(2);
    // A Return that reaches the sheet itself presses Resize, not the percent button with the keyboard
    // (a Return sent to that button presses it).
    sheet->percentButton(0).setFocus();
    test::keyClick(sheet, Qt::Key_Return);
    EXPECT_EQ(sheet->result(), QDialog::Accepted);
    EXPECT_EQ(document->outputSize(), QSizeF(60, 40));
    EXPECT_EQ(document->outputQuality(), Quality::nearest);
    EXPECT_EQ(document->undoManager().undoActionName(), QStringLiteral("Resize"));
    ASSERT_TRUE(document->undoManager().undo());
    EXPECT_EQ(document->outputSize(), std::nullopt);
    EXPECT_EQ(document->outputQuality(), Quality::highQuality);
}

TEST_F(ResizeSheetTest, ResetKeepsTheQualityAndOnlyRunsOnAResizedDocument) {
    ResizeSheet* plain = open(*document);
    EXPECT_FALSE(plain->resetButton().isEnabled());
    plain->reject();

    ASSERT_TRUE(document->setOutputSize(QSizeF(30, 20), Quality::smooth));
    ResizeSheet* sheet = open(*document);
    EXPECT_EQ(sheet->widthField().text(), QStringLiteral("30"));
    ASSERT_TRUE(sheet->resetButton().isEnabled());
    sheet->qualityPicker().setCurrentIndex(2);
    Q_EMIT sheet->qualityPicker().activated(2);
    sheet->resetButton().click();
    EXPECT_EQ(document->outputSize(), std::nullopt);
    EXPECT_EQ(document->outputQuality(), Quality::smooth);
    EXPECT_EQ(sheet->result(), QDialog::Accepted);
}

TEST_F(ResizeSheetTest, LogicalSizeButtonOnlyAboveOnePixelAPoint) {
    ResizeSheet* plain = open(*document);
    EXPECT_FALSE(plain->logicalButton().isVisibleTo(plain));
    plain->reject();

    EditorDocument retina(test::twoToneImage(160, 120), std::nullopt, 2);
    ResizeSheet* sheet = open(retina);
    ASSERT_TRUE(sheet->logicalButton().isVisibleTo(sheet));
    EXPECT_TRUE(sheet->logicalButton().text().endsWith(QStringLiteral(") · 80 × 60")));
    sheet->logicalButton().click();
    EXPECT_EQ(sheet->widthField().text(), QStringLiteral("80"));
    EXPECT_EQ(sheet->heightField().text(), QStringLiteral("60"));
    sheet->reject();
}

TEST_F(ResizeSheetTest, EscapeAndAClosedDocumentStoreNothing) {
    ResizeSheet* sheet = open(*document);
    sheet->percentButton(3).click();
    test::keyClick(sheet, Qt::Key_Escape);
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_EQ(document->outputSize(), std::nullopt);
    EXPECT_FALSE(document->undoManager().canUndo());

    sheet = open(*document);
    document.reset();
    EXPECT_FALSE(sheet->isVisible());
    sheet->resizeButton().click();
    sheet->resetButton().click();
    EXPECT_EQ(sheet->result(), QDialog::Rejected);
}

} // namespace
} // namespace quorvane
