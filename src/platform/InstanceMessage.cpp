#include "platform/InstanceMessage.h"

#include <QtEndian>

namespace quorvane::InstanceMessage {
namespace {

void append(QByteArray& message, std::uint32_t number) {
    char bytes[4];
    qToLittleEndian(number, bytes);
    message.append(bytes, 4);
}

} // namespace

std::optional<QByteArray> encode(const QByteArrayList& arguments) {
    qsizetype size = 8;
    for (const QByteArray& argument : arguments) {
        if (argument.contains('\0')) return std::nullopt;
        size += 4 + std::min<qsizetype>(argument.size(), maxArgumentBytes);
        if (size > qsizetype(maxMessageBytes)) return std::nullopt;
    }
    QByteArray message;
    message.reserve(size);
    message.append(magic, 4);
    append(message, std::uint32_t(arguments.size()));
    for (const QByteArray& argument : arguments) {
        const QByteArray clipped = argument.left(maxArgumentBytes);
        append(message, std::uint32_t(clipped.size()));
        message.append(clipped);
    }
    return message;
}

} // namespace quorvane::InstanceMessage
