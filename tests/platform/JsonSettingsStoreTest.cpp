#include "platform/JsonSettingsStore.h"

#include "support/ResultPrinters.h"
#include "support/TempDir.h"

#include <QJsonArray>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <sstream>
#include <sys/stat.h>

namespace quorvane {
namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& file) {
    std::ostringstream bytes;
    bytes << std::ifstream(file, std::ios::binary).rdbuf();
    return bytes.str();
}

// Nothing is written until something changes; then a private file in a private folder, replaced
// without leaving temporary files. A failed write keeps the value in memory.
TEST(JsonSettingsStore, WritesAPrivateFileOnlyOnChange) {
    test::TempDir home;
    const auto file = home / "config" / "settings.json";
    std::optional<JsonSettingsStore> store(file);
    EXPECT_FALSE(store->problem() || fs::exists(file));
    EXPECT_TRUE(store->setValues({{"a", 1}, {"list", QJsonArray{"a", 2}}}) && store->setValue("a", 3));
    EXPECT_EQ(JsonSettingsStore(file).values(), (QJsonObject{{"a", 3}, {"list", QJsonArray{"a", 2}}}));
    EXPECT_EQ(store->stringArray("list"), std::nullopt);
    EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(fs::status(file.parent_path()).permissions(), fs::perms::owner_all);
    EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), {}), 1) << "no temporary files";
    std::ofstream(home / "file") << "a file where the folder should be";
    store.emplace(home / "file" / "settings.json");
    const auto refused = store->setValue("a", 1);
    ASSERT_FALSE(refused);
    EXPECT_FALSE(refused.error().message.isEmpty());
    EXPECT_EQ(store->value("a"), QJsonValue(1));
}

// A truncated file keeps its complete entries, written back at once; the file as it was is moved
// aside. Files that cannot be used at all are moved aside too, never over an earlier copy, even
// within the same second; a FIFO must not hang the start.
TEST(JsonSettingsStore, DamagedFilesAreMovedAsideNeverReplacedKeepingWhatCanBeSaved) {
    test::TempDir home;
    const auto file = home / "settings.json";
    const std::string truncated =
        R"({"saveFolder": "/srv/a,b", "nested": {"x": 1, "y": 2}, "jpegQuality": 0.5, "hotKe)";
    const std::string binary("\x89PNG\r\n\x1a\n\0\0\xff{,}", 14);
    std::ofstream(file) << truncated;
    std::optional<JsonSettingsStore> store(file);
    ASSERT_TRUE(store->problem());
    const QJsonObject saved{
        {"saveFolder", "/srv/a,b"}, {"nested", QJsonObject{{"x", 1}, {"y", 2}}}, {"jpegQuality", 0.5}};
    EXPECT_EQ(store->values(), saved);
    EXPECT_EQ(JsonSettingsStore(file).values(), saved);
    fs::remove(file);
    for (const auto& [content, reason] :
         {std::pair(binary, "is not valid JSON"),
          std::pair(std::string("[1, 2, 3]"), "does not hold a JSON object")}) {
        std::ofstream(file, std::ios::binary) << content;
        store.emplace(file);
        ASSERT_TRUE(store->problem());
        EXPECT_TRUE(store->problem()->reason.starts_with(reason)) << store->problem()->reason;
        EXPECT_TRUE(store->values().isEmpty());
        EXPECT_FALSE(fs::exists(file));
    }
    ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
    store.emplace(file);
    ASSERT_TRUE(store->problem());
    EXPECT_EQ(store->problem()->reason, "is not a regular file");
    EXPECT_TRUE(store->setValue("a", 1));
    std::multiset<std::string> aside;
    for (const auto& entry : fs::directory_iterator(home.path()))
        if (entry.path().filename().string().starts_with("settings.json.unreadable-"))
            aside.insert(entry.is_regular_file() ? readFile(entry.path()) : "(not a file)");
    EXPECT_EQ(aside, (std::multiset<std::string>{truncated, binary, "[1, 2, 3]", "(not a file)"}));

    // The earlier id's file is only read, never moved.
    std::ofstream(file) << "garbage";
    EXPECT_EQ(JsonSettingsStore::read(file), std::nullopt);
    EXPECT_EQ(JsonSettingsStore::read(home / "missing.json"), std::nullopt);
    EXPECT_EQ(readFile(file), "garbage");
    std::ofstream(file) << R"({"a": 1})";
    EXPECT_EQ(JsonSettingsStore::read(file), (QJsonObject{{"a", 1}}));
}

