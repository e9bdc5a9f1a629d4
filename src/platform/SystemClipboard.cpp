#include "platform/SystemClipboard.h"

#include "core/Log.h"
#include "core/SerialWorkQueue.h"
#include "platform/QtX11Connection.h"
#include "platform/X11SelectionOffer.h"
#include "platform/X11SelectionReader.h"

#include <QAbstractNativeEventFilter>
#include <QClipboard>
#include <QCoreApplication>
#include <QMimeData>
#include <cstdlib>
#include <functional>
#include <memory>
#include <utility>
#include <xcb/xcb.h>
#include <xcb/xfixes.h>

namespace quorvane {
namespace {

xcb_atom_t clipboardAtom() {
    static const xcb_atom_t atom = [] {
        xcb_connection_t* connection = qtX11Connection();
        if (connection == nullptr) return xcb_atom_t{XCB_ATOM_NONE};
        std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
            xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, 9, "CLIPBOARD"), nullptr),
            &std::free);
        return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    }();
    return atom;
}

// The window that owns the CLIPBOARD selection now, as the server answers; one round trip, so
// every change the server made before it is reflected. 0 without an X server.
std::uint32_t selectionOwner() {
    xcb_connection_t* connection = qtX11Connection();
    if (connection == nullptr || clipboardAtom() == XCB_ATOM_NONE) return 0;
    std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> reply(
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, clipboardAtom()),
                                      nullptr),
        &std::free);
    return reply ? reply->owner : 0;
}

} // namespace

// The time the holder took the clipboard, from the XFixes notices Qt receives.
class ClipboardOwnerFilter : public QAbstractNativeEventFilter {
public:
    // `noticed` hears of each holder taking the clipboard, and when.
    explicit ClipboardOwnerFilter(std::function<void(std::uint32_t owner, std::uint32_t time)> noticed)
        : noticed_(std::move(noticed)) {
        xcb_connection_t* connection = qtX11Connection();
        if (connection == nullptr || QCoreApplication::instance() == nullptr) return;
        const xcb_query_extension_reply_t* xfixes = xcb_get_extension_data(connection, &xcb_xfixes_id);
        if (xfixes == nullptr || xfixes->present == 0) return;
        notice_ = xfixes->first_event + XCB_XFIXES_SELECTION_NOTIFY;
        QCoreApplication::instance()->installNativeEventFilter(this);
    }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (type != "xcb_generic_event_t") return false;
        const auto* event = static_cast<const xcb_xfixes_selection_notify_event_t*>(message);
        if ((event->response_type & 0x7f) != notice_ || event->selection != clipboardAtom()) return false;
        owner_ = event->owner;
        time_ = event->selection_timestamp;
        noticed_(owner_, time_);
        return false;
    }

    // When `owner` took the clipboard, if a notice said so; else 0.
    std::uint32_t time(std::uint32_t owner) const { return owner == owner_ ? time_ : 0; }

private:
    std::function<void(std::uint32_t, std::uint32_t)> noticed_;
    int notice_ = -1;
    std::uint32_t owner_ = 0;
    std::uint32_t time_ = 0;
};

SystemClipboard::SystemClipboard(QClipboard& clipboard, std::chrono::milliseconds answerWithin)
    : clipboard_(clipboard), answerWithin_(answerWithin), owner_(selectionOwner()),
      owners_(std::make_unique<ClipboardOwnerFilter>([this](std::uint32_t owner, std::uint32_t time) {
          // A holder asked about before its notice came is the same holder, taken at that time.
          for (std::optional<Contents>* contents : {&asking_, &known_})
              if (*contents && (*contents)->owner == owner && (*contents)->time == 0) (*contents)->time = time;
          // Qt can go on believing it holds the clipboard after another program took it, and then
          // signals only holders going away: the server's notice counts too, once Qt has handled
          // the event.
          QMetaObject::invokeMethod(this, [this] { changedElsewhere(); }, Qt::QueuedConnection);
      })) {
    changed_ = connect(&clipboard_, &QClipboard::dataChanged, this, [this] { changedElsewhere(); });
}

