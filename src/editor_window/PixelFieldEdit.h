#pragma once

// A number field that shows its name while empty without telling a screen reader: Qt reads a
// field's placeholder as its description, and here it would only repeat the field's name.

#include <QLineEdit>

namespace quorvane {

class PixelFieldEdit : public QLineEdit {
public:
    PixelFieldEdit(QString hint, QWidget* parent);

    const QString& hint() const { return hint_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString hint_;
};

} // namespace quorvane
