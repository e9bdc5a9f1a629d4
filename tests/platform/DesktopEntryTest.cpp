#include "platform/DesktopEntry.h"

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

} // namespace
} // namespace quorvane
