#include "editor_window/AreaColorsView.h"
#include "editor_window/ChromeText.h"
#include "editor_window/ContextBarChoice.h"
#include "editor_window/IconButton.h"
#include "editor_window/SegmentedPicker.h"
#include "editor_window/StatusBarTesting.h"
#include "support/QtPrinters.h"

#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

TEST(StatusContextBar, PrecedenceOfTheTwelveRules) {
    struct Case {
        const char* name;
        QString tool;
        bool cropping = false;
        bool recognizing = false;
        bool review = false;
        bool selected = false;
        bool cropped = false;
        ContextBar expected;
    };
    const std::vector<Case> cases = {
        {"review even in crop mode", "Arrow", true, true, true, true, false, ContextBar::review},
        {"recognise over the arrow bar", "Arrow", false, true, false, false, false,
         ContextBar::recognizeText},
        {"arrow", "Arrow", false, false, false, true, false, ContextBar::arrow},
        {"bracket", "Bracket", false, false, false, false, false, ContextBar::bracket},
        {"colour", "Color", false, false, false, false, false, ContextBar::colorSampler},
        {"ruler", "Ruler", false, false, false, false, true, ContextBar::ruler},
        {"crop with Arrow", "Arrow", true, false, false, false, false, ContextBar::crop},
        {"crop with Ruler", "Ruler", true, false, false, false, false, ContextBar::crop},
        {"Freehand with a selection", "Freehand", false, false, false, true, false, ContextBar::selection},
        {"Freehand without", "Freehand", false, false, false, false, false, ContextBar::inspector},
        {"Blur note", "Blur", false, false, false, false, true, ContextBar::note},
        {"Redact note", "Redact", false, false, false, false, false, ContextBar::note},
        {"Select with a crop", "Select", false, false, false, false, true, ContextBar::resetCrop},
        {"Select", "Select", false, false, false, false, false, ContextBar::empty},
    };
    for (const Case& c : cases) {
        test::Pane pane;
        pane.settings.choose(c.tool);
        if (c.cropped) {
            ASSERT_TRUE(pane.document.crop(QRectF(0, 0, 60, 40)));
        }
        if (c.selected) {
            Annotation added = test::annotation(AnnotationKind::freehand, QRectF(1, 1, 5, 5));
            pane.document.addAnnotation(added);
            pane.settings.modes().setSelectedID(added.id);
        }
        pane.settings.modes().setCropping(c.cropping);
        pane.settings.modes().setRecognizing(c.recognizing);
        if (c.review)
            pane.settings.modes().setTextRedaction(new test::FakeTextRedactionReview(&pane.document));
        EXPECT_EQ(chooseContextBar(pane.settings, pane.document), c.expected) << c.name;
        pane.settings.modes().setTextRedaction(nullptr);
    }
}

TEST(StatusContextBar, NotesSayWhyAndRedactOffersRedactText) {
    for (const char* tool : {"Blur", "Pixelate", "Erase", "Redact"}) {
        test::StatusBarRig rig;
        rig.settings.choose(QString::fromLatin1(tool));
        const QStringList texts = rig.contextTexts();
        ASSERT_TRUE(texts.contains(*EditorCanvasSettings::toolNote(rig.settings.style().tool()))) << tool;
        const bool redact = rig.settings.style().tool() == QLatin1String("Redact");
        EXPECT_EQ(texts.contains(QStringLiteral("Redact Text…")), redact) << tool;
        auto* icon = rig.bar->contextBar()->findChild<QLabel*>(
            redact ? QStringLiteral("lock.fill") : QStringLiteral("exclamationmark.triangle"));
        EXPECT_NE(icon, nullptr) << tool;
        for (QLabel* label : rig.bar->contextBar()->findChildren<QLabel*>())
            if (rig.wholeText(*label) == *EditorCanvasSettings::toolNote(rig.settings.style().tool()) &&
                !redact) {
                EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(255, 149, 0)) << tool;
            }
    }
}

