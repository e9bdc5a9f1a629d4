// Any bytes as a quorvane:// link: a command or a rejection, never a crash, and nothing accepted
// that the link language forbids. The same bytes read as UTF-16 go through the QString overload,
// which must never accept a unit outside ASCII (an unpaired surrogate must not become "?").

#include "app/URLCommand.h"

#include <QString>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using quorvane::URLCommand;
    std::u16string units(size / 2, u'\0');
    std::memcpy(units.data(), data, units.size() * sizeof(char16_t));
    // Not fromUtf16: it drops a leading byte-order mark, which would hide that unit from the parser.
    const QString wide(reinterpret_cast<const QChar*>(units.data()), static_cast<qsizetype>(units.size()));
    if (URLCommand::parse(wide).ok() &&
        std::any_of(units.begin(), units.end(), [](char16_t unit) { return unit >= 0x80; }))
        __builtin_trap();

    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto parsed = URLCommand::parse(text);
    if (!parsed.ok()) {
        const auto rejection = parsed.error();
        // Only the router raises busy, unavailable and unexportedChanges.
        if (rejection > URLCommand::Rejection::unattendedExport) __builtin_trap();
        (void)quorvane::rawValue(rejection);
        return 0;
    }
    const URLCommand& command = *parsed;
    if (size > 256 || size <= 11) __builtin_trap();
    if (command.options.delay && (*command.options.delay < 0 || *command.options.delay > 10))
        __builtin_trap();
    const bool unattended =
        command.kind == URLCommand::Kind::captureScreen || command.kind == URLCommand::Kind::captureRepeat;
    if (unattended && command.options.then && *command.options.then != URLCommand::Then::edit)
        __builtin_trap();
    if (command.kind != URLCommand::Kind::captureArea && !unattended && command.options.then)
        __builtin_trap();
    // Parsing is a pure function of the text.
    if (!(URLCommand::parse(text) == parsed)) __builtin_trap();
    (void)command.name();
    return 0;
}
