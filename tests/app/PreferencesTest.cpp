#include "app/Preferences.h"

#include "app/AppIdentity.h"
#include "platform/JsonSettingsStore.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <cmath>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

using Format = ImageExporter::Format;

struct Stored {
    test::TempDir folder;
    std::filesystem::path file = folder / "settings.json";

    explicit Stored(const QJsonObject& values = {}) {
        if (values.isEmpty()) return;
        QFile out(QString::fromStdString(file.string()));
        out.open(QIODevice::WriteOnly);
        out.write(QJsonDocument(values).toJson());
    }
    // What a later start would read.
    QJsonObject onDisk() const { return JsonSettingsStore(file).values(); }
};

QString hotKeysText(const QJsonObject& members) {
    return QString::fromUtf8(QJsonDocument(members).toJson(QJsonDocument::Compact));
}

TEST(Preferences, FirstLaunchGivesDefaultsAndWritesOnlyTheMarker) {
    Stored stored;
    JsonSettingsStore store(stored.file);
    Preferences::migrateLegacyDomain(std::nullopt, store);
    Preferences preferences(store);
    EXPECT_EQ(preferences.saveFolder(), QDir::homePath() + QStringLiteral("/Pictures"));
    EXPECT_EQ(preferences.format(), Format::png);
    EXPECT_EQ(preferences.jpegQuality(), 0.9);
    EXPECT_FALSE(preferences.hideAfterSave());
    EXPECT_EQ(preferences.postCaptureAction(), PostCaptureAction::openEditor);
    EXPECT_EQ(preferences.autoScrollSpeed(), AutoScrollSpeed::normal);
    EXPECT_EQ(preferences.hotKeys(), HotKeyCenter::defaultBindings());
    EXPECT_TRUE(preferences.hotKeyErrors().empty());
    EXPECT_EQ(stored.onDisk(), (QJsonObject{{"migratedFromTolmDomain", true}}));
}

TEST(Preferences, StoredValuesOutOfRangeOrOfTheWrongTypeFallBack) {
    const auto read = [](const QJsonObject& values) {
        Stored stored(values);
        JsonSettingsStore store(stored.file);
        Preferences preferences(store);
        return std::make_tuple(preferences.jpegQuality(), preferences.format(), preferences.saveFolder(),
                               preferences.postCaptureAction(), preferences.autoScrollSpeed(),
                               preferences.hideAfterSave());
    };
    EXPECT_EQ(std::get<0>(read({{"jpegQuality", 1.5}})), 1.0);
    EXPECT_EQ(std::get<0>(read({{"jpegQuality", -0.2}})), 0.0);
    EXPECT_EQ(std::get<0>(read({{"jpegQuality", "0.5"}})), 0.9);
    EXPECT_EQ(std::get<1>(read({{"exportFormat", "JPEG"}})), Format::png);
    EXPECT_EQ(std::get<1>(read({{"exportFormat", "jpeg"}})), Format::jpeg);
    EXPECT_EQ(std::get<2>(read({{"exportFolder", "/srv/shots"}})), QStringLiteral("/srv/shots"));
    EXPECT_EQ(std::get<2>(read({{"exportFolder", "/srv/shots"}, {"saveFolder", "/home/me/Shots"}})),
              QStringLiteral("/home/me/Shots"));
    // A relative folder would land wherever the program was started.
    EXPECT_EQ(std::get<2>(read({{"saveFolder", "shots"}})), QDir::homePath() + QStringLiteral("/Pictures"));
    EXPECT_EQ(std::get<3>(read({{"postCaptureAction", "CopyToClipboard"}})), PostCaptureAction::openEditor);
    EXPECT_EQ(std::get<4>(read({{"autoScrollSpeed", "fast"}})), AutoScrollSpeed::fast);
    EXPECT_EQ(std::get<4>(read({{"autoScrollSpeed", 2}})), AutoScrollSpeed::normal);
    EXPECT_EQ(std::get<5>(read({{"hideAfterSave", true}})), true);
    EXPECT_EQ(std::get<5>(read({{"hideAfterSave", "yes"}})), false);
}

TEST(Preferences, ChangesAreWrittenAndPublishedCorrected) {
    Stored stored({{"exportFolder", "/srv/shots"}});
    JsonSettingsStore store(stored.file);
    Preferences preferences(store);
    std::vector<double> published;
    QObject::connect(&preferences, &Preferences::jpegQualityChanged, &preferences,
                     [&] { published.push_back(preferences.jpegQuality()); });
    preferences.setJpegQuality(2.0);
    EXPECT_EQ(published, std::vector<double>{1.0});
    preferences.setJpegQuality(std::nan(""));
    EXPECT_EQ(preferences.jpegQuality(), 1.0);
    preferences.setJpegQuality(0.25);
    preferences.setFormat(Format::jpeg);
    preferences.setPostCaptureAction(PostCaptureAction::saveToFolder);
    preferences.setAutoScrollSpeed(AutoScrollSpeed::slow);
    preferences.setHideAfterSave(true);
    EXPECT_EQ(stored.onDisk(), (QJsonObject{{"exportFolder", "/srv/shots"},
                                            {"jpegQuality", 0.25},
                                            {"exportFormat", "jpeg"},
                                            {"postCaptureAction", "saveToFolder"},
                                            {"autoScrollSpeed", "slow"},
                                            {"hideAfterSave", true}}));
    preferences.setSaveFolder(QStringLiteral("/srv/other"));
    EXPECT_EQ(stored.onDisk().value("saveFolder"), QJsonValue("/srv/other"));

    // An observer that changes the value again has the last word on disk too.
    preferences.setFormat(Format::png);
    QObject::connect(&preferences, &Preferences::formatChanged, &preferences, [&] {
        if (preferences.format() == Format::jpeg) preferences.setFormat(Format::png);
    });
    preferences.setFormat(Format::jpeg);
    EXPECT_EQ(preferences.format(), Format::png);
    EXPECT_EQ(stored.onDisk().value("exportFormat"), QJsonValue("png"));
}

