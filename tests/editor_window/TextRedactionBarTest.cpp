#include "editor_window/TextRedactionBar.h"

#include "canvas/RedactionTesting.h"
#include "canvas/TextRedactionController.h"
#include "document/EditorDocument.h"
#include "editor_window/SymbolIcons.h"
#include "support/NumberFonts.h"
#include "support/TestAnnotations.h"

#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
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
};

TEST(TextRedactionBar, RecognizingOffersCancelAndNothingFoundOnlyClose) {
    Bar b;
    EXPECT_EQ(b.labels(), QStringList{"Finding text…"});
    QPushButton* cancel = b.button("Cancel");
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(cancel->focusPolicy(), Qt::NoFocus);
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
    EXPECT_EQ(b.bar.optionsButton()->focusPolicy(), Qt::NoFocus);
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

} // namespace
} // namespace quorvane
