#include "recognition/SymbolWords.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

using Word = TextEngine::Line::Word;

// A line of words 20 pixels high, each `{text, left, width, confidence}`, with the engine's text.
TextEngine::Line lineOf(std::initializer_list<std::tuple<const char*, double, double, float>> words) {
    TextEngine::Line line;
    QStringList texts;
    for (const auto& [text, left, width, confidence] : words) {
        line.words.push_back({QString::fromUtf8(text), QRectF(left, 10, width, 20), confidence});
        texts.append(QString::fromUtf8(text));
    }
    line.text = texts.join(QLatin1Char(' ')) + QLatin1Char('\n');
    return line;
}

QStringList wordsOf(const TextEngine::Line& line) {
    QStringList texts;
    for (const Word& word : line.words)
        texts.append(word.text);
    return texts;
}

// A section's icon beside its name, or a symbol at the end of a row, is no word of the line;
// brackets, prompts, bullets close to their text and short values stay.
TEST(SymbolWords, DropsIconsBesideTheTextAndKeepsItsOwnSymbols) {
    struct Case {
        const char* name;
        TextEngine::Line line;
        QString text; // trimmed, after dropping
    };
    const Case cases[] = {
        {"icon read as a sign", lineOf({{"©", 0, 24, 0.94f}, {"Bluetooth", 50, 120, 0.95f}}), "Bluetooth"},
        {"icon read as unsure letters", lineOf({{"mi", 0, 22, 0.36f}, {"Sharing", 48, 90, 0.8f}}), "Sharing"},
        {"icon read as letters as unsure as the text",
         lineOf({{"mi", 0, 22, 0.67f}, {"About", 48, 70, 0.75f}}), "About"},
        {"icons at both ends",
         lineOf({{"@", 0, 24, 0.9f},
                 {"Date", 50, 60, 0.9f},
                 {"&", 120, 14, 0.9f},
                 {"Time", 144, 60, 0.9f},
                 {"»", 240, 20, 0.5f}}),
         "Date & Time"},
        {"a bracket a space away",
         lineOf({{"[", 0, 8, 0.9f}, {"42%]", 26, 60, 0.9f}, {"Building", 98, 110, 0.9f}}), "[ 42%] Building"},
        {"a prompt", lineOf({{"$", 0, 12, 0.9f}, {"ls", 20, 24, 0.9f}, {"-l", 52, 24, 0.9f}}), "$ ls -l"},
        {"a value after its label",
         lineOf({{"Delay:", 0, 70, 0.95f}, {"Off", 100, 40, 0.95f}, {"3", 160, 12, 0.95f}}), "Delay: Off 3"},
        {"a sure word far from the next", lineOf({{"OK", 0, 30, 0.95f}, {"Cancel", 80, 80, 0.95f}}),
         "OK Cancel"},
        {"an unsure short word of a toolbar", lineOf({{"New", 0, 50, 0.75f}, {"Open", 90, 60, 0.75f}}),
         "New Open"},
        {"a wide icon far less sure than the text", lineOf({{"woo", 0, 50, 0.3f}, {"Device", 90, 80, 0.95f}}),
         "Device"},
        {"one word alone", lineOf({{"©", 0, 24, 0.2f}}), "©"},
    };
    for (const Case& c : cases) {
        TextEngine::Line line = c.line;
        SymbolWords::drop(line);
        EXPECT_EQ(line.text.trimmed(), c.text) << c.name;
        // The words are the pieces of the text.
        EXPECT_EQ(wordsOf(line), c.text.split(QLatin1Char(' '))) << c.name;
    }
}

} // namespace
} // namespace quorvane
