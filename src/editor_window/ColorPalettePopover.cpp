#include "editor_window/ColorPalettePopover.h"

#include "canvas/EditorCanvasSettings.h"
#include "editor_window/EditorChrome.h"
#include "editor_window/PaletteSwatch.h"

#include <QGridLayout>
#include <QScreen>

namespace quorvane {

ColorPalettePopover::ColorPalettePopover(EditorCanvasSettings& settings, QWidget* parent)
    : QWidget(parent, Qt::Popup), settings_(settings) {
    setAttribute(Qt::WA_DeleteOnClose);
    // The press that closes the popup on the colour well must not open it again.
    setAttribute(Qt::WA_NoMouseReplay);
    auto* grid = new QGridLayout(this);
    // Swatches are 28 points wide for their ring; 24-point columns 8 apart come to the same
    // 32-point pitch.
    grid->setContentsMargins(10, 10, 10, 10);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(2);
    const auto& palette = EditorChrome::palette();
    for (std::size_t index = 0; index < palette.size(); ++index) {
        const auto& entry = palette[index];
        auto* swatch = new PaletteSwatch(
            entry.color, [this, index] { return ringed(index); }, this);
        swatch->setToolTip(entry.name);
        swatch->setAccessibleName(entry.name);
        swatch->setObjectName(entry.name);
        connect(swatch, &QAbstractButton::clicked, this, [this, index] { choose(index); });
        grid->addWidget(swatch, static_cast<int>(index / 4), static_cast<int>(index % 4));
        swatches_.push_back(swatch);
    }
}

bool ColorPalettePopover::ringed(std::size_t index) const {
    const auto& palette = EditorChrome::palette();
    return index < palette.size() && EditorChrome::sameColor(palette[index].color, settings_.style().color());
}

void ColorPalettePopover::showBelow(QWidget* anchor) {
    adjustSize();
    const QPoint bottom = anchor->mapToGlobal(QPoint(anchor->width() / 2, anchor->height()));
    QPoint origin(bottom.x() - width() / 2, bottom.y() + 4);
    if (const QScreen* screen = anchor->screen()) {
        const QRect available = screen->availableGeometry();
        origin.setX(std::clamp(origin.x(), available.left(),
                               std::max(available.left(), available.right() - width())));
    }
    move(origin);
    show();
}

void ColorPalettePopover::choose(std::size_t index) {
    const QColor color = EditorChrome::palette()[index].color;
    // The current colour again is no change.
    if (!EditorChrome::sameColor(color, settings_.style().color())) settings_.style().setColor(color);
    close();
}

} // namespace quorvane
