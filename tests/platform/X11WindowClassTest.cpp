#include "platform/X11WindowClass.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

// The literal's bytes, zeros included.
template<std::size_t N>
QByteArray bytes(const char (&text)[N]) {
    return QByteArray(text, qsizetype(N - 1));
}

// A window's WM_CLASS comes from another program: whatever it holds, the name is clean or empty.
TEST(X11WindowClass, NamesTheProgramFromTheClassElseTheInstance) {
    struct Case {
        QByteArray wmClass;
        QString name;
    };
    const std::vector<Case> cases = {
        {bytes("xcalc\0XCalc\0"), QStringLiteral("XCalc")},
        // No terminating zero; an instance only; an empty class.
        {bytes("xeyes\0XEyes"), QStringLiteral("XEyes")},
        {QByteArray("xclock"), QStringLiteral("xclock")},
        {bytes("xlogo\0\0"), QStringLiteral("xlogo")},
        // Nothing at all.
        {QByteArray(), QString()},
        {bytes("\0\0"), QString()},
        {bytes("  \0 \t \0"), QString()},
        // UTF-8 where it is valid, Latin-1 where it is not; control characters go.
        {bytes("r\0R\xc3\xa9sum\xc3\xa9\0"), QStringLiteral("Résumé")},
        {bytes("c\0Caf\xe9\0"), QStringLiteral("Café")},
        {bytes("x\0Evil\x1b[2J\nName\0"), QStringLiteral("Evil[2JName")},
        // More parts than two: the class is the second.
        {bytes("a\0B\0C\0"), QStringLiteral("B")},
    };
    for (const Case& each : cases)
        EXPECT_EQ(X11WindowClass::programName(each.wmClass), each.name) << each.wmClass.toHex().toStdString();
    // A name of four kilobytes is cut.
    const QByteArray huge = QByteArray("i") + '\0' + QByteArray(4096, 'N');
    EXPECT_EQ(X11WindowClass::programName(huge).size(), X11WindowClass::maxNameLength);
}

} // namespace
} // namespace quorvane