// Settings as the program writes them, with values full of commas, quotes and nesting.
QJsonObject realSettings() {
    QJsonArray many;
    for (int i = 0; i < 100; ++i)
        many.append(i % 2 ? QJsonValue(i) : QJsonValue(QString("item, %1").arg(i)));
    return {{"autoScrollSpeed", "fast"},
            {"exportFormat", "jpeg"},
            {"hideAfterSave", true},
            {"hotKeyActions", QJsonArray{"captureArea", "captureScreen", "repeatArea", "recognizeArea"}},
            {"hotKeys", R"({"captureArea":{"keyCode":21,"modifiers":6400},"captureScreen":{"keyCode":20,)"
                        R"("modifiers":6400},"repeatArea":{"keyCode":15,"modifiers":6400}})"},
            {"jpegQuality", 0.95},
            {"lastExport", "/home/someone/Pictures/a \"quoted\", name.png"},
            {"manyCommas", many},
            {"migratedFromTolmDomain", true},
            {"nested", QJsonObject{{"x", QJsonArray{1, 2, QJsonObject{{"y", "}],"}}}}, {"z", QJsonValue()}}},
            {"postCaptureAction", "saveToFolder"},
            {"saveFolder", "/srv/a, b"}};
}

// A file cut anywhere, or cut and padded with zeros as a crash or a full disk leaves it, keeps
// every entry whose value was whole before the cut, and no value that was cut.
TEST(JsonSettingsStore, SalvageKeepsEveryEntryThatWasWholeBeforeTheCut) {
    test::TempDir home;
    const auto file = home / "settings.json";
    const QJsonObject settings = realSettings();
    ASSERT_TRUE(JsonSettingsStore(file).setValues(settings));
    const std::string text = readFile(file);
    fs::remove(file);
    // Where each entry's value ends in the indented text: at the comma or line end after it.
    std::vector<std::pair<QString, std::size_t>> ends;
    for (std::size_t at = text.find("\n    \""); at != std::string::npos;) {
        const std::size_t next = text.find("\n    \"", at + 1);
        const std::size_t end = next == std::string::npos ? text.rfind("\n}") : next - 1;
        const std::size_t keyEnd = text.find('"', at + 6);
        ends.emplace_back(QString::fromStdString(text.substr(at + 6, keyEnd - at - 6)), end);
        at = next;
    }
    ASSERT_EQ(ends.size(), std::size_t(settings.size()));
    for (std::size_t cut = 0; cut <= text.size(); ++cut) {
        for (const std::string& damaged :
             {text.substr(0, cut), text.substr(0, cut) + std::string(64, '\0')}) {
            std::ofstream(file, std::ios::binary | std::ios::trunc) << damaged;
            const QJsonObject kept = JsonSettingsStore::read(file).value_or(QJsonObject());
            for (const auto& [key, end] : ends)
                if (end < cut)
                    EXPECT_TRUE(kept.contains(key)) << "cut at " << cut << ": " << key.toStdString();
            for (auto it = kept.begin(); it != kept.end(); ++it)
                EXPECT_EQ(it.value(), settings.value(it.key())) << "cut at " << cut;
        }
    }
    // A whole object followed by zeros or garbage keeps every entry; one broken value costs only
    // itself.
    const std::string whole = text.substr(0, text.rfind('}') + 1);
    for (const std::string& tail : {std::string(4096, '\0'), std::string("garbage"), std::string("}\n{")}) {
        std::ofstream(file, std::ios::binary | std::ios::trunc) << whole + tail;
        EXPECT_EQ(JsonSettingsStore::read(file), settings);
    }
    std::ofstream(file, std::ios::binary | std::ios::trunc) << R"({"a": 1, "b": tru, "c": [1,, 2], "d": 4})";
    EXPECT_EQ(JsonSettingsStore::read(file), (QJsonObject{{"a", 1}, {"d", 4}}));
}

