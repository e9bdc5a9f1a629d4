#include "canvas/CanvasToast.h"

namespace quorvane {

CanvasToast::CanvasToast(QWidget* parent) : QLabel(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setTextFormat(Qt::PlainText);
    setMargin(8);
    setAutoFillBackground(true);
    hideTimer_.setSingleShot(true);
    hideTimer_.setInterval(2500);
    connect(&hideTimer_, &QTimer::timeout, this, &QWidget::hide);
    hide();
}

void CanvasToast::showMessage(const QString& message) {
    if (message.isEmpty()) {
        hide();
        return;
    }
    // ⓘ stands for the "info.circle" symbol.
    setText(QStringLiteral("\u24D8  ") + message);
    adjustSize();
    place();
    show();
    raise();
    hideTimer_.start();
}

void CanvasToast::place() {
    const QWidget* host = parentWidget();
    if (host == nullptr) return;
    const QSize hint = sizeHint().boundedTo(host->size());
    move((host->width() - hint.width()) / 2, host->height() - hint.height() - 12);
    resize(hint);
}

} // namespace quorvane
