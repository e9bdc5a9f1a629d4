#pragma once

#include "platform/SelectionSink.h"

#include <QByteArray>
#include <functional>

namespace quorvane {

// Splits an offer into lines as it comes (a list of links, one a line), in time linear in its
// length, and stops once the lines give what the reader needs, or at `maxBytes` read, whatever
// length its holder says the whole has. A line longer than `longestLine`
// is no link anyone made: it is skipped without being kept.
class LineSink : public SelectionSink {
public:
    static constexpr qsizetype longestLine = 65'536;

    // `line` gets each line without its break; it returns false once it needs no more.
    LineSink(std::int64_t maxBytes, std::function<bool(QByteArrayView line)> line);

    Next expect(std::int64_t length, bool incremental) override;
    Next take(QByteArrayView piece) override;
    Next end() override;
    std::int64_t room() const override;

private:
    std::int64_t maxBytes_;
    std::function<bool(QByteArrayView)> line_;
    std::int64_t received_ = 0;
    // The start of a line that the next piece goes on with.
    QByteArray partial_;
    bool overlong_ = false;
};

} // namespace quorvane