void SystemClipboard::changedElsewhere() {
    // Our own writes are counted in write(); the notices of them must not count again. Whether
    // they are still ours, the server tells: Qt may believe so long after.
    if (clipboard_.ownsClipboard() && heldHere()) return;
    const Contents now = contents();
    if (lastChange_ == now) return;
    lastChange_ = now;
    ++count_;
    // Asked at once, so that the answer is there when a menu opens.
    if (!heldHere()) offeredFormats();
    Q_EMIT offerChanged();
}

SystemClipboard::~SystemClipboard() {
    disconnect(changed_);
    if (unwanted_) *unwanted_ = true;
    worker_.reset();
}

bool SystemClipboard::write(std::unique_ptr<QMimeData> data) {
    const QMimeData* given = data.get();
    clipboard_.setMimeData(data.release(), QClipboard::Clipboard);
    ++count_;
    owner_ = selectionOwner();
    Q_EMIT offerChanged();
    // The clipboard owns the data now; it holds ours only if the system accepted it.
    return clipboard_.mimeData(QClipboard::Clipboard) == given;
}

const QMimeData* SystemClipboard::read() const {
    return clipboard_.mimeData(QClipboard::Clipboard);
}

bool SystemClipboard::heldHere() const {
    if (qtX11Connection() == nullptr) return true;
    // Asked of the server: Qt believes it still owns the clipboard until it has heard that another
    // program took it, and then hands out its view of that program's contents, which waits for it.
    const QMimeData* contents = clipboard_.mimeData(QClipboard::Clipboard);
    return contents != nullptr && !contents->inherits("QInternalMimeData");
}

std::unique_ptr<ClipboardOffer> SystemClipboard::offer() const {
    if (heldHere()) return Clipboard::offer();
    // Formats the holder told for these contents need not be asked again; a silent holder is.
    std::optional<QStringList> formats;
    if (known_ == contents() && !formats_.isEmpty()) formats = formats_;
    return std::make_unique<X11SelectionOffer>(QByteArrayLiteral("CLIPBOARD"), 0, std::move(formats));
}

QStringList SystemClipboard::offeredFormats() {
    if (heldHere()) return Clipboard::offeredFormats();
    const Contents now = contents();
    if (known_ == now) return formats_;
    // Nobody holds the clipboard: nothing to ask, and a question sent would reach whoever takes it
    // next, on their contents' own question's behalf.
    if (now.owner == 0) {
        if (asking_) *unwanted_ = true;
        known_ = now;
        formats_.clear();
        return {};
    }
    if (!asking_)
        ask(now);
    else if (*asking_ != now)
        *unwanted_ = true;
    return {};
}

SystemClipboard::Contents SystemClipboard::contents() const {
    const std::uint32_t owner = selectionOwner();
    return {owner, owners_->time(owner)};
}

void SystemClipboard::ask(Contents contents) {
    asking_ = contents;
    unwanted_ = std::make_shared<std::atomic<bool>>(false);
    if (!worker_) worker_ = std::make_unique<SerialWorkQueue>(QStringLiteral("Clipboard"));
    const X11SelectionTransfer::Request request{QByteArrayLiteral("CLIPBOARD"), {}, 0, answerWithin_};
    // The worker is gone before this clipboard: it may name it.
    worker_->post([this, request, unwanted = unwanted_] {
        auto formats = X11SelectionReader::targets(request, unwanted.get());
        QMetaObject::invokeMethod(
            this, [this, unwanted, formats = std::move(formats)] { answered(unwanted->load(), formats); },
            Qt::QueuedConnection);
    });
}

void SystemClipboard::answered(bool unwanted, const Result<QStringList, ClipboardReadError>& formats) {
    if (!asking_) return;
    const Contents contents = *std::exchange(asking_, std::nullopt);
    // Changed meanwhile: what the clipboard holds now is asked about instead.
    if (unwanted || contents != this->contents()) {
        offeredFormats();
        return;
    }
    known_ = contents;
    formats_ = formats ? formats.value() : QStringList();
    if (!formats && formats.error().kind == ClipboardReadError::Kind::stopped)
        Log::app().error("The clipboard's holder did not tell its formats within {} ms; its contents count "
                         "as no image until they change",
                         answerWithin_.count());
    Q_EMIT offerChanged();
}

std::uint64_t SystemClipboard::changeCount() {
    if (const std::uint32_t owner = selectionOwner(); owner != owner_) {
        owner_ = owner;
        ++count_;
    }
    return count_;
}

} // namespace quorvane
