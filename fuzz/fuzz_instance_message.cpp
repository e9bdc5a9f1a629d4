// Any bytes as what a client sends the running program's socket, in pieces of any size: a message
// or a refusal, never a crash, never more kept than the cap, and every accepted message exactly
// what the sender's encoding of its arguments gives.

#include "platform/InstanceMessage.h"
#include "platform/InstanceMessageReader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quorvane;
    if (size == 0) return 0;
    // The first byte chooses how the rest arrives: in pieces of 1 to 256 bytes.
    const std::size_t piece = std::size_t(data[0]) + 1;
    const QByteArrayView bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    InstanceMessageReader reader;
    InstanceMessageReader::State state = InstanceMessageReader::State::incomplete;
    for (qsizetype at = 0; at < bytes.size(); at += qsizetype(piece))
        state = reader.feed(bytes.sliced(at, std::min(qsizetype(piece), bytes.size() - at)));

    qsizetype kept = 0;
    for (const QByteArray& argument : reader.arguments()) {
        if (argument.size() > qsizetype(InstanceMessage::maxArgumentBytes) || argument.contains('\0'))
            __builtin_trap();
        kept += argument.size();
    }
    if (kept > qsizetype(InstanceMessage::maxMessageBytes)) __builtin_trap();
    if (state == InstanceMessageReader::State::invalid && !reader.arguments().isEmpty()) __builtin_trap();
    if (state == InstanceMessageReader::State::complete) {
        const auto again = InstanceMessage::encode(reader.arguments());
        if (!again || *again != bytes) __builtin_trap();
    }
    return 0;
}
