#include "platform/SettingsStore.h"

#include <QJsonArray>

namespace quorvane {

std::optional<QString> SettingsStore::string(const QString& key) const {
    const QJsonValue stored = value(key);
    if (!stored.isString()) return std::nullopt;
    return stored.toString();
}

std::optional<double> SettingsStore::number(const QString& key) const {
    const QJsonValue stored = value(key);
    if (!stored.isDouble()) return std::nullopt;
    return stored.toDouble();
}

std::optional<bool> SettingsStore::boolean(const QString& key) const {
    const QJsonValue stored = value(key);
    if (!stored.isBool()) return std::nullopt;
    return stored.toBool();
}

std::optional<QStringList> SettingsStore::stringArray(const QString& key) const {
    const QJsonValue stored = value(key);
    if (!stored.isArray()) return std::nullopt;
    QStringList strings;
    for (const QJsonValue& element : stored.toArray()) {
        if (!element.isString()) return std::nullopt;
        strings << element.toString();
    }
    return strings;
}

} // namespace quorvane
