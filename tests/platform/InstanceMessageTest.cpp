#include "platform/InstanceMessage.h"
#include "platform/InstanceMessageReader.h"

#include <QtEndian>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

using State = InstanceMessageReader::State;

QByteArray number(std::uint32_t value) {
    char bytes[4];
    qToLittleEndian(value, bytes);
    return QByteArray(bytes, 4);
}

QByteArray header(std::uint32_t count) {
    return QByteArray("QVN1") + number(count);
}

// Whatever the pieces, a message reads back as it was written.
TEST(InstanceMessage, ReadsBackWhatWasWrittenInPiecesOfAnySize) {
    const QByteArrayList cases[] = {
        {},
        {"quorvane://capture/screen?then=edit"},
        {"/home/someone/a picture.png", "", "quorvane://show", QByteArray("\xff\xfe not UTF-8")},
        QByteArrayList(3000, "quorvane://show"),
    };
    for (const QByteArrayList& arguments : cases) {
        const auto message = InstanceMessage::encode(arguments);
        ASSERT_TRUE(message.has_value());
        for (const qsizetype piece : {qsizetype(1), qsizetype(3), qsizetype(7), message->size()}) {
            InstanceMessageReader reader;
            State state = State::incomplete;
            for (qsizetype at = 0; at < message->size(); at += piece) {
                EXPECT_EQ(state, State::incomplete);
                state = reader.feed(QByteArrayView(*message).sliced(at, std::min(piece, message->size() - at)));
            }
            ASSERT_EQ(state, State::complete) << reader.problem();
            EXPECT_EQ(reader.arguments(), arguments);
        }
    }
}

// An argument longer than any usable link or path is cut, never turned into something usable;
// what no command line can hold, or what is too large even so, is not written at all.
TEST(InstanceMessage, ClipsOverlongArgumentsAndRefusesWhatNoCommandLineHolds) {
    const QByteArray huge(10 * 1024 * 1024, 'a');
    const auto message = InstanceMessage::encode({"quorvane://" + huge});
    ASSERT_TRUE(message.has_value());
    InstanceMessageReader reader;
    ASSERT_EQ(reader.feed(*message), State::complete);
    EXPECT_EQ(reader.arguments().front().size(), qsizetype(InstanceMessage::maxArgumentBytes));
    EXPECT_TRUE(reader.arguments().front().startsWith("quorvane://aaa"));

    EXPECT_FALSE(InstanceMessage::encode({QByteArray("quorvane://show\0x", 17)}).has_value());
    EXPECT_FALSE(InstanceMessage::encode(QByteArrayList(100, QByteArray(16000, 'b'))).has_value());
}

// Each fault is refused at the first byte that shows it, before more is kept.
TEST(InstanceMessage, RefusesABrokenMessageAtItsFirstFault) {
    struct Case {
        const char* name;
        QByteArray bytes;
        const char* problem;
    };
    const Case cases[] = {
        {"another program's bytes", QByteArray("GET / HTTP/1.1\r\n"), "bad header"},
        {"more arguments than could fit", header(1 << 20), "too large"},
        {"a 10 MB argument", header(1) + number(10 * 1024 * 1024), "too large"},
        {"a NUL byte", header(1) + number(5) + QByteArray("ab\0cd", 5), "NUL byte"},
        {"bytes after the end", header(1) + number(1) + "a" + "b", "trailing bytes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InstanceMessageReader reader;
        EXPECT_EQ(reader.feed(c.bytes), State::invalid);
        EXPECT_STREQ(reader.problem(), c.problem);
        EXPECT_TRUE(reader.arguments().isEmpty());
        EXPECT_EQ(reader.feed("more"), State::invalid);
    }

    // Arguments that each fit but together pass the cap.
    InstanceMessageReader reader;
    State state = reader.feed(header(1000));
    for (int i = 0; i < 1000 && state == State::incomplete; ++i)
        state = reader.feed(number(InstanceMessage::maxArgumentBytes) +
                            QByteArray(qsizetype(InstanceMessage::maxArgumentBytes), 'x'));
    EXPECT_EQ(state, State::invalid);
    EXPECT_STREQ(reader.problem(), "too large");
}

} // namespace
} // namespace quorvane
