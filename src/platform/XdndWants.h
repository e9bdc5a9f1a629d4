#pragma once

// What each kind of drop zone takes of the types a drag offers, in the order it prefers them. A
// type named in full is told by its atom; a family ("image/*") needs the names of the offered types,
// which the server is asked for only when no type named in full came before it. No X here.

#include <QByteArray>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace quorvane {

class XdndWants {
public:
    struct Want {
        // The atom of a type named in full; 0 for a family.
        std::uint32_t atom = 0;
        // The family's start ("image/"), or the type's name.
        QByteArray name;
    };
    // For one kind: the type a drop asks for, or none; unless one of `unnamed`, offered before it and
    // whose name is not known yet, comes first.
    struct Match {
        std::optional<std::uint32_t> type;
        std::vector<std::uint32_t> unnamed;
    };
    // The name of an atom, once known; "" for one that has none.
    using Names = std::function<std::optional<QByteArray>(std::uint32_t)>;

    XdndWants() = default;
    // `kinds` as X11DropTarget takes them; `atomOf` names each type in full.
    XdndWants(const std::vector<QStringList>& kinds,
              const std::function<std::uint32_t(const QByteArray&)>& atomOf);

    std::size_t kinds() const { return kinds_.size(); }
    // Every type named in full, with its atom, whose names are known from the start.
    std::vector<Want> named() const;
    // What zones of `kind` take of `types`.
    Match match(std::size_t kind, const std::vector<std::uint32_t>& types, const Names& names) const;

private:
    std::vector<std::vector<Want>> kinds_;
};

} // namespace quorvane
