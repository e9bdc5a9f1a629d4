#include "platform/JsonSettingsStore.h"

#include "support/LogLines.h"
#include "support/ResultPrinters.h"
#include "support/TempDir.h"
#include "support/WaitUntil.h"

#include <QJsonArray>
#include <QProcess>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

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
    EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), {}), 2)
        << "the settings and their lock, no temporary files";
    EXPECT_EQ(fs::status(store->lockFile()).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    std::ofstream(home / "file") << "a file where the folder should be";
    store.emplace(home / "file" / "settings.json");
    // The system's reason in words, and its number.
    ASSERT_TRUE(store->problem());
    EXPECT_EQ(store->problem()->reason, "cannot be opened: Not a directory (errno 20)");
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
                if (end < cut) {
                    EXPECT_TRUE(kept.contains(key)) << "cut at " << cut << ": " << key.toStdString();
                }
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
        EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), {}), 2)
            << "the link and the lock";
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

namespace quorvane {
namespace {

QString pathOf(const fs::path& path) {
    return QString::fromStdString(path.string());
}

// The other instance's writer, run to its end; its exit code.
int otherInstance(const QStringList& arguments) {
    QProcess writer;
    writer.start(QStringLiteral(QUORVANE_SETTINGS_WRITER), arguments);
    if (!writer.waitForFinished(test::bound(60000))) {
        writer.kill();
        writer.waitForFinished();
        return -1;
    }
    return writer.exitStatus() == QProcess::NormalExit ? writer.exitCode() : -1;
}

// A process that takes the lock on `file` and keeps it until it is killed.
struct LockHolder {
    QProcess process;

    explicit LockHolder(const fs::path& file) {
        process.start(QStringLiteral(QUORVANE_SETTINGS_WRITER), {pathOf(file), QStringLiteral("hold")});
        QByteArray said;
        while (!said.contains("held") && process.waitForReadyRead(test::bound(30000)))
            said += process.readAllStandardOutput();
        EXPECT_TRUE(said.contains("held"));
    }
    ~LockHolder() {
        process.kill();
        process.waitForFinished();
    }
};

// Instances on two displays share one file. A change stored by the other one, even by replacing
// the file whole, survives this one's next write, and shows here; watched, the other's change is
// read and announced without any write here. A change that could not be saved goes with the next
// write, over what the other stored meanwhile.
TEST(JsonSettingsStoreSharing, AnotherInstancesChangeSurvivesAndShowsHere) {
    test::TempDir home;
    const auto file = home / "config" / "settings.json";
    ASSERT_TRUE(JsonSettingsStore(file).setValues({{"exportFormat", "png"}, {"hideAfterSave", false}}));
    JsonSettingsStore here(file);
    std::vector<QStringList> announced;
    QObject::connect(&here, &SettingsStore::changedElsewhere, [&](const QStringList& keys) {
        QStringList sorted = keys;
        sorted.sort();
        announced.push_back(sorted);
    });
    const auto next = [&] {
        const QStringList keys = announced.empty() ? QStringList() : announced.front();
        if (!announced.empty()) announced.erase(announced.begin());
        return keys;
    };

    // The other turns on "Hide editor after save"; this one, still showing it off, changes the format.
    ASSERT_EQ(otherInstance({pathOf(file), "set", "hideAfterSave", "true"}), 0);
    ASSERT_EQ(here.setValue("exportFormat", "jpeg"), (Result<void, Error>()));
    EXPECT_EQ(JsonSettingsStore(file).values(),
              (QJsonObject{{"exportFormat", "jpeg"}, {"hideAfterSave", true}}));
    EXPECT_EQ(here.value("hideAfterSave"), QJsonValue(true));
    ASSERT_TRUE(test::waitUntil([&] { return !announced.empty(); }));
    EXPECT_EQ(next(), QStringList{"hideAfterSave"});

    // Replaced whole, as an editor or a dotfiles sync does.
    std::ofstream(home / "config" / "edited") << R"({"exportFormat": "jpeg", "hideAfterSave": true,
                                                     "saveFolder": "/srv/shots"})";
    fs::rename(home / "config" / "edited", file);
    ASSERT_EQ(here.setValue("postCaptureAction", "saveToFolder"), (Result<void, Error>()));
    EXPECT_EQ(JsonSettingsStore(file).values(), (QJsonObject{{"exportFormat", "jpeg"},
                                                             {"hideAfterSave", true},
                                                             {"saveFolder", "/srv/shots"},
                                                             {"postCaptureAction", "saveToFolder"}}));

    ASSERT_TRUE(test::waitUntil([&] { return !announced.empty(); }));
    EXPECT_EQ(next(), QStringList{"saveFolder"});

