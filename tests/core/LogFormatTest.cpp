#include "core/LogFormat.h"

#include <QLocale>
#include <gtest/gtest.h>
#include <limits>
#include <locale>
#include <string>

namespace quorvane {
namespace {

template<class... Args>
std::string formatted(std::string_view pattern, const Args&... args) {
    std::string out = "> ";
    LogFormat::format(out, pattern, args...);
    return out.substr(2);
}

// Decimal commas and digit grouping in a process locale must not leak into log lines.
struct CommaNumbers : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

TEST(LogFormat, FillsPlaceholdersInOrderWithEveryKindOfValueWhateverTheLocale) {
    const std::locale previousStd =
        std::locale::global(std::locale(std::locale::classic(), new CommaNumbers));
    const QLocale previousQt;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const std::string numbers =
        formatted("{} {}{}{} {} {} {} {} {} {} {}", 1234567, std::numeric_limits<std::int64_t>::min(),
                  std::numeric_limits<std::uint64_t>::max(), static_cast<std::int8_t>(-5), true, false, 0.5,
                  2.0, -1234.75, 0.1f, 1e300);
    QLocale::setDefault(previousQt);
    std::locale::global(previousStd);
    EXPECT_EQ(numbers,
              "1234567 -922337203685477580818446744073709551615-5 true false 0.5 2 -1234.75 0.1 1e+300");
    EXPECT_EQ(formatted("{} {}|{}", static_cast<const char*>(nullptr), QByteArray("bytes"), QString()),
              "(null) bytes|");
    // A text that itself holds "{}" is not expanded again; counts that differ lose nothing else.
    EXPECT_EQ(formatted("{} and {}", "{}", std::string_view("view")), "{} and view");
    EXPECT_EQ(formatted("{} and {}", 1), "1 and {}");
    EXPECT_EQ(formatted("only {}", 1, 2, 3), "only 1");
    EXPECT_EQ(formatted("{ } {", 1), "{ } {");
}

// This process's stored entries holding `tag`, so that other tests' entries don't count.

} // namespace
} // namespace quorvane
