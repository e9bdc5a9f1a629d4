#include "app/URLCommand.h"

#include <gtest/gtest.h>
#include <initializer_list>
#include <string>
#include <vector>

namespace quorvane {
namespace {

using Kind = URLCommand::Kind;
using Rejection = URLCommand::Rejection;
using Then = URLCommand::Then;

std::string outcome(const Result<URLCommand, Rejection>& parsed) {
    return parsed.ok() ? "accepted as " + parsed->name().toStdString()
                       : rawValue(parsed.error()).toStdString();
}

TEST(URLCommand, EveryCommandWithItsOptions) {
    const std::pair<std::string_view, URLCommand> accepted[] = {
        {"QUORVANE://capture/area", {Kind::captureArea, {}}},
        {"QuorVane://capture/area?delay=3&then=copy", {Kind::captureArea, {3, Then::copy}}},
        {"quorvane://capture/area?then=pin&delay=0", {Kind::captureArea, {0, Then::pin}}},
        {"quorvane://capture/screen?delay=10", {Kind::captureScreen, {10, {}}}},
        {"quorvane://capture/repeat?then=edit", {Kind::captureRepeat, {{}, Then::edit}}},
        {"quorvane://capture/window", {Kind::captureWindow, {}}},
        {"quorvane://ocr?delay=2", {Kind::recognizeText, {2, {}}}},
        {"quorvane://show", {Kind::show, {}}},
        {"quorvane://settings", {Kind::settings, {}}}};
    for (const auto& [link, command] : accepted) {
        const auto parsed = URLCommand::parse(link);
        EXPECT_TRUE(parsed.ok() && *parsed == command) << link << ": " << outcome(parsed);
    }
}

// Each rejection in the order the checks run: a link with several faults gets the first.
TEST(URLCommand, RejectionsInTheirOrder) {
    std::string exact = "quorvane://capture/area?then=";
    exact += std::string(256 - exact.size(), 'x');
    // 86 three-byte characters are 258 bytes but far fewer characters.
    std::string wide = "quorvane://show";
    while (wide.size() <= 256)
        wide += "\xE2\x82\xAC";
    const std::pair<Rejection, std::vector<std::string>> rejected[] = {
        {Rejection::tooLong, {exact + "x", wide, std::string(300, '%')}},
        {Rejection::invalidCharacter,
         {"quorvane://capture/area?delay=5%20", "quorvane://show#x", "quorvane://capture/area?delay=+1",
          "quorvane://sh\xC3\xB6w", std::string("quorvane://show\0", 16), "quorvane:// show"}},
        {Rejection::scheme, {"quorvane://", "quorv://show", "quorvane:show", ""}},
        {Rejection::malformed,
         {"quorvane://show:80", "quorvane://capture/area/", "quorvane://capture//area", "quorvane:///show",
          "quorvane://?delay=1", "quorvane://show?", "quorvane://capture/area?delay=1&&then=copy",
          "quorvane://capture/area?delay", "quorvane://capture/area?delay=", "quorvane://capture/area?=1",
          "quorvane://capture/area?a=b=c", "quorvane://capture/area?delay=1?then=copy"}},
        {Rejection::unknownCommand, {"quorvane://Capture/area", "quorvane://capture", "quorvane://nothing"}},
        {Rejection::extraPath,
         {"quorvane://capture/area/now", "quorvane://show/x", "quorvane://ocr/x?delay=1"}},
        // The query is read before the command is looked up.
        {Rejection::unknownParameter, {"quorvane://nothing?x=1", "quorvane://capture/area?Delay=1"}},
        {Rejection::duplicateParameter,
         {"quorvane://capture/area?delay=1&delay=2", "quorvane://nothing?then=a&then=b"}},
        {Rejection::parameterNotAllowed,
         {"quorvane://ocr?then=copy", "quorvane://capture/window?delay=2", "quorvane://show?delay=1"}},
        // 256 bytes are parsed: the fault is found later, in the value.
        {Rejection::invalidValue,
         {exact, "quorvane://capture/area?delay=00", "quorvane://capture/area?delay=01",
          "quorvane://capture/area?delay=11", "quorvane://capture/area?delay=100",
          "quorvane://capture/area?delay=a", "quorvane://capture/area?then=Copy",
          "quorvane://capture/screen?then=save&delay=11"}},
        {Rejection::unattendedExport,
         {"quorvane://capture/screen?then=save", "quorvane://capture/repeat?delay=2&then=copy"}}};
    for (const auto& [rejection, links] : rejected)
        for (const std::string& link : links) {
            const auto parsed = URLCommand::parse(link);
            EXPECT_TRUE(!parsed.ok() && parsed.error() == rejection)
                << link << ": " << outcome(parsed) << ", not " << rawValue(rejection).toStdString();
        }
}

// Links arrive as QString from the command line and the local socket; text that is not valid
// Unicode must not turn into allowed characters on its way to UTF-8.
TEST(URLCommand, TextThatIsNotValidUnicodeIsRefused) {
    const auto withSurrogates = [](QString text, std::initializer_list<char16_t> units,
                                   const QString& after) {
        for (char16_t unit : units)
            text += QChar(unit);
        return text + after;
    };
    const QString area = QStringLiteral("quorvane://capture/area");
    const std::pair<QString, Rejection> cases[] = {
        {withSurrogates(area, {0xD800}, QStringLiteral("delay=1")), Rejection::invalidCharacter},
        {withSurrogates(area, {0xDC00, 0xD800}, QStringLiteral("?delay=1")), Rejection::invalidCharacter},
        // A proper pair is a valid character, just not an allowed one.
        {withSurrogates(area, {0xD83D, 0xDE00}, QString()), Rejection::invalidCharacter},
        // Length is still checked first: 254 allowed characters and one surrogate are 257 bytes.
        {withSurrogates(QStringLiteral("quorvane://show?then=") + QString(233, QLatin1Char('x')), {0xD800},
                        QString()),
         Rejection::tooLong},
    };
    for (const auto& [text, rejection] : cases) {
        const auto parsed = URLCommand::parse(text);
        EXPECT_TRUE(!parsed.ok() && parsed.error() == rejection)
            << text.size() << " units: " << outcome(parsed) << ", not " << rawValue(rejection).toStdString();
    }
    EXPECT_TRUE(URLCommand::parse(area + QStringLiteral("?delay=1")).ok());
}

} // namespace
} // namespace quorvane
