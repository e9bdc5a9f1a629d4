#include "platform/X11DropTarget.h"

#include "core/Log.h"
#include "platform/XdndServer.h"

namespace quorvane {

X11DropTarget::X11DropTarget(std::vector<QStringList> kinds, QObject* parent, Now now) : QObject(parent) {
    XdndServer::Outlet outlet;
    outlet.hovered = [this](std::set<Hover> hovering) { hovered(std::move(hovering)); };
    outlet.dropped = [this](std::uint32_t window, QPoint position, int kind,
                            std::shared_ptr<ClipboardOffer> offer) {
        took(window, Drop{position, kind, std::move(offer)});
    };
    outlet.givenUp = [] { Log::app().log("Drop given up: another drop came before its data"); };
    outlet.caughtUp = [this] {
        const std::lock_guard lock(mutex_);
        caught_ = true;
        poke();
    };
    server_ = std::make_unique<XdndServer>(kinds, std::move(outlet), std::move(now));
}

X11DropTarget::~X11DropTarget() {
    // Its thread calls back into this: it ends first.
    server_.reset();
}

bool X11DropTarget::serving() const {
    return server_->serving();
}

void X11DropTarget::setWindows(std::vector<Window> windows) {
    server_->setWindows(std::move(windows));
}

std::set<X11DropTarget::Hover> X11DropTarget::hovering() const {
    return shown_;
}

void X11DropTarget::catchUp() {
    server_->catchUp();
}

void X11DropTarget::handOver() {
    deliver();
}

void X11DropTarget::hovered(std::set<Hover> hovering) {
    const std::lock_guard lock(mutex_);
    hovering_ = std::move(hovering);
    poke();
}

void X11DropTarget::took(std::uint32_t window, Drop drop) {
    const std::lock_guard lock(mutex_);
    auto [waiting, fresh] = drops_.try_emplace(window, drop);
    if (!fresh) {
        Log::app().log("Drop given up: another drop came before its data");
        waiting->second = std::move(drop);
    }
    poke();
}

void X11DropTarget::poke() {
    // One call waits on the GUI thread at a time, however often the server hands something over.
    if (std::exchange(poked_, true)) return;
    QMetaObject::invokeMethod(this, &X11DropTarget::deliver, Qt::QueuedConnection);
}

void X11DropTarget::deliver() {
    std::set<Hover> hovering;
    std::map<std::uint32_t, Drop> drops;
    bool caught = false;
    {
        const std::lock_guard lock(mutex_);
        poked_ = false;
        hovering = hovering_;
        drops.swap(drops_);
        caught = std::exchange(caught_, false);
    }
    // A drop comes before the end of its drag's hovering: whoever waits on the one takes over from
    // the other without a gap.
    for (auto& [window, drop] : drops)
        Q_EMIT dropped(window, drop.position, drop.kind, std::move(drop.offer));
    if (hovering != shown_) {
        shown_ = std::move(hovering);
        Q_EMIT hoveringChanged();
    }
    if (caught) Q_EMIT caughtUp();
}

} // namespace quorvane
