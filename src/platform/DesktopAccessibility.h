#pragma once

// The desktop's Reduce Motion and Increase Contrast, read at start and followed while the program
// runs: GNOME's settings (org.gnome.desktop.interface enable-animations and
// org.gnome.desktop.a11y.interface high-contrast) where a settings store keeps them, and the
// XSETTINGS manager's Gtk/EnableAnimations, which desktops without GNOME's settings publish
// (xsettingsd). Motion is reduced when either source turns animations off: on a desktop whose
// store only holds GNOME's defaults, the XSETTINGS manager speaks for the user. Whatever is not
// there (no store, no session bus, no manager, a damaged list) leaves its option off.

#include <QObject>
#include <filesystem>
#include <memory>

namespace quorvane {

class GSettingsKey;
class XSettingsWatch;

class DesktopAccessibility : public QObject {
    Q_OBJECT

public:
    // The desktop's own settings store; `keyFile` puts a key file in its place (tests).
    explicit DesktopAccessibility(const std::filesystem::path& keyFile = {});
    ~DesktopAccessibility() override;

    bool reduceMotion() const { return reduceMotion_; }
    bool increaseContrast() const { return increaseContrast_; }

Q_SIGNALS:
    // Either option changed; not emitted when a source repeats a value.
    void changed();

private:
    void update();

    std::unique_ptr<GSettingsKey> animations_;
    std::unique_ptr<GSettingsKey> highContrast_;
    std::unique_ptr<XSettingsWatch> xsettings_;
    bool reduceMotion_ = false;
    bool increaseContrast_ = false;
};

} // namespace quorvane
