#include "core/ClickReach.h"
#include "editor_window/FileDragHandle.h"
#include "editor_window/IconButton.h"
#include "editor_window/StatusBarTesting.h"
#include "editor_window/StatusBarText.h"
#include "editor_window/ValueIconButton.h"
#include "support/LaterTurn.h"
#include "support/NumberFonts.h"
#include "support/QtPrinters.h"

#include <QAccessible>
#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QProgressBar>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

TEST(EditorStatusBar, SizeTextAndItsSpokenForm) {
    struct Case {
        QRectF crop;
        QSizeF final;
        const char* text;
        const char* spoken;
    };
    const std::vector<Case> cases = {
        {{0, 0, 1440, 900}, {1440, 900}, "1440 × 900", "1440 by 900 pixels"},
        {{0, 0, 1440, 900},
         {2880, 1800},
         "1440 × 900 → 2880 × 1800",
         "1440 by 900 pixels, exported at 2880 by 1800 pixels"},
        {{0, 0, 999.9, 10}, {999.9, 10}, "999 × 10", "999 by 10 pixels"},
        {{0, 0, 999.9, 10},
         {999.95, 10},
         "999 × 10 → 999 × 10",
         "999 by 10 pixels, exported at 999 by 10 pixels"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StatusBarText::size(c.crop, c.final), QString::fromUtf8(c.text));
        EXPECT_EQ(StatusBarText::sizeDescription(c.crop, c.final), QString::fromUtf8(c.spoken));
    }
    EXPECT_EQ(StatusBarText::selectionSize(QRectF(3, 3, 0.5, 12.9)), QStringLiteral("0 × 12"));
    EXPECT_EQ(StatusBarText::unitsHelp(1), QStringLiteral("Pixels or points"));
    EXPECT_EQ(StatusBarText::unitsHelp(2), QStringLiteral("Pixels or points (÷2 on this HiDPI capture)"));
    EXPECT_EQ(StatusBarText::unitsHelp(1.5), QStringLiteral("Pixels or points (÷1.5 on this HiDPI capture)"));
}

TEST(EditorStatusBar, BackdropPaddingShowsInTheSizeAndTheButtonsValue) {
    test::StatusBarRig rig;
    EXPECT_EQ(rig.bar->sizeButton()->text(), QStringLiteral("120 × 80"));
    EXPECT_EQ(rig.bar->sizeButton()->accessibleName(), QStringLiteral("120 by 80 pixels"));
    EXPECT_EQ(test::accessibleValue(*rig.bar->backdropButton()), QStringLiteral("None"));
    Backdrop backdrop;
    backdrop.padding = 16;
    rig.document.setBackdrop(backdrop);
    EXPECT_EQ(rig.bar->sizeButton()->text(), QStringLiteral("120 × 80 → 152 × 112"));
    EXPECT_EQ(test::accessibleValue(*rig.bar->backdropButton()), QStringLiteral("On"));
    rig.document.setBackdrop(std::nullopt);
    ASSERT_TRUE(rig.document.setOutputSize(QSizeF(120, 80), std::nullopt));
    EXPECT_EQ(rig.bar->sizeButton()->text(), QStringLiteral("120 × 80")) << "equal output size, no arrow";

    rig.bar->sizeButton()->click();
    rig.bar->backdropButton()->click();
    EXPECT_EQ(rig.calls, (QStringList{QStringLiteral("resize"), QStringLiteral("backdrop")}));
}

TEST(EditorStatusBar, ExportingAndReviewStates) {
    test::StatusBarRig rig;
    const QString copyHelp = QStringLiteral("Copy Image (Ctrl+C)");
    const QString saveHelp =
        QStringLiteral("Save Image (Ctrl+S). Hold the arrow for Save As (Ctrl+Shift+S).");
    EXPECT_TRUE(rig.bar->progress()->isHidden());

    EditorActions exporting = rig.actions();
    exporting.exporting = true;
    rig.bar->setActions(exporting);
    EXPECT_FALSE(rig.bar->progress()->isHidden());
    EXPECT_FALSE(rig.bar->copyButton()->isEnabled());
    EXPECT_FALSE(rig.bar->saveButton()->isEnabled());
    EXPECT_EQ(rig.bar->copyButton()->toolTip(), copyHelp) << "normal help while exporting";
    EXPECT_EQ(rig.bar->saveButton()->toolTip(), saveHelp);
    rig.bar->setActions(rig.actions());

    rig.openReview();
    const QString refusal = QStringLiteral("Apply or cancel Redact Text first");
    EXPECT_FALSE(rig.bar->pinButton()->isEnabled());
    EXPECT_FALSE(rig.bar->copyButton()->isEnabled());
    EXPECT_FALSE(rig.bar->saveButton()->isEnabled());
    EXPECT_EQ(rig.bar->copyButton()->toolTip(), refusal);
    EXPECT_EQ(rig.bar->saveButton()->toolTip(), refusal);
    EXPECT_TRUE(rig.bar->recognizeButton()->isEnabled());
    rig.bar->recognizeButton()->click();
    EXPECT_EQ(rig.calls, QStringList{QStringLiteral("recognize")});

    EXPECT_FALSE(rig.bar->dragImage()) << "no drag during a review";
    EXPECT_EQ(rig.settings.modes().message(), refusal + QLatin1Char('.'));
    EXPECT_EQ(rig.settings.lastAnnouncement(), refusal + QLatin1Char('.'));
    rig.settings.endSmartModes();
}

