#include "platform/EncodeError.h"

namespace quorvane::EncodeError {

Error error(Kind kind, const QString& detail) {
    QString message;
    switch (kind) {
    case Kind::unsupportedImage:
        message = QStringLiteral("The image cannot be encoded in this format.");
        break;
    case Kind::outOfMemory:
        message = QStringLiteral("There is not enough memory to encode the image.");
        break;
    case Kind::libraryFailed:
        message = QStringLiteral("The encoder failed.");
        break;
    }
    if (!detail.isEmpty()) message += QLatin1Char(' ') + detail;
    return Error{QString::fromLatin1(errorDomain), static_cast<int>(kind), message};
}

} // namespace quorvane::EncodeError
