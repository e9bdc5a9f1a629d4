#include "editor_window/TextRedactionBar.h"

#include "canvas/RedactionTesting.h"
#include "canvas/TextRedactionController.h"
#include "document/EditorDocument.h"
#include "editor_window/SymbolIcons.h"
#include "support/NumberFonts.h"
#include "support/TestAnnotations.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

using C = TextRedactionController;

struct Bar {
    EditorDocument document{test::twoToneImage(200, 100), std::nullopt, 1};
    test::HeldRecognizer recognizer;
    C review{document, QImage(10, 10, QImage::Format_RGBA8888), {}, Qt::black, 2, recognizer.function()};
    std::vector<bool> finished;
    SymbolIcons icons{SymbolIcons::Theme::ignore};
    TextRedactionBar bar{review, icons, [this](bool apply) { finished.push_back(apply); }};

    void settle() {
        // The rebuild, then the layout it asks for.
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }
    QStringList labels() const {
        QStringList out;
        for (const QLabel* label : bar.findChildren<QLabel*>())
            out << label->text();
        return out;
    }
    QPushButton* button(const QString& title) const {
        for (QPushButton* b : bar.findChildren<QPushButton*>())
            if (b->text() == title) return b;
        return nullptr;
    }
    QAction* action(const QString& text) const {
        if (bar.optionsButton() == nullptr) return nullptr;
        for (QAction* a : bar.optionsButton()->menu()->actions())
            if (a->text() == text) return a;
        return nullptr;
    }
    // A key as the keyboard sends it: to the control that has the focus.
    void press(int key) {
        QWidget* to = bar.focusWidget() != nullptr ? bar.focusWidget() : &bar;
        for (const auto type : {QEvent::KeyPress, QEvent::KeyRelease}) {
            QKeyEvent event(type, key, Qt::NoModifier,
                            key == Qt::Key_Space ? QStringLiteral(" ") : QString());
            QApplication::sendEvent(to, &event);
        }
    }
    std::string focused() const {
        return bar.focusWidget() != nullptr ? bar.focusWidget()->objectName().toStdString() : std::string();
    }
};

// Keys pressed in the menu that opens next, from inside its own event loop; nothing where none opens.
void inNextMenu(std::vector<int> keys) {
    QTimer::singleShot(0, [keys] {
        QWidget* menu = QApplication::activePopupWidget();
        for (const int key : keys) {
            if (menu == nullptr || !menu->isVisible()) return;
            QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
            QApplication::sendEvent(menu, &event);
        }
    });
}

TEST(TextRedactionBar, RecognizingOffersCancelAndNothingFoundOnlyClose) {
    Bar b;
    EXPECT_EQ(b.labels(), QStringList{"Finding text…"});
    QPushButton* cancel = b.button("Cancel");
    ASSERT_NE(cancel, nullptr);
    // Tab reaches it, a click leaves the keyboard where it was.
    EXPECT_EQ(cancel->focusPolicy(), Qt::TabFocus);
    cancel->click();
    EXPECT_EQ(b.finished, std::vector<bool>{false});

    Bar empty;
    empty.recognizer.deliver(RecognitionResult{});
    empty.settle();
    EXPECT_EQ(empty.labels(), QStringList{"No text found"});
    EXPECT_NE(empty.button("Close"), nullptr);
    EXPECT_EQ(empty.button("Redact"), nullptr);
    EXPECT_EQ(empty.bar.optionsButton(), nullptr);
}

TEST(TextRedactionBar, ALongFailureIsElidedWithTheWholeTextAsTip) {
    Bar b;
    const QString reason(300, QChar('x'));
    b.recognizer.deliver(Failure{RecognitionFailure::failed(Error{"Quorvane.OCR", 7, reason})});
    b.bar.resize(300, 30);
    b.bar.show();
    b.settle();
    ASSERT_EQ(b.labels().size(), 1);
    const QString shown = b.labels().first();
    EXPECT_TRUE(shown.endsWith(QChar(0x2026))) << shown.toStdString();
    EXPECT_LT(shown.size(), reason.size());
    for (const QLabel* label : b.bar.findChildren<QLabel*>())
        EXPECT_EQ(label->toolTip(), "Could not read text: " + reason);
    b.bar.resize(180, 30);
    b.settle();
    EXPECT_LT(b.labels().first().size(), shown.size());
    EXPECT_TRUE(b.labels().first().endsWith(QChar(0x2026)));
    EXPECT_NE(b.button("Close"), nullptr);
}

