#include "app/ServiceFactory.h"

#include "app/DropZones.h"
#include "app/Preferences.h"
#include "capture/SystemCaptureService.h"
#include "core/AppIdentity.h"
#include "core/Log.h"
#include "platform/AutostartLoginItem.h"
#include "platform/DesktopAccessibility.h"
#include "platform/InputHold.h"
#include "platform/JsonSettingsStore.h"
#include "platform/LogStore.h"
#include "platform/SystemBeeper.h"
#include "platform/SystemClipboard.h"
#include "platform/TesseractEngineFactory.h"
#include "platform/TesseractLanguageData.h"
#include "platform/X11DropTarget.h"
#include "platform/X11HotKeyGrabber.h"
#include "platform/X11KeyboardLayout.h"
#include "platform/XdgDirectories.h"
#include "platform/XdndFilter.h"
#include "platform/ZXingBarcodeReader.h"
#include "recognition/TextRecognizer.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLocale>

namespace quorvane::ServiceFactory {
namespace {

// The application's settings, after the one-time copy from the earlier id.
std::unique_ptr<JsonSettingsStore> settingsStore() {
    // A damaged file is logged by the store, which moves it aside.
    auto store =
        std::make_unique<JsonSettingsStore>(JsonSettingsStore::fileFor(QString::fromLatin1(applicationId)));
    Preferences::migrateLegacyDomain(JsonSettingsStore::read(JsonSettingsStore::fileFor(
                                         QString::fromLatin1(Preferences::earlierApplicationId))),
                                     *store);
    // Instances on other displays share the file: their changes show here too.
    store->watch();
    return store;
}

} // namespace

std::filesystem::path logDirectory() {
    return XdgDirectories::stateHome() / applicationId / "log";
}

std::unique_ptr<Services> make(const QString& loginProgram) {
    Services::Parts parts;
    parts.logStore = std::make_unique<LogStore>(logDirectory());
    // What goes wrong while the others are made is kept in the store as well.
    LogSink* const before = Log::installSink(parts.logStore.get());
    parts.settings = settingsStore();
    parts.keyboardLayout = std::make_unique<X11KeyboardLayout>();
    parts.hotKeyGrabber = std::make_unique<X11HotKeyGrabber>();
    parts.captureService = std::make_unique<SystemCaptureService>();
    parts.clipboard = std::make_unique<SystemClipboard>(*QGuiApplication::clipboard());
    parts.beeper = std::make_unique<SystemBeeper>();
    // Automatic detection reads the user's interface languages first.
    parts.textRecognizer = std::make_unique<TextRecognizer>(
        std::make_shared<TesseractEngineFactory>(TesseractLanguageData::defaultFolder()),
        std::make_shared<ZXingBarcodeReader>(), QLocale::system().uiLanguages());
    parts.loginItem = std::make_unique<AutostartLoginItem>(
        AutostartLoginItem::defaultFolder(),
        loginProgram.isEmpty() ? QCoreApplication::applicationFilePath() : loginProgram);
    parts.desktopAccessibility = std::make_unique<DesktopAccessibility>();
    parts.xdndFilter = std::make_unique<XdndFilter>();
    parts.dropTarget = std::make_unique<X11DropTarget>(DropZones::kinds());
    parts.inputHold = std::make_unique<InputHold>();
    Log::installSink(before);
    return std::make_unique<Services>(std::move(parts));
}

} // namespace quorvane::ServiceFactory