TEST(Preferences, HotKeysSurviveARestartAndClearedStaysCleared) {
    Stored stored;
    Preferences::HotKeys chosen = HotKeyCenter::defaultBindings();
    chosen.erase(HotKeyAction::repeatArea);
    chosen[HotKeyAction::captureArea] = {96, 0};
    {
        JsonSettingsStore store(stored.file);
        Preferences(store).setHotKeys(chosen);
    }
    JsonSettingsStore store(stored.file);
    EXPECT_EQ(Preferences(store).hotKeys(), chosen);
    EXPECT_EQ(store.stringArray("hotKeyActions"), (QStringList{"captureArea", "captureScreen", "repeatArea",
                                                               "recognizeArea", "scrollingCapture"}));
}

TEST(Preferences, StoredHotKeysFromOlderOrDamagedStores) {
    const auto hotKeys = [](const QJsonObject& values) {
        Stored stored(values);
        JsonSettingsStore store(stored.file);
        return Preferences(store).hotKeys();
    };
    const QJsonObject f5{{"keyCode", 96}, {"modifiers", 0}};
    const auto& defaults = HotKeyCenter::defaultBindings();
    // Without "hotKeyActions" the store knew four actions: the fifth gets its default, even
    // over a stored one.
    auto read = hotKeys({{"hotKeys", hotKeysText({{"captureArea", f5}, {"scrollingCapture", f5}})}});
    EXPECT_EQ(read, (Preferences::HotKeys{
                        {HotKeyAction::captureArea, {96, 0}},
                        {HotKeyAction::scrollingCapture, defaults.at(HotKeyAction::scrollingCapture)}}));
    read = hotKeys({{"hotKeys", hotKeysText({{"captureArea", f5}, {"somethingNew", f5}})},
                    {"hotKeyActions", QJsonArray{"captureArea", "scrollingCapture", "later"}}});
    EXPECT_EQ(read, (Preferences::HotKeys{
                        {HotKeyAction::captureArea, {96, 0}},
                        {HotKeyAction::captureScreen, defaults.at(HotKeyAction::captureScreen)},
                        {HotKeyAction::repeatArea, defaults.at(HotKeyAction::repeatArea)},
                        {HotKeyAction::recognizeArea, defaults.at(HotKeyAction::recognizeArea)}}));
    EXPECT_EQ(hotKeys({{"hotKeys", "{\"captureArea\": {\"keyCode\": 96"}}), defaults);
    EXPECT_EQ(hotKeys({{"hotKeys", hotKeysText({{"captureArea", QJsonObject{{"keyCode", 96}}}})}}), defaults);
    EXPECT_EQ(hotKeys({{"hotKeys", QJsonObject{{"captureArea", f5}}}}), defaults);
}

TEST(Preferences, EarlierSettingsAreCopiedExactlyOnce) {
    Stored stored({{"jpegQuality", 0.5}});
    JsonSettingsStore store(stored.file);
    Preferences::migrateLegacyDomain(QJsonObject{{"jpegQuality", 0.1}, {"exportFormat", "jpeg"}}, store);
    EXPECT_EQ(
        stored.onDisk(),
        (QJsonObject{{"jpegQuality", 0.5}, {"exportFormat", "jpeg"}, {"migratedFromTolmDomain", true}}));
    Preferences::migrateLegacyDomain(QJsonObject{{"hideAfterSave", true}}, store);
    EXPECT_FALSE(store.contains("hideAfterSave"));
}

TEST(Preferences, ApplicationStoreCopiesTheEarlierIdsFile) {
    const auto earlier = JsonSettingsStore::fileFor("com.tolm.Tolm");
    std::filesystem::create_directories(earlier.parent_path());
    QFile out(QString::fromStdString(earlier.string()));
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(R"({"postCaptureAction": "copyToClipboard", "lastExport": "/srv/shots/a.png"})");
    out.close();

    SettingsStore& store = Preferences::appDefaults();
    EXPECT_EQ(&store, &Preferences::appDefaults());
    EXPECT_EQ(JsonSettingsStore(JsonSettingsStore::fileFor(applicationId)).values(),
              (QJsonObject{{"postCaptureAction", "copyToClipboard"},
                           {"lastExport", "/srv/shots/a.png"},
                           {"migratedFromTolmDomain", true}}));
    EXPECT_EQ(Preferences(store).postCaptureAction(), PostCaptureAction::copyToClipboard);
}

TEST(Preferences, RegistrationMessagesSpeakLinux) {
    const auto messages = Preferences::hotKeyMessages(
        {{HotKeyAction::captureArea, HotKeyRegistrationError::conflict},
         {HotKeyAction::repeatArea, HotKeyRegistrationError::systemShortcut},
         {HotKeyAction::recognizeArea, HotKeyRegistrationError::screenshotShortcut},
         {HotKeyAction::scrollingCapture, HotKeyRegistrationError::invalid}});
    EXPECT_EQ(messages, (Preferences::HotKeyErrors{
                            {HotKeyAction::captureArea, "In use by another app or Quorvane action"},
                            {HotKeyAction::repeatArea, "Reserved by the desktop"},
                            {HotKeyAction::recognizeArea, "Reserved for the desktop's screenshot shortcuts"},
                            {HotKeyAction::scrollingCapture, "Add Ctrl, Alt or Super"}}));
}

} // namespace
} // namespace quorvane
