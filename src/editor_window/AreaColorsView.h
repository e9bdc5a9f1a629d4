#pragma once

#include "recognition/AreaColors.h"

#include <QString>
#include <QWidget>
#include <functional>

namespace quorvane {

class SymbolIcons;

// The colours of a dragged area: the average and, when the area holds text, the text colour,
// each with its hex code and a copy button.
class AreaColorsView : public QWidget {
    Q_OBJECT

public:
    AreaColorsView(const AreaColors& colors, std::function<void(const QString&)> copy,
                   const SymbolIcons& icons, QWidget* parent = nullptr);

private:
    void addSwatch(const SampledColor& color, const QString& label, const QString& name);

    std::function<void(const QString&)> copy_;
    const SymbolIcons& icons_;
};

} // namespace quorvane
