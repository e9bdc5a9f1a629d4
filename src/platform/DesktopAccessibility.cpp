#include "platform/DesktopAccessibility.h"

#include "core/Log.h"
#include "platform/GSettingsKey.h"
#include "platform/XSettingsWatch.h"

namespace quorvane {

DesktopAccessibility::DesktopAccessibility(const std::filesystem::path& keyFile)
    : animations_(GSettingsKey::boolean("org.gnome.desktop.interface", "enable-animations", keyFile)),
      highContrast_(GSettingsKey::boolean("org.gnome.desktop.a11y.interface", "high-contrast", keyFile)),
      xsettings_(XSettingsWatch::open()) {
    for (GSettingsKey* key : {animations_.get(), highContrast_.get()})
        if (key != nullptr) connect(key, &GSettingsKey::changed, this, &DesktopAccessibility::update);
    if (xsettings_) connect(xsettings_.get(), &XSettingsWatch::changed, this, &DesktopAccessibility::update);
    update();
}

DesktopAccessibility::~DesktopAccessibility() = default;

void DesktopAccessibility::update() {
    const auto xanimations = xsettings_ ? xsettings_->integer("Gtk/EnableAnimations") : std::nullopt;
    const bool reduce = (animations_ && !animations_->value()) || (xanimations && *xanimations == 0);
    const bool contrast = highContrast_ && highContrast_->value();
    if (reduce == reduceMotion_ && contrast == increaseContrast_) return;
    reduceMotion_ = reduce;
    increaseContrast_ = contrast;
    Log::app().log("Desktop settings: Reduce Motion {}, Increase Contrast {}", reduce ? "on" : "off",
                   contrast ? "on" : "off");
    Q_EMIT changed();
}

} // namespace quorvane
