#include "editor_window/ElidedLabel.h"

#include "editor_window/ElidedLabelAccessible.h"

#include <QEvent>

namespace quorvane {

namespace {

// Enough of the text to recognise it by.
constexpr int shortestShown = 4;

// The width Qt lays the text out in, fractions of a pixel rounded up.
int widthOf(const QFontMetrics& metrics, const QString& text) {
    return metrics.size(Qt::TextSingleLine, text).width();
}

} // namespace

ElidedLabel::ElidedLabel(const QString& text, QWidget* parent) : QLabel(parent) {
    ElidedLabelAccessible::install();
    setTextFormat(Qt::PlainText);
    setWordWrap(false);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    setFullText(text);
}

void ElidedLabel::setFullText(const QString& text) {
    fullText_ = text;
    updateGeometry();
    elide();
}

QSize ElidedLabel::sizeHint() const {
    const QFontMetrics metrics = fontMetrics();
    return {widthOf(metrics, fullText_) + 2 * margin(), QLabel::sizeHint().height()};
}

QSize ElidedLabel::minimumSizeHint() const {
    const QFontMetrics metrics = fontMetrics();
    const QString least =
        fullText_.size() > shortestShown ? fullText_.left(shortestShown) + QStringLiteral("…") : fullText_;
    return {widthOf(metrics, least) + 2 * margin(), QLabel::minimumSizeHint().height()};
}

void ElidedLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    elide();
}

void ElidedLabel::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        updateGeometry();
        elide();
    }
}

void ElidedLabel::elide() {
    const int room = contentsRect().width() - 2 * margin();
    const QFontMetrics metrics = fontMetrics();
    // Before the first layout the label has no room yet: it shows everything it will ask for.
    if (room <= 0 || widthOf(metrics, fullText_) <= room)
        QLabel::setText(fullText_);
    else
        QLabel::setText(metrics.elidedText(fullText_, Qt::ElideRight, room));
    // Cut short, the whole text is a hover away; a tool tip of the creator's stays as it is.
    if (lentTip_) setToolTip(QString());
    lentTip_ = elided() && toolTip().isEmpty();
    if (lentTip_) setToolTip(fullText_);
}

} // namespace quorvane
