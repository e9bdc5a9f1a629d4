#pragma once

// What a drawn test page says: its lines in reading order, each word with the box of its ink,
// and how a reading of the page is scored against it.

#include <QRect>
#include <QRectF>
#include <QSize>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace quorvane::test {

struct PageTruth {
    struct Word {
        QString text;
        QRect ink; // pixels with at least a quarter of full coverage
    };
    struct Line {
        QString text;
        // Lines of one column must not be read into one line with another column's.
        int column = 0;
        // Lines of one group are read in their order; -1: a piece whose place among its
        // neighbours is a matter of taste (a label beside its field).
        int group = -1;
        std::vector<Word> words;
        QRect ink() const;
    };

    QString name;
    QSize size;
    int scale = 1;
    std::vector<Line> lines;

    // Lines lower than this many pixels of the page are not expected to be read.
    static constexpr int lowestReadable = 6;
    bool readable(const Line& line) const { return line.ink().height() >= lowestReadable; }

    QString serialized() const;
    static std::optional<PageTruth> parse(const QString& text);
    static std::optional<PageTruth> load(const QString& path);
};

// How well `read` (recognised lines in their order) matches `truth`.
struct PageScore {
    double errorRate = 0; // edits per character of the readable truth
    // Reading-order faults: a line of a group read before the one above it, or one recognised
    // line holding text of two columns. Empty when the order follows the columns.
    QStringList orderFaults;
};

// A recognised line, with its box when the reader gives one.
struct ReadLine {
    QString text;
    std::optional<QRectF> box;
};

// Each truth line is found as the closest piece of one recognised line (so that a label and its
// field read as one line cost nothing), among the lines over its ink when they have boxes; what
// is left of the recognised text counts as inserted.
PageScore scoreReading(const PageTruth& truth, const std::vector<ReadLine>& read);
PageScore scoreReading(const PageTruth& truth, const QStringList& read);

// Word boxes that miss their word's ink or reach the ink of another line. A recognised word is
// the truth word its box overlaps most; one that overlaps none (an icon read as text) is left out.
struct BoxedWord {
    QString text;
    QRectF box;
};
QStringList wordBoxFaults(const PageTruth& truth, const std::vector<BoxedWord>& words);

} // namespace quorvane::test
