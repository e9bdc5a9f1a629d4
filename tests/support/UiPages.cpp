#include "support/UiPages.h"

#include "support/PageDrawer.h"
#include "support/UiPageParts.h"

#include <QFile>

namespace quorvane::test {

namespace {

using Style = PageDrawer::Style;

// A button of `width` points with its label centred.
void button(PageDrawer& page, QRectF box, const QString& label, const QColor& fill, const QColor& ink,
            int column) {
    page.fill(box, fill, 5);
    const Style style{13, ink};
    page.text({box.x() + (box.width() - page.width(label, style)) / 2, box.y() + (box.height() - 16) / 2},
              label, style, column, -1);
}

void dialog(PageDrawer& page, const Palette& p) {
    titleBar(page, p, 520, QStringLiteral("Export finished"));
    page.disc({44, 76}, 20, p.accent);
    page.line({34, 76}, {41, 84}, p.onAccent, 3);
    page.line({41, 84}, {55, 68}, p.onAccent, 3);
    page.text({84, 52}, QStringLiteral("Your screenshot was saved"), {15, p.text, true}, 1, 1);
    page.text({84, 80}, QStringLiteral("It is in the Screenshots folder of your Pictures."), {13, p.text}, 1,
              1);
    page.text({84, 100}, QStringLiteral("You can open the folder or delete the file now."), {13, p.text}, 1,
              1);
    page.fill({84, 128, 412, 28}, p.field, 4);
    page.frame({84, 128, 412, 28}, p.border, 4);
    page.text({94, 134}, QStringLiteral("~/Pictures/Screenshots/Capture 2024-05-03.png"),
              {12, p.text, false, true}, 1, 1);
    button(page, {84, 190, 90, 30}, QStringLiteral("Delete"), p.danger, p.onAccent, 1);
    button(page, {290, 190, 90, 30}, QStringLiteral("Close"), p.button, p.text, 1);
    button(page, {392, 190, 110, 30}, QStringLiteral("Open folder"), p.accent, p.onAccent, 1);
}

void checkbox(PageDrawer& page, const Palette& p, QPointF at, bool checked) {
    page.fill({at.x(), at.y(), 16, 16}, checked ? p.accent : p.field, 3);
    if (!checked) page.frame({at.x(), at.y(), 16, 16}, p.border, 3);
    if (checked) {
        page.line(at + QPointF(4, 8), at + QPointF(7, 11), p.onAccent, 2);
        page.line(at + QPointF(7, 11), at + QPointF(12, 5), p.onAccent, 2);
    }
}

void field(PageDrawer& page, const Palette& p, QRectF box, const QString& text, int column) {
    page.fill(box, p.field, 4);
    page.frame(box, p.border, 4);
    page.text({box.x() + 8, box.y() + (box.height() - 16) / 2}, text, {13, p.text}, column, -1);
}

void settings(PageDrawer& page, const Palette& p) {
    titleBar(page, p, 860, QStringLiteral("Settings"));
    page.fill({0, 32, 200, 528}, p.sidebar);
    const QStringList sections = {"General",   "Capture",          "Annotations", "Export",
                                  "Shortcuts", "Text Recognition", "Advanced"};
    for (int i = 0; i < sections.size(); ++i) {
        const bool selected = i == 1;
        if (selected) page.fill({8, 44.0 + i * 32, 184, 28}, p.accent, 5);
        page.text({20, 50.0 + i * 32}, sections[i], {13, selected ? p.onAccent : p.text}, 1, 1);
    }
    page.text({232, 48}, QStringLiteral("Capture"), {20, p.text, true}, 2, 2);
    const auto label = [&](qreal y, const QString& text) { page.text({232, y}, text, {13, p.text}, 2, -1); };
    label(98, QStringLiteral("After capture:"));
    field(page, p, {400, 92, 220, 28}, QStringLiteral("Open in editor"), 2);
    page.polygon({{600, 103}, {610, 103}, {605, 109}}, p.text);
    const QStringList options = {"Copy file to clipboard", "Play a sound", "Show the pointer in captures"};
    for (int i = 0; i < options.size(); ++i) {
        checkbox(page, p, {400, 134.0 + i * 28}, i != 1);
        page.text({426, 134.0 + i * 28}, options[i], {13, p.text}, 2, 3);
    }
    label(232, QStringLiteral("Delay:"));
    field(page, p, {400, 226, 120, 28}, QStringLiteral("3 seconds"), 2);
    label(272, QStringLiteral("Save folder:"));
    field(page, p, {400, 266, 250, 28}, QStringLiteral("~/Pictures/Screenshots"), 2);
    button(page, {660, 266, 90, 28}, QStringLiteral("Choose"), p.button, p.text, 2);
    page.line({232, 314}, {828, 314}, p.border, 1);
    page.text({232, 330}, QStringLiteral("Scrolling capture"), {15, p.text, true}, 2, 2);
    label(370, QStringLiteral("Scroll speed:"));
    const QStringList speeds = {"Slow", "Normal", "Fast"};
    for (int i = 0; i < speeds.size(); ++i) {
        page.ring({408.0 + i * 100, 378}, 7, i == 1 ? p.accent : p.border, i == 1 ? 4 : 1.5);
        page.text({422.0 + i * 100, 370}, speeds[i], {13, p.text}, 2, -1);
    }
    page.paragraph(
        {232, 414}, 440, 18,
        QStringLiteral("Quorvane scrolls the window for you and joins the frames into one tall image. "
                       "Press Esc to stop at any time."),
        {11, p.dim}, 2, 4);
    button(page, {650, 508, 180, 30}, QStringLiteral("Restore Defaults"), p.button, p.text, 2);
}

void icon(PageDrawer& page, int kind, QPointF c, const QColor& ink, const QColor& back) {
    switch (kind % 7) {
    case 0: // camera
        page.frame({c.x() - 11, c.y() - 7, 22, 16}, ink, 3, 2);
        page.ring(c + QPointF(0, 1), 4, ink, 2);
        break;
    case 1: // dashed area
        for (int i = 0; i < 4; ++i) {
            page.line(c + QPointF(-11 + i * 6, -9), c + QPointF(-8 + i * 6, -9), ink, 2);
            page.line(c + QPointF(-11 + i * 6, 9), c + QPointF(-8 + i * 6, 9), ink, 2);
        }
        break;
    case 2: // arrow
        page.line(c + QPointF(-9, 9), c + QPointF(8, -8), ink, 2.5);
        page.polygon({c + QPointF(10, -10), c + QPointF(0, -8), c + QPointF(8, 0)}, ink);
        break;
    case 3: // highlighter stroke
        page.fill({c.x() - 11, c.y() - 4, 22, 8}, ink, 2);
        page.fill({c.x() - 7, c.y() - 2, 14, 4}, back, 1);
        break;
    case 4: // blur dots
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                page.disc(c + QPointF(-7 + 7 * i, -7 + 7 * j), 2.2, ink);
        break;
    case 5: // crop corners
        page.line(c + QPointF(-6, -11), c + QPointF(-6, 6), ink, 2);
        page.line(c + QPointF(-6, 6), c + QPointF(11, 6), ink, 2);
        page.line(c + QPointF(-11, -6), c + QPointF(6, -6), ink, 2);
        page.line(c + QPointF(6, -6), c + QPointF(6, 11), ink, 2);
        break;
    default: // two sheets
        page.frame({c.x() - 10, c.y() - 10, 14, 16}, ink, 2, 2);
        page.frame({c.x() - 4, c.y() - 5, 14, 16}, ink, 2, 2);
        break;
    }
}

void toolbar(PageDrawer& page, const Palette& p) {
    titleBar(page, p, 1000, QStringLiteral("Quorvane"));
    page.fill({0, 32, 1000, 72}, p.window);
    page.line({0, 104}, {1000, 104}, p.border, 1);
    const QStringList labels = {"Capture", "Area", "Window", "Arrow", "Text", "Highlight", "Blur",
                                "Crop",    "Undo", "Redo",   "Copy",  "Save", "Share"};
    const Style style{12, p.text};
    for (int i = 0; i < labels.size(); ++i) {
        const qreal centre = 44 + i * 72;
        if (i == 3) page.fill({centre - 32, 38, 64, 60}, p.button, 6);
        icon(page, i, {centre, 54}, p.text, i == 3 ? p.button : p.window);
        page.text({centre - page.width(labels[i], style) / 2, 74}, labels[i], style, 1, -1);
    }
    page.fill({0, 105, 1000, 45}, p.panel);
    page.text({16, 120}, QStringLiteral("1920 x 1080 pixels, zoom 100%"), {12, p.dim}, 2, -1);
    page.text({800, 120}, QStringLiteral("Saved to Pictures"), {12, p.dim}, 3, -1);
}

void terminal(PageDrawer& page, const Palette& p, bool dark) {
    const QColor back = dark ? QColor("#1e1e1e") : QColor("#ffffff");
    const QColor ink = dark ? QColor("#d4d4d4") : QColor("#1d1d1d");
    titleBar(page, p, 760, QStringLiteral("user@devbox: ~/src/quorvane"));
    page.fill({0, 32, 760, 408}, back);
    const Style style{13, ink, false, true};
    qreal y = 42;
    const auto prompt = [&](const QString& command) {
        page.runs({10, y},
                  {{"user@devbox", p.green}, {":", ink}, {"~/src/quorvane", p.blue}, {"$ " + command, ink}},
                  style, 1, 1);
        y += 19;
    };
    const auto out = [&](const QString& text, const QColor& color) {
        if (!text.isEmpty()) page.text({10, y}, text, {13, color, false, true}, 1, 1);
        y += 19;
    };
    prompt(QStringLiteral("git status"));
    out(QStringLiteral("On branch main"), ink);
    out(QStringLiteral("Your branch is up to date with 'origin/main'."), ink);
    out({}, ink);
    out(QStringLiteral("Changes not staged for commit:"), ink);
    out(QStringLiteral("        modified:   src/recognition/TextPass.cpp"), p.red);
    out(QStringLiteral("        modified:   tests/support/PageTruth.h"), p.red);
    out({}, ink);
    prompt(QStringLiteral("ls -l bench"));
    out(QStringLiteral("total 48"), ink);
    out(QStringLiteral("-rw-r--r-- 1 user user  4210 May  3 10:12 bench_png.cpp"), ink);
    out(QStringLiteral("-rw-r--r-- 1 user user 11873 May  3 10:14 bench_recognition.cpp"), ink);
    out(QStringLiteral("drwxr-xr-x 2 user user  4096 May  2 18:40 data"), p.blue);
    prompt(QStringLiteral("make -j3 recognition_tests"));
    out(QStringLiteral("[ 42%] Building CXX object src/recognition/TextPass.cpp.o"), ink);
    out(QStringLiteral("[100%] Built target recognition_tests"), ink);
    page.runs({10, y}, {{"user@devbox", p.green}, {":", ink}, {"~/src/quorvane", p.blue}, {"$", ink}}, style,
              1, 1);
    page.fill({10 + page.width(QStringLiteral("user@devbox:~/src/quorvane$ "), style), y + 1, 8, 16}, ink);
}

void web(PageDrawer& page, const Palette& p) {
    page.fill({0, 0, 1200, 72}, p.titleBar);
    page.fill({8, 6, 240, 30}, p.panel, 6);
    page.text({20, 13}, QStringLiteral("Notes - Quorvane Docs"), {12, p.text}, 0, -1);
    page.fill({90, 40, 700, 26}, p.field, 13);
    page.text({108, 45}, QStringLiteral("https://docs.example.org/guide/text-recognition"), {12, p.text}, 0,
              -1);
    page.polygon({{24, 53}, {34, 46}, {34, 60}}, p.dim);
    page.polygon({{64, 53}, {54, 46}, {54, 60}}, p.dim);
    page.fill({0, 72, 1200, 44}, p.panel);
    page.text({24, 84}, QStringLiteral("Quorvane Docs"), {16, p.text, true}, 0, -1);
    const QStringList links = {"Guide", "Reference", "Download", "Blog"};
    for (int i = 0; i < links.size(); ++i)
        page.text({760.0 + i * 110, 86}, links[i], {14, p.accent}, 0, -1);
    page.line({0, 116}, {1200, 116}, p.border, 1);
    page.fill({0, 117, 240, 643}, p.sidebar);
    page.text({24, 136}, QStringLiteral("Contents"), {13, p.text, true}, 1, 1);
    const QStringList contents = {"Getting started",    "Capturing the screen", "Editing a capture",
                                  "Recognising text",   "Redacting text",       "Exporting images",
                                  "Keyboard shortcuts", "Troubleshooting"};
    for (int i = 0; i < contents.size(); ++i)
        page.text({24, 166.0 + i * 28}, contents[i], {13, i == 3 ? p.accent : p.text, i == 3}, 1, 1);
    const QColor body = p.text;
    qreal y = page.paragraph({280, 140}, 860, 40, QStringLiteral("Recognising text in screenshots"),
                             {28, body, true}, 2, 2);
    y = page.paragraph(
        {280, y + 4}, 820, 25,
        QStringLiteral("Quorvane reads the text of any capture on your computer, without sending "
                       "it anywhere. Choose Recognize Text from the Tools menu, or press the "
                       "shortcut, and drag over the part of the screen that holds the text. The "
                       "result opens in its own window, where you can copy it."),
        {15, body}, 2, 2);
    y = page.paragraph({280, y + 18}, 820, 30, QStringLiteral("Copying the text"), {20, body, true}, 2, 2);
    y = page.paragraph(
        {280, y + 2}, 820, 25,
        QStringLiteral("Lines are kept as they appear on the screen. Turn on Join lines to copy "
                       "a paragraph as one line, for example to paste it into a message."),
        {15, body}, 2, 2);
    page.fill({280, y + 12, 600, 78}, p.window, 6);
    page.text({296, y + 24}, QStringLiteral("quorvane --recognize-area"), {13, body, false, true}, 2, 2);
    page.text({296, y + 48}, QStringLiteral("quorvane --recognize-file notes.png"), {13, body, false, true},
              2, 2);
    page.text({280, y + 116}, QStringLiteral("Last updated on 3 May 2024"), {12, p.dim}, 2, 2);
}

void mixed(PageDrawer& page, const Palette& p) {
    page.text({40, 30}, QStringLiteral("Release notes"), {36, p.text, true}, 1, 1);
    page.text({40, 92}, QStringLiteral("Version 2.4 brings faster text recognition"), {22, p.accent}, 1, 1);
    qreal y = page.paragraph(
        {40, 140}, 520, 22,
        QStringLiteral("Text in captures of dialogs, settings windows and terminals is now "
                       "read in the order of its columns, and every word box covers its word."),
        {14, p.text}, 1, 1);
    y = page.paragraph(
        {40, y + 14}, 520, 16,
        QStringLiteral("Smaller print: recognition runs on your computer and keeps nothing after "
                       "the window closes."),
        {11, p.dim}, 1, 1);
    page.text({40, y + 10}, QStringLiteral("Fine print: details may change without notice."), {9, p.dim}, 1,
              1);
    page.text({40, y + 30}, QStringLiteral("tiny footnote at five pixels"), {5, p.dim}, 1, 1);
    page.frame({600, 150, 260, 200}, p.border, 8);
    page.text({620, 166}, QStringLiteral("Tip"), {16, p.text, true}, 2, 3);
    page.paragraph({620, 196}, 220, 19,
                   QStringLiteral("Hold Shift while you drag to keep the aspect ratio of the area."),
                   {12, p.text}, 2, 3);
    page.text({40, 560}, QStringLiteral("42 fixes"), {48, p.accent, true}, 3, -1);
    page.text({420, 600}, QStringLiteral("Page 3 of 12"), {10, p.dim}, 4, -1);
}

} // namespace

QStringList uiPageKinds() {
    return {"dialog", "settings", "toolbar", "terminal", "web", "mixed", "preferences", "highlights"};
}

UiPage drawUiPage(const QString& kind, Theme theme, int scale) {
    const Palette p = paletteOf(theme);
    const QString name =
        QStringLiteral("%1-%2-%3x").arg(kind, theme == Theme::light ? "light" : "dark").arg(scale);
    const QSizeF size = kind == "dialog"        ? QSizeF(520, 240)
                        : kind == "settings"    ? QSizeF(860, 560)
                        : kind == "toolbar"     ? QSizeF(1000, 150)
                        : kind == "terminal"    ? QSizeF(760, 440)
                        : kind == "web"         ? QSizeF(1200, 760)
                        : kind == "preferences" ? QSizeF(880, 660)
                        : kind == "highlights"  ? QSizeF(900, 470)
                                                : QSizeF(900, 640);
    PageDrawer page(name, size, scale, kind == "web" ? p.panel : p.window);
    if (kind == "dialog") dialog(page, p);
    if (kind == "settings") settings(page, p);
    if (kind == "toolbar") toolbar(page, p);
    if (kind == "terminal") terminal(page, p, theme == Theme::dark);
    if (kind == "web") web(page, p);
    if (kind == "mixed") mixed(page, p);
    if (kind == "preferences") preferencesPage(page, p);
    if (kind == "highlights") highlightsPage(page, p);
    return {page.image(), page.truth()};
}

QStringList uiPageNames() {
    QStringList names;
    for (const QString& kind : uiPageKinds())
        for (const char* theme : {"light", "dark"})
            for (const int scale : {1, 2})
                names.append(QStringLiteral("%1-%2-%3x").arg(kind, QLatin1String(theme)).arg(scale));
    return names;
}

QString uiPagePath(const QString& name, const QString& suffix) {
    return QStringLiteral(QUORVANE_TEST_DATA_DIR "/ui-pages/") + name + suffix;
}

} // namespace quorvane::test
