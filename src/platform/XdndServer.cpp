#include "platform/XdndServer.h"

#include "core/Log.h"
#include "platform/X11SelectionOffer.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xcbext.h>
#include <xcb/xfixes.h>

namespace quorvane {
namespace {

// A name longer than any type's is kept as none: no zone wants it, and it costs no more than that.
constexpr int longestName = 256;
// Answers remembered at most, for the error that says their source's window is gone; it comes back
// a round trip after the answer.
constexpr std::size_t mostAnswersSent = 8192;
// Positions answered in one round at most, and of one program's drags.
constexpr std::size_t mostAnswers = 256;
constexpr std::size_t mostAnswersEach = 4;
constexpr int badWindow = 3;

} // namespace

XdndServer::XdndServer(const std::vector<QStringList>& kinds, Outlet outlet, X11DropTarget::Now now)
    : outlet_(std::move(outlet)), kinds_(kinds),
      now_(now ? std::move(now) : X11DropTarget::Now(&Clock::now)) {
    wake_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wake_ < 0) return;
    if (!connect()) {
        ::close(wake_);
        return;
    }
    serving_ = true;
    thread_ = std::thread([this] { run(); });
    // Found by its name by whoever looks at what each thread costs.
    ::pthread_setname_np(thread_.native_handle(), "drop target");
}

XdndServer::~XdndServer() {
    if (!serving_) return;
    stopping_ = true;
    wake();
    thread_.join();
    xcb_disconnect(connection_);
    ::close(wake_);
}

bool XdndServer::connect() {
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
    auto screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i)
        xcb_screen_next(&screens);
    if (xcb_connection_has_error(connection) != 0 || screens.rem == 0) {
        xcb_disconnect(connection);
        return false;
    }
    root_ = screens.data->root;
    // The bits of a window's number that tell which program made it.
    sources_ = XdndSources(~xcb_get_setup(connection)->resource_id_mask);
    constexpr std::array names = {"XdndAware",    "XdndProxy",      "XdndEnter",    "XdndPosition",
                                  "XdndStatus",   "XdndLeave",      "XdndDrop",     "XdndFinished",
                                  "XdndTypeList", "XdndActionCopy", "XdndSelection"};
    std::array<xcb_intern_atom_cookie_t, names.size()> cookies{};
    for (std::size_t i = 0; i < names.size(); ++i)
        cookies[i] =
            xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(names[i])), names[i]);
    // The types zones take, named as this server numbers them.
    std::vector<QByteArray> types;
    for (const QStringList& each : kinds_)
        for (const QString& type : each)
            if (!type.endsWith(QLatin1String("/*"))) types.push_back(type.toLatin1());
    std::vector<xcb_intern_atom_cookie_t> typeCookies;
    for (const QByteArray& type : types)
        typeCookies.push_back(
            xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(type.size()), type.data()));
    std::array<std::uint32_t*, names.size()> into = {
        &atoms_.aware, &atoms_.proxy,    &atoms_.enter,    &atoms_.position, &atoms_.status,   &atoms_.leave,
        &atoms_.drop,  &atoms_.finished, &atoms_.typeList, &atoms_.copy,     &atoms_.selection};
    for (std::size_t i = 0; i < names.size(); ++i) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookies[i], nullptr);
        *into[i] = reply != nullptr ? reply->atom : 0;
        std::free(reply);
    }
    std::unordered_map<QByteArray, std::uint32_t> atoms;
    for (std::size_t i = 0; i < types.size(); ++i) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, typeCookies[i], nullptr);
        if (reply != nullptr) atoms[types[i]] = reply->atom;
        std::free(reply);
    }
    wants_ =
        XdndWants(kinds_, [&](const QByteArray& name) { return atoms.count(name) ? atoms.at(name) : 0u; });
    names_.clear();
    for (const XdndWants::Want& want : wants_.named())
        names_[want.atom] = want.name;
    windows_ = XdndWindows(connection, root_, atoms_.aware, atoms_.proxy);
    heedDragOwner(connection);
    connection_ = connection;
    return true;
}

