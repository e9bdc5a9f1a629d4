#include "app/ServiceFactory.h"

#include "app/HotKeyCenter.h"
#include "app/KeyNames.h"
#include "app/Preferences.h"
#include "capture/CaptureService.h"
#include "capture/x11/CaptureTestWindows.h"
#include "core/AppIdentity.h"
#include "core/Log.h"
#include "platform/Beeper.h"
#include "platform/Clipboard.h"
#include "platform/JsonSettingsStore.h"
#include "platform/LogStore.h"
#include "platform/XdgDirectories.h"
#include "recognition/TextRecognizer.h"
#include "support/PasteElsewhere.h"
#include "support/PrivateConfig.h"
#include "support/TestEnvironment.h"

#include <QDateTime>
#include <QJsonObject>
#include <gtest/gtest.h>
#include <unistd.h>

namespace quorvane {
namespace {

// How many entries of this process since `since` carry `message`, in `store`.
long stored(const LogStore& store, std::int64_t since, const std::string& message) {
    const auto entries = store.read(since, ::getpid());
    EXPECT_TRUE(entries.ok());
    if (!entries.ok()) return -1;
    return std::count_if(entries->begin(), entries->end(),
                         [&](const LogEntry& entry) { return entry.message == message; });
}

// Everything the program needs of the system comes out of the factory, works on a real X
// server, and the settings of the earlier id are there before the preferences read them.
TEST(ServiceFactoryX11, BuildsEveryServiceOfTheSession) {
    // Settings of its own: those of other tests of the process would already be migrated.
    const test::PrivateConfig config;
    QJsonObject earlier{{"postCaptureAction", "copyToClipboard"}, {"lastExport", "/srv/shots/a.png"}};
    ASSERT_TRUE(
        JsonSettingsStore(JsonSettingsStore::fileFor(Preferences::earlierApplicationId)).setValues(earlier));
    const std::unique_ptr<Services> services = ServiceFactory::make();

    earlier.insert("migratedFromTolmDomain", true);
    EXPECT_EQ(JsonSettingsStore(JsonSettingsStore::fileFor(applicationId)).values(), earlier);
    EXPECT_EQ(services->preferences().postCaptureAction(), PostCaptureAction::copyToClipboard);

    const auto content = test::awaitResult<ShareableContent>(
        [&](auto done) { services->captureService().targets(std::move(done)); });
    ASSERT_TRUE(content.ok());
    ASSERT_EQ(content->displays.size(), 1u);
    EXPECT_EQ(content->displays.front().frame, QRectF(0, 0, 1920, 1080));

    ASSERT_TRUE(services->clipboard().writeText("from the factory"));
    EXPECT_EQ(test::pasteElsewhere("UTF8_STRING"), QByteArray("from the factory"));

    HotKeyCenter center(services->hotKeyGrabber());
    EXPECT_TRUE(center.registerBindings(HotKeyCenter::defaultBindings()).empty());
    // Key code 16 is Y on the server's US layout.
    EXPECT_EQ(KeyNames::character(16, services->keyboardLayout()), QStringLiteral("Y"));
    services->beeper().beep();
    // The recognizer reads the installed language data.
    EXPECT_TRUE(services->textRecognizer().languages().contains(QStringLiteral("en")));
}

// The factory's log store is the one under the XDG state folder, the log writes into it alone
// while the services live, and afterwards into the sink it had before.
TEST(ServiceFactoryX11, LogsIntoTheStoreUnderTheStateFolder) {
    const std::int64_t since = QDateTime::currentMSecsSinceEpoch();
    {
        const std::unique_ptr<Services> services = ServiceFactory::make();
        EXPECT_EQ(services->logStore().directory(),
                  XdgDirectories::stateHome() / "com.quorvane.Quorvane" / "log");
        Log::app().log("Launched");
        EXPECT_EQ(stored(services->logStore(), since, "Launched"), 1);
    }
    Log::app().log("After the services");
    EXPECT_EQ(stored(test::logStore(), since, "After the services"), 1);
    EXPECT_EQ(stored(test::logStore(), since, "Launched"), 1);
}

} // namespace
} // namespace quorvane
