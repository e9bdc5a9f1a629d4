#pragma once

// What the drawn user-interface pages share: the colours of a theme and a window's title bar,
// and the pages drawn in files of their own.

#include "support/PageDrawer.h"
#include "support/UiPages.h"

namespace quorvane::test {

struct Palette {
    QColor window, panel, sidebar, text, dim, border, field, accent, onAccent, danger, titleBar, button;
    QColor green, blue, red; // terminal
};

Palette paletteOf(Theme theme);

// A title bar `width` points wide with `title` centred and the window's three buttons.
void titleBar(PageDrawer& page, const Palette& p, qreal width, const QString& title);

// A settings window of a desktop: a list of sections with symbols beside a form whose rows hold a
// label and a value in two columns, in cards and as a plain form.
void preferencesPage(PageDrawer& page, const Palette& p);
// Lines of text of 14 to 48 pixels (at scale 1) under highlights as the Highlight tool draws them,
// at each of its opacities, over parts of words, whole lines and two lines at once.
void highlightsPage(PageDrawer& page, const Palette& p);

} // namespace quorvane::test