TEST(EditorStatusBar, DragHandleOnlyWithAnExporterAndTheFinalImage) {
    test::StatusBarRig without(false);
    EXPECT_EQ(without.bar->dragHandle(), nullptr);

    test::StatusBarRig rig;
    ASSERT_NE(rig.bar->dragHandle(), nullptr);
    Backdrop backdrop;
    backdrop.padding = 4;
    rig.document.setBackdrop(backdrop);
    auto image = rig.bar->dragImage();
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size(), QSize(128, 88)) << "the final image, backdrop included";
}

// A screen reader finds Save's press beside its menu, each once, and meets the drag handle as an
// image named by what dragging it does, not as a filler, which readers pass by.
TEST(EditorStatusBar, ScreenReadersPressSaveOrOpenItsMenuAndMeetTheDragHandleAsAnImage) {
    test::StatusBarRig rig;
    QAccessibleInterface* save = QAccessible::queryAccessibleInterface(rig.bar->saveButton());
    ASSERT_NE(save->actionInterface(), nullptr);
    EXPECT_EQ(
        save->actionInterface()->actionNames(),
        (QStringList{QAccessibleActionInterface::pressAction(), QAccessibleActionInterface::showMenuAction(),
                     QAccessibleActionInterface::setFocusAction()}));
    QAccessibleInterface* handle = QAccessible::queryAccessibleInterface(rig.bar->dragHandle());
    EXPECT_EQ((std::pair{handle->role(), handle->text(QAccessible::Name)}),
              (std::pair{QAccessible::Graphic, QStringLiteral("Drag the image into another app")}));
    EXPECT_EQ(handle->text(QAccessible::Description), QString()) << "its tool tip, heard once as its name";
}

// Space on Save, a button with its menu beside it, saves as on any other button; Down opens the
// menu.
TEST(EditorStatusBar, SpaceOnSaveSavesAndDownOpensItsMenu) {
    test::StatusBarRig rig;
    QApplication::setActiveWindow(rig.bar.get());
    rig.bar->saveButton()->setFocus(Qt::TabFocusReason);
    // A menu that opens is noted and closed, which ends its own event loop.
    QStringList opened;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            opened << menu->accessibleName();
            menu->close();
        }
    });
    closer.start(5);
    const auto press = [&](int key) {
        for (const auto type : {QEvent::KeyPress, QEvent::KeyRelease}) {
            QKeyEvent event(type, key, Qt::NoModifier);
            QApplication::sendEvent(rig.bar->saveButton(), &event);
        }
    };
    press(Qt::Key_Space);
    EXPECT_EQ(std::pair(rig.calls, opened), std::pair(QStringList{QStringLiteral("save")}, QStringList()));
    press(Qt::Key_Down);
    EXPECT_EQ(std::pair(rig.calls.size(), opened),
              std::pair(qsizetype(1), QStringList{QStringLiteral("Save options")}));
}

// A reader's press, or focus, acts only where a click could: not while a capture window holds the
// input (one of its own controls is reached), not under an application-modal window, not on a
// closed window; Qt's push button (Copy) too.
TEST(EditorStatusBar, ScreenReadersPressNothingUnderTheAreaPickerOrInAClosedWindow) {
    test::StatusBarRig rig;
    QAbstractButton* saveButton = rig.bar->saveButton();
    QAbstractButton* copyButton = rig.bar->copyButton();
    QAccessibleActionInterface* save = QAccessible::queryAccessibleInterface(saveButton)->actionInterface();
    QAccessibleActionInterface* copy = QAccessible::queryAccessibleInterface(copyButton)->actionInterface();
    // Qt's own press shows the button down until its click.
    const auto pressBoth = [&] {
        save->doAction(QAccessibleActionInterface::pressAction());
        save->doAction(QAccessibleActionInterface::setFocusAction());
        copy->doAction(QAccessibleActionInterface::pressAction());
        return test::laterTurn() && test::waitUntil([&] { return !copyButton->isDown(); }, 5000);
    };
    QWidget picker;
    ClickReach::holdsInputWhileShown(picker);
    picker.show();
    EXPECT_TRUE(ClickReach::reaches(picker));
    ASSERT_TRUE(pressBoth());
    EXPECT_EQ(rig.calls, QStringList()) << "under the picker";
    EXPECT_NE(rig.bar->focusWidget(), saveButton);

    picker.hide();
    // An application-modal window (Save As, the discard question) stands over every other.
    QDialog question;
    question.setWindowModality(Qt::ApplicationModal);
    question.show();
    ASSERT_TRUE(pressBoth());
    EXPECT_EQ(rig.calls, QStringList()) << "under an application-modal window";
    question.hide();
    ASSERT_TRUE(pressBoth());
    EXPECT_EQ(rig.calls, (QStringList{QStringLiteral("save"), QStringLiteral("copy")})) << "once it ended";
    rig.bar->hide();
    ASSERT_TRUE(pressBoth());
    EXPECT_EQ(rig.calls.size(), 2) << "in a closed window";
}

