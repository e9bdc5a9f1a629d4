#include "document/SystemColors.h"
#include "support/UiPageParts.h"

namespace quorvane::test {

namespace {

constexpr qreal left = 40;

// One line of text of `size` points at `top`, with a highlight from the `from`th character to
// the `to`th, reaching a little above and below the letters as a hand-drawn one does.
void highlightedLine(PageDrawer& page, const Palette& p, qreal top, qreal size, const QString& text, int from,
                     int to, const QColor& color, double opacity) {
    const PageDrawer::Style style{size, p.text};
    page.text({left, top}, text, style, 1, 1);
    const qreal start = left + page.width(text.left(from), style),
                end = left + page.width(text.left(to), style);
    page.highlight({start - 0.1 * size, top - 0.1 * size, end - start + 0.2 * size, 1.4 * size}, color,
                   opacity);
}

} // namespace

void highlightsPage(PageDrawer& page, const Palette& p) {
    const QColor yellow = SystemColors::yellow();
    // The Highlight tool's opacity, and the opacities a highlight is given afterwards.
    highlightedLine(page, p, 24, 14, QStringLiteral("The quick brown fox jumps over the lazy dog"), 4, 11,
                    yellow, 0.4);
    highlightedLine(page, p, 56, 18, QStringLiteral("Pack my box with five dozen liquor jugs"), 8, 19, yellow,
                    0.5);
    highlightedLine(page, p, 96, 24, QStringLiteral("Sphinx of black quartz, judge my vow"), 10, 23, yellow,
                    1.0);
    highlightedLine(page, p, 142, 32, QStringLiteral("How vexingly quick daft zebras jump"), 8, 21,
                    SystemColors::green(), 0.4);
    highlightedLine(page, p, 200, 48, QStringLiteral("Bright vixens leap"), 7, 13, SystemColors::orange(),
                    0.5);
    highlightedLine(page, p, 282, 16, QStringLiteral("Five quacking zephyrs jolt my wax bed"), 0, 37,
                    SystemColors::blue(), 0.4);
    // One highlight over parts of two lines.
    const PageDrawer::Style style{20, p.text};
    const QString first = QStringLiteral("Waltz, bad nymph, for quick jigs vex."),
                  second = QStringLiteral("Glib jocks quiz nymph to vex dwarf.");
    page.text({left, 322}, first, style, 1, 1);
    page.text({left, 352}, second, style, 1, 1);
    const qreal start = left + page.width(first.left(11), style),
                end = left + page.width(first.left(27), style);
    page.highlight({start - 2, 320, end - start + 4, 58}, yellow, 1.0);
    highlightedLine(page, p, 404, 28, QStringLiteral("Jackdaws love my big sphinx of quartz"), 0, 13,
                    SystemColors::purple(), 1.0);
}

} // namespace quorvane::test