TEST(TextRedactionBar, CountAndRedactFollowTheIncludedBoxes) {
    Bar b;
    b.recognizer.deliver(test::threeWords());
    b.settle();
    EXPECT_EQ(b.labels(), QStringList{"3 of 3"});
    ASSERT_NE(b.bar.findChild<QLabel*>(), nullptr);
    EXPECT_EQ(test::unevenNumbers(b.bar.findChild<QLabel*>()->font()), "");
    ASSERT_NE(b.bar.optionsButton(), nullptr);
    EXPECT_EQ(b.bar.optionsButton()->focusPolicy(), Qt::TabFocus);
    EXPECT_TRUE(b.action("2 px")->isChecked());

    b.action("Keep All Visible")->trigger();
    b.settle();
    EXPECT_EQ(b.labels(), QStringList{"0 of 3"});
    ASSERT_NE(b.button("Redact"), nullptr);
    EXPECT_FALSE(b.button("Redact")->isEnabled());

    b.action("Redact All Boxes")->trigger();
    b.settle();
    EXPECT_EQ(b.labels(), QStringList{"3 of 3"});
    EXPECT_TRUE(b.button("Redact")->isEnabled());

    b.action("12 px")->trigger();
    b.action("Lines")->trigger();
    b.settle();
    EXPECT_EQ(b.review.padding(), 12);
    EXPECT_EQ(b.labels(), QStringList{"1 of 1"});
    EXPECT_TRUE(b.action("12 px")->isChecked());

    b.button("Redact")->click();
    EXPECT_EQ(b.finished, std::vector<bool>{true});
}

TEST(TextRedactionBar, TheKeyboardReachesEveryControlAndKeepsItsPlaceWhenTheBarRebuilds) {
    Bar b;
    b.bar.show();
    b.press(Qt::Key_Tab);
    EXPECT_EQ(b.focused(), "Cancel") << "Cancel while recognising";
    // The words found: the row is made again, and the keyboard stays on Cancel.
    b.recognizer.deliver(test::threeWords());
    b.settle();
    EXPECT_EQ(b.focused(), "Cancel");
    // The button Return presses, and the only one framed as such.
    EXPECT_TRUE(b.button("Cancel")->isDefault() && !b.button("Redact")->isDefault());
    b.press(Qt::Key_Tab);
    EXPECT_EQ(b.focused(), "Redact");
    EXPECT_TRUE(!b.button("Cancel")->isDefault() && b.button("Redact")->isDefault());
    b.press(Qt::Key_Tab);
    EXPECT_EQ(b.focused(), "options");
    EXPECT_TRUE(!b.button("Cancel")->isDefault() && b.button("Redact")->isDefault());

    // Down opens the options, whose items the arrows and Return choose.
    inNextMenu({Qt::Key_Down, Qt::Key_Down, Qt::Key_Return});
    b.press(Qt::Key_Down);
    b.settle();
    EXPECT_EQ(b.review.granularity(), C::Granularity::lines);
    EXPECT_EQ(b.focused(), "options") << "the keyboard left the rebuilt options";
    // Space opens them too: the last item keeps every box visible.
    inNextMenu({Qt::Key_Up, Qt::Key_Return});
    b.press(Qt::Key_Space);
    b.settle();
    EXPECT_EQ(b.review.includedCount(), 0);
    EXPECT_EQ(b.focused(), "options");

    // Return presses the button that has the keyboard.
    b.press(Qt::Key_Tab);
    EXPECT_EQ(b.focused(), "Cancel") << "the disabled Redact is passed over";
    b.press(Qt::Key_Return);
    EXPECT_EQ(b.finished, std::vector<bool>{false});
}

} // namespace
} // namespace quorvane
