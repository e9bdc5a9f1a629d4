#include "recognition/SymbolWords.h"

#include <algorithm>
#include <vector>

namespace quorvane::SymbolWords {

namespace {

// Words of a line stand this many of their heights apart at most; a symbol beside them further.
constexpr double widestSpace = 0.8;
// A symbol is read as this many characters at most.
constexpr int longest = 3;
constexpr float unsure = 0.8f;
constexpr double squarish = 0.6;
constexpr double wordWidth = 1.5;
constexpr float surer = 0.1f;

double middleHeight(const std::vector<TextEngine::Line::Word>& words) {
    std::vector<double> heights;
    for (const auto& word : words)
        heights.push_back(word.box.height());
    std::nth_element(heights.begin(), heights.begin() + std::ptrdiff_t(heights.size() / 2), heights.end());
    return heights[heights.size() / 2];
}

// `next`: the word beside it in the line.
bool looksLikeSymbol(const TextEngine::Line::Word& word, const TextEngine::Line::Word& next, double height) {
    const QString text = word.text.trimmed();
    // Icons are about as wide as they are high; a bracket or a dash of the text is narrower or lower.
    if (text.isEmpty() || text.size() > longest || word.box.width() < squarish * word.box.height() ||
        word.box.width() < squarish * height)
        return false;
    // A short word of a toolbar far from the next ("New" before "Open") is wider than an icon, and
    // read as surely as the next word however unsure the line is.
    const bool shortWord =
        word.box.width() > wordWidth * word.box.height() && word.confidence + surer >= next.confidence;
    return (word.confidence < unsure && !shortWord) ||
           std::none_of(text.begin(), text.end(), [](QChar c) { return c.isLetterOrNumber(); });
}

} // namespace

void drop(TextEngine::Line& line) {
    auto& words = line.words;
    if (words.size() < 2) return;
    // The height of the text, without the words at the ends.
    std::vector<TextEngine::Line::Word> inner(words.begin() + 1, words.end() - 1);
    const double height = middleHeight(inner.empty() ? words : inner);
    const bool first = looksLikeSymbol(words.front(), words[1], height) &&
                       words[1].box.left() - words.front().box.right() > widestSpace * height;
    const bool last = words.size() > 2 && looksLikeSymbol(words.back(), words[words.size() - 2], height) &&
                      words.back().box.left() - words[words.size() - 2].box.right() > widestSpace * height;
    if (last) {
        const qsizetype at = line.text.lastIndexOf(words.back().text);
        if (at >= 0) line.text.truncate(at);
        words.pop_back();
    }
    if (first) {
        const qsizetype at = line.text.indexOf(words[1].text, line.text.indexOf(words.front().text) +
                                                                  words.front().text.size());
        if (at >= 0) line.text.remove(0, at);
        words.erase(words.begin());
    }
}

} // namespace quorvane::SymbolWords
