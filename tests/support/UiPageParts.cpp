#include "support/UiPageParts.h"

namespace quorvane::test {

Palette paletteOf(Theme theme) {
    if (theme == Theme::light)
        return {"#f5f5f5", "#ffffff", "#ebebeb", "#1d1d1d", "#666666", "#c4c4c4", "#ffffff", "#2a6ad8",
                "#ffffff", "#d0342c", "#dedede", "#e2e2e2", "#1a7f37", "#0550ae", "#cf222e"};
    return {"#2b2b2b", "#1f1f1f", "#333333", "#e6e6e6", "#a0a0a0", "#4a4a4a", "#3a3a3a", "#3d7be0",
            "#ffffff", "#c93a32", "#3a3a3a", "#4a4a4a", "#6cc644", "#569cd6", "#f14c4c"};
}

void titleBar(PageDrawer& page, const Palette& p, qreal width, const QString& title) {
    page.fill({0, 0, width, 32}, p.titleBar);
    const PageDrawer::Style style{13, p.text, true};
    page.text({(width - page.width(title, style)) / 2, 8}, title, style, 0, -1);
    for (int i = 0; i < 3; ++i)
        page.disc({18.0 + i * 20, 16}, 6, i == 0 ? p.danger : p.border);
}

} // namespace quorvane::test
