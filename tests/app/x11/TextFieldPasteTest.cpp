#include "app/TextFieldPaste.h"

#include "platform/SystemClipboard.h"
#include "support/ClipboardOffer.h"
#include "support/TempDir.h"
#include "support/WaitUntil.h"

#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

using test::waitUntil;

bool pressPaste(QWidget* field) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier);
    QCoreApplication::sendEvent(field, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_V, Qt::ControlModifier);
    QCoreApplication::sendEvent(field, &release);
    return press.isAccepted();
}

TEST(TextFieldPaste, AnotherProgramsTextGoesIntoTheFieldThatHadTheKeys) {
    SystemClipboard clipboard(*QGuiApplication::clipboard());
    TextFieldPaste paste(clipboard);
    paste.watchApplication();
    QWidget window;
    auto* line = new QLineEdit(&window);
    auto* notes = new QPlainTextEdit(QStringLiteral("notes"), &window);
    notes->setReadOnly(true);
    auto* column = new QVBoxLayout(&window);
    column->addWidget(line);
    column->addWidget(notes);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(waitUntil([&] { return window.isActiveWindow(); }));
    line->setFocus();
    ASSERT_TRUE(waitUntil([&] { return line->hasFocus(); }));

    test::TempDir folder;
    const QString path = QString::fromStdString((folder / "words").string());
    {
        QFile words(path);
        ASSERT_TRUE(words.open(QIODevice::WriteOnly));
        words.write(QStringLiteral("naïve words").toUtf8());
    }
    test::ClipboardOffer words({"--type", "UTF8_STRING", "--file", path});
    ASSERT_TRUE(words.ready());
    line->setText(QStringLiteral("[]"));
    line->setCursorPosition(1);
    pressPaste(line);
    EXPECT_TRUE(waitUntil([&] { return line->text() == QStringLiteral("[naïve words]"); }))
        << line->text().toStdString();
    // A read-only field takes nothing in.
    notes->setFocus();
    pressPaste(notes);
    EXPECT_EQ(notes->toPlainText(), QStringLiteral("notes"));
}

} // namespace
} // namespace quorvane
