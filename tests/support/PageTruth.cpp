#include "support/PageTruth.h"

#include <QFile>
#include <algorithm>
#include <map>
#include <set>

namespace quorvane::test {

namespace {

constexpr QChar taken(0x1);

// The piece of `read` closest to `line`: edits, start and end.
struct Piece {
    int edits, start, end;
};

Piece closestPiece(const QString& line, const QString& read) {
    const int m = int(line.size()), n = int(read.size());
    std::vector<int> cost(std::size_t(n) + 1, 0), start(std::size_t(n) + 1);
    for (int j = 0; j <= n; ++j)
        start[std::size_t(j)] = j;
    for (int i = 1; i <= m; ++i) {
        int diagonal = cost[0], diagonalStart = start[0];
        cost[0] = i;
        for (int j = 1; j <= n; ++j) {
            const auto at = std::size_t(j);
            const int above = cost[at], aboveStart = start[at];
            const int swap = diagonal + (line[i - 1] == read[j - 1] ? 0 : 1);
            int best = swap, bestStart = diagonalStart;
            if (above + 1 < best) best = above + 1, bestStart = aboveStart;
            if (cost[at - 1] + 1 < best) best = cost[at - 1] + 1, bestStart = start[at - 1];
            diagonal = above, diagonalStart = aboveStart;
            cost[at] = best, start[at] = bestStart;
        }
    }
    Piece piece{m, 0, 0};
    for (int j = 0; j <= n; ++j)
        if (cost[std::size_t(j)] < piece.edits) piece = {cost[std::size_t(j)], start[std::size_t(j)], j};
    return piece;
}

} // namespace

QRect PageTruth::Line::ink() const {
    QRect box;
    for (const Word& word : words)
        box |= word.ink;
    return box;
}

QString PageTruth::serialized() const {
    QString out =
        QStringLiteral("page\t%1\t%2\t%3\t%4\n").arg(name).arg(size.width()).arg(size.height()).arg(scale);
    for (const Line& line : lines) {
        out += QStringLiteral("line\t%1\t%2\t%3\n").arg(line.column).arg(line.group).arg(line.text);
        for (const Word& word : line.words)
            out += QStringLiteral("word\t%1\t%2\t%3\t%4\t%5\n")
                       .arg(word.ink.x())
                       .arg(word.ink.y())
                       .arg(word.ink.width())
                       .arg(word.ink.height())
                       .arg(word.text);
    }
    return out;
}

std::optional<PageTruth> PageTruth::parse(const QString& text) {
    PageTruth truth;
    for (const QString& row : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QStringList f = row.split(QLatin1Char('\t'));
        if (f[0] == QLatin1String("page") && f.size() == 5) {
            truth.name = f[1];
            truth.size = QSize(f[2].toInt(), f[3].toInt());
            truth.scale = f[4].toInt();
        } else if (f[0] == QLatin1String("line") && f.size() == 4) {
            truth.lines.push_back({f[3], f[1].toInt(), f[2].toInt(), {}});
        } else if (f[0] == QLatin1String("word") && f.size() == 6 && !truth.lines.empty()) {
            truth.lines.back().words.push_back(
                {f[5], QRect(f[1].toInt(), f[2].toInt(), f[3].toInt(), f[4].toInt())});
        } else {
            return std::nullopt;
        }
    }
    if (truth.size.isEmpty()) return std::nullopt;
    return truth;
}

std::optional<PageTruth> PageTruth::load(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    return parse(QString::fromUtf8(file.readAll()));
}

PageScore scoreReading(const PageTruth& truth, const QStringList& read) {
    std::vector<ReadLine> lines;
    for (const QString& line : read)
        lines.push_back({line, std::nullopt});
    return scoreReading(truth, lines);
}

PageScore scoreReading(const PageTruth& truth, const std::vector<ReadLine>& read) {
    QStringList left;
    for (const ReadLine& line : read)
        left.append(line.text.simplified());
    // Longest first, so that a short label cannot take a piece of a longer line.
    std::vector<std::size_t> order(truth.lines.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return truth.lines[a].text.size() > truth.lines[b].text.size();
    });
    struct Found {
        int line, start;
    };
    std::map<std::size_t, Found> found; // truth line -> where it was read, when read well
    long edits = 0, total = 0;
    for (const std::size_t index : order) {
        const PageTruth::Line& line = truth.lines[index];
        const bool counted = truth.readable(line);
        const QString text = line.text.simplified();
        if (counted) total += text.size();
        const QRectF ink = QRectF(line.ink()).adjusted(-2, -2, 2, 2);
        const auto over = [&](int i) {
            return read[std::size_t(i)].box && read[std::size_t(i)].box->intersects(ink);
        };
        bool anyOver = false, boxed = false;
        for (int i = 0; i < left.size(); ++i)
            anyOver = anyOver || over(i), boxed = boxed || read[std::size_t(i)].box.has_value();
        // With boxes, a line nothing was read over was not read.
        if (boxed && !anyOver) {
            if (counted) edits += text.size();
            continue;
        }
        // One line, or two that follow each other (a line the reader cut in two).
        int bestLine = -1, bestCount = 1;
        Piece best{int(text.size()), 0, 0};
        for (int i = 0; i < left.size(); ++i)
            for (int count = 1; count <= 2 && i + count <= left.size(); ++count) {
                if (anyOver && !over(i) && !(count == 2 && over(i + 1))) continue;
                const QString joined = count == 1 ? left[i] : left[i] + QLatin1Char(' ') + left[i + 1];
                if (const Piece piece = closestPiece(text, joined); piece.edits < best.edits)
                    best = piece, bestLine = i, bestCount = count;
            }
        if (counted) edits += best.edits;
        if (bestLine < 0) continue;
        const int first = int(left[bestLine].size());
        for (int j = best.start; j < best.end; ++j) {
            if (j < first)
                left[bestLine][j] = taken;
            else if (j > first && bestCount == 2)
                left[bestLine + 1][j - first - 1] = taken;
        }
        const Found at =
            best.start < first ? Found{bestLine, best.start} : Found{bestLine + 1, best.start - first - 1};
        if (best.edits * 3 <= text.size()) found[index] = at;
    }
    for (const QString& line : left)
        for (const QChar c : line)
            if (c != taken && !c.isSpace()) ++edits;

