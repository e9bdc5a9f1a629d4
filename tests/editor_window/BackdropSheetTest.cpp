#include "editor_window/BackdropSheet.h"

#include "ChromeTesting.h"
#include "SheetTesting.h"
#include "document/EditorDocument.h"
#include "editor_window/BackdropColorWell.h"
#include "editor_window/PresetButton.h"
#include "editor_window/SheetSlider.h"
#include "support/TestAnnotations.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAccessibleValueInterface>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

using Background = BackdropModel::Background;
using Slider = BackdropSheet::Slider;

struct BackdropSheetTest : ::testing::Test {
    QWidget window;
    std::unique_ptr<EditorDocument> document = makeDocument(1);

    static std::unique_ptr<EditorDocument> makeDocument(double scale) {
        return std::make_unique<EditorDocument>(test::twoToneImage(120, 80), std::nullopt, scale);
    }
    BackdropSheet* open(EditorDocument& shown) {
        auto* sheet = new BackdropSheet(shown, &window);
        sheet->open();
        return sheet;
    }
    static QString spoken(QWidget& widget) { return test::accessibleValue(widget); }
    static void accessibilityAction(QWidget& widget, const QString& action) {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&widget);
        ASSERT_NE(accessible, nullptr);
        QAccessibleActionInterface* actions = accessible->actionInterface();
        ASSERT_NE(actions, nullptr);
        actions->doAction(action);
    }
};

TEST_F(BackdropSheetTest, ANewBackdropOpensWithTheFirstPresetAndStaysOffTheDocument) {
    BackdropSheet* sheet = open(*document);
    EXPECT_TRUE(sheet->backgroundButton(Background::gradient).isChecked());
    EXPECT_EQ(sheet->colorWell().accessibilityValue(), QStringLiteral("#0F766E"));
    EXPECT_EQ(spoken(sheet->endColorWell()), QStringLiteral("#6EE7B7"));
    EXPECT_EQ(sheet->valueText(Slider::shadowOpacity).text(), QStringLiteral("35 %"));
    EXPECT_EQ(spoken(sheet->slider(Slider::angle)), QStringLiteral("45 degrees"));
    EXPECT_FALSE(sheet->removeButton().isEnabled());
    EXPECT_EQ(sheet->summaryLine().text(), QStringLiteral("120 × 80 → 216 × 176 px"));
    EXPECT_EQ(sheet->problemLine().text(), QString());
    EXPECT_FALSE(document->backdrop().has_value());

    test::keyClick(sheet, Qt::Key_Return);
    EXPECT_EQ(document->backdrop(), Backdrop::preset(Backdrop::Preset::tolm, 1));
    EXPECT_EQ(document->undoManager().undoActionName(), QStringLiteral("Backdrop"));
}

TEST_F(BackdropSheetTest, SlidersSnapToTheirStepAndKeepValuesBeyondTheirRangeUntilChanged) {
    BackdropSheet* sheet = open(*document);
    SheetSlider& angle = sheet->slider(Slider::angle);
    angle.setSliderPosition(52);
    EXPECT_EQ(sheet->model().angle, 45);
    angle.setSliderPosition(53);
    EXPECT_EQ(sheet->model().angle, 60);
    test::keyClick(&angle, Qt::Key_Right);
    EXPECT_EQ(sheet->model().angle, 75);
    test::keyClick(&sheet->slider(Slider::padding), Qt::Key_Right);
    EXPECT_EQ(sheet->model().padding, 58);
    accessibilityAction(sheet->slider(Slider::cornerRadius), QAccessibleActionInterface::decreaseAction());
    EXPECT_EQ(sheet->model().cornerRadius, 6);
    EXPECT_EQ(sheet->valueText(Slider::cornerRadius).text(), QStringLiteral("6 px"));
    sheet->reject();

    // At scale 8 blur and offset lie beyond their sliders.
    auto dense = makeDocument(8);
    sheet = open(*dense);
    EXPECT_EQ(sheet->valueText(Slider::shadowRadius).text(), QStringLiteral("192 px"));
    EXPECT_EQ(sheet->valueText(Slider::shadowOffset).text(), QStringLiteral("64 px"));
    EXPECT_EQ(sheet->slider(Slider::shadowRadius).value(), 100);
    sheet->presetButton(Backdrop::Preset::ocean).click();
    EXPECT_EQ(sheet->model().shadowRadius, 192);
    accessibilityAction(sheet->slider(Slider::shadowRadius), QAccessibleActionInterface::increaseAction());
    EXPECT_EQ(sheet->model().shadowRadius, 100);
    test::keyClick(&sheet->slider(Slider::shadowOffset), Qt::Key_Left);
    EXPECT_EQ(sheet->model().shadowOffset, 50);
    sheet->reject();
}

