#pragma once

// The integer settings that the desktop's XSETTINGS manager (xsettingsd, a desktop's settings
// daemon) publishes for the screen, read on a connection of our own and read again whenever the
// manager changes them, goes or another one starts.

#include <QObject>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

struct xcb_connection_t;
class QSocketNotifier;

namespace quorvane {

class XSettingsWatch : public QObject {
    Q_OBJECT

public:
    // Watches the screen of $DISPLAY; null when there is no X server to reach.
    static std::unique_ptr<XSettingsWatch> open();
    ~XSettingsWatch() override;
    XSettingsWatch(const XSettingsWatch&) = delete;
    XSettingsWatch& operator=(const XSettingsWatch&) = delete;

    // The setting `name` ("Gtk/EnableAnimations"); none without a manager, when the manager does
    // not set it, or when its list is damaged.
    std::optional<std::int32_t> integer(const std::string& name) const;

Q_SIGNALS:
    // The manager's settings were read anew (they may be the same).
    void changed();

private:
    XSettingsWatch() = default;
    void watchManager();
    void readSettings();
    void dispatch();
    void handle(const void* event);

    xcb_connection_t* connection_ = nullptr;
    std::uint32_t root_ = 0;
    std::uint32_t selection_ = 0;
    std::uint32_t settingsAtom_ = 0;
    std::uint32_t managerAtom_ = 0;
    std::uint32_t owner_ = 0;
    std::map<std::string, std::int32_t> settings_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace quorvane