// A tool's note is one line that gives way to the controls beside it: cut short with "…" and
// whole in its tool tip and to a screen reader, never drawn over a button.
TEST(EditorStatusBar, ToolNotesGiveWayToTheControlsBesideThem) {
    for (const int width : {640, 670, 900}) {
        for (const char* tool : {"Blur", "Pixelate", "Erase", "Redact"}) {
            test::StatusBarRig rig;
            rig.bar->resize(width, EditorStatusBar::height);
            rig.settings.choose(QString::fromLatin1(tool));
            rig.contextTexts();
            const auto name = std::string(tool) + " at " + std::to_string(width);
            for (ElidedLabel* note : rig.bar->findChildren<ElidedLabel*>()) {
                if (!note->isVisibleTo(rig.bar.get()) || note->fullText().isEmpty()) continue;
                const QRect noteRect(note->mapTo(rig.bar.get(), QPoint()), note->size());
                EXPECT_LE(note->fontMetrics().horizontalAdvance(note->text()), note->contentsRect().width())
                    << name;
                if (note->elided()) {
                    EXPECT_EQ(note->toolTip(), note->fullText()) << name;
                }
                // A reader hears the whole note, once, however much of it shows.
                QAccessibleInterface* read = QAccessible::queryAccessibleInterface(note);
                ASSERT_NE(read, nullptr) << name;
                EXPECT_EQ(std::pair(read->text(QAccessible::Name), read->text(QAccessible::Description)),
                          std::pair(note->fullText(), QString()))
                    << name;
                for (QAbstractButton* button : rig.bar->findChildren<QAbstractButton*>()) {
                    if (!button->isVisibleTo(rig.bar.get())) continue;
                    const QRect buttonRect(button->mapTo(rig.bar.get(), QPoint()), button->size());
                    EXPECT_FALSE(noteRect.intersects(buttonRect))
                        << name << ": the note over " << button->text().toStdString() << " "
                        << button->toolTip().toStdString();
                }
            }
        }
    }
}

// The flat size button shows a frame once Tab brings the keyboard to it, and none after a click.
TEST(EditorStatusBar, TheSizeButtonReachedByTabShowsTheKeyboard) {
    test::StatusBarRig rig;
    QApplication::setActiveWindow(rig.bar.get());
    QPushButton* size = rig.bar->sizeButton();
    const auto look = [size] { return size->grab().toImage(); };
    size->setFocus(Qt::MouseFocusReason);
    const QImage clicked = look();
    rig.bar->backdropButton()->setFocus(Qt::MouseFocusReason);
    EXPECT_EQ(look(), clicked) << "nothing shown for a click's focus";
    QWidget* before = size->previousInFocusChain();
    while (!before->isVisible() || before->focusPolicy() == Qt::NoFocus)
        before = before->previousInFocusChain();
    before->setFocus(Qt::MouseFocusReason);
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
    QApplication::sendEvent(before, &tab);
    ASSERT_TRUE(size->hasFocus());
    EXPECT_NE(look(), clicked);
    rig.bar->backdropButton()->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(look(), clicked) << "the frame leaves with the keyboard";
}

TEST(EditorStatusBar, ChangingNumbersUseTheSystemFontWithDigitsOfOneWidth) {
    test::StatusBarRig rig;
    EXPECT_EQ(test::unevenNumbers(rig.bar->sizeButton()->font()), "") << "the image size";
    const auto reading = [&rig](const QString& text) -> QLabel* {
        rig.contextTexts();
        for (QLabel* label : rig.bar->contextBar()->findChildren<QLabel*>())
            if (test::StatusBarRig::wholeText(*label) == text) return label;
        return nullptr;
    };
    rig.settings.choose(QStringLiteral("Ruler"));
    rig.settings.modes().setMeasurementLabel(QStringLiteral("↔ 120 px"));
    ASSERT_NE(reading(QStringLiteral("↔ 120 px")), nullptr);
    EXPECT_EQ(test::unevenNumbers(reading(QStringLiteral("↔ 120 px"))->font()), "") << "the ruler reading";
    rig.settings.choose(QStringLiteral("Select"));
    rig.settings.toggleCrop();
    rig.settings.modes().setSelection(QRectF(10, 10, 31, 21));
    ASSERT_NE(reading(QStringLiteral("31 × 21")), nullptr);
    EXPECT_EQ(test::unevenNumbers(reading(QStringLiteral("31 × 21"))->font()), "") << "the crop size";
}

} // namespace
} // namespace quorvane
