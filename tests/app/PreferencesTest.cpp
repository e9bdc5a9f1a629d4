#include "app/Preferences.h"

#include "platform/JsonSettingsStore.h"
#include "support/TempDir.h"
#include "support/WaitUntil.h"

#include <QDir>
#include <QJsonDocument>
#include <cmath>
#include <fstream>
#include <gtest/gtest.h>
#include <tuple>

namespace quorvane {
namespace {

using Format = ImageExporter::Format;
using HotKeys = Preferences::HotKeys;

QJsonObject json(const char* text) {
    return QJsonDocument::fromJson(text).object();
}

// Every preference but the hot keys.
auto snapshot(const Preferences& p) {
    return std::tuple(p.saveFolder(), p.format(), p.jpegQuality(), p.hideAfterSave(), p.postCaptureAction(),
                      p.autoScrollSpeed());
}

// A settings file in a folder of its own, read as a start would.
class PreferencesTest : public testing::Test {
protected:
    test::TempDir folder;
    const std::filesystem::path file = folder / "settings.json";

    QJsonObject onDisk() const { return JsonSettingsStore(file).values(); }
    // What a start on a file holding `text` reads.
    template<class Getter>
    auto readFrom(const char* text, Getter getter) {
        std::ofstream(file) << text;
        JsonSettingsStore store(file);
        return getter(Preferences(store));
    }
};

TEST_F(PreferencesTest, FirstLaunchDefaultsAndStoredValuesThatFallBackOneByOne) {
    auto defaults = std::tuple(QDir::homePath() + "/Pictures", Format::png, 0.9, false,
                               PostCaptureAction::openEditor, AutoScrollSpeed::normal);
    JsonSettingsStore store(file);
    Preferences::migrateLegacyDomain(std::nullopt, store);
    const Preferences preferences(store);
    EXPECT_EQ(snapshot(preferences), defaults);
    EXPECT_EQ(preferences.hotKeys(), HotKeyCenter::defaultBindings());
    EXPECT_EQ(onDisk(), json(R"({"migratedFromTolmDomain": true})"));
    // A value out of range or of the wrong type falls back on its own, keeping the others.
    // A saved folder wins over an exported one.
    EXPECT_EQ(readFrom(R"({"jpegQuality": 1.5, "exportFormat": "jpeg", "exportFolder": "/srv/a",
                           "saveFolder": "/srv/b", "hideAfterSave": true, "postCaptureAction": "copyToClipboard",
                           "autoScrollSpeed": "fast"})",
                       snapshot),
              std::tuple(QString("/srv/b"), Format::jpeg, 1.0, true, PostCaptureAction::copyToClipboard,
                         AutoScrollSpeed::fast));
    EXPECT_EQ(std::get<2>(readFrom(R"({"jpegQuality": -0.2})", snapshot)), 0.0);
    // A relative folder would land wherever the program was started.
    std::get<0>(defaults) = "/srv/shots";
    EXPECT_EQ(readFrom(R"({"jpegQuality": "0.5", "exportFormat": "JPEG", "saveFolder": "shots",
                           "exportFolder": "/srv/shots", "hideAfterSave": "yes",
                           "postCaptureAction": "CopyToClipboard", "autoScrollSpeed": 2})",
                       snapshot),
              defaults);
}

TEST_F(PreferencesTest, ChangesAreWrittenAndPublishedCorrected) {
    std::ofstream(file) << R"({"exportFolder": "/srv/shots"})";
    JsonSettingsStore store(file);
    Preferences preferences(store);
    std::vector<double> published;
    QObject::connect(&preferences, &Preferences::jpegQualityChanged, &preferences,
                     [&] { published.push_back(preferences.jpegQuality()); });
    preferences.setJpegQuality(2.0);
    preferences.setJpegQuality(std::nan(""));
    EXPECT_EQ(published, std::vector<double>{1.0});
    preferences.setJpegQuality(0.25);
    preferences.setPostCaptureAction(PostCaptureAction::saveToFolder);
    preferences.setAutoScrollSpeed(AutoScrollSpeed::slow);
    preferences.setHideAfterSave(true);
    preferences.setSaveFolder(QStringLiteral("/srv/other"));
    EXPECT_EQ(onDisk(), json(R"({"exportFolder": "/srv/shots", "jpegQuality": 0.25,)"
                             R"( "postCaptureAction": "saveToFolder", "autoScrollSpeed": "slow",)"
                             R"( "hideAfterSave": true, "saveFolder": "/srv/other"})"));

    // An observer that changes the value again has the last word on disk too.
    QObject::connect(&preferences, &Preferences::formatChanged, &preferences, [&] {
        if (preferences.format() == Format::jpeg) preferences.setFormat(Format::png);
    });
    preferences.setFormat(Format::jpeg);
    EXPECT_EQ(preferences.format(), Format::png);
    EXPECT_EQ(onDisk().value("exportFormat"), QJsonValue("png"));
}

