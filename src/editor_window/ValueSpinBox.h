#pragma once

#include <QSpinBox>
#include <QString>

namespace quorvane {

// A spin box whose value assistive technology reads as a text of its own rather than the bare
// text Qt's interface gives it (see ValueControlAccessible).
class ValueSpinBox : public QSpinBox {
    Q_OBJECT

public:
    explicit ValueSpinBox(QWidget* parent = nullptr);

    const QString& valueText() const { return valueText_; }
    // Tells assistive technology when it changes.
    void setValueText(const QString& text);

private:
    QString valueText_;
};

} // namespace quorvane