TEST_F(BackdropSheetTest, SlidersOfferTheirNumberToAssistiveTechnologyAndTakeItWithinTheirRules) {
    const auto number = [](SheetSlider& slider) {
        return QAccessible::queryAccessibleInterface(&slider)->valueInterface();
    };
    auto dense = makeDocument(8);
    BackdropSheet* sheet = open(*dense);
    QAccessibleValueInterface* angle = number(sheet->slider(Slider::angle));
    ASSERT_NE(angle, nullptr);
    EXPECT_EQ(std::tuple(angle->currentValue().toInt(), angle->minimumValue().toInt(),
                         angle->maximumValue().toInt(), angle->minimumStepSize().toInt()),
              std::tuple(45, 0, 360, 15));
    // The form's value where it lies beyond the range, as the description says it.
    EXPECT_EQ(number(sheet->slider(Slider::shadowRadius))->currentValue().toInt(), 192);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(&sheet->slider(Slider::shadowRadius))
                  ->text(QAccessible::Description),
              QStringLiteral("192 pixels"));

    // What a screen reader sets lands on the nearest step within the range.
    struct Set {
        Slider slider;
        double value;
        std::int64_t stored;
    };
    for (const auto& [slider, value, stored] :
         {Set{Slider::angle, 52, 45}, Set{Slider::angle, 1000, 360}, Set{Slider::padding, -20, 0},
          Set{Slider::shadowOffset, -80.4, -50}, Set{Slider::shadowRadius, 1e9, 100}}) {
        number(sheet->slider(slider))->setCurrentValue(value);
        EXPECT_EQ(sheet->slider(slider).formValue(), stored) << value;
        EXPECT_EQ(number(sheet->slider(slider))->currentValue().toLongLong(), stored) << value;
    }
    EXPECT_EQ(sheet->model().angle, 360);
    sheet->reject();
}

TEST_F(BackdropSheetTest, StoredFillsOpenWithTheirRules) {
    document->setBackdrop(Backdrop{Backdrop::Solid{{1, 2, 3, 255}}, 8, 4, Backdrop::Shadow{4, 50, 2}});
    BackdropSheet* sheet = open(*document);
    EXPECT_TRUE(sheet->backgroundButton(Background::solid).isChecked());
    EXPECT_EQ(sheet->colorWell().accessibleName(), QStringLiteral("Background color"));
    EXPECT_EQ(sheet->endColorWell().accessibilityValue(), QStringLiteral("#6EE7B7"));
    EXPECT_FALSE(sheet->endColorWell().isEnabled());
    EXPECT_FALSE(sheet->slider(Slider::angle).isEnabled());
    EXPECT_TRUE(sheet->removeButton().isEnabled());
    sheet->backgroundButton(Background::gradient).click();
    EXPECT_TRUE(sheet->endColorWell().isEnabled());
    EXPECT_TRUE(sheet->slider(Slider::angle).isEnabled());
    EXPECT_EQ(sheet->valueText(Slider::angle).text(), QStringLiteral("45 °"));
    sheet->reject();

    document->setBackdrop(Backdrop{Backdrop::Transparent{}, 8, 0, std::nullopt});
    sheet = open(*document);
    EXPECT_FALSE(sheet->colorWell().isEnabled());
    EXPECT_FALSE(sheet->endColorWell().isEnabled());
    EXPECT_FALSE(sheet->shadowSwitch().isChecked());
    EXPECT_FALSE(sheet->slider(Slider::shadowOpacity).isEnabled());
    EXPECT_EQ(sheet->valueText(Slider::shadowRadius).text(), QStringLiteral("24 px"));
    // The checkerboard's darker square sits at the top left of the fitted canvas.
    const QImage shown = sheet->thumbnailImage().convertToFormat(QImage::Format_RGBA8888);
    const double s = std::min(340.0 / 136, 190.0 / 96);
    const QPoint corner(static_cast<int>(std::ceil((340 - 136 * s) / 2 * 2)) + 1,
                        static_cast<int>(std::ceil((190 - 96 * s) / 2 * 2)) + 1);
    EXPECT_EQ(qRed(shown.pixel(corner)), 214);
    EXPECT_EQ(qRed(shown.pixel(corner + QPoint(16, 0))), 240);
    sheet->applyButton().click();
    EXPECT_FALSE(document->backdrop()->shadow.has_value());
}

TEST_F(BackdropSheetTest, ShadowOnlyPresetKeepsTheAngleAndTurnsTheShadowOn) {
    auto retina = makeDocument(2);
    BackdropSheet* sheet = open(*retina);
    sheet->slider(Slider::angle).setSliderPosition(90);
    sheet->shadowSwitch().click();
    sheet->presetButton(Backdrop::Preset::clear).click();
    EXPECT_TRUE(sheet->backgroundButton(Background::transparent).isChecked());
    EXPECT_EQ(sheet->model().angle, 90);
    EXPECT_TRUE(sheet->shadowSwitch().isChecked());
    EXPECT_EQ(sheet->model().padding, 64);
    sheet->reject();
}

