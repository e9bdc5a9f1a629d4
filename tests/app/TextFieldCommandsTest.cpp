#include "app/TextFieldCommands.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

using enum MenuCommand;

TEST(TextFieldCommands, AFieldWithTheKeyboardDoesTheEditCommandsItself) {
    QWidget window;
    auto* line = new QLineEdit(QStringLiteral("shot.png"), &window);
    auto* text = new QPlainTextEdit(QStringLiteral("recognized words"), &window);
    text->setReadOnly(true);
    auto* spin = new QSpinBox(&window);
    window.show();

    line->setFocus();
    ASSERT_EQ(TextFieldCommands::focusedField(&window), line);
    line->deselect();
    EXPECT_EQ(TextFieldCommands::takes(line, copy), false);
    EXPECT_EQ(TextFieldCommands::takes(line, selectAll), true);
    // Not a text command: the field has no say.
    EXPECT_EQ(TextFieldCommands::takes(line, duplicate), std::nullopt);
    EXPECT_FALSE(TextFieldCommands::perform(line, redactText));
    ASSERT_TRUE(TextFieldCommands::perform(line, selectAll));
    EXPECT_EQ(TextFieldCommands::takes(line, copy), true);
    ASSERT_TRUE(TextFieldCommands::perform(line, copy));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("shot.png"));
    ASSERT_TRUE(TextFieldCommands::perform(line, deleteSelection));
    EXPECT_TRUE(line->text().isEmpty());
    EXPECT_EQ(TextFieldCommands::takes(line, undo), true);
    ASSERT_TRUE(TextFieldCommands::perform(line, paste));
    EXPECT_EQ(line->text(), QStringLiteral("shot.png"));

    // Read-only text copies and selects, but takes nothing in.
    text->setFocus();
    ASSERT_EQ(TextFieldCommands::focusedField(&window), text);
    EXPECT_EQ(TextFieldCommands::takes(text, paste), false);
    ASSERT_TRUE(TextFieldCommands::perform(text, selectAll));
    ASSERT_TRUE(TextFieldCommands::perform(text, copy));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("recognized words"));

    // A number field's text counts as a field; a button does not.
    spin->setFocus();
    EXPECT_NE(TextFieldCommands::focusedField(&window), nullptr);
    auto* button = new QWidget(&window);
    button->setFocusPolicy(Qt::StrongFocus);
    button->show();
    button->setFocus();
    EXPECT_EQ(TextFieldCommands::focusedField(&window), nullptr);
}

} // namespace
} // namespace quorvane
