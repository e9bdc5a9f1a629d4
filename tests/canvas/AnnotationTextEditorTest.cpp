#include "canvas/AnnotationTextEditor.h"

#include "CanvasViewTesting.h"
#include "canvas/AnnotationTextView.h"
#include "document/AnnotationDrawing.h"

#include <QClipboard>
#include <QKeyEvent>
#include <QPainter>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

using test::ShownCanvas;

Annotation textBox(const QRectF& rect, const QString& text = QString()) {
    Annotation a = test::annotation(AnnotationKind::text, rect, Qt::black);
    a.text = text;
    a.fontSize = 18;
    return a;
}

void press(QWidget* widget, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
           const QString& text = {}) {
    QKeyEvent down(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(widget, &down);
}

struct TextCanvas : ShownCanvas {
    TextCanvas() : ShownCanvas(test::filledImage(Qt::white, 300, 200), {300, 200}) { showActualSize(); }
    AnnotationTextView* box() { return view->textEditor().textView(); }
};

TEST(AnnotationTextEditor, NewSmallBoxOpensAtLeast80By40AndGrowsToItsText) {
    TextCanvas canvas;
    const Annotation fresh = textBox(QRectF(20, 30, 10, 5));
    canvas.view->beginTextEditing(fresh);
    ASSERT_NE(canvas.box(), nullptr);
    EXPECT_EQ(canvas.box()->geometry().size(), QSize(80, 40));
    EXPECT_TRUE(canvas.settings.modes().editingText());
    EXPECT_TRUE(canvas.document->annotations().empty()); // nothing until committed

    canvas.box()->insertPlainText(QStringLiteral("Hi"));
    press(canvas.box(), Qt::Key_Return, Qt::ControlModifier);
    ASSERT_EQ(canvas.document->annotations().size(), 1u);
    const Annotation committed = canvas.document->annotations().front();
    EXPECT_EQ(committed.text, QStringLiteral("Hi"));
    EXPECT_GT(committed.rect.width(), 10); // "Hi" at 18 pixels is wider than 10
    EXPECT_EQ(committed.rect.topLeft(), QPointF(20, 30));
    EXPECT_EQ(committed.end, committed.rect.bottomRight());
    EXPECT_EQ(canvas.settings.modes().selectedID(), committed.id);
    EXPECT_FALSE(canvas.settings.modes().editingText());
    EXPECT_FALSE(canvas.settings.finishText);

    // One undo takes the whole commit back.
    canvas.document->undoManager().undo();
    EXPECT_TRUE(canvas.document->annotations().empty());
}

TEST(AnnotationTextEditor, WideTextStopsAtTheCropsRightEdge) {
    TextCanvas canvas;
    canvas.view->beginTextEditing(textBox(QRectF(290, 10, 4, 4)));
    canvas.box()->insertPlainText(QStringLiteral("A rather long line of text"));
    canvas.view->finishTextEditing(TextEditEnding::commit);
    ASSERT_EQ(canvas.document->annotations().size(), 1u);
    EXPECT_DOUBLE_EQ(canvas.document->annotations().front().rect.right(), 300);
}

// Dark pixels `a` leaves when drawn on white, in and below its box.
int ink(const Annotation& a) {
    QImage image(320, 2200, QImage::Format_RGBA8888_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    drawAnnotation(a, painter, image);
    painter.end();
    int dark = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            dark += qGray(image.pixel(x, y)) < 160;
    return dark;
}

// A box begun 20 pixels from the image's right edge commits 20 pixels wide; its text wraps anew
// at that width and the box takes every line, so that nothing typed is cut off when drawn.
TEST(AnnotationTextEditor, ABoxCutAtTheRightEdgeKeepsEveryLineItWrapsTo) {
    TextCanvas canvas;
    canvas.view->beginTextEditing(textBox(QRectF(280, 10, 20, 100)));
    canvas.box()->insertPlainText(QStringLiteral("Wide text here"));
    press(canvas.box(), Qt::Key_Return, Qt::ControlModifier);
    ASSERT_EQ(canvas.document->annotations().size(), 1u);
    const Annotation committed = canvas.document->annotations().front();
    EXPECT_DOUBLE_EQ(committed.rect.width(), 20);
    EXPECT_LE(committed.rect.bottom(), 200);
    EXPECT_EQ(committed.end, committed.rect.bottomRight());
    Annotation unbounded = committed;
    unbounded.rect.setHeight(2000);
    unbounded.end = unbounded.rect.bottomRight();
    const int all = ink(unbounded);
    EXPECT_GT(all, 0);
    EXPECT_EQ(ink(committed), all);
}

// The editor lays its text out lazily around the cursor; the box must still take every line.
TEST(AnnotationTextEditor, ALongTextGrowsTheBoxToAllItsLines) {
    struct Case {
        const char* name;
        bool existing;
        int lines;
    };
    for (const Case& c : {Case{"reopened nine lines, one character typed", true, 9},
                          Case{"thirteen lines typed at once", false, 13}}) {
        ShownCanvas canvas(test::filledImage(Qt::white, 300, 400), {300, 400});
        canvas.showActualSize();
        QStringList lines;
        for (int i = 1; i <= c.lines; ++i)
            lines << QStringLiteral("line %1").arg(i);
        if (c.existing) {
            canvas.view->beginTextEditing(canvas.add(textBox(QRectF(20, 5, 60, 20), lines.join('\n'))));
            canvas.view->textEditor().textView()->insertPlainText(QStringLiteral("!"));
        } else {
            canvas.view->beginTextEditing(textBox(QRectF(20, 5, 60, 20)));
            canvas.view->textEditor().textView()->insertPlainText(lines.join('\n'));
        }
        press(canvas.view->textEditor().textView(), Qt::Key_Return, Qt::ControlModifier);
        ASSERT_EQ(canvas.document->annotations().size(), 1u) << c.name;
        const QRectF rect = canvas.document->annotations().front().rect;
        EXPECT_GE(rect.height(), c.lines * 18.0) << c.name; // every line at least its font size
        EXPECT_EQ(rect.topLeft(), QPointF(20, 5)) << c.name;
    }
}

TEST(AnnotationTextEditor, EscapeKeepsTheDocumentAsItWas) {
    TextCanvas canvas;
    canvas.view->beginTextEditing(textBox(QRectF(20, 30, 40, 20)));
    canvas.box()->insertPlainText(QStringLiteral("gone"));
    press(canvas.box(), Qt::Key_Escape);
    EXPECT_TRUE(canvas.document->annotations().empty());
    EXPECT_FALSE(canvas.view->textEditor().isOpen());

    const Annotation old = canvas.add(textBox(QRectF(20, 30, 80, 30), QStringLiteral("old")));
    const qint64 revision = canvas.document->revision();
    canvas.view->beginTextEditing(old);
    canvas.box()->selectAll();
    canvas.box()->insertPlainText(QStringLiteral("new"));
    press(canvas.box(), Qt::Key_Escape);
    EXPECT_EQ(canvas.document->annotations().front().text, QStringLiteral("old"));
    EXPECT_EQ(canvas.document->revision(), revision);
}

TEST(AnnotationTextEditor, ReturnAddsALineAndEmptyTextRemovesTheAnnotation) {
    TextCanvas canvas;
    const Annotation old = canvas.add(textBox(QRectF(20, 30, 80, 30), QStringLiteral("one")));
    canvas.view->beginTextEditing(old);
    press(canvas.box(), Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    canvas.box()->insertPlainText(QStringLiteral("two"));
    press(canvas.box(), Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(canvas.document->annotations().front().text, QStringLiteral("one\ntwo"));
    EXPECT_EQ(canvas.document->undoManager().undoActionName(), QStringLiteral("Edit Annotation"));

    canvas.view->beginTextEditing(canvas.document->annotations().front());
    canvas.box()->selectAll();
    canvas.box()->insertPlainText(QStringLiteral(" \n "));
    canvas.view->finishTextEditing(TextEditEnding::commit);
    EXPECT_TRUE(canvas.document->annotations().empty());
    EXPECT_FALSE(canvas.settings.modes().selectedID().has_value());
    canvas.document->undoManager().undo();
    EXPECT_EQ(canvas.document->annotations().front().text, QStringLiteral("one\ntwo"));
}

TEST(AnnotationTextEditor, ZoomingAndStyleChangesWhileEditing) {
    TextCanvas canvas;
    canvas.view->beginTextEditing(textBox(QRectF(20, 30, 40, 20)));
    canvas.settings.style().setFontPoints(32);
    canvas.view->refresh();
    EXPECT_TRUE(canvas.view->textEditor().isOpen());
    EXPECT_DOUBLE_EQ(canvas.view->textEditor().annotation()->fontSize, 32);
    canvas.box()->insertPlainText(QStringLiteral("kept"));

    canvas.settings.viewport().setZoomFraction(2);
    canvas.view->refresh();
    EXPECT_FALSE(canvas.view->textEditor().isOpen());
    ASSERT_EQ(canvas.document->annotations().size(), 1u);
    EXPECT_EQ(canvas.document->annotations().front().text, QStringLiteral("kept"));
    EXPECT_DOUBLE_EQ(canvas.document->annotations().front().fontSize, 32);
}

TEST(AnnotationTextEditor, FocusLostToAMenuOrAnotherWindowKeepsTheBoxOpen) {
    TextCanvas canvas;
    canvas.view->beginTextEditing(textBox(QRectF(20, 30, 40, 20)));
    canvas.box()->insertPlainText(QStringLiteral("typed"));
    for (Qt::FocusReason reason :
         {Qt::ActiveWindowFocusReason, Qt::PopupFocusReason, Qt::MenuBarFocusReason}) {
        QFocusEvent out(QEvent::FocusOut, reason);
        QApplication::sendEvent(canvas.box(), &out);
        EXPECT_TRUE(canvas.view->textEditor().isOpen()) << reason;
    }
    QFocusEvent out(QEvent::FocusOut, Qt::MouseFocusReason);
    QApplication::sendEvent(canvas.box(), &out);
    EXPECT_FALSE(canvas.view->textEditor().isOpen());
    ASSERT_EQ(canvas.document->annotations().size(), 1u);
    EXPECT_EQ(canvas.document->annotations().front().text, QStringLiteral("typed"));
}

TEST(AnnotationTextEditor, ClosingTheViewOrHidingItCommitsToItsOwnDocument) {
    TextCanvas canvas;
    canvas.view->beginTextEditing(textBox(QRectF(20, 30, 40, 20)));
    canvas.box()->insertPlainText(QStringLiteral("hidden"));
    canvas.view->hide();
    ASSERT_EQ(canvas.document->annotations().size(), 1u);
    EXPECT_EQ(canvas.document->annotations().front().text, QStringLiteral("hidden"));

    canvas.view->show();
    canvas.view->beginTextEditing(textBox(QRectF(120, 30, 40, 20)));
    canvas.box()->insertPlainText(QStringLiteral("closed"));
    canvas.view.reset();
    ASSERT_EQ(canvas.document->annotations().size(), 2u);
    EXPECT_EQ(canvas.document->annotations().back().text, QStringLiteral("closed"));
    EXPECT_FALSE(canvas.settings.modes().editingText());
}

// Pasted text, of any length, fills the box only up to what a text holds, cut between characters,
// and the pane says so; keys typed past the bound add nothing and say so too.
TEST(AnnotationTextEditor, TextComesInOnlyUpToWhatATextHolds) {
    const qsizetype most = AnnotationTextView::longestText;
    const QString words = QStringLiteral("a line of words ").repeated(32768); // 512 KiB
    struct Case {
        const char* name;
        QString text;
        qsizetype kept;
        bool handedIn; // as another program's paste is; else Qt's own paste
    };
    for (const Case& c : {Case{"Qt's paste of a 512 KiB line", words, most, false},
                          Case{"a 4 MiB line handed in", words.repeated(4), most, true},
                          Case{"a cut inside a character",
                               QString(most - 1, u'x') + QStringLiteral("😀 and more"), most - 1, true}}) {
        TextCanvas canvas;
        canvas.view->beginTextEditing(textBox(QRectF(20, 30, 200, 40)));
        if (c.handedIn) {
            canvas.box()->insertText(c.text);
        } else {
            QGuiApplication::clipboard()->setText(c.text);
            canvas.box()->paste();
        }
        EXPECT_TRUE(canvas.box()->toPlainText() == c.text.left(c.kept))
            << c.name << ": " << canvas.box()->toPlainText().size() << " characters";
        EXPECT_EQ(canvas.settings.modes().message().toStdString(),
                  "A text holds up to 4,096 characters: the rest was left out.")
            << c.name;

        canvas.settings.modes().setMessage(QString());
        canvas.box()->moveCursor(QTextCursor::End);
        press(canvas.box(), Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        press(canvas.box(), Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
        EXPECT_EQ(canvas.box()->toPlainText().size(), most) << c.name;
        EXPECT_FALSE(canvas.settings.modes().message().isEmpty()) << c.name;
        canvas.view->finishTextEditing(TextEditEnding::commit);
        ASSERT_EQ(canvas.document->annotations().size(), 1u) << c.name;
        EXPECT_EQ(canvas.document->annotations().front().text.size(), most) << c.name;
    }
}

// Near the bound, what is typed or pasted over a selection replaces it: the bound counts the text
// that results, not the one before.
TEST(AnnotationTextEditor, TypingOrPastingOverASelectionNearTheBoundReplacesIt) {
    const qsizetype most = AnnotationTextView::longestText;
    for (const bool handedIn : {false, true}) {
        TextCanvas canvas;
        canvas.view->beginTextEditing(textBox(QRectF(20, 30, 200, 40)));
        AnnotationTextView* box = canvas.box();
        box->insertText(QString(most, u'x'));
        const auto selectLast = [&](int count) {
            box->moveCursor(QTextCursor::End);
            box->moveCursor(QTextCursor::Left, QTextCursor::KeepAnchor);
            for (int i = 1; i < count; ++i)
                box->moveCursor(QTextCursor::Left, QTextCursor::KeepAnchor);
        };
        canvas.settings.modes().setMessage(QString());
        selectLast(5);
        press(box, Qt::Key_B, Qt::NoModifier, QStringLiteral("b"));
        const auto ending = [&] {
            return std::to_string(box->toPlainText().size()) + " characters, ending " +
                   box->toPlainText().right(9).toStdString();
        };
        EXPECT_TRUE(box->toPlainText() == QString(most - 5, u'x') + u'b') << ending();
        // Eight characters over four: exactly as many as a text holds.
        selectLast(4);
        const QString pasted = QStringLiteral("12345678");
        if (handedIn) {
            box->insertText(pasted);
        } else {
            QGuiApplication::clipboard()->setText(pasted);
            box->paste();
        }
        EXPECT_TRUE(box->toPlainText() == QString(most - 8, u'x') + pasted) << handedIn << ": " << ending();
        EXPECT_TRUE(canvas.settings.modes().message().isEmpty()) << handedIn;
    }
}

TEST(AnnotationTextEditor, EditOfAnAnnotationUndoneMeanwhileIsDropped) {
    TextCanvas canvas;
    const Annotation old = canvas.add(textBox(QRectF(20, 30, 80, 30), QStringLiteral("old")));
    canvas.view->beginTextEditing(old);
    canvas.box()->insertPlainText(QStringLiteral("more"));
    canvas.document->undoManager().undo();
    canvas.view->finishTextEditing(TextEditEnding::commit);
    EXPECT_TRUE(canvas.document->annotations().empty());
}

} // namespace
} // namespace quorvane
