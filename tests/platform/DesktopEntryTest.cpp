#include "platform/DesktopEntry.h"

#include "support/TempDir.h"

#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

// The Exec line as the desktop reads it back: key-file escapes first, then the quoting rules.
TEST(DesktopEntry, QuotesThePathByTheEntryRulesAndRefusesControlCharacters) {
    const struct {
        const char* program;
        const char* exec;
    } table[] = {
        {"/usr/bin/quorvane", "env OMP_THREAD_LIMIT=1 /usr/bin/quorvane"},
        {"/opt/My Apps/quorvane", R"(env OMP_THREAD_LIMIT=1 "/opt/My Apps/quorvane")"},
        // "%" is a field code unless doubled, also outside quotes.
        {"/opt/100%/quorvane", "env OMP_THREAD_LIMIT=1 /opt/100%%/quorvane"},
        // Inside quotes ", `, $ and \ take a backslash, which the key file then doubles.
        {R"(/opt/a"b/q)", R"(env OMP_THREAD_LIMIT=1 "/opt/a\\"b/q")"},
        {"/opt/$HOME/q", R"(env OMP_THREAD_LIMIT=1 "/opt/\\$HOME/q")"},
        {R"(/opt/back\slash/q)", R"(env OMP_THREAD_LIMIT=1 "/opt/back\\\\slash/q")"},
        {"/opt/it's/q", R"(env OMP_THREAD_LIMIT=1 "/opt/it's/q")"},
    };
    for (const auto& row : table) {
        const auto exec = DesktopEntry::execLine(QString::fromUtf8(row.program));
        ASSERT_TRUE(exec) << row.program;
        EXPECT_EQ(*exec, QString::fromUtf8(row.exec)) << row.program;
    }
    EXPECT_EQ(*DesktopEntry::execLine(QStringLiteral("/usr/bin/quorvane"), QStringLiteral("%U")),
              QStringLiteral("env OMP_THREAD_LIMIT=1 /usr/bin/quorvane %U"));
    for (const char* bad : {"/opt/line\nbreak/q", "/opt/tab\there/q", "/opt/del\x7f/q"}) {
        const auto refused = DesktopEntry::execLine(QString::fromUtf8(bad));
        ASSERT_FALSE(refused) << bad;
        EXPECT_EQ(refused.error().domain, QStringLiteral("Quorvane.DesktopEntry"));
        EXPECT_EQ(refused.error().code, DesktopEntry::unwritablePath);
    }
}

// The program path back out of an Exec value, the way a launcher reads it: the string escapes
// first, then the words (the program follows "env OMP_THREAD_LIMIT=1"), the quoting and "%%".
QString programOf(const QString& exec) {
    QString value;
    for (qsizetype i = 0; i < exec.size(); ++i)
        value += exec[i] == QLatin1Char('\\') && i + 1 < exec.size() ? exec[++i] : exec[i];
    const QString prefix = QStringLiteral("env OMP_THREAD_LIMIT=1 ");
    if (!value.startsWith(prefix)) return {};
    value = value.mid(prefix.size());
    QString program;
    const bool quoted = !value.isEmpty() && value[0] == QLatin1Char('"');
    for (qsizetype i = quoted ? 1 : 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (quoted && c == QLatin1Char('\\')) {
            program += value[++i];
        } else if (quoted ? c == QLatin1Char('"') : c == QLatin1Char(' ')) {
            break;
        } else {
            if (c == QLatin1Char('%')) ++i;
            program += c;
        }
    }
    return program;
}

// Every path a program can have gives a valid entry that starts that very program.
TEST(DesktopEntry, TheApplicationEntryIsValidAndStartsTheProgramWhateverItsPath) {
    test::TempDir folder;
    const QStringList types = {QStringLiteral("image/png"), QStringLiteral("image/jpeg")};
    for (const char* program : {"/usr/bin/quorvane", "/home/me/build dir/quorvane", "/opt/it's \"quoted\"/quorvane",
                                "/opt/$HOME`x`/back\\slash/quorvane", "/opt/100%/quorvane",
                                "/opt/Bildschirmfoto – Übersicht/quorvane"}) {
        SCOPED_TRACE(program);
        const auto entry = DesktopEntry::applicationEntry(program, types);
        ASSERT_TRUE(entry);
        const QString file = QString::fromStdString((folder / DesktopEntry::fileName().toStdString()).string());
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(entry->toUtf8());
        out.close();
        QProcess validate;
        validate.setProcessChannelMode(QProcess::MergedChannels);
        validate.start(QStringLiteral("desktop-file-validate"), {file});
        ASSERT_TRUE(validate.waitForFinished(10000));
        EXPECT_EQ(validate.exitCode(), 0);
        EXPECT_EQ(validate.readAll().trimmed().toStdString(), "");
        EXPECT_TRUE(entry->contains(QStringLiteral("MimeType=x-scheme-handler/quorvane;image/png;image/jpeg;\n")));
        const QString exec = *DesktopEntry::execLine(QString::fromUtf8(program), QStringLiteral("%U"));
        EXPECT_EQ(programOf(exec), QString::fromUtf8(program));
        EXPECT_TRUE(exec.endsWith(QStringLiteral(" %U")));
    }
    EXPECT_FALSE(DesktopEntry::applicationEntry("/opt/\xff\xfe/quorvane", types));
}

// Read back, an Exec value gives the arguments it was written from, whatever the path holds;
// values that break the rules give none, and the program is found past env's variables.
TEST(DesktopEntry, ReadsAnExecValueBackAsALauncherDoes) {
    for (const char* path :
         {"/usr/bin/quorvane", "/home/me/build dir/quorvane", "/opt/it's \"quoted\"/quorvane",
          "/opt/$HOME`x`/back\\slash/quorvane", "/opt/100%/quorvane", "/opt/tab%%s/q"}) {
        const QString program = QString::fromUtf8(path);
        const QString exec = *DesktopEntry::execLine(program, QStringLiteral("%U"));
        EXPECT_EQ(DesktopEntry::execArguments(exec),
                  (QStringList{QStringLiteral("env"), QStringLiteral("OMP_THREAD_LIMIT=1"), program}))
            << path;
        EXPECT_EQ(DesktopEntry::execProgram(exec), program) << path;
    }
    const struct {
        const char* value;
        std::optional<QString> program;
    } table[] = {
        {"/usr/bin/env A=1 B=2 /opt/q --flag %f", QStringLiteral("/opt/q")},
        {R"(quorvane\sat\sonce)", QStringLiteral("quorvane")},
        {R"("/opt/My Apps/q" %U)", QStringLiteral("/opt/My Apps/q")},
        {"  spaced   out  ", QStringLiteral("spaced")},
        {"%U", std::nullopt},
        {"", std::nullopt},
        {"env", std::nullopt},
        {"env OMP_THREAD_LIMIT=1", std::nullopt},
        {R"("/opt/open quote)", std::nullopt},
    };
    for (const auto& row : table)
        EXPECT_EQ(DesktopEntry::execProgram(QString::fromUtf8(row.value)), row.program) << row.value;
}

} // namespace
} // namespace quorvane
