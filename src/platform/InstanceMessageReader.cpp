#include "platform/InstanceMessageReader.h"

#include "platform/InstanceMessage.h"

#include <QtEndian>
#include <algorithm>
#include <cstring>

namespace quorvane {

InstanceMessageReader::State InstanceMessageReader::fail(const char* problem) {
    state_ = State::invalid;
    problem_ = problem;
    arguments_.clear();
    return state_;
}

bool InstanceMessageReader::takeNumber(QByteArrayView& bytes) {
    const qsizetype taken = std::min<qsizetype>(4 - numberBytes_, bytes.size());
    std::memcpy(number_ + numberBytes_, bytes.data(), size_t(taken));
    numberBytes_ += int(taken);
    bytes = bytes.sliced(taken);
    if (numberBytes_ < 4) return false;
    numberBytes_ = 0;
    return true;
}

InstanceMessageReader::State InstanceMessageReader::feed(QByteArrayView bytes) {
    if (bytes.isEmpty() || state_ == State::invalid) return state_;
    if (state_ == State::complete) return fail("trailing bytes");
    received_ += std::uint64_t(bytes.size());
    if (received_ > InstanceMessage::maxMessageBytes) return fail("too large");
    while (!bytes.isEmpty()) {
        if (inArgument_) {
            const qsizetype taken = std::min<qsizetype>(remainingBytes_, bytes.size());
            const QByteArrayView piece = bytes.first(taken);
            if (piece.contains('\0')) return fail("NUL byte");
            arguments_.back().append(piece);
            remainingBytes_ -= std::uint32_t(taken);
            bytes = bytes.sliced(taken);
            if (remainingBytes_ > 0) continue;
            inArgument_ = false;
            if (--remainingArguments_ == 0) break;
            continue;
        }
        if (!takeNumber(bytes)) break;
        const std::uint32_t number = qFromLittleEndian<std::uint32_t>(number_);
        if (!haveMagic_) {
            if (std::memcmp(number_, InstanceMessage::magic, 4) != 0) return fail("bad header");
            haveMagic_ = true;
        } else if (!haveCount_) {
            // Each argument takes at least its 4-byte length.
            if (number > (InstanceMessage::maxMessageBytes - 8) / 4) return fail("too large");
            haveCount_ = true;
            remainingArguments_ = number;
            if (number == 0) break;
        } else {
            if (number > InstanceMessage::maxArgumentBytes) return fail("too large");
            arguments_.append(QByteArray());
            arguments_.back().reserve(number);
            remainingBytes_ = number;
            inArgument_ = number > 0;
            if (!inArgument_ && --remainingArguments_ == 0) break;
        }
    }
    if (haveCount_ && remainingArguments_ == 0) {
        if (!bytes.isEmpty()) return fail("trailing bytes");
        state_ = State::complete;
    }
    return state_;
}

} // namespace quorvane