    PageScore score;
    score.errorRate = total ? double(edits) / double(total) : 0;
    std::map<int, std::pair<std::size_t, Found>> lastOfGroup;
    std::map<int, std::set<int>> columnsOfRead;
    for (std::size_t i = 0; i < truth.lines.size(); ++i) {
        const auto it = found.find(i);
        if (it == found.end()) continue;
        const PageTruth::Line& line = truth.lines[i];
        columnsOfRead[it->second.line].insert(line.column);
        if (line.group < 0) continue;
        if (const auto last = lastOfGroup.find(line.group); last != lastOfGroup.end()) {
            const Found before = last->second.second;
            if (std::pair(it->second.line, it->second.start) < std::pair(before.line, before.start))
                score.orderFaults.append(QStringLiteral("\"%1\" read before \"%2\"")
                                             .arg(line.text, truth.lines[last->second.first].text));
        }
        lastOfGroup[line.group] = {i, it->second};
    }
    for (const auto& [index, columns] : columnsOfRead)
        if (columns.size() > 1)
            score.orderFaults.append(
                QStringLiteral("\"%1\" joins two columns").arg(read[std::size_t(index)].text.simplified()));
    return score;
}

QStringList wordBoxFaults(const PageTruth& truth, const std::vector<BoxedWord>& words) {
    QStringList faults;
    const auto area = [](const QRectF& box) { return box.isEmpty() ? 0.0 : box.width() * box.height(); };
    for (const BoxedWord& word : words) {
        const PageTruth::Line* ownLine = nullptr;
        const PageTruth::Word* own = nullptr;
        double most = 0;
        for (const PageTruth::Line& line : truth.lines)
            for (const PageTruth::Word& candidate : line.words)
                if (const double overlap = area(word.box & QRectF(candidate.ink)); overlap > most)
                    most = overlap, own = &candidate, ownLine = &line;
        if (!own) continue;
        const QString where = QStringLiteral("\"%1\" at %2,%3 %4x%5")
                                  .arg(word.text)
                                  .arg(word.box.x(), 0, 'f', 1)
                                  .arg(word.box.y(), 0, 'f', 1)
                                  .arg(word.box.width(), 0, 'f', 1)
                                  .arg(word.box.height(), 0, 'f', 1);
        // Half a pixel of slack: boxes found on an enlarged copy land between source pixels.
        if (word.text == own->text && !word.box.adjusted(-0.5, -0.5, 0.5, 0.5).contains(QRectF(own->ink)))
            faults.append(where + QStringLiteral(" misses ink of its word at %1,%2 %3x%4")
                                      .arg(own->ink.x())
                                      .arg(own->ink.y())
                                      .arg(own->ink.width())
                                      .arg(own->ink.height()));
        for (const PageTruth::Line& line : truth.lines) {
            if (&line == ownLine) continue;
            for (const PageTruth::Word& other : line.words)
                if (area(word.box.adjusted(0.5, 0.5, -0.5, -0.5) & QRectF(other.ink)) > 0)
                    faults.append(where +
                                  QStringLiteral(" covers ink of \"%1\" of another line").arg(other.text));
        }
    }
    return faults;
}

} // namespace quorvane::test
