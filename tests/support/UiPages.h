#pragma once

// Screenshots of user interfaces drawn in code, with their ground truth: a dialog with coloured
// buttons, a two-column settings window, a toolbar with icons and labels, a terminal, a web page
// with a sidebar and a page of mixed text sizes, each in a light and a dark theme, at one or two
// pixels per point. `scripts/render-ui-pages` writes them to tests/data/ui-pages/.

#include "support/PageTruth.h"

#include <QImage>
#include <QStringList>

namespace quorvane::test {

enum class Theme { light, dark };

struct UiPage {
    QImage image;
    PageTruth truth;
};

QStringList uiPageKinds();
// Named "<kind>-<light|dark>-<scale>x".
UiPage drawUiPage(const QString& kind, Theme theme, int scale);

// Every drawn page as rendered into tests/data/ui-pages/ (image and truth), by name.
QStringList uiPageNames();
QString uiPagePath(const QString& name, const QString& suffix);

} // namespace quorvane::test
