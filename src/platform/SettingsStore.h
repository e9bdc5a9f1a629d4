#pragma once

// Typed settings keyed by name. A value of the wrong type reads as absent, so one bad value never
// costs the others.

#include "core/Error.h"
#include "core/Result.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QObject>
#include <QString>
#include <QStringList>
#include <optional>

namespace quorvane {

class SettingsStore : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // Undefined when the key is absent.
    virtual QJsonValue value(const QString& key) const = 0;
    virtual QJsonObject values() const = 0;
    // Sets every member of `changes` in one write. The values are kept even when they could not
    // be made durable, and go with the next write; the error says why they were not.
    virtual Result<void, Error> setValues(const QJsonObject& changes) = 0;
    // Whether the stored settings were found damaged at start, so that entries may be missing.
    virtual bool foundDamaged() const { return false; }

    Result<void, Error> setValue(const QString& key, const QJsonValue& value) {
        return setValues(QJsonObject{{key, value}});
    }
    bool contains(const QString& key) const { return !value(key).isUndefined(); }
    std::optional<QString> string(const QString& key) const;
    std::optional<double> number(const QString& key) const;
    std::optional<bool> boolean(const QString& key) const;
    // None unless every element is a string.
    std::optional<QStringList> stringArray(const QString& key) const;

Q_SIGNALS:
    // Another process (a second instance, on another display) changed the stored settings: the
    // values of `keys` differ now. Emitted on the next turn of the event loop, never in the
    // middle of a write.
    void changedElsewhere(const QStringList& keys);
};

} // namespace quorvane
