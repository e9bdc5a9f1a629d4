#include "platform/ClipboardOffer.h"

#include "platform/ClipboardLimitSink.h"

namespace quorvane {

Result<QByteArray, ClipboardReadError> ClipboardOffer::read(const QString& format, const ClipboardLimit& limit) {
    ClipboardLimitSink sink(limit);
    if (auto received = receive(format, sink); !received) return Failure{received.error()};
    return sink.takeBytes();
}

} // namespace quorvane
