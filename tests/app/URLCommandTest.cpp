#include "app/URLCommand.h"

#include <gtest/gtest.h>
#include <string>

namespace quorvane {
namespace {

using Kind = URLCommand::Kind;
using Rejection = URLCommand::Rejection;
using Then = URLCommand::Then;

::testing::AssertionResult rejects(const std::string& link, Rejection expected) {
    const auto parsed = URLCommand::parse(link);
    if (parsed.ok())
        return ::testing::AssertionFailure() << link << " was accepted as " << parsed->name().toStdString();
    if (parsed.error() != expected)
        return ::testing::AssertionFailure() << link << " gave " << rawValue(parsed.error()).toStdString()
                                             << ", not " << rawValue(expected).toStdString();
    return ::testing::AssertionSuccess();
}

URLCommand accepted(const std::string& link) {
    const auto parsed = URLCommand::parse(link);
    EXPECT_TRUE(parsed.ok()) << link << " gave "
                             << (parsed.ok() ? "" : rawValue(parsed.error()).toStdString());
    return parsed.ok() ? *parsed : URLCommand{};
}

TEST(URLCommand, EveryCommandWithItsOptions) {
    EXPECT_EQ(accepted("quorvane://capture/area"), (URLCommand{Kind::captureArea, {}}));
    EXPECT_EQ(accepted("QUORVANE://capture/area"), (URLCommand{Kind::captureArea, {}}));
    EXPECT_EQ(accepted("QuorVane://capture/area?delay=3&then=copy"),
              (URLCommand{Kind::captureArea, {3, Then::copy}}));
    EXPECT_EQ(accepted("quorvane://capture/area?then=pin&delay=0"),
              (URLCommand{Kind::captureArea, {0, Then::pin}}));
    EXPECT_EQ(accepted("quorvane://capture/screen?delay=10"), (URLCommand{Kind::captureScreen, {10, {}}}));
    EXPECT_EQ(accepted("quorvane://capture/screen?then=edit"),
              (URLCommand{Kind::captureScreen, {{}, Then::edit}}));
    EXPECT_EQ(accepted("quorvane://capture/repeat?then=edit"),
              (URLCommand{Kind::captureRepeat, {{}, Then::edit}}));
    EXPECT_EQ(accepted("quorvane://capture/window"), (URLCommand{Kind::captureWindow, {}}));
    EXPECT_EQ(accepted("quorvane://ocr?delay=2"), (URLCommand{Kind::recognizeText, {2, {}}}));
    EXPECT_EQ(accepted("quorvane://show"), (URLCommand{Kind::show, {}}));
    EXPECT_EQ(accepted("quorvane://settings"), (URLCommand{Kind::settings, {}}));
    EXPECT_EQ(accepted("quorvane://capture/area?delay=3").name(), QStringLiteral("capture/area"));
    EXPECT_EQ(accepted("quorvane://ocr").name(), QStringLiteral("ocr"));
}

TEST(URLCommand, LengthCountsUtf8Bytes) {
    std::string exact = "quorvane://capture/area?then=";
    exact += std::string(256 - exact.size(), 'x');
    ASSERT_EQ(exact.size(), 256u);
    // 256 bytes are parsed: the fault is found later, in the value.
    EXPECT_TRUE(rejects(exact, Rejection::invalidValue));
    EXPECT_TRUE(rejects(exact + "x", Rejection::tooLong));
    // 86 three-byte characters are 258 bytes but far fewer characters.
    std::string wide = "quorvane://show";
    while (wide.size() <= 256)
        wide += "\xE2\x82\xAC";
    EXPECT_TRUE(rejects(wide, Rejection::tooLong));
    EXPECT_TRUE(rejects(std::string(300, '%'), Rejection::tooLong));
}

TEST(URLCommand, RejectionsInTheirOrder) {
    EXPECT_TRUE(rejects("quorvane://capture/area?delay=5%20", Rejection::invalidCharacter));
    EXPECT_TRUE(rejects("quorvane://show#x", Rejection::invalidCharacter));
    EXPECT_TRUE(rejects("quorvane://capture/area?delay=+1", Rejection::invalidCharacter));
    EXPECT_TRUE(rejects("quorvane://sh\xC3\xB6w", Rejection::invalidCharacter));
    EXPECT_EQ(URLCommand::parse(QStringLiteral("quorvane://sh\u00F6w")).error(), Rejection::invalidCharacter);
    EXPECT_TRUE(rejects(std::string("quorvane://show\0", 16), Rejection::invalidCharacter));
    EXPECT_TRUE(rejects("quorvane:// show", Rejection::invalidCharacter));

    EXPECT_TRUE(rejects("quorvane://", Rejection::scheme));
    EXPECT_TRUE(rejects("quorv://show", Rejection::scheme));
    EXPECT_TRUE(rejects("quorvane:show", Rejection::scheme));
    EXPECT_TRUE(rejects("", Rejection::scheme));

    EXPECT_TRUE(rejects("quorvane://show:80", Rejection::malformed));
    EXPECT_TRUE(rejects("quorvane://capture/area/", Rejection::malformed));
    EXPECT_TRUE(rejects("quorvane://capture//area", Rejection::malformed));
    EXPECT_TRUE(rejects("quorvane:///show", Rejection::malformed));
    EXPECT_TRUE(rejects("quorvane://?delay=1", Rejection::malformed));
    EXPECT_TRUE(rejects("quorvane://show?", Rejection::malformed));
    EXPECT_TRUE(rejects("quorvane://capture/area?delay=1&&then=copy", Rejection::malformed));
    EXPECT_TRUE(rejects("quorvane://capture/area?delay", Rejection::malformed));
    EXPECT_TRUE(rejects("quorvane://capture/area?delay=", Rejection::malformed));
    EXPECT_TRUE(rejects("quorvane://capture/area?=1", Rejection::malformed));
    EXPECT_TRUE(rejects("quorvane://capture/area?a=b=c", Rejection::malformed));
    EXPECT_TRUE(rejects("quorvane://capture/area?delay=1?then=copy", Rejection::malformed));

    EXPECT_TRUE(rejects("quorvane://Capture/area", Rejection::unknownCommand));
    EXPECT_TRUE(rejects("quorvane://capture", Rejection::unknownCommand));
    EXPECT_TRUE(rejects("quorvane://nothing", Rejection::unknownCommand));

    EXPECT_TRUE(rejects("quorvane://capture/area/now", Rejection::extraPath));
    EXPECT_TRUE(rejects("quorvane://show/x", Rejection::extraPath));
    EXPECT_TRUE(rejects("quorvane://ocr/x?delay=1", Rejection::extraPath));

    // The query is read before the command is looked up.
    EXPECT_TRUE(rejects("quorvane://nothing?x=1", Rejection::unknownParameter));
    EXPECT_TRUE(rejects("quorvane://capture/area?Delay=1", Rejection::unknownParameter));

    EXPECT_TRUE(rejects("quorvane://capture/area?delay=1&delay=2", Rejection::duplicateParameter));
    EXPECT_TRUE(rejects("quorvane://nothing?then=a&then=b", Rejection::duplicateParameter));

    EXPECT_TRUE(rejects("quorvane://ocr?then=copy", Rejection::parameterNotAllowed));
    EXPECT_TRUE(rejects("quorvane://capture/window?delay=2", Rejection::parameterNotAllowed));
    EXPECT_TRUE(rejects("quorvane://show?delay=1", Rejection::parameterNotAllowed));

    for (const char* delay : {"00", "01", "11", "100", "a", "99"})
        EXPECT_TRUE(rejects(std::string("quorvane://capture/area?delay=") + delay, Rejection::invalidValue))
            << delay;
    EXPECT_TRUE(rejects("quorvane://capture/area?then=Copy", Rejection::invalidValue));
    // A bad delay is reported before a bad then, and before an unattended export.
    EXPECT_TRUE(rejects("quorvane://capture/screen?then=save&delay=11", Rejection::invalidValue));

    EXPECT_TRUE(rejects("quorvane://capture/screen?then=save", Rejection::unattendedExport));
    EXPECT_TRUE(rejects("quorvane://capture/repeat?delay=2&then=copy", Rejection::unattendedExport));
}

} // namespace
} // namespace quorvane
