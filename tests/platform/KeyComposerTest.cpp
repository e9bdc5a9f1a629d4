#include "platform/KeyComposer.h"

#include <QProcess>
#include <gtest/gtest.h>
#include <optional>

namespace quorvane {
namespace {

// The input method a program started now is asked for: its QT_IM_MODULE, or "unset".
QString startedProgramsInputMethod() {
    QProcess program;
    program.start(QStringLiteral("sh"),
                  {QStringLiteral("-c"), QStringLiteral("echo \"${QT_IM_MODULE-unset}\"")});
    program.waitForFinished();
    return QString::fromUtf8(program.readAllStandardOutput()).trimmed();
}

// Qt is asked not to compose while it starts, unless another input method is asked for; the
// programs started afterwards find the variable as the person left it, set or not.
TEST(KeyComposer, ProgramsStartedAfterwardsFindTheInputMethodThePersonAskedFor) {
    const std::optional<QByteArray> before =
        qEnvironmentVariableIsSet("QT_IM_MODULE") ? std::optional(qgetenv("QT_IM_MODULE")) : std::nullopt;
    const struct {
        const char* asked;
        const char* whileQtStarts;
    } cases[] = {{nullptr, "none"}, {"compose", "none"}, {"ibus", "ibus"}, {nullptr, "none"}};
    for (const auto& [asked, whileQtStarts] : cases) {
        SCOPED_TRACE(asked != nullptr ? asked : "unset");
        if (asked != nullptr)
            qputenv("QT_IM_MODULE", asked);
        else
            qunsetenv("QT_IM_MODULE");
        KeyComposer::takeOverFromQt();
        EXPECT_EQ(startedProgramsInputMethod(), QString::fromLatin1(whileQtStarts));
        EXPECT_EQ(KeyComposer::isTakenOver(), QByteArrayView(whileQtStarts) == "none");
        KeyComposer::restoreEnvironment();
        EXPECT_EQ(startedProgramsInputMethod(), QString::fromLatin1(asked != nullptr ? asked : "unset"));
    }
    if (before)
        qputenv("QT_IM_MODULE", *before);
    else
        qunsetenv("QT_IM_MODULE");
}

} // namespace
} // namespace quorvane
