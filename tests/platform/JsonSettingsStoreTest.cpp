#include "platform/JsonSettingsStore.h"

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
    EXPECT_FALSE(store->setValue("a", 1));
    EXPECT_FALSE(store->lastError().empty());
    EXPECT_EQ(store->value("a"), QJsonValue(1));
}

// A truncated file keeps its complete entries, written back at once; the file as it was is moved
// aside. Files that cannot be used at all are moved aside too, never over an earlier copy, even
// within the same second; one larger than the cap is not read, a FIFO must not hang the start.
TEST(JsonSettingsStore, DamagedFilesAreMovedAsideNeverReplacedKeepingWhatCanBeSaved) {
    test::TempDir home;
    const auto file = home / "settings.json";
    const std::string truncated =
        R"({"saveFolder": "/srv/a,b", "nested": {"x": 1, "y": 2}, "jpegQuality": 0.5, "hotKe)";
    const std::string binary("\x89PNG\r\n\x1a\n\0\0\xff{,}", 14);
    const std::string huge = "{\"a\": \"" + std::string(JsonSettingsStore::maxBytes, 'x') + "\"}";
    std::ofstream(file) << truncated;
    std::optional<JsonSettingsStore> store(file);
    ASSERT_TRUE(store->problem());
    const QJsonObject saved{
        {"saveFolder", "/srv/a,b"}, {"nested", QJsonObject{{"x", 1}, {"y", 2}}}, {"jpegQuality", 0.5}};
    EXPECT_EQ(store->values(), saved);
    EXPECT_EQ(JsonSettingsStore(file).values(), saved);
    fs::remove(file);
    for (const auto& [content, reason] : {std::pair(binary, "is not valid JSON"),
                                          std::pair(std::string("[1, 2, 3]"), "does not hold a JSON object"),
                                          std::pair(huge, "is larger than 1 MiB")}) {
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
    EXPECT_EQ(aside, (std::multiset<std::string>{truncated, binary, "[1, 2, 3]", huge, "(not a file)"}));

    // The earlier id's file is only read, never moved.
    std::ofstream(file) << "garbage";
    EXPECT_EQ(JsonSettingsStore::read(file), std::nullopt);
    EXPECT_EQ(JsonSettingsStore::read(home / "missing.json"), std::nullopt);
    EXPECT_EQ(readFile(file), "garbage");
    std::ofstream(file) << R"({"a": 1})";
    EXPECT_EQ(JsonSettingsStore::read(file), (QJsonObject{{"a", 1}}));
}

} // namespace
} // namespace quorvane
