#include "app/Services.h"

#include "app/Preferences.h"
#include "capture/AreaSelectionOverlay.h"
#include "capture/CaptureService.h"
#include "core/AccessibilityOptions.h"
#include "core/Announcer.h"
#include "core/Log.h"
#include "platform/Beeper.h"
#include "platform/Clipboard.h"
#include "platform/DesktopAccessibility.h"
#include "platform/HotKeyGrabber.h"
#include "platform/InputHold.h"
#include "platform/KeyboardLayout.h"
#include "platform/LogStore.h"
#include "platform/LoginItemService.h"
#include "platform/SettingsStore.h"
#include "platform/X11DropTarget.h"
#include "platform/XdndFilter.h"
#include "recognition/TextRecognizer.h"

#include <QtGlobal>

namespace quorvane {

Services::Services(Parts parts) : parts_(std::move(parts)) {
    Q_ASSERT(parts_.logStore && parts_.settings && parts_.keyboardLayout && parts_.hotKeyGrabber &&
             parts_.captureService && parts_.clipboard && parts_.beeper && parts_.textRecognizer &&
             parts_.loginItem && parts_.desktopAccessibility && parts_.xdndFilter && parts_.dropTarget &&
             parts_.inputHold);
    previousSink_ = Log::installSink(parts_.logStore.get());
    preferences_ = std::make_unique<Preferences>(*parts_.settings);
    accessibilityOptions_ = std::make_unique<AccessibilityOptions>();
    const auto follow = [desktop = parts_.desktopAccessibility.get(), options = accessibilityOptions_.get()] {
        options->setReduceMotion(desktop->reduceMotion());
        options->setIncreaseContrast(desktop->increaseContrast());
    };
    follow();
    QObject::connect(parts_.desktopAccessibility.get(), &DesktopAccessibility::changed,
                     accessibilityOptions_.get(), follow);
    announcer_ = std::make_unique<Announcer>();
    areaPicker_ = std::make_unique<AreaSelectionOverlay>(*parts_.beeper, *accessibilityOptions_);
}

Services::~Services() {
    areaPicker_.reset();
    announcer_.reset();
    accessibilityOptions_.reset();
    preferences_.reset();
    // Whatever the others log on their way out is still kept.
    const std::unique_ptr<LogStore> logStore = std::move(parts_.logStore);
    parts_ = {};
    Log::installSink(previousSink_);
}

} // namespace quorvane
