#pragma once

// Why an image could not be opened, and the words the user reads for it.

#include <QString>
#include <QUrl>
#include <cstdint>
#include <utility>

namespace quorvane::ImageImporter {

struct ImportError {
    // Codes in the log are these kinds' numbers: new kinds go last.
    enum class Kind { unsupportedType, tooLarge, unreadable, noImage, onAnotherHost, missing };

    Kind kind = Kind::unreadable;
    // unsupportedType: the refused type's description.
    QString type;
    // tooLarge: the size after orientation.
    std::int64_t width = 0;
    std::int64_t height = 0;
    // onAnotherHost: the host that a file link named.
    QString host;

    static ImportError unsupportedType(QString description) {
        return {Kind::unsupportedType, std::move(description), 0, 0, {}};
    }
    static ImportError tooLarge(std::int64_t w, std::int64_t h) { return {Kind::tooLarge, {}, w, h, {}}; }
    static ImportError unreadable() { return {Kind::unreadable, {}, 0, 0, {}}; }
    static ImportError noImage() { return {Kind::noImage, {}, 0, 0, {}}; }
    static ImportError onAnotherHost(QString host) {
        return {Kind::onAnotherHost, {}, 0, 0, std::move(host)};
    }
    // No file is there by the name a link gave.
    static ImportError missing() { return {Kind::missing, {}, 0, 0, {}}; }

    // The text the user reads; with a file, it names the file.
    QString message(const QUrl& file = {}) const;
    // Writes the import's one line in the log: domain, code and reason, never the file's name.
    void log() const;

    bool operator==(const ImportError&) const = default;
};

} // namespace quorvane::ImageImporter
