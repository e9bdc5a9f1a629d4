#include "support/UiPageParts.h"

namespace quorvane::test {

namespace {

using Style = PageDrawer::Style;

constexpr qreal width = 880, sidebarWidth = 240, cardLeft = 272, cardRight = 848;

// A small symbol of a section, as desktops draw them beside the section's name.
void symbol(PageDrawer& page, int kind, QPointF c, const QColor& ink) {
    switch (kind % 6) {
    case 0: // waves
        for (int i = 0; i < 3; ++i)
            page.ring(c + QPointF(0, 5), 2.0 + i * 3, ink, 1.5);
        break;
    case 1: // screen
        page.frame({c.x() - 8, c.y() - 6, 16, 11}, ink, 2, 1.5);
        page.line(c + QPointF(-4, 7), c + QPointF(4, 7), ink, 1.5);
        break;
    case 2: // speaker
        page.polygon({c + QPointF(-7, -3), c + QPointF(-3, -3), c + QPointF(2, -7), c + QPointF(2, 7),
                      c + QPointF(-3, 3), c + QPointF(-7, 3)},
                     ink);
        page.line(c + QPointF(5, -3), c + QPointF(5, 3), ink, 1.5);
        break;
    case 3: // battery
        page.frame({c.x() - 8, c.y() - 4, 14, 9}, ink, 2, 1.5);
        page.fill({c.x() - 6, c.y() - 2, 7, 5}, ink);
        page.fill({c.x() + 6, c.y() - 2, 2, 5}, ink);
        break;
    case 4: // bell
        page.disc(c + QPointF(0, -1), 5, ink);
        page.fill({c.x() - 7, c.y() + 2, 14, 2}, ink);
        page.disc(c + QPointF(0, 6), 1.5, ink);
        break;
    default: // gear
        page.ring(c, 5, ink, 2);
        for (int i = 0; i < 4; ++i)
            page.line(c + QPointF(i % 2 ? 0 : -8, i % 2 ? -8 : 0) * (i < 2 ? 1 : -1),
                      c + QPointF(i % 2 ? 0 : -6, i % 2 ? -6 : 0) * (i < 2 ? 1 : -1), ink, 2);
        break;
    }
}

// Rows of a card: the label on the left, the value right-aligned, a rule between rows; a value
// "on" is a switch.
qreal card(PageDrawer& page, const Palette& p, qreal top,
           const std::vector<std::pair<QString, QString>>& rows) {
    constexpr qreal row = 44;
    const qreal height = row * qreal(rows.size());
    page.fill({cardLeft, top, cardRight - cardLeft, height}, p.panel, 10);
    page.frame({cardLeft, top, cardRight - cardLeft, height}, p.border, 10);
    const Style label{13, p.text}, value{13, p.dim};
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const qreal y = top + row * qreal(i);
        if (i > 0) page.line({cardLeft + 12, y}, {cardRight - 12, y}, p.border, 1);
        page.text({cardLeft + 16, y + 14}, rows[i].first, label, 2, -1);
        if (rows[i].second == QLatin1String("on")) {
            page.fill({cardRight - 60, y + 11, 44, 22}, p.accent, 11);
            page.disc({cardRight - 27, y + 22}, 9, p.onAccent);
        } else {
            page.text({cardRight - 16 - page.width(rows[i].second, value), y + 14}, rows[i].second, value, 2,
                      -1);
        }
    }
    return top + height;
}

} // namespace

void preferencesPage(PageDrawer& page, const Palette& p) {
    titleBar(page, p, width, QStringLiteral("Settings"));
    page.fill({0, 32, sidebarWidth, 628}, p.sidebar);
    page.fill({12, 44, sidebarWidth - 24, 30}, p.field, 8);
    page.ring({30, 59}, 5, p.dim, 1.5);
    page.line({34, 63}, {38, 67}, p.dim, 1.5);
    page.text({46, 51}, QStringLiteral("Search"), {13, p.dim}, 1, -1);
    const QStringList sections = {"Network",       "Bluetooth",        "Displays",   "Sound",
                                  "Power",         "Notifications",    "Appearance", "Privacy & Security",
                                  "Sharing",       "Mouse & Touchpad", "Keyboard",   "Printers",
                                  "Accessibility", "Date & Time",      "About"};
    for (int i = 0; i < sections.size(); ++i) {
        const qreal y = 86.0 + i * 34;
        // The open section is a shade darker, as on a desktop's own settings.
        if (i == sections.size() - 1) page.fill({8, y - 5, sidebarWidth - 16, 30}, p.button, 6);
        symbol(page, i, {30, y + 10}, p.text);
        page.text({50, y + 2}, sections[i], {13, p.text}, 1, 1);
    }

    page.text({cardLeft, 48}, QStringLiteral("About"), {17, p.text, true}, 2, 2);
    qreal y = card(page, p, 82,
                   {{"Device Name", "devbox"},
                    {"Operating System", "Debian GNU/Linux 12 (bookworm)"},
                    {"Hardware Model", "ThinkPad X1 Carbon Gen 9"},
                    {"Processor", "Intel Core i7-1165G7 x 8"},
                    {"Memory", "16.0 GiB"},
                    {"Disk Capacity", "512.1 GB"}});
    page.text({cardLeft, y + 20}, QStringLiteral("Date & Time"), {15, p.text, true}, 2, 2);
    y = card(page, p, y + 48,
             {{"Automatic Date & Time", "on"},
              {"Time Zone", "CET (Berlin, Germany)"},
              {"Time Format", "24-hour"}});
    page.text({cardLeft, y + 20}, QStringLiteral("Software"), {15, p.text, true}, 2, 2);
    // A plain form: labels right-aligned against their values.
    const std::vector<std::pair<QString, QString>> form = {
        {"Kernel Version:", "6.1.0-18-amd64"}, {"Windowing System:", "X11"}, {"Qt Version:", "6.4.2"}};
    for (std::size_t i = 0; i < form.size(); ++i) {
        const qreal row = y + 50 + 24 * qreal(i);
        const Style label{12, p.dim}, value{12, p.text};
        page.text({440 - page.width(form[i].first, label), row}, form[i].first, label, 2, -1);
        page.text({452, row}, form[i].second, value, 2, -1);
    }
}

} // namespace quorvane::test