    here.watch();
    ASSERT_EQ(otherInstance({pathOf(file), "set", "jpegQuality", "0.5", "hideAfterSave", "false"}), 0);
    ASSERT_TRUE(test::waitUntil([&] { return !announced.empty(); }));
    EXPECT_EQ(next(), (QStringList{"hideAfterSave", "jpegQuality"}));
    EXPECT_EQ(here.value("jpegQuality"), QJsonValue(0.5));

    fs::rename(home / "config", home / "away");
    std::ofstream(home / "config") << "a file where the folder should be";
    EXPECT_FALSE(here.setValue("autoScrollSpeed", "fast"));
    fs::remove(home / "config");
    fs::rename(home / "away", home / "config");
    ASSERT_EQ(otherInstance({pathOf(file), "set", "lastExport", R"("/srv/shots/a.png")"}), 0);
    ASSERT_EQ(here.setValue("exportFormat", "png"), (Result<void, Error>()));
    const QJsonObject stored = JsonSettingsStore(file).values();
    EXPECT_EQ(stored.value("autoScrollSpeed"), QJsonValue("fast"));
    EXPECT_EQ(stored.value("lastExport"), QJsonValue("/srv/shots/a.png"));
    EXPECT_EQ(stored.value("exportFormat"), QJsonValue("png"));
}

// A watch outlives the change it reports: each of the other's changes shows here in turn.
TEST(JsonSettingsStoreSharing, AWatchShowsEveryChangeOfTheOther) {
    test::TempDir home;
    const auto file = home / "settings.json";
    JsonSettingsStore here(file);
    here.watch();
    for (const char* format : {"jpeg", "png", "jpeg"}) {
        ASSERT_EQ(otherInstance({pathOf(file), "set", "exportFormat", QStringLiteral("\"%1\"").arg(format)}), 0);
        EXPECT_TRUE(test::waitUntil([&] { return here.value("exportFormat") == QJsonValue(format); })) << format;
    }
}

// Instances writing at the same time keep every change: each one's last value of its own key.
TEST(JsonSettingsStoreSharing, InstancesWritingTogetherLoseNoChange) {
    test::TempDir home;
    const auto file = home / "settings.json";
    std::vector<std::unique_ptr<QProcess>> writers;
    for (int i = 0; i < 4; ++i) {
        writers.push_back(std::make_unique<QProcess>());
        writers.back()->start(QStringLiteral(QUORVANE_SETTINGS_WRITER),
                              {pathOf(file), "count", QStringLiteral("w%1").arg(i), "40"});
    }
    for (const auto& writer : writers) {
        ASSERT_TRUE(writer->waitForFinished(test::bound(120000)));
        EXPECT_EQ(writer->exitCode(), 0) << writer->readAllStandardError().toStdString();
    }
    EXPECT_EQ(JsonSettingsStore(file).values(),
              (QJsonObject{{"w0", 40}, {"w1", 40}, {"w2", 40}, {"w3", 40}}));
}

// The lock never costs a change: not when its file was left by a killed holder, nor when another
// process holds it and never lets go (stopped in a debugger), nor when something that cannot be
// locked stands in its place. Writing without it is said once.
TEST(JsonSettingsStoreSharing, ALockThatCannotBeHadCostsNoChange) {
    test::TempDir home;
    const auto file = home / "settings.json";
    test::LogLines log("app");
    JsonSettingsStore here(file);
    const auto complaints = [&] {
        const auto lines = log.lines();
        return std::count_if(lines.begin(), lines.end(),
                             [](const std::string& line) { return line.starts_with("Settings lock "); });
    };
    std::optional<LockHolder> holder(std::in_place, here.lockFile());
    holder.reset();
    ASSERT_EQ(here.setValue("a", 1), (Result<void, Error>()));
    EXPECT_EQ(complaints(), 0);

    holder.emplace(here.lockFile());
    ASSERT_EQ(here.setValue("b", 2), (Result<void, Error>()));
    EXPECT_EQ(JsonSettingsStore(file).values(), (QJsonObject{{"a", 1}, {"b", 2}}));
    holder.reset();

    int value = 0;
    const std::vector<std::function<void()>> places = {
        [&] { fs::create_directory(here.lockFile()); },
        [&] { ASSERT_EQ(::mkfifo(here.lockFile().c_str(), 0600), 0); },
        [&] { fs::create_symlink(home / "elsewhere", here.lockFile()); }};
    for (const auto& place : places) {
        fs::remove(here.lockFile());
        place();
        ASSERT_EQ(here.setValue("c", ++value), (Result<void, Error>()));
        EXPECT_EQ(JsonSettingsStore(file).value("c"), QJsonValue(value));
        EXPECT_EQ(otherInstance({pathOf(file), "set", "d", QString::number(value)}), 0);
    }
    EXPECT_EQ(JsonSettingsStore(file).values(), (QJsonObject{{"a", 1}, {"b", 2}, {"c", 3}, {"d", 3}}));
    EXPECT_FALSE(fs::exists(home / "elsewhere"));
    EXPECT_EQ(complaints(), 1);
}

