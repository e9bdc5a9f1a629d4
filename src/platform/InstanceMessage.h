#pragma once

// What a later process sends the running one: the arguments it was started with, as raw bytes.
// "QVN1", the argument count, then each argument as its length and bytes; numbers are 32-bit
// little-endian. No argument is empty of meaning to the format: zero arguments ask the running
// program to show itself. The running program answers `accepted` once the whole message is in.

#include <QByteArray>
#include <QByteArrayList>
#include <cstdint>
#include <optional>

namespace quorvane::InstanceMessage {

inline constexpr char magic[4] = {'Q', 'V', 'N', '1'};
// Longer than any link (256 bytes) or path (4,095 bytes) the program could use, and than any
// file URL naming such a path: clipping an argument here never turns it into a usable one.
inline constexpr std::uint32_t maxArgumentBytes = 16384;
// A command line of thousands of links fits; memory per connection stays small.
inline constexpr std::uint32_t maxMessageBytes = 1 << 20;
inline constexpr char accepted = 'A';

// The message for `arguments`, each clipped to `maxArgumentBytes`; none when it would still be
// longer than `maxMessageBytes` or an argument holds a NUL byte (no command line can).
std::optional<QByteArray> encode(const QByteArrayList& arguments);

} // namespace quorvane::InstanceMessage
