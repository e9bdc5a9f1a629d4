#include "platform/SystemInfo.h"

#include <cerrno>
#include <charconv>
#include <ctime>
#include <elf.h>
#include <fcntl.h>
#include <link.h>
#include <string>
#include <string_view>
#include <unistd.h>

namespace quorvane::SystemInfo {
namespace {

// At most `limit` bytes of a small kernel file; never blocks on something that is not a file.
std::optional<std::string> readSmall(const std::filesystem::path& path, std::size_t limit) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return std::nullopt;
    std::string text(limit, '\0');
    std::size_t length = 0;
    while (length < limit) {
        const ssize_t n = ::read(fd, text.data() + length, limit - length);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        length += static_cast<std::size_t>(n);
    }
    ::close(fd);
    text.resize(length);
    return text;
}

// The text up to the first zero byte, trimmed; invalid UTF-8 is repaired.
QString cleaned(const std::string& bytes) {
    return QString::fromUtf8(bytes.c_str()).trimmed();
}

int collectBuildId(dl_phdr_info* info, size_t, void* data) {
    // The first object listed is the program itself.
    auto* out = static_cast<std::optional<QString>*>(data);
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        const auto& header = info->dlpi_phdr[i];
        if (header.p_type != PT_NOTE) continue;
        const auto* at = reinterpret_cast<const unsigned char*>(info->dlpi_addr + header.p_vaddr);
        const auto* end = at + header.p_memsz;
        while (at + sizeof(ElfW(Nhdr)) <= end) {
            const auto* note = reinterpret_cast<const ElfW(Nhdr)*>(at);
            const auto* name = at + sizeof(ElfW(Nhdr));
            const auto* desc = name + ((note->n_namesz + 3) & ~3u);
            const auto* next = desc + ((note->n_descsz + 3) & ~3u);
            if (next > end) break;
            if (note->n_type == NT_GNU_BUILD_ID && note->n_namesz == 4 &&
                std::string_view(reinterpret_cast<const char*>(name), 3) == "GNU") {
                *out = QString::fromLatin1(
                    QByteArray(reinterpret_cast<const char*>(desc), static_cast<qsizetype>(note->n_descsz))
                        .toHex());
                return 1;
            }
            at = next;
        }
    }
    return 1;
}

std::optional<std::int64_t> number(std::string_view text) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc()) return std::nullopt;
    return value;
}

} // namespace

QString hardwareModel(const std::filesystem::path& root) {
    for (const char* source : {"sys/class/dmi/id/product_name", "proc/device-tree/model"})
        if (const auto text = readSmall(root / source, 256)) {
            const QString model = cleaned(*text);
            if (!model.isEmpty()) return model;
        }
    return QStringLiteral("unknown");
}

std::optional<QString> buildId() {
    std::optional<QString> id;
    ::dl_iterate_phdr(collectBuildId, &id);
    return id;
}

std::optional<std::int64_t> processStartTimeMs() {
    const auto stat = readSmall("/proc/self/stat", 4096);
    const long ticksPerSecond = ::sysconf(_SC_CLK_TCK);
    if (!stat || ticksPerSecond <= 0) return std::nullopt;
    // The command name may hold spaces and parentheses: the fields after it follow the last ')'.
    const auto close = stat->rfind(')');
    if (close == std::string::npos) return std::nullopt;
    std::string_view rest = std::string_view(*stat).substr(close + 2);
    // "state" is field 3; the start time (in ticks since boot) is field 22.
    for (int field = 3; field < 22; ++field) {
        const auto space = rest.find(' ');
        if (space == std::string_view::npos) return std::nullopt;
        rest.remove_prefix(space + 1);
    }
    const auto startTicks = number(rest.substr(0, rest.find(' ')));
    timespec boot{}, real{};
    if (!startTicks || ::clock_gettime(CLOCK_BOOTTIME, &boot) != 0 || ::clock_gettime(CLOCK_REALTIME, &real) != 0)
        return std::nullopt;
    // The kernel counts whole ticks: the next tick (and a millisecond for the clocks' rounding) is
    // the first moment surely after the start.
    const std::int64_t startSinceBootMs = (*startTicks + 1) * 1000 / ticksPerSecond + 1;
    const std::int64_t bootMs = std::int64_t{boot.tv_sec} * 1000 + boot.tv_nsec / 1000000;
    const std::int64_t realMs = std::int64_t{real.tv_sec} * 1000 + real.tv_nsec / 1000000;
    return realMs - bootMs + startSinceBootMs;
}

} // namespace quorvane::SystemInfo
