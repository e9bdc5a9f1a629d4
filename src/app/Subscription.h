#pragma once

// Qt's change signals fire on every set; the start-up subscriptions want the published value:
// the current one first (or not, when the first is dropped), equal consecutive values skipped.

#include <QObject>
#include <functional>
#include <memory>
#include <optional>

namespace quorvane::Subscription {

enum class First { deliver, drop };

// Calls `handler` with `read()` now (unless dropped) and after each `signal` of `sender` whose
// value differs from the last one seen. Lives as long as `context` and `sender`.
template<typename Sender, typename Signal, typename T>
QMetaObject::Connection subscribe(QObject* context, Sender* sender, Signal signal, std::function<T()> read,
                                  std::function<void(const T&)> handler, First first = First::deliver) {
    auto last = std::make_shared<std::optional<T>>(read());
    if (first == First::deliver) handler(**last);
    return QObject::connect(sender, signal, context,
                            [last, read = std::move(read), handler = std::move(handler)] {
                                T value = read();
                                if (*last && **last == value) return;
                                *last = value;
                                handler(value);
                            });
}

} // namespace quorvane::Subscription
