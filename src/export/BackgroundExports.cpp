#include "export/BackgroundExports.h"

#include "core/AppIdentity.h"

namespace quorvane {

BackgroundExports::BackgroundExports(QObject* parent)
    : QObject(parent), queue_(std::make_unique<SerialWorkQueue>(QString::fromLatin1(applicationId) +
                                                                QStringLiteral(".export"))) {}

BackgroundExports::~BackgroundExports() {
    queue_.reset();
}

void BackgroundExports::whenIdle(std::function<void()> handler) {
    if (pending_ < 1) {
        handler();
        return;
    }
    idleHandlers_.push_back(std::move(handler));
}

void BackgroundExports::setPending(int pending) {
    pending_ = pending;
    Q_EMIT pendingChanged(pending_);
}

void BackgroundExports::runIdleHandlers() {
    if (pending_ >= 1) return;
    // Emptied first: a handler may wait again.
    const std::vector<std::function<void()>> handlers = std::exchange(idleHandlers_, {});
    for (const auto& handler : handlers)
        handler();
}

} // namespace quorvane
