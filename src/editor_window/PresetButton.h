#pragma once

#include "adjustments/Backdrop.h"

#include <QAbstractButton>

namespace quorvane {

// A backdrop preset's button: a small rounded picture of its fill (a dashed square for a
// transparent one), named after the preset.
class PresetButton : public QAbstractButton {
    Q_OBJECT

public:
    PresetButton(Backdrop::Preset preset, QWidget* parent = nullptr);

    Backdrop::Preset preset() const { return preset_; }

    QSize sizeHint() const override { return {44, 28}; }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Backdrop::Preset preset_;
    Backdrop::Fill fill_;
};

} // namespace quorvane
