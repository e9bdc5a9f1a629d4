#include "platform/XdndWants.h"

#include <algorithm>

namespace quorvane {

XdndWants::XdndWants(const std::vector<QStringList>& kinds,
                     const std::function<std::uint32_t(const QByteArray&)>& atomOf) {
    for (const QStringList& types : kinds) {
        std::vector<Want>& wants = kinds_.emplace_back();
        for (const QString& type : types) {
            const QByteArray name = type.toLatin1();
            if (name.endsWith("/*"))
                wants.push_back({0, name.chopped(1)});
            else if (const std::uint32_t atom = atomOf(name); atom != 0)
                wants.push_back({atom, name});
        }
    }
}

std::vector<XdndWants::Want> XdndWants::named() const {
    std::vector<Want> found;
    for (const std::vector<Want>& wants : kinds_)
        for (const Want& want : wants)
            if (want.atom != 0) found.push_back(want);
    return found;
}

XdndWants::Match XdndWants::match(std::size_t kind, const std::vector<std::uint32_t>& types,
                                  const Names& names) const {
    if (kind >= kinds_.size()) return {};
    for (const Want& want : kinds_[kind]) {
        if (want.atom != 0) {
            if (std::find(types.begin(), types.end(), want.atom) != types.end()) return {want.atom, {}};
            continue;
        }
        Match found;
        for (const std::uint32_t type : types) {
            const std::optional<QByteArray> name = names(type);
            if (!name) {
                found.unnamed.push_back(type);
            } else if (name->startsWith(want.name) && name->size() > want.name.size()) {
                found.type = type;
                break;
            }
        }
        if (found.type || !found.unnamed.empty()) return found;
    }
    return {};
}

} // namespace quorvane
