#include "editor_window/AreaColorsView.h"

#include "editor_window/ChromeText.h"
#include "editor_window/ColorSwatch.h"
#include "editor_window/IconButton.h"

#include <QHBoxLayout>
#include <QLabel>

namespace quorvane {

namespace {

QLabel* secondaryLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

} // namespace

AreaColorsView::AreaColorsView(const AreaColors& colors, std::function<void(const QString&)> copy,
                               const SymbolIcons& icons, QWidget* parent)
    : QWidget(parent), copy_(std::move(copy)), icons_(icons) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(10);
    addSwatch(colors.average, QStringLiteral("Avg"), QStringLiteral("average"));
    if (colors.text)
        addSwatch(*colors.text, QStringLiteral("Text"), QStringLiteral("text"));
    else
        row->addWidget(secondaryLabel(QStringLiteral("No text color"), this));
}

void AreaColorsView::addSwatch(const SampledColor& color, const QString& label, const QString& name) {
    auto* swatch = new QWidget(this);
    swatch->setToolTip(QStringLiteral("The area's ") + name + QStringLiteral(" color"));
    auto* row = new QHBoxLayout(swatch);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    row->addWidget(secondaryLabel(label, swatch));
    row->addWidget(new ColorSwatch(color, swatch));
    const QString hex = color.hex();
    auto* code = new QLabel(hex, swatch);
    code->setFont(ChromeText::monospaced(code->font()));
    code->setTextInteractionFlags(Qt::TextSelectableByMouse);
    row->addWidget(code);
    row->addWidget(new IconButton(
        icons_, QStringLiteral("doc.on.doc"),
        QStringLiteral("Copy ") + name + QStringLiteral(" color ") + hex,
        [this, hex] {
            if (copy_) copy_(hex);
        },
        swatch));
    static_cast<QHBoxLayout*>(layout())->addWidget(swatch);
}

} // namespace quorvane
