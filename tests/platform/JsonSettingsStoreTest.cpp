#include "platform/JsonSettingsStore.h"

#include "support/TempDir.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>

namespace quorvane {
namespace {

void writeFile(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
}

std::string readFile(const std::filesystem::path& file) {
    std::ostringstream bytes;
    bytes << std::ifstream(file, std::ios::binary).rdbuf();
    return bytes.str();
}

// The files moved aside next to the settings file.
std::vector<std::filesystem::path> movedAside(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().filename().string().starts_with("settings.json.unreadable-"))
            files.push_back(entry.path());
    return files;
}

TEST(JsonSettingsStore, WritesAPrivateFileThatANewStoreReads) {
    test::TempDir home;
    const auto file = home / "config" / "settings.json";
    {
        JsonSettingsStore store(file);
        EXPECT_FALSE(store.problem());
        EXPECT_TRUE(store.values().isEmpty());
        EXPECT_FALSE(std::filesystem::exists(file)); // nothing is written until something changes
        EXPECT_TRUE(store.setValues({{"a", 1}, {"b", "two"}}));
        EXPECT_TRUE(store.setValue("a", 3));
    }
    JsonSettingsStore store(file);
    EXPECT_EQ(store.values(), (QJsonObject{{"a", 3}, {"b", "two"}}));
    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat(file.parent_path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    // No temporary files are left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(file.parent_path()), {}), 1);
}

TEST(JsonSettingsStore, WrongTypesReadAsAbsentAndAreKept) {
    test::TempDir home;
    const auto file = home / "settings.json";
    writeFile(file, R"({"n": "text", "b": 1, "list": ["a", 2]})");
    JsonSettingsStore store(file);
    EXPECT_FALSE(store.problem());
    EXPECT_EQ(store.number("n"), std::nullopt);
    EXPECT_EQ(store.boolean("b"), std::nullopt);
    EXPECT_EQ(store.stringArray("list"), std::nullopt);
    ASSERT_TRUE(store.setValue("other", true));
    EXPECT_EQ(JsonSettingsStore(file).value("n"), QJsonValue("text"));
}

TEST(JsonSettingsStore, TruncatedFileKeepsItsCompleteEntries) {
    test::TempDir home;
    const auto file = home / "settings.json";
    const std::string truncated =
        R"({"saveFolder": "/srv/a,b", "nested": {"x": 1, "y": 2}, "jpegQuality": 0.5, "hotKe)";
    writeFile(file, truncated);
    {
        JsonSettingsStore store(file);
        ASSERT_TRUE(store.problem());
        EXPECT_EQ(store.values(), (QJsonObject{{"saveFolder", "/srv/a,b"},
                                               {"nested", QJsonObject{{"x", 1}, {"y", 2}}},
                                               {"jpegQuality", 0.5}}));
        EXPECT_EQ(readFile(store.problem()->movedTo), truncated);
    }
    // The saved entries were written back at once and survive the next start.
    JsonSettingsStore again(file);
    EXPECT_FALSE(again.problem());
    EXPECT_EQ(again.value("jpegQuality"), QJsonValue(0.5));
}

TEST(JsonSettingsStore, UnusableFilesAreMovedAsideNeverReplaced) {
    test::TempDir home;
    const auto file = home / "settings.json";
    const std::string binary("\x89PNG\r\n\x1a\n\0\0\xff{,}", 14);
    writeFile(file, binary);
    JsonSettingsStore first(file);
    ASSERT_TRUE(first.problem());
    EXPECT_TRUE(first.values().isEmpty());
    EXPECT_FALSE(std::filesystem::exists(file));

    // Twice within the same second: the earlier copy is not overwritten.
    writeFile(file, "[1, 2, 3]");
    JsonSettingsStore second(file);
    ASSERT_TRUE(second.problem());
    EXPECT_EQ(second.problem()->reason, "does not hold a JSON object");
    const auto aside = movedAside(home.path());
    ASSERT_EQ(aside.size(), 2u);
    EXPECT_NE(readFile(aside[0]), readFile(aside[1]));

    // Larger than the cap: not read at all.
    writeFile(file, "{\"a\": \"" + std::string(JsonSettingsStore::maxBytes, 'x') + "\"}");
    JsonSettingsStore huge(file);
    ASSERT_TRUE(huge.problem());
    EXPECT_EQ(huge.problem()->reason, "is larger than 1 MiB");
    EXPECT_TRUE(huge.values().isEmpty());

    // A FIFO in its place must not hang the start.
    ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
    JsonSettingsStore fifo(file);
    ASSERT_TRUE(fifo.problem());
    EXPECT_EQ(fifo.problem()->reason, "is not a regular file");
    EXPECT_EQ(movedAside(home.path()).size(), 4u);
    EXPECT_TRUE(fifo.setValue("a", 1));
}

TEST(JsonSettingsStore, AFailedWriteKeepsTheValueAndTheOldFile) {
    test::TempDir home;
    writeFile(home / "config", "a file where the folder should be");
    JsonSettingsStore store(home / "config" / "settings.json");
    EXPECT_FALSE(store.setValue("a", 1));
    EXPECT_FALSE(store.lastError().empty());
    EXPECT_EQ(store.value("a"), QJsonValue(1));
}

TEST(JsonSettingsStore, EarlierIdIsReadOnly) {
    test::TempDir home;
    const auto file = home / "settings.json";
    EXPECT_EQ(JsonSettingsStore::read(file), std::nullopt);
    writeFile(file, "garbage");
    EXPECT_EQ(JsonSettingsStore::read(file), std::nullopt);
    EXPECT_EQ(readFile(file), "garbage");
    writeFile(file, R"({"a": 1})");
    EXPECT_EQ(JsonSettingsStore::read(file), (QJsonObject{{"a", 1}}));
}

} // namespace
} // namespace quorvane
