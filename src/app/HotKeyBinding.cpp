#include "app/HotKeyBinding.h"

#include <cmath>

namespace quorvane {
namespace {

std::optional<std::uint32_t> unsigned32(const QJsonValue& value) {
    if (!value.isDouble()) return std::nullopt;
    const double number = value.toDouble();
    if (!(number >= 0 && number <= 4294967295.0) || std::floor(number) != number) return std::nullopt;
    return static_cast<std::uint32_t>(number);
}

} // namespace

QJsonObject HotKeyBinding::toJson() const {
    return QJsonObject{{QStringLiteral("keyCode"), static_cast<qint64>(keyCode)},
                       {QStringLiteral("modifiers"), static_cast<qint64>(modifiers)}};
}

std::optional<HotKeyBinding> HotKeyBinding::fromJson(const QJsonValue& value) {
    if (!value.isObject()) return std::nullopt;
    const QJsonObject object = value.toObject();
    const auto keyCode = unsigned32(object.value(QStringLiteral("keyCode")));
    const auto modifiers = unsigned32(object.value(QStringLiteral("modifiers")));
    if (!keyCode || !modifiers) return std::nullopt;
    return HotKeyBinding{*keyCode, *modifiers};
}

} // namespace quorvane
