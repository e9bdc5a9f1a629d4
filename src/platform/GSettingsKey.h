#pragma once

// One Boolean key of the desktop's settings (GSettings: dconf on GNOME and most Debian desktops),
// read now and watched for changes. A key counts only where a real store keeps it: without a
// settings store (GLib's in-memory stand-in), an installed schema or the key itself, there is no
// key to read.

#include <QObject>
#include <filesystem>
#include <memory>
#include <string>

struct _GSettings;

namespace quorvane {

class GSettingsKey : public QObject {
    Q_OBJECT

public:
    // The key `key` of the schema `schema` ("org.gnome.desktop.interface"), kept by the desktop's
    // settings store, or by the key file `keyFile` when one is given. Null when it is not there or
    // is not a Boolean.
    static std::unique_ptr<GSettingsKey> boolean(const std::string& schema, const std::string& key,
                                                 const std::filesystem::path& keyFile = {});
    ~GSettingsKey() override;
    GSettingsKey(const GSettingsKey&) = delete;
    GSettingsKey& operator=(const GSettingsKey&) = delete;

    bool value() const;

Q_SIGNALS:
    // The store reported a new value (it may be the same).
    void changed();

private:
    GSettingsKey(_GSettings* settings, std::string key);

    _GSettings* settings_;
    std::string key_;
    unsigned long handler_ = 0;
};

} // namespace quorvane