TEST_F(PreferencesTest, HotKeysSurviveARestartAndOlderOrDamagedOnesFallBack) {
    using enum HotKeyAction;
    const HotKeys& defaults = HotKeyCenter::defaultBindings();
    HotKeys chosen = defaults;
    chosen.erase(scrollingCapture); // cleared stays cleared
    chosen[captureArea] = {96, 0};
    {
        JsonSettingsStore store(file);
        Preferences(store).setHotKeys(chosen);
    }
    JsonSettingsStore store(file);
    EXPECT_EQ(Preferences(store).hotKeys(), chosen);

    const auto hotKeys = [](const Preferences& p) { return p.hotKeys(); };
    // Without "hotKeyActions" the store knew four actions: the fifth gets its default, even over a
    // stored one, and the other three stay cleared.
    EXPECT_EQ(readFrom(R"({"hotKeys": "{\"captureArea\": {\"keyCode\": 96, \"modifiers\": 0},)"
                       R"( \"scrollingCapture\": {\"keyCode\": 96, \"modifiers\": 0}}"})",
                       hotKeys),
              (HotKeys{{captureArea, {96, 0}}, {scrollingCapture, defaults.at(scrollingCapture)}}));
    // With it, only the actions it does not name get their defaults; unknown names are ignored.
    EXPECT_EQ(readFrom(R"({"hotKeys": "{\"captureArea\": {\"keyCode\": 4294967295, \"modifiers\": 0},)"
                       R"( \"somethingNew\": {\"keyCode\": 96, \"modifiers\": 0}}",)"
                       R"( "hotKeyActions": ["captureArea", "scrollingCapture", "later"]})",
                       hotKeys),
              (HotKeys{{captureArea, {4294967295u, 0}},
                       {captureScreen, defaults.at(captureScreen)},
                       {repeatArea, defaults.at(repeatArea)},
                       {recognizeArea, defaults.at(recognizeArea)}}));
    // Text that is not JSON, an object instead of text, or a binding whose numbers are missing, negative,
    // fractional or beyond 32 bits makes the whole map fall back.
    for (const char* damaged :
         {R"({"hotKeys": "{\"captureArea\": {\"keyCode\": 96"})",
          R"({"hotKeys": {"captureArea": {"keyCode": 96, "modifiers": 0}}})",
          R"({"hotKeys": "{\"captureArea\": {\"keyCode\": 96}}"})",
          R"({"hotKeys": "{\"captureArea\": {\"keyCode\": -1, \"modifiers\": 0}}"})",
          R"({"hotKeys": "{\"captureArea\": {\"keyCode\": 1.5, \"modifiers\": 0}}"})",
          R"({"hotKeys": "{\"captureArea\": {\"keyCode\": 4294967296, \"modifiers\": 0}}"})"})
        EXPECT_EQ(readFrom(damaged, hotKeys), defaults) << damaged;
}

TEST_F(PreferencesTest, EarlierSettingsAreCopiedExactlyOnceWithoutReplacingOurs) {
    std::ofstream(file) << R"({"jpegQuality": 0.5})";
    JsonSettingsStore store(file);
    Preferences::migrateLegacyDomain(json(R"({"jpegQuality": 0.1, "exportFormat": "jpeg"})"), store);
    EXPECT_EQ(onDisk(),
              json(R"({"jpegQuality": 0.5, "exportFormat": "jpeg", "migratedFromTolmDomain": true})"));
    Preferences::migrateLegacyDomain(json(R"({"hideAfterSave": true})"), store);
    EXPECT_FALSE(store.contains("hideAfterSave"));
}

