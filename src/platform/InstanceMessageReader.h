#pragma once

// Reads one forwarded message (see InstanceMessage) from bytes as they arrive, in pieces of any
// size. It never holds more than the message's cap: a message that breaks a rule is refused at
// the first byte that shows it, before anything more is stored.

#include <QByteArrayList>
#include <QByteArrayView>
#include <cstdint>

namespace quorvane {

class InstanceMessageReader {
public:
    enum class State { incomplete, complete, invalid };

    // Takes the next bytes; once complete or invalid, any further byte makes it invalid.
    State feed(QByteArrayView bytes);
    State state() const { return state_; }
    // The arguments in their order, complete once the state is.
    const QByteArrayList& arguments() const { return arguments_; }
    // Why the message was refused: "bad header", "too large", "NUL byte", "trailing bytes".
    const char* problem() const { return problem_; }

private:
    State fail(const char* problem);
    // Takes bytes into the 4-byte number being read; true once it is whole.
    bool takeNumber(QByteArrayView& bytes);

    State state_ = State::incomplete;
    const char* problem_ = "";
    std::uint64_t received_ = 0;
    char number_[4] = {};
    int numberBytes_ = 0;
    bool haveMagic_ = false;
    bool haveCount_ = false;
    std::uint32_t remainingArguments_ = 0;
    // Bytes still to come of the argument being read; none while a length is read.
    bool inArgument_ = false;
    std::uint32_t remainingBytes_ = 0;
    QByteArrayList arguments_;
};

} // namespace quorvane
