#include "platform/SystemClipboard.h"

#include "platform/QtX11Connection.h"
#include "platform/X11SelectionReader.h"

#include <QClipboard>
#include <QMimeData>
#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>

namespace quorvane {
namespace {

// The window that owns the CLIPBOARD selection now, as the server answers; one round trip, so
// every change the server made before it is reflected. 0 without an X server.
std::uint32_t selectionOwner() {
    xcb_connection_t* connection = qtX11Connection();
    if (connection == nullptr) return 0;
    static const xcb_atom_t clipboardAtom = [connection] {
        std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
            xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, 9, "CLIPBOARD"), nullptr),
            &std::free);
        return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    }();
    if (clipboardAtom == XCB_ATOM_NONE) return 0;
    std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> reply(
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, clipboardAtom),
                                      nullptr),
        &std::free);
    return reply ? reply->owner : 0;
}

} // namespace

SystemClipboard::SystemClipboard(QClipboard& clipboard) : clipboard_(clipboard), owner_(selectionOwner()) {
    // Our own writes are counted in write(); Qt's later notice of them must not count again.
    changed_ = QObject::connect(&clipboard_, &QClipboard::dataChanged, [this] {
        if (!clipboard_.ownsClipboard()) ++count_;
    });
}

SystemClipboard::~SystemClipboard() {
    QObject::disconnect(changed_);
}

bool SystemClipboard::write(std::unique_ptr<QMimeData> data) {
    const QMimeData* given = data.get();
    clipboard_.setMimeData(data.release(), QClipboard::Clipboard);
    ++count_;
    owner_ = selectionOwner();
    // The clipboard owns the data now; it holds ours only if the system accepted it.
    return clipboard_.mimeData(QClipboard::Clipboard) == given;
}

const QMimeData* SystemClipboard::read() const {
    return clipboard_.mimeData(QClipboard::Clipboard);
}

Result<QByteArray, ClipboardReadError> SystemClipboard::readData(const QString& format,
                                                                 const ClipboardLimit& limit) const {
    // Our own contents must not be asked for through the server: the GUI thread that would
    // answer is the one waiting.
    if (qtX11Connection() == nullptr || clipboard_.ownsClipboard()) return Clipboard::readData(format, limit);
    return X11SelectionReader::read(format, limit);
}

std::uint64_t SystemClipboard::changeCount() {
    if (const std::uint32_t owner = selectionOwner(); owner != owner_) {
        owner_ = owner;
        ++count_;
    }
    return count_;
}

} // namespace quorvane
