#pragma once

#include <QSlider>
#include <QString>

namespace quorvane {

// A slider whose value assistive technology reads as a text of its own rather than the bare
// text Qt's interface gives it (see ValueControlAccessible).
class ValueSlider : public QSlider {
    Q_OBJECT

public:
    explicit ValueSlider(QWidget* parent = nullptr);

    const QString& valueText() const { return valueText_; }
    // Tells assistive technology when it changes.
    void setValueText(const QString& text);

private:
    QString valueText_;
};

} // namespace quorvane