TEST(StatusContextBar, CropBarTruncatesAndItsButtonsAct) {
    test::StatusBarRig rig;
    rig.settings.toggleCrop();
    EXPECT_TRUE(rig.contextTexts().contains(QStringLiteral("Drag to select")));
    rig.settings.modes().setSelection(QRectF(10, 10, 0.5, 20.7));
    const QStringList texts = rig.contextTexts();
    EXPECT_TRUE(texts.contains(QStringLiteral("0 × 20")));
    EXPECT_TRUE(texts.contains(QStringLiteral("Crop")));
    rig.settings.modes().setSelection(QRectF(10, 10, 30, 20));
    rig.contextTexts();
    rig.contextButton(QStringLiteral("Crop"))->click();
    rig.contextTexts();
    EXPECT_EQ(rig.document.cropRect(), QRectF(10, 10, 30, 20));
    EXPECT_FALSE(rig.settings.modes().cropping());

    // With a crop and a plain tool, only Reset Crop; it restores the whole image and disappears.
    rig.settings.choose(QStringLiteral("Select"));
    EXPECT_EQ(rig.contextTexts(), QStringList{QStringLiteral("Reset Crop")});
    EXPECT_EQ(QAccessible::queryAccessibleInterface(rig.contextButton(QStringLiteral("Reset Crop")))
                  ->text(QAccessible::Name),
              QStringLiteral("Reset Crop"))
        << "a screen reader reads its title";
    rig.contextButton(QStringLiteral("Reset Crop"))->click();
    EXPECT_EQ(rig.document.cropRect(), QRectF(0, 0, 120, 80));
    EXPECT_TRUE(rig.contextTexts().isEmpty());
}

TEST(StatusContextBar, SelectionBarToleratesAnUndoneAnnotationAndDeleteClearsIt) {
    test::StatusBarRig rig;
    const QUuid id = rig.selectNew(AnnotationKind::rectangle);
    rig.contextTexts();
    EXPECT_EQ(rig.bar->contextBar()->shown(), ContextBar::selection);
    // Undo removes the annotation; the canvas clears the selection only on its next refresh.
    rig.document.undoManager().undo();
    rig.settings.modes().setSelectedID(id);
    rig.contextTexts();
    EXPECT_EQ(rig.bar->contextBar()->shown(), ContextBar::selection);
    rig.document.undoManager().redo();
    rig.contextTexts();
    IconButton* trash = nullptr;
    for (IconButton* button : rig.bar->contextBar()->findChildren<IconButton*>())
        if (button->symbol() == QLatin1String("trash")) trash = button;
    ASSERT_NE(trash, nullptr);
    trash->click();
    EXPECT_TRUE(rig.document.annotations().empty());
    EXPECT_FALSE(rig.settings.modes().selectedID());
    EXPECT_EQ(rig.settings.lastAnnouncement(), QStringLiteral("Annotation deleted"));
    rig.contextTexts();
    EXPECT_EQ(rig.bar->contextBar()->shown(), ContextBar::empty);
}

TEST(StatusContextBar, PickersWriteTheirSettings) {
    test::StatusBarRig rig;
    rig.settings.choose(QStringLiteral("Arrow"));
    EXPECT_TRUE(rig.contextTexts().contains(QStringLiteral("Drag from start to point")));
    rig.bar->contextBar()->findChild<SegmentedPicker*>()->choose(1);
    EXPECT_TRUE(rig.settings.style().arrowCurved());
    EXPECT_TRUE(rig.contextTexts().contains(
        QStringLiteral("Drag from start to point; the curve bends the way you lean")));

    rig.settings.choose(QStringLiteral("Bracket"));
    rig.contextTexts();
    rig.bar->contextBar()->findChild<SegmentedPicker*>()->choose(3);
    EXPECT_EQ(rig.settings.style().bracketKind(), AnnotationKind::braceClose);

    rig.settings.choose(QStringLiteral("Ruler"));
    EXPECT_TRUE(rig.contextTexts().contains(QStringLiteral("Hover or drag to measure")));
    rig.bar->contextBar()->findChild<SegmentedPicker*>()->choose(1);
    EXPECT_EQ(rig.settings.style().measurementUnit(), MeasurementUnit::points);
}

TEST(StatusContextBar, ColourSamplerShowsTheHoverColourOrTheAreaColours) {
    test::StatusBarRig rig;
    rig.settings.choose(QStringLiteral("Color"));
    EXPECT_TRUE(rig.contextTexts().contains(QStringLiteral("Click copies HEX · drag averages an area")));
    rig.settings.modes().setHoverColor(SampledColor{30, 144, 255, 255});
    EXPECT_TRUE(rig.contextTexts().contains(QStringLiteral("#1E90FF  rgb(30, 144, 255)")));
    rig.settings.modes().setAreaColors(
        AreaColors{QRectF(0, 0, 4, 4), SampledColor{1, 2, 3, 255}, std::nullopt});
    rig.contextTexts();
    EXPECT_NE(rig.bar->contextBar()->findChild<AreaColorsView*>(), nullptr);
}