// A write killed between making its temporary file and renaming it leaves
// ".settings.json.quorvane-saving-XXXXXX" behind, beside the settings or beside their link's
// target. A start removes exactly those, and only when no other instance holds the lock (it may be
// writing one): no other name (the user's own copies, what older versions left), no link, no
// folder or FIFO, no other user's file, nothing through a link. What stays keeps its bytes.
TEST(JsonSettingsStoreSharing, AStartRemovesOnlyItsOwnLeftoverTemporaries) {
    test::TempDir home;
    const auto folder = home / "config", dotfiles = home / "dotfiles";
    fs::create_directories(folder);
    fs::create_directories(dotfiles);
    std::ofstream(dotfiles / "quorvane.json") << R"({"a": 1})";
    fs::create_symlink(dotfiles / "quorvane.json", folder / "settings.json");
    const std::vector<fs::path> leftovers = {folder / ".settings.json.quorvane-saving-Ab3xZ9",
                                             folder / ".settings.json.quorvane-saving-000000",
                                             dotfiles / ".quorvane.json.quorvane-saving-qWeRt7"};
    std::ofstream(leftovers[0]) << std::string(66, 'x');
    std::ofstream(leftovers[1]) << "";
    std::ofstream(leftovers[2]) << "{";
    std::vector<std::pair<fs::path, std::string>> kept;
    for (const char* name :
         {".settings.json.backup", ".settings.json.old001", ".settings.json.mine12", ".settings.json.Ab3xZ9",
          ".settings.json.quorvane-saving-Ab3xZ", ".settings.json.quorvane-saving-Ab3xZ90",
          ".settings.json.quorvane-saving-Ab-xZ9", "settings.json.quorvane-saving-Ab3xZ9",
          "x.settings.json.quorvane-saving-Ab3xZ9", ".other.json.quorvane-saving-Ab3xZ9",
          ".quorvane.json.quorvane-saving-qWeRt7", ".settings.json.unreadable-20261206-210938"}) {
        kept.emplace_back(folder / name, std::string("a copy of the user's: ") + name);
        std::ofstream(kept.back().first) << kept.back().second;
    }
    kept.emplace_back(dotfiles / ".settings.json.quorvane-saving-Ab3xZ9", "not beside our settings");
    std::ofstream(kept.back().first) << kept.back().second;
    if (::getuid() == 0) {
        kept.emplace_back(folder / ".settings.json.quorvane-saving-0ther1", "another user's");
        std::ofstream(kept.back().first) << kept.back().second;
        ASSERT_EQ(::chown(kept.back().first.c_str(), 65534, 65534), 0);
    }
    kept.emplace_back(home / "victim", "someone else's");
    std::ofstream(kept.back().first) << kept.back().second;
    const std::vector<fs::path> others = {folder / ".settings.json.quorvane-saving-LnK123",
                                          folder / ".settings.json.quorvane-saving-DiR123",
                                          folder / ".settings.json.quorvane-saving-FiF123"};
    fs::create_symlink(home / "victim", others[0]);
    fs::create_directory(others[1]);
    ASSERT_EQ(::mkfifo(others[2].c_str(), 0600), 0);
    const auto present = [](const fs::path& path) { return fs::exists(fs::symlink_status(path)); };

    {
        LockHolder writing(folder / "settings.json.lock");
        EXPECT_EQ(JsonSettingsStore(folder / "settings.json").value("a"), QJsonValue(1));
        for (const auto& leftover : leftovers)
            EXPECT_TRUE(present(leftover)) << leftover << " went while another instance held the lock";
    }
    EXPECT_EQ(JsonSettingsStore(folder / "settings.json").value("a"), QJsonValue(1));
    for (const auto& leftover : leftovers)
        EXPECT_FALSE(present(leftover)) << leftover;
    for (const auto& [other, bytes] : kept)
        EXPECT_EQ(readFile(other), bytes) << other;
    EXPECT_TRUE(fs::is_symlink(others[0]) && fs::is_directory(others[1]) && fs::is_fifo(others[2]));
}

} // namespace
} // namespace quorvane