// Damaged settings may lose the marker along with the user's entries; the earlier program's
// values must not come back in their place.
TEST_F(PreferencesTest, DamagedSettingsNeverBringBackTheEarlierOnes) {
    const QJsonObject earlier = json(R"({"postCaptureAction": "copyToClipboard", "saveFolder": "/srv/old",)"
                                     R"( "jpegQuality": 0.1})");
    const std::string cut = R"({"jpegQuality": 0.5, "migratedFromTolmDomain": true, "saveFolder": "/srv/new)";
    const std::string padded =
        R"({"jpegQuality": 0.5, "hideAfterSave": true, "migratedFr)" + std::string(64, '\0');
    const std::string oversized = R"({"jpegQuality": 0.5, "padding": ")" +
                                  std::string(2 * JsonSettingsStore::maxBytes, ' ') +
                                  R"(", "saveFolder": "/srv/new"})";
    for (const std::string& damaged : {cut, padded, oversized, std::string("[1, 2]")}) {
        SCOPED_TRACE(damaged.substr(0, 40));
        std::ofstream(file, std::ios::binary | std::ios::trunc) << damaged;
        JsonSettingsStore store(file);
        Preferences::migrateLegacyDomain(earlier, store);
        EXPECT_EQ(store.boolean("migratedFromTolmDomain"), true);
        EXPECT_FALSE(store.contains("postCaptureAction") || store.contains("saveFolder"));
        EXPECT_NE(store.number("jpegQuality"), 0.1);
        EXPECT_EQ(onDisk(), store.values());
        std::filesystem::remove(file);
    }
}

// Another instance (on another display) shares the file: what it changes shows here as a change
// made here would, every changed field announcing itself once everything is in place, and this
// instance's next change keeps the other's.
TEST_F(PreferencesTest, ChangesOfAnotherInstanceShowHereAndAreKept) {
    JsonSettingsStore store(file);
    store.watch();
    Preferences here(store);
    JsonSettingsStore otherStore(file);
    Preferences other(otherStore);
    std::vector<std::string> heard;
    const auto listen = [&](void (Preferences::*signal)(), const char* name) {
        QObject::connect(&here, signal, &here, [&, name] {
            // Nothing is half-changed when a field is announced.
            EXPECT_TRUE(here.hideAfterSave() && here.format() == Format::jpeg &&
                        !here.hotKeys().contains(HotKeyAction::repeatArea));
            heard.push_back(name);
        });
    };
    listen(&Preferences::hideAfterSaveChanged, "hideAfterSave");
    listen(&Preferences::formatChanged, "format");
    listen(&Preferences::hotKeysChanged, "hotKeys");
    listen(&Preferences::saveFolderChanged, "saveFolder");
    HotKeys fewer = HotKeyCenter::defaultBindings();
    fewer.erase(HotKeyAction::repeatArea);
    other.setHideAfterSave(true);
    other.setFormat(Format::jpeg);
    other.setHotKeys(fewer);
    ASSERT_TRUE(test::waitUntil([&] { return here.hotKeys() == fewer && here.hideAfterSave(); }));
    EXPECT_EQ(here.format(), Format::jpeg);
    std::sort(heard.begin(), heard.end());
    EXPECT_EQ(heard, (std::vector<std::string>{"format", "hideAfterSave", "hotKeys"}));

    here.setPostCaptureAction(PostCaptureAction::copyToClipboard);
    const QJsonObject stored = onDisk();
    EXPECT_EQ(stored.value("hideAfterSave"), QJsonValue(true));
    EXPECT_EQ(stored.value("exportFormat"), QJsonValue("jpeg"));
    EXPECT_EQ(stored.value("postCaptureAction"), QJsonValue("copyToClipboard"));
}

TEST(Preferences, RegistrationMessagesSpeakLinux) {
    using enum HotKeyAction;
    using enum HotKeyRegistrationError;
    EXPECT_EQ(Preferences::hotKeyMessages({{captureArea, conflict},
                                           {repeatArea, systemShortcut},
                                           {recognizeArea, screenshotShortcut},
                                           {scrollingCapture, invalid}}),
              (Preferences::HotKeyErrors{{captureArea, "In use by another app or Quorvane action"},
                                         {repeatArea, "Reserved by the desktop"},
                                         {recognizeArea, "Reserved for the desktop's screenshot shortcuts"},
                                         {scrollingCapture, "Add Ctrl, Alt or Super"}}));
}

} // namespace
} // namespace quorvane