void XdndServer::heedDragOwner(xcb_connection_t* connection) {
    ownerNotice_ = -1;
    const xcb_query_extension_reply_t* xfixes = xcb_get_extension_data(connection, &xcb_xfixes_id);
    if (xfixes != nullptr && xfixes->present != 0) {
        std::free(
            xcb_xfixes_query_version_reply(connection, xcb_xfixes_query_version(connection, 5, 0), nullptr));
        xcb_xfixes_select_selection_input(connection, root_, atoms_.selection,
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                                              XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                                              XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
        ownerNotice_ = xfixes->first_event + XCB_XFIXES_SELECTION_NOTIFY;
    }
    // Asked after its changes are heard, so that none is missed between.
    xcb_get_selection_owner_reply_t* owner = xcb_get_selection_owner_reply(
        connection, xcb_get_selection_owner(connection, atoms_.selection), nullptr);
    dragOwner_ = owner != nullptr ? owner->owner : 0;
    std::free(owner);
}

bool XdndServer::reconnect() {
    const Clock::time_point now = Clock::now();
    if (!lost_ || now - *lost_ >= XdndWindows::quietLog)
        Log::app().log("Drop target's X connection was lost: opened again");
    lost_ = now;
    std::vector<X11DropTarget::Window> windows = windows_.windows();
    const bool catchingUp = std::any_of(pending_.begin(), pending_.end(), [](const Pending& each) {
        return each.kind == Pending::Kind::caughtUp;
    });
    xcb_connection_t* lost = connection_;
    if (!connect()) return false;
    xcb_disconnect(lost);
    // Whatever was followed or asked on the old connection is gone with it.
    drops_.clear();
    pending_.clear();
    listing_.clear();
    naming_.clear();
    woken_.clear();
    answersSent_.clear();
    caughtUp_ = false;
    if (catchingUp) {
        const std::lock_guard lock(mutex_);
        catchingUp_ = true;
    }
    windows_.set(std::move(windows));
    return true;
}

void XdndServer::setWindows(std::vector<X11DropTarget::Window> windows) {
    if (!serving_) return;
    {
        const std::lock_guard lock(mutex_);
        incoming_ = std::move(windows);
    }
    wake();
}

void XdndServer::catchUp() {
    if (!serving_) return outlet_.caughtUp();
    {
        const std::lock_guard lock(mutex_);
        catchingUp_ = true;
    }
    wake();
}

void XdndServer::wake() const {
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(wake_, &one, sizeof one);
}

void XdndServer::run() {
    while (!stopping_) {
        if (xcb_connection_has_error(connection_) != 0) {
            // Opened again at once, but not more often than proxies are made again: a program that
            // kills each new connection costs a few a second. Without a server, tried every second.
            const Clock::duration since = lost_ ? Clock::now() - *lost_ : Clock::duration::max();
            if (since < XdndWindows::remakeApart) {
                waitFor(
                    std::chrono::duration_cast<std::chrono::milliseconds>(XdndWindows::remakeApart - since));
                continue;
            }
            if (!reconnect()) {
                waitFor(std::chrono::milliseconds(1000));
                continue;
            }
        }
        applyWindows();
        bool catchingUp = false;
        {
            const std::lock_guard lock(mutex_);
            catchingUp = std::exchange(catchingUp_, false);
        }
        if (catchingUp) {
            // Its answer comes after every message the server had for us when it was asked.
            pending_.push_back({xcb_get_input_focus(connection_).sequence, Pending::Kind::caughtUp, 0, 0});
        }
        roundAt_ = now_();
        int count = 0;
        while (count < roundLength) {
            xcb_generic_event_t* event = xcb_poll_for_event(connection_);
            if (event == nullptr) break;
            read(event);
            std::free(event);
            ++count;
        }
        takeReplies();
        // What came in with the answers is read too, before anything is handed on.
        while (xcb_generic_event_t* queued = xcb_poll_for_queued_event(connection_)) {
            read(queued);
            std::free(queued);
        }
        const std::optional<Clock::time_point> keepAt = windows_.keep(roundAt_);
        answer();
        takeDrops();
        forgetSilent();
        if (std::set<XdndSources::Hover> now = sources_.hovering(); now != hovering_) {
            hovering_ = now;
            outlet_.hovered(std::move(now));
        }
        if (std::exchange(caughtUp_, false)) outlet_.caughtUp();
        xcb_flush(connection_);
        if (count == roundLength) continue;
        // Events the replies brought in are read before waiting.
        if (xcb_generic_event_t* queued = xcb_poll_for_queued_event(connection_)) {
            read(queued);
            std::free(queued);
            continue;
        }
        std::chrono::milliseconds wait(1000);
        if (keepAt)
            wait = std::clamp(std::chrono::ceil<std::chrono::milliseconds>(*keepAt - roundAt_),
                              std::chrono::milliseconds(0), wait);
        std::array<pollfd, 2> waits = {pollfd{xcb_get_file_descriptor(connection_), POLLIN, 0},
                                       pollfd{wake_, POLLIN, 0}};
        ::poll(waits.data(), waits.size(), static_cast<int>(wait.count()));
        std::uint64_t woken = 0;
        [[maybe_unused]] const auto drained = ::read(wake_, &woken, sizeof woken);
    }
}

void XdndServer::waitFor(std::chrono::milliseconds wait) {
    pollfd woken{wake_, POLLIN, 0};
    ::poll(&woken, 1, static_cast<int>(wait.count()));
    std::uint64_t count = 0;
    [[maybe_unused]] const auto drained = ::read(wake_, &count, sizeof count);
}

void XdndServer::read(const void* event) {
    const auto& generic = *static_cast<const xcb_generic_event_t*>(event);
    const std::uint8_t type = generic.response_type & 0x7f;
    settled(generic.full_sequence,
            type == 0 ? static_cast<const xcb_generic_error_t*>(event)->error_code : 0);
    if (type == ownerNotice_) {
        const auto& notice = *static_cast<const xcb_xfixes_selection_notify_event_t*>(event);
        if (notice.selection != atoms_.selection) return;
        // The server made sure its window exists, and says when it goes.
        dragOwner_ = notice.owner;
        sources_.exists(dragOwner_);
        return;
    }
    switch (type) {
    case XCB_CLIENT_MESSAGE:
        message(event);
        break;
    case XCB_PROPERTY_NOTIFY:
    case XCB_DESTROY_NOTIFY:
        windows_.heard(event);
        break;
    default:
        break;
    }
}

void XdndServer::message(const void* event) {
    const auto& message = *static_cast<const xcb_client_message_event_t*>(event);
    if (message.format != 32) return;
    const std::uint32_t type = message.type;
    if (type != atoms_.enter && type != atoms_.position && type != atoms_.leave && type != atoms_.drop)
        return;
    // Only drags over our windows count, through a proxy or not.
    const std::optional<std::uint32_t> named = windows_.named(message.window);
    if (!named) return;
    const std::uint32_t target = *named;
    const std::uint32_t* data = message.data.data32;
    const std::uint32_t source = data[0];
    // Our own drags never come this way: Qt follows them itself.
    if (source == XCB_NONE || source == root_ || windows_.named(source)) return;
    if (type == atoms_.enter) return enter(source, message.window, target, data);
    Source* followed = sources_.heard(source, roundAt_);
    if (followed == nullptr && type == atoms_.drop) return unfollowedDrop(source, message.window);
    // A message naming another window of ours than its drag entered counts for nothing.
    if (followed == nullptr || followed->target != target) return;
    if (type == atoms_.position) {
        followed->position = QPoint(static_cast<int>(data[2] >> 16), static_cast<int>(data[2] & 0xffff));
        sources_.owe(source);
    } else if (type == atoms_.leave) {
        end(source);
    } else {
        drops_.push_back({source, message.window, data[2]});
    }
}

void XdndServer::takeReplies() {
    while (!pending_.empty()) {
        const Pending next = pending_.front();
        void* reply = nullptr;
        xcb_generic_error_t* failed = nullptr;
        if (xcb_poll_for_reply(connection_, next.sequence, &reply, &failed) == 0) break;
        pending_.pop_front();
        // Answers sent before it are not settled by the reply: their errors may still wait in the
        // queue of events, read after it.
        if (next.kind == Pending::Kind::caughtUp) {
            caughtUp_ = true;
        } else if (next.kind == Pending::Kind::types) {
            std::vector<std::uint32_t> types;
            const auto* list = static_cast<const xcb_get_property_reply_t*>(reply);
            if (list != nullptr && list->type == XCB_ATOM_ATOM && list->format == 32) {
                const auto* atoms = static_cast<const std::uint32_t*>(xcb_get_property_value(list));
                types.assign(atoms, atoms + std::min<std::size_t>(xcb_get_property_value_length(list) / 4,
                                                                  XdndSources::mostTypes));
            }
            listing_.erase(next.source);
            typesCame(next.source, std::move(types));
        } else {
            const auto* named = static_cast<const xcb_get_atom_name_reply_t*>(reply);
            nameCame(next.atom,
                     named != nullptr && xcb_get_atom_name_name_length(named) <= longestName
                         ? QByteArray(xcb_get_atom_name_name(named), xcb_get_atom_name_name_length(named))
                         : QByteArray());
        }
        std::free(reply);
        std::free(failed);
    }
    // Classified once, however many of the names it waited on came.
    for (const std::uint32_t source : std::exchange(woken_, {}))
        if (Source* followed = sources_.find(source);
            followed != nullptr && followed->typesState == Source::Types::naming)
            classify(*followed);
}

std::optional<int> XdndServer::verdict(const Source& source) const {
    const std::optional<int> zone =
        source.position ? windows_.zoneAt(source.target, *source.position) : std::nullopt;
    if (!zone) return std::nullopt;
    const auto kind = static_cast<std::size_t>(*zone);
    return kind < source.asks.size() && source.asks[kind] ? zone : std::nullopt;
}

void XdndServer::answer() {
    // Program by program, a few drags of each a round: a program with many drags waits for its own.
    sources_.payOwed(mostAnswers, mostAnswersEach, [this](Source& source) {
        // Answered once its types are known.
        if (source.typesState != Source::Types::known) return false;
        const std::optional<int> kind = verdict(source);
        sources_.answered(source.window, kind);
        // Whatever action it proposes, what is dropped is copied: a source told that its drag was
        // moved may delete what it dragged. An empty rectangle asks for every position.
        remember(source.window,
                 send(source.window, atoms_.status,
                      {source.named, kind ? 3u : 2u, 0, 0, kind ? atoms_.copy : std::uint32_t{XCB_NONE}}));
        return true;
    });
}

void XdndServer::remember(std::uint32_t source, unsigned int sequence) {
    answersSent_.emplace_back(sequence, source);
    if (answersSent_.size() > mostAnswersSent) answersSent_.pop_front();
}

void XdndServer::settled(unsigned int sequence, int error) {
    // Numbers compared as the server counts them, past any wrap.
    const auto before = [](unsigned int a, unsigned int b) { return static_cast<int>(a - b) < 0; };
    while (!answersSent_.empty() && before(answersSent_.front().first, sequence))
        answersSent_.pop_front();
    if (answersSent_.empty() || answersSent_.front().first != sequence) return;
    const std::uint32_t source = answersSent_.front().second;
    answersSent_.pop_front();
    // Its source's window is gone, or never was: nobody is left to answer.
    if (error == badWindow) forget(source);
}

void XdndServer::forget(std::uint32_t source) {
    sources_.erase(source);
}

void XdndServer::takeDrops() {
    if (drops_.empty()) return;
    // The last drop on each window is taken; any before it in the same round is over before its data
    // was asked for. A source drops once: its drag ends there.
    std::vector<DropAsked> drops;
    std::unordered_set<std::uint32_t> dropped;
    for (const DropAsked& drop : drops_)
        if (dropped.insert(drop.source).second) drops.push_back(drop);
    drops_.clear();
    std::unordered_map<std::uint32_t, std::size_t> last;
    for (std::size_t i = 0; i < drops.size(); ++i)
        if (const Source* source = sources_.find(drops[i].source)) last[source->target] = i;
    for (std::size_t i = 0; i < drops.size(); ++i) {
        Source* source = sources_.find(drops[i].source);
        if (source == nullptr) {
            unfollowedDrop(drops[i].source, drops[i].named);
            continue;
        }
        if (last[source->target] == i) {
            take(*source, drops[i].time);
            continue;
        }
        const bool accepted = sources_.accepted(source->window).has_value();
        if (accepted) outlet_.givenUp();
        send(source->window, atoms_.finished,
             {source->named, accepted ? 1u : 0u, accepted ? atoms_.copy : std::uint32_t{XCB_NONE}, 0, 0});
        end(source->window);
    }
}

void XdndServer::take(Source& source, std::uint32_t time) {
    // A position still owed is answered first: it is where the drop is.
    if (source.owed && source.typesState == Source::Types::known) {
        sources_.paid(source.window);
        sources_.answered(source.window, verdict(source));
    }
    std::optional<int> kind = sources_.accepted(source.window);
    const std::optional<QByteArray> asked =
        kind ? name(*source.asks[static_cast<std::size_t>(*kind)]) : std::nullopt;
    if (!asked || !source.position) kind.reset();
    if (kind) {
        QStringList formats;
        for (const std::uint32_t type : source.types)
            if (const std::optional<QByteArray> named = name(type); named && !named->isEmpty())
                formats.push_back(QString::fromLatin1(*named));
        auto offer = std::make_shared<X11SelectionOffer>(QByteArrayLiteral("XdndSelection"), time, formats);
        // Asked before its source hears that the drop is over: it may stop serving then.
        offer->askNow(QString::fromLatin1(*asked));
        outlet_.dropped(source.target, *source.position, *kind, std::move(offer));
    }
    send(source.window, atoms_.finished,
         {source.named, kind ? 1u : 0u, kind ? atoms_.copy : std::uint32_t{XCB_NONE}, 0, 0});
    end(source.window);
}

void XdndServer::unfollowedDrop(std::uint32_t source, std::uint32_t named) {
    // A drag we said we would take, pushed out since by more drags than are followed: its source
    // hears the drop was not taken, rather than waiting for ever.
    if (!sources_.pushedOut(source)) return;
    Log::app().log("A drop was refused: more drags came at once than are followed");
    send(source, atoms_.finished, {named, 0, XCB_NONE, 0, 0});
}

void XdndServer::end(std::uint32_t source) {
    forget(source);
}

void XdndServer::forgetSilent() {
    const Clock::time_point now = roundAt_;
    if (now - swept_ < std::chrono::seconds(1)) return;
    swept_ = now;
    for (const std::uint32_t source : sources_.silent(now))
        end(source);
}

unsigned int XdndServer::send(std::uint32_t to, std::uint32_t type, std::array<std::uint32_t, 5> data) {
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = to;
    message.type = type;
    std::copy(data.begin(), data.end(), message.data.data32);
    return xcb_send_event(connection_, 0, to, XCB_EVENT_MASK_NO_EVENT,
                          reinterpret_cast<const char*>(&message))
        .sequence;
}

void XdndServer::applyWindows() {
    std::optional<std::vector<X11DropTarget::Window>> windows;
    {
        const std::lock_guard lock(mutex_);
        windows.swap(incoming_);
    }
    if (!windows) return;
    // Windows that no longer take drops, or are gone: their drags end with them.
    for (const std::uint32_t gone : windows_.set(std::move(*windows)))
        sources_.eraseOver(gone);
}

} // namespace quorvane