TEST(StatusContextBar, RecognizeTextBarCancelLeavesTheMode) {
    test::StatusBarRig rig;
    rig.settings.choose(QStringLiteral("Arrow"));
    rig.settings.modes().setRecognizing(true);
    rig.settings.modes().setMessage(QStringLiteral("Drag over text"));
    EXPECT_TRUE(rig.contextTexts().contains(QStringLiteral("Drag over the text to recognize")));
    rig.settings.modes().setSelection(QRectF(1, 1, 10, 10));
    EXPECT_TRUE(rig.contextTexts().contains(QStringLiteral("Release or press Return to recognize")));
    rig.contextButton(QStringLiteral("Cancel"))->click();
    EXPECT_FALSE(rig.settings.modes().recognizing());
    EXPECT_FALSE(rig.settings.modes().selection());
    EXPECT_TRUE(rig.settings.modes().message().isEmpty());
}

// A key on a control that rebuilds its bar, or a change under it, gives the keyboard straight to
// the control in its place: the one of the same name (Duplicate), or of a new name at the same
// place (the picker's other segment, the copy button of the new area's text colour), never the
// bar's first; with no stop on another control between, which a screen reader would announce.
// Where the control went with its bar (Delete), nobody has it, rather than the next control, on
// which the next Space would act.
TEST(StatusContextBar, TheKeyboardGoesStraightToTheControlInItsPlaceOrToNobody) {
    const auto named = [](const QWidget* widget) {
        if (widget == nullptr) return QString();
        if (const auto* button = qobject_cast<const QAbstractButton*>(widget);
            button && !button->text().isEmpty())
            return button->text();
        return widget->accessibleName();
    };
    const auto press = [](int key) {
        for (const auto type : {QEvent::KeyPress, QEvent::KeyRelease}) {
            QKeyEvent event(type, key, Qt::NoModifier);
            QApplication::sendEvent(QApplication::focusWidget(), &event);
        }
    };
    const auto areas = [](int grey) {
        return AreaColors{QRectF(0, 0, grey, 4), SampledColor{1, 2, 3, 255},
                          SampledColor{std::uint8_t(grey), std::uint8_t(grey), std::uint8_t(grey), 255}};
    };
    const auto copyText = [&](int grey) {
        return QStringLiteral("Copy text color ") + areas(grey).text->hex();
    };
    using Step = std::function<void(test::StatusBarRig&)>;
    const Step select = [](test::StatusBarRig& rig) { rig.selectNew(AnnotationKind::rectangle); };
    const Step space = [&](test::StatusBarRig&) { press(Qt::Key_Space); };
    const QString duplicate = QStringLiteral("Duplicate annotation (") +
                              ChromeText::shortcut(Qt::CTRL | Qt::Key_D) + QLatin1Char(')');
    // The bar, the control given the keyboard, what happens, and the control that has it then.
    const std::vector<std::tuple<Step, QString, Step, QString>> cases = {
        {[](auto& rig) { rig.settings.choose(QStringLiteral("Arrow")); },
         EditorCanvasSettings::arrowChoices()[0].name, [&](auto&) { press(Qt::Key_Right); },
         EditorCanvasSettings::arrowChoices()[1].name},
        {select, duplicate, space, duplicate},
        {select, QStringLiteral("Delete annotation (Delete)"), space, QString()},
        {[&](auto& rig) {
             rig.settings.choose(QStringLiteral("Color"));
             rig.settings.modes().setAreaColors(areas(200));
         },
         copyText(200), [&](auto& rig) { rig.settings.modes().setAreaColors(areas(250)); }, copyText(250)},
    };
    for (const auto& [setup, name, change, after] : cases) {
        SCOPED_TRACE(name.toStdString());
        test::StatusBarRig rig;
        setup(rig);
        rig.contextTexts();
        QApplication::setActiveWindow(rig.bar.get());
        for (QWidget* control : rig.bar->contextBar()->findChildren<QWidget*>())
            if (control->isVisible() && (control->focusPolicy() & Qt::TabFocus) && named(control) == name)
                control->setFocus(Qt::TabFocusReason);
        const QPointer<QWidget> used = QApplication::focusWidget();
        ASSERT_EQ(named(used).toStdString(), name.toStdString());
        QStringList stops;
        const QMetaObject::Connection watch = QObject::connect(
            qApp, &QApplication::focusChanged, [&](QWidget*, QWidget* now) { stops << named(now); });
        change(rig);
        rig.contextTexts();
        QObject::disconnect(watch);
        if (QWidget* left = used.data()) {
            EXPECT_FALSE(left->isVisible()) << "the bar was not built anew";
        }
        EXPECT_EQ(named(QApplication::focusWidget()).toStdString(), after.toStdString());
        stops.removeAll(after);
        EXPECT_TRUE(stops.isEmpty()) << "passed by " << stops.join(QStringLiteral(", ")).toStdString();
        if (QApplication::focusWidget() != nullptr) press(Qt::Key_Space);
        EXPECT_TRUE(rig.calls.isEmpty()) << rig.calls.join(QStringLiteral(", ")).toStdString();
    }
}

} // namespace
} // namespace quorvane