TEST_F(BackdropSheetTest, ThePaddingLimitDisablesApply) {
    // Only the output size is large; the pixels stay small.
    ASSERT_TRUE(document->setOutputSize(QSizeF(5000, 6000), std::nullopt));
    BackdropSheet* sheet = open(*document);
    sheet->slider(Slider::padding).setSliderPosition(90);
    EXPECT_EQ(
        sheet->problemLine().text(),
        QStringLiteral("With 90 px padding the image would be 5180 × 6180 px. The result can be at most "
                       "32 megapixels. Reduce the padding or resize the image."));
    EXPECT_FALSE(sheet->applyButton().isEnabled());
    test::keyClick(sheet, Qt::Key_Return);
    EXPECT_FALSE(document->backdrop().has_value());
    EXPECT_EQ(sheet->summaryLine().text(), QStringLiteral("5000 × 6000 → 5180 × 6180 px"));
    sheet->reject();
}

TEST_F(BackdropSheetTest, RemoveIsOneStepAndUnchangedApplyIsNone) {
    document->setBackdrop(Backdrop::preset(Backdrop::Preset::sunset, 1));
    BackdropSheet* sheet = open(*document);
    sheet->applyButton().click();
    EXPECT_EQ(sheet->result(), QDialog::Accepted);
    EXPECT_TRUE(document->undoManager().undo());
    EXPECT_FALSE(document->undoManager().canUndo());
    ASSERT_TRUE(document->undoManager().redo());

    sheet = open(*document);
    sheet->removeButton().click();
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_FALSE(document->backdrop().has_value());
    ASSERT_TRUE(document->undoManager().undo());
    EXPECT_EQ(document->backdrop(), Backdrop::preset(Backdrop::Preset::sunset, 1));
}

TEST_F(BackdropSheetTest, ColourWellsTakeOnlyValidColours) {
    BackdropSheet* sheet = open(*document);
    sheet->colorWell().click();
    QColorDialog* dialog = sheet->colorWell().dialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(dialog->testOption(QColorDialog::ShowAlphaChannel));
    EXPECT_EQ(dialog->currentColor(), QColor(15, 118, 110));
    dialog->reject();

    sheet->colorWell().pick(QColor());
    EXPECT_EQ(sheet->model().color, (Backdrop::RGBA{15, 118, 110, 255}));
    sheet->endColorWell().pick(QColor::fromRgbF(1.5f, -0.2f, 0.5f));
    EXPECT_EQ(sheet->model().endColor, (Backdrop::RGBA{255, 0, 128, 255}));
    EXPECT_EQ(sheet->endColorWell().accessibilityValue(), QStringLiteral("#FF0080"));
    sheet->applyButton().click();
    const auto* gradient = std::get_if<Backdrop::Gradient>(&document->backdrop()->fill);
    ASSERT_NE(gradient, nullptr);
    EXPECT_EQ(gradient->second, (Backdrop::RGBA{255, 0, 128, 255}));
}

TEST_F(BackdropSheetTest, EscapeAndAClosedDocumentStoreNothing) {
    BackdropSheet* sheet = open(*document);
    sheet->slider(Slider::padding).setSliderPosition(10);
    test::keyClick(sheet, Qt::Key_Escape);
    EXPECT_FALSE(document->backdrop().has_value());
    EXPECT_FALSE(document->undoManager().canUndo());

    sheet = open(*document);
    document.reset();
    EXPECT_FALSE(sheet->isVisible());
    sheet->slider(Slider::padding).setSliderPosition(20);
    sheet->applyButton().click();
    sheet->removeButton().click();
    sheet->presetButton(Backdrop::Preset::paper).click();
    EXPECT_EQ(sheet->result(), QDialog::Rejected);
}

TEST(BackdropThumbnail, ReducesItsSourceOnceAndDrawsTheImageInItsPlace) {
    EXPECT_EQ(BackdropThumbnail::downscaled(test::filledImage(Qt::red, 100, 50), {340, 190}, 2)->size(),
              QSize(100, 50));
    EXPECT_EQ(BackdropThumbnail::downscaled(test::filledImage(Qt::red, 2000, 100), {340, 190}, 2)->size(),
              QSize(680, 34));
    EXPECT_EQ(BackdropThumbnail::downscaled(QImage(), {340, 190}, 2), std::nullopt);

    BackdropThumbnail thumbnail(test::filledImage(Qt::red, 100, 100));
    Backdrop backdrop{Backdrop::Solid{{0, 0, 255, 255}}, 50, 0, std::nullopt};
    const QImage shown =
        thumbnail.render(backdrop, QSizeF(100, 100)).convertToFormat(QImage::Format_RGBA8888);
    ASSERT_EQ(shown.size(), QSize(680, 380));
    EXPECT_EQ(shown.devicePixelRatio(), 2);
    // The 200 × 200 canvas fits 190 points high: the image is the middle half.
    EXPECT_EQ(shown.pixelColor(340, 190), QColor(Qt::red));
    EXPECT_EQ(shown.pixelColor(340, 30), QColor(Qt::blue));
    EXPECT_EQ(shown.pixelColor(10, 190).alpha(), 0);
    backdrop.padding = -60;
    EXPECT_TRUE(thumbnail.render(backdrop, QSizeF(100, 100)).isNull());
}

} // namespace
} // namespace quorvane
