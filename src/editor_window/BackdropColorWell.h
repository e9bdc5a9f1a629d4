#pragma once

#include "adjustments/Backdrop.h"

#include <QAbstractButton>
#include <QColorDialog>
#include <QPointer>

namespace quorvane {

// A colour well of the backdrop sheet: a swatch of its colour that opens the colour dialog
// (ours, without an opacity control) over the sheet. Only a valid picked colour is reported.
class BackdropColorWell : public QAbstractButton {
    Q_OBJECT
    Q_PROPERTY(QString accessibilityValue READ accessibilityValue)

public:
    BackdropColorWell(const QString& title, QWidget* parent = nullptr);

    Backdrop::RGBA color() const { return color_; }
    void setColor(const Backdrop::RGBA& color);
    // "#0F766E".
    QString accessibilityValue() const;
    // The open dialog, none while closed.
    QColorDialog* dialog() const { return dialog_; }
    // Takes a colour as the dialog returns it; an invalid one changes nothing.
    void pick(const QColor& color);

    QSize sizeHint() const override { return {44, 24}; }
    QSize minimumSizeHint() const override { return sizeHint(); }

Q_SIGNALS:
    void picked(const Backdrop::RGBA& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void openDialog();

    Backdrop::RGBA color_;
    QPointer<QColorDialog> dialog_;
};

} // namespace quorvane
