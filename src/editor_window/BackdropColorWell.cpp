#include "editor_window/BackdropColorWell.h"

#include "editor_window/ChromeAccessible.h"

#include <QPainter>

namespace quorvane {

BackdropColorWell::BackdropColorWell(const QString& title, QWidget* parent) : QAbstractButton(parent) {
    ChromeAccessible::install();
    setToolTip(title);
    setAccessibleName(title);
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QAbstractButton::clicked, this, &BackdropColorWell::openDialog);
}

void BackdropColorWell::setColor(const Backdrop::RGBA& color) {
    if (color == color_) return;
    color_ = color;
    update();
    ChromeAccessible::valueChanged(*this);
}

QString BackdropColorWell::accessibilityValue() const {
    return QStringLiteral("#%1%2%3")
        .arg(color_.red, 2, 16, QLatin1Char('0'))
        .arg(color_.green, 2, 16, QLatin1Char('0'))
        .arg(color_.blue, 2, 16, QLatin1Char('0'))
        .toUpper();
}

void BackdropColorWell::pick(const QColor& color) {
    // A dialog answer that is no colour would otherwise be stored as transparent black.
    if (!color.isValid()) return;
    const Backdrop::RGBA picked = Backdrop::RGBA::from(color);
    setColor(picked);
    Q_EMIT this->picked(picked);
}

void BackdropColorWell::openDialog() {
    if (dialog_) return;
    auto* dialog = new QColorDialog(color_.color(), this);
    dialog->setOption(QColorDialog::DontUseNativeDialog);
    dialog->setOption(QColorDialog::ShowAlphaChannel, false);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(accessibleName());
    connect(dialog, &QColorDialog::colorSelected, this, &BackdropColorWell::pick);
    dialog_ = dialog;
    dialog->open();
}

void BackdropColorWell::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = QRectF(rect()).adjusted(1, 1, -1, -1);
    painter.setOpacity(isEnabled() ? 1.0 : 0.4);
    painter.setPen(QPen(palette().color(QPalette::Mid), 1));
    painter.setBrush(color_.color());
    painter.drawRoundedRect(frame, 4, 4);
    if (hasFocus()) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
        painter.drawRoundedRect(frame, 4, 4);
    }
}

} // namespace quorvane
