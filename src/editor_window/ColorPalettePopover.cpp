#include "editor_window/ColorPalettePopover.h"

#include "canvas/EditorCanvasSettings.h"
#include "editor_window/EditorChrome.h"
#include "editor_window/PaletteSwatch.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QScreen>

namespace quorvane {
namespace {

constexpr std::size_t columns = 4;

} // namespace

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
            entry.color, [this, index] { return ringed(index); },
            [&settings] { return settings.increaseContrast && settings.increaseContrast(); }, this);
        swatch->setToolTip(entry.name);
        swatch->setAccessibleName(entry.name);
        swatch->setObjectName(entry.name);
        connect(swatch, &QAbstractButton::clicked, this, [this, index] { choose(index); });
        grid->addWidget(swatch, static_cast<int>(index / columns), static_cast<int>(index % columns));
        swatches_.push_back(swatch);
    }
}

bool ColorPalettePopover::ringed(std::size_t index) const {
    const auto& palette = EditorChrome::palette();
    return index < palette.size() && EditorChrome::sameColor(palette[index].color, settings_.style().color());
}

void ColorPalettePopover::showBelow(QWidget* anchor, Focus focus) {
    adjustSize();
    const QPoint bottom = anchor->mapToGlobal(QPoint(anchor->width() / 2, anchor->height()));
    QPoint origin(bottom.x() - width() / 2, bottom.y() + 4);
    if (const QScreen* screen = anchor->screen()) {
        const QRect available = screen->availableGeometry();
        origin.setX(std::clamp(origin.x(), available.left(),
                               std::max(available.left(), available.right() - width())));
    }
    move(origin);
    // A popup gives the keyboard to the child that holds its focus as it opens.
    if (focus == Focus::onCurrent) focusSwatch(firstFocus());
    show();
}

std::size_t ColorPalettePopover::firstFocus() const {
    for (std::size_t index = 0; index < swatches_.size(); ++index)
        if (ringed(index)) return index;
    return 0;
}

std::optional<std::size_t> ColorPalettePopover::focused() const {
    for (std::size_t index = 0; index < swatches_.size(); ++index)
        if (focusWidget() == swatches_[index]) return index;
    return std::nullopt;
}

void ColorPalettePopover::focusSwatch(std::size_t index) {
    if (index < swatches_.size()) swatches_[index]->setFocus(Qt::OtherFocusReason);
}

void ColorPalettePopover::keyPressEvent(QKeyEvent* event) {
    if (swatches_.empty()) {
        QWidget::keyPressEvent(event);
        return;
    }
    const std::optional<std::size_t> at = focused();
    const auto last = swatches_.size() - 1;
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End: {
        if (!at) {
            // Opened by the pointer: the first arrow brings the keyboard in.
            focusSwatch(firstFocus());
            return;
        }
        std::size_t next = *at;
        if (event->key() == Qt::Key_Left && next > 0) --next;
        if (event->key() == Qt::Key_Right && next < last) ++next;
        if (event->key() == Qt::Key_Up && next >= columns) next -= columns;
        if (event->key() == Qt::Key_Down && next + columns <= last) next += columns;
        if (event->key() == Qt::Key_Home) next = 0;
        if (event->key() == Qt::Key_End) next = last;
        focusSwatch(next);
        return;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (at) choose(*at);
        return;
    default:
        // Escape closes a popup.
        QWidget::keyPressEvent(event);
    }
}

void ColorPalettePopover::choose(std::size_t index) {
    const QColor color = EditorChrome::palette()[index].color;
    // The current colour again is no change.
    if (!EditorChrome::sameColor(color, settings_.style().color())) settings_.style().setColor(color);
    close();
}

} // namespace quorvane
