#include "platform/DesktopEntry.h"

#include "support/TempDir.h"

#include <QProcess>
#include <fstream>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

// The program path back out of an Exec value, the way a launcher reads it: the string escapes
// first, then the quoting and "%%".
std::string programOf(const std::string& exec) {
    std::string value;
    for (std::size_t i = 0; i < exec.size(); ++i)
        value += exec[i] == '\\' && i + 1 < exec.size() ? exec[++i] : exec[i];
    std::string program;
    const bool quoted = !value.empty() && value[0] == '"';
    for (std::size_t i = quoted ? 1 : 0; i < value.size(); ++i) {
        const char c = value[i];
        if (quoted && c == '\\') {
            program += value[++i];
        } else if (quoted ? c == '"' : c == ' ') {
            break;
        } else {
            if (c == '%') ++i;
            program += c;
        }
    }
    return program;
}

// Every path a program can have gives a valid entry that starts that very program, and a plain
// path stays plain for launchers that split at spaces.
TEST(DesktopEntry, TheEntryIsValidAndItsExecStartsTheProgramWhateverItsPath) {
    test::TempDir folder;
    const QStringList types = {QStringLiteral("image/png"), QStringLiteral("image/jpeg")};
    const char* const programs[] = {
        "/usr/bin/quorvane",
        "/home/me/build dir/quorvane",
        "/opt/it's \"quoted\"/quorvane",
        "/opt/$HOME`x`/back\\slash/quorvane",
        "/opt/100%/quorvane",
        "/opt/Bildschirmfoto – Übersicht/quorvane",
    };
    for (const char* program : programs) {
        SCOPED_TRACE(program);
        const auto entry = DesktopEntry::applicationEntry(program, types);
        ASSERT_TRUE(entry.has_value());
        const auto file = folder / DesktopEntry::fileName();
        std::ofstream(file) << *entry;
        QProcess validate;
        validate.setProcessChannelMode(QProcess::MergedChannels);
        validate.start(QStringLiteral("desktop-file-validate"), {QString::fromStdString(file.string())});
        ASSERT_TRUE(validate.waitForFinished(10000));
        EXPECT_EQ(validate.exitCode(), 0);
        EXPECT_EQ(validate.readAll().trimmed().toStdString(), "");
        EXPECT_NE(entry->find("MimeType=x-scheme-handler/quorvane;image/png;image/jpeg;\n"), std::string::npos);

        const std::string exec = *DesktopEntry::execLine(program, "%U");
        EXPECT_EQ(programOf(exec), program);
        EXPECT_TRUE(exec.ends_with(" %U"));
    }
    EXPECT_EQ(*DesktopEntry::execLine("/usr/bin/quorvane", "%U"), "/usr/bin/quorvane %U");
    EXPECT_EQ(*DesktopEntry::execLine("/usr/bin/quorvane", ""), "/usr/bin/quorvane");
    // What an entry cannot hold.
    EXPECT_FALSE(DesktopEntry::execLine("/opt/\xff\xfe/quorvane", "%U").has_value());
    EXPECT_FALSE(DesktopEntry::execLine("/opt/line\nbreak/quorvane", "%U").has_value());
}

} // namespace
} // namespace quorvane