// A file over the size cap is moved aside, and the entries within its first part are kept and
// written back.
TEST(JsonSettingsStore, AnOversizedFileKeepsTheEntriesOfItsFirstPart) {
    test::TempDir home;
    const auto file = home / "settings.json";
    const std::string huge = R"({"hotKeys": "{\"captureArea\": 1}", "saveFolder": "/srv/shots", "zzz": ")" +
                             std::string(2 * JsonSettingsStore::maxBytes, 'x') + "\"}";
    std::ofstream(file, std::ios::binary) << huge;
    const JsonSettingsStore store(file);
    ASSERT_TRUE(store.problem());
    EXPECT_EQ(store.problem()->reason, "is larger than 1 MiB");
    EXPECT_TRUE(store.foundDamaged());
    const QJsonObject kept{{"hotKeys", R"({"captureArea": 1})"}, {"saveFolder", "/srv/shots"}};
    EXPECT_EQ(store.values(), kept);
    EXPECT_EQ(JsonSettingsStore(file).values(), kept);
    EXPECT_EQ(fs::file_size(store.problem()->movedTo), huge.size());
}

} // namespace
} // namespace quorvane

namespace quorvane {
namespace {

// Settings kept in a dotfiles folder and linked into place: every write replaces the link's
// target, in its folder, with its permissions, and the link stays. A link to nothing, or to a
// folder, is unusable: it goes aside and a file of our own takes its place.
TEST(JsonSettingsStore, WritesThroughASymbolicLinkAndKeepsTheLink) {
    test::TempDir home;
    const auto dotfiles = home / "dotfiles" / "quorvane.json";
    fs::create_directories(dotfiles.parent_path());
    std::ofstream(dotfiles) << R"({"format": "jpeg"})";
    fs::permissions(dotfiles, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    const auto file = home / "config" / "settings.json";
    fs::create_directories(file.parent_path());
    for (const fs::path& link : {fs::path("../dotfiles/quorvane.json"), dotfiles}) {
        SCOPED_TRACE(link.string());
        fs::remove(file);
        fs::create_symlink(link, file);
        JsonSettingsStore store(file);
        EXPECT_FALSE(store.problem());
        EXPECT_EQ(store.value("format"), QJsonValue("jpeg"));
        ASSERT_EQ(store.setValue("hideAfterSave", true), (Result<void, Error>()));
        EXPECT_TRUE(fs::is_symlink(file));
        EXPECT_EQ(JsonSettingsStore(dotfiles).values(),
                  (QJsonObject{{"format", "jpeg"}, {"hideAfterSave", true}}));
        EXPECT_EQ(fs::status(dotfiles).permissions(),
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
        EXPECT_EQ(std::distance(fs::directory_iterator(dotfiles.parent_path()), {}), 1)
            << "no temporary files";
        EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), {}), 1);
    }

    for (const auto& [target, reason] : {std::pair(home / "gone.json", "is a symbolic link to nothing"),
                                         std::pair(home / "dotfiles", "is not a regular file")}) {
        SCOPED_TRACE(reason);
        fs::remove(file);
        fs::create_symlink(target, file);
        JsonSettingsStore store(file);
        ASSERT_TRUE(store.problem());
        EXPECT_EQ(store.problem()->reason, reason);
        EXPECT_TRUE(fs::is_symlink(store.problem()->movedTo)) << "the link itself is moved aside";
        ASSERT_EQ(store.setValue("a", 1), (Result<void, Error>()));
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(file)));
        fs::remove(store.problem()->movedTo);
    }
    // A link broken while the program runs is handled so on the next write.
    fs::remove(file);
    fs::create_symlink(dotfiles, file);
    JsonSettingsStore store(file);
    fs::rename(dotfiles, home / "moved.json");
    ASSERT_EQ(store.setValue("a", 2), (Result<void, Error>()));
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(file)));
    EXPECT_EQ(JsonSettingsStore(file).value("a"), QJsonValue(2));
}

} // namespace
} // namespace quorvane
