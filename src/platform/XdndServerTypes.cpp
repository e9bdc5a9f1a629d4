// What a drag offers: the types an enter lists, their names asked of the server once, and which
// zones each drag may drop on.

#include "platform/XdndServer.h"

#include <xcb/xcb.h>

namespace quorvane {
namespace {

// Names of types kept at most; more are asked again.
constexpr std::size_t mostNames = 4096;
// Requests for names of types underway at most, for all drags.
constexpr std::size_t mostNamesUnderway = 1024;
// Requests for lists of types underway at most, for all drags.
constexpr std::size_t mostListsUnderway = 256;

} // namespace

void XdndServer::enter(std::uint32_t source, std::uint32_t named, std::uint32_t target,
                       const std::uint32_t* data) {
    Source* entered = &sources_.enter(source, named, target, roundAt_);
    // A person's drag: the window holding its data is there, whatever made-up drags come beside it.
    if (source == dragOwner_) sources_.exists(source);
    entered->namesAsked = 0;
    entered->asks.assign(wants_.kinds(), std::nullopt);
    if ((data[1] & 1) == 0) {
        for (int i = 2; i < 5; ++i)
            if (data[i] != XCB_NONE) entered->types.push_back(data[i]);
        classify(*entered);
        return;
    }
    // More than three: listed on the source's window. One request a source at a time, however often
    // it enters; the list that comes serves its latest drag. Past a few underway, only the drag's
    // owner's is asked: the others offer nothing we know, as a flood of made-up drags does, and a
    // request an enter would cost the server as much again as the flood itself.
    if (listing_.count(source) == 0 && listing_.size() >= mostListsUnderway && source != dragOwner_)
        return classify(*entered);
    entered->typesState = Source::Types::listing;
    if (!listing_.insert(source).second) return;
    const xcb_get_property_cookie_t cookie =
        xcb_get_property(connection_, 0, source, atoms_.typeList, XCB_ATOM_ATOM, 0,
                         static_cast<std::uint32_t>(XdndSources::mostTypes));
    pending_.push_back({cookie.sequence, Pending::Kind::types, source, 0});
}

void XdndServer::typesCame(std::uint32_t source, std::vector<std::uint32_t> types) {
    Source* followed = sources_.find(source);
    if (followed == nullptr || followed->typesState != Source::Types::listing) return;
    followed->types = std::move(types);
    classify(*followed);
}

void XdndServer::nameCame(std::uint32_t atom, QByteArray name) {
    if (names_.size() >= mostNames) {
        names_.clear();
        for (const XdndWants::Want& want : wants_.named())
            names_[want.atom] = want.name;
    }
    names_[atom] = std::move(name);
    const auto waiting = naming_.find(atom);
    if (waiting == naming_.end()) return;
    woken_.merge(waiting->second);
    naming_.erase(waiting);
}

std::optional<QByteArray> XdndServer::name(std::uint32_t atom) const {
    const auto found = names_.find(atom);
    return found != names_.end() ? std::optional(found->second) : std::nullopt;
}

void XdndServer::classify(Source& source) {
    bool waiting = false;
    for (std::size_t kind = 0; kind < wants_.kinds(); ++kind) {
        const XdndWants::Match match =
            wants_.match(kind, source.types, [this](std::uint32_t atom) { return name(atom); });
        source.asks[kind] = match.type;
        for (const std::uint32_t atom : match.unnamed) {
            auto asked = naming_.find(atom);
            // A source waits on a name once, however often it is classified meanwhile.
            if (asked != naming_.end() && asked->second.count(source.window) != 0) {
                waiting = true;
                continue;
            }
            // Past these, a type whose name is not known is taken for none that zones want.
            if (source.namesAsked >= mostNamesAsked ||
                (asked == naming_.end() && naming_.size() >= mostNamesUnderway))
                break;
            ++source.namesAsked;
            if (asked == naming_.end()) {
                const xcb_get_atom_name_cookie_t cookie = xcb_get_atom_name(connection_, atom);
                pending_.push_back({cookie.sequence, Pending::Kind::name, source.window, atom});
                asked = naming_.try_emplace(atom).first;
            } else if (asked->second.size() >= XdndSources::mostSources) {
                // Those no longer followed make room: a name waited on by a flood of drags gone
                // since costs no more than those followed.
                std::erase_if(asked->second, [this](std::uint32_t each) {
                    const Source* followed = sources_.find(each);
                    return followed == nullptr || followed->typesState != Source::Types::naming;
                });
            }
            asked->second.insert(source.window);
            waiting = true;
        }
    }
    source.typesState = waiting ? Source::Types::naming : Source::Types::known;
}

} // namespace quorvane
