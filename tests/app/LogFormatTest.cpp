#include "app/LogFormat.h"

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <clocale>
#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <locale>
#include <string>

namespace quorvane {
namespace {

template<class... Args>
std::string formatted(std::string_view pattern, const Args&... args) {
    std::string out;
    LogFormat::format(out, pattern, args...);
    return out;
}

TEST(LogFormat, FillsPlaceholdersInOrder) {
    EXPECT_EQ(formatted("Pinned {}x{} px", 640, 480), "Pinned 640x480 px");
    EXPECT_EQ(formatted("{}{}{}", 1, 2, 3), "123");
    EXPECT_EQ(formatted("{} at the start, {} at the end {}", "a", "b", "c"),
              "a at the start, b at the end c");
    EXPECT_EQ(formatted("no placeholders"), "no placeholders");
    EXPECT_EQ(formatted(""), "");
}

TEST(LogFormat, Integers) {
    EXPECT_EQ(formatted("{}", 0), "0");
    EXPECT_EQ(formatted("{}", -42), "-42");
    EXPECT_EQ(formatted("{}", std::numeric_limits<std::int64_t>::min()), "-9223372036854775808");
    EXPECT_EQ(formatted("{}", std::numeric_limits<std::uint64_t>::max()), "18446744073709551615");
    EXPECT_EQ(formatted("{} {}", static_cast<short>(-7), 7u), "-7 7");
    EXPECT_EQ(formatted("{}", static_cast<std::int8_t>(-5)), "-5");
    EXPECT_EQ(formatted("{}", 1234567), "1234567"); // no grouping
}

TEST(LogFormat, Booleans) {
    EXPECT_EQ(formatted("ocr {}", true), "ocr true");
    EXPECT_EQ(formatted("partial {}", false), "partial false");
    EXPECT_EQ(formatted("enabled={} code={}", true, 0), "enabled=true code=0");
}

TEST(LogFormat, FloatingPoint) {
    EXPECT_EQ(formatted("{}", 0.5), "0.5");
    EXPECT_EQ(formatted("{}", 2.0), "2");
    EXPECT_EQ(formatted("{}", -3.25), "-3.25");
    EXPECT_EQ(formatted("{}", 0.1), "0.1");
    EXPECT_EQ(formatted("{}", 0.1f), "0.1");
    EXPECT_EQ(formatted("{}", 1e300), "1e+300");
}

TEST(LogFormat, Texts) {
    EXPECT_EQ(formatted("URL command: {}", "capture/area"), "URL command: capture/area");
    EXPECT_EQ(formatted("{}", std::string("std")), "std");
    EXPECT_EQ(formatted("{}", std::string_view("view")), "view");
    EXPECT_EQ(formatted("{}", static_cast<const char*>(nullptr)), "(null)");
    EXPECT_EQ(formatted("{}", QString()), "");
    EXPECT_EQ(formatted("{}", QStringLiteral("Grüße 日本 📸")), "Grüße 日本 📸");
    EXPECT_EQ(formatted("{}", QByteArray("bytes")), "bytes");
    // A text that itself holds "{}" is not expanded again.
    EXPECT_EQ(formatted("{} and {}", "{}", 5), "{} and 5");
}

TEST(LogFormat, MismatchedCounts) {
    EXPECT_EQ(formatted("{} and {}", 1), "1 and {}");
    EXPECT_EQ(formatted("only {}", 1, 2, 3), "only 1");
    EXPECT_EQ(formatted("none", 1), "none");
    EXPECT_EQ(formatted("{", 1), "{");
    EXPECT_EQ(formatted("{ }", 1), "{ }");
}

TEST(LogFormat, AppendsToWhatIsAlreadyThere) {
    std::string out = "prefix: ";
    LogFormat::format(out, "{}", 1);
    EXPECT_EQ(out, "prefix: 1");
}

// Decimal commas and digit grouping in a process locale must not leak into log lines.
struct CommaNumbers : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

TEST(LogFormat, IgnoresTheProcessLocale) {
    const std::locale previousStd =
        std::locale::global(std::locale(std::locale::classic(), new CommaNumbers));
    const QLocale previousQt;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const bool hasGerman = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;

    const std::string text = formatted("{} {} {}", 1234567, 0.5, -1234.75);

    if (hasGerman) std::setlocale(LC_NUMERIC, "C");
    QLocale::setDefault(previousQt);
    std::locale::global(previousStd);
    EXPECT_EQ(text, "1234567 0.5 -1234.75");
}

} // namespace
} // namespace quorvane
