// The sinks that take another program's offer as it comes: they decide as early as their bytes
// allow, so that the holder is asked for no more than the use needs.

#include "platform/ClipboardLimitSink.h"
#include "platform/LineSink.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

using Next = SelectionSink::Next;
constexpr qsizetype head = ClipboardLimit::headLength;

// The first 64 KiB decide, in the slice that completes them: the rest is asked for only as far as
// the decision allows.
TEST(ClipboardLimitSink, TheFirst64KiBDecideAsSoonAsTheyCame) {
    const struct {
        std::int64_t given;
        Next last;
        std::int64_t room;
    } cases[] = {{100, Next::tooLong, 0}, {head + 10, Next::more, 10}};
    for (const auto& [given, last, room] : cases) {
        SCOPED_TRACE(given);
        qsizetype seen = -1;
        ClipboardLimitSink sink({1 << 30, [&](QByteArrayView first) {
                                     seen = first.size();
                                     return given;
                                 }});
        ASSERT_EQ(sink.expect(0, true), Next::more);
        const QByteArray slice(head / 4, 'x');
        for (int i = 0; i < 3; ++i)
            ASSERT_EQ(sink.take(slice), Next::more);
        EXPECT_EQ(seen, -1);
        EXPECT_EQ(sink.take(slice), last);
        EXPECT_EQ(seen, head);
        EXPECT_EQ(sink.room(), room);
    }
}

// Lines longer than the bound are skipped whether they come in one piece or several; one at the
// bound is kept. Lines are told by their lengths.
TEST(LineSink, SkipsOverlongLinesHoweverTheyArrive) {
    const QByteArray atBound(LineSink::longestLine, 'a'), over(LineSink::longestLine + 1, 'b');
    const struct {
        const char* name;
        QByteArrayList pieces;
        std::vector<qsizetype> lines;
    } cases[] = {
        {"in one piece", {over + "\nnext\n"}, {4}},
        {"in one piece, last", {"first\n" + over}, {5}},
        {"in two pieces", {over.first(10), over.sliced(10) + "\nnext"}, {4}},
        {"at the bound", {atBound + "\n", atBound}, {atBound.size(), atBound.size()}},
    };
    for (const auto& [name, pieces, lines] : cases) {
        SCOPED_TRACE(name);
        std::vector<qsizetype> seen;
        LineSink sink(1 << 20, [&](QByteArrayView line) {
            seen.push_back(line.size());
            return true;
        });
        for (const QByteArray& piece : pieces)
            ASSERT_EQ(sink.take(piece), Next::more);
        ASSERT_EQ(sink.end(), Next::more);
        EXPECT_EQ(seen, lines);
    }
}

} // namespace
} // namespace quorvane
