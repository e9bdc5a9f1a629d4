#include "scrolling/ScrollHUDStatusLine.h"

#include "scrolling/ScrollHUDAccessible.h"

#include <QFontMetricsF>
#include <QTextLayout>

namespace quorvane {
namespace {

constexpr int maximumLines = 2;

} // namespace

ScrollHUDStatusLine::ScrollHUDStatusLine(QWidget* parent) : QLabel(parent) {
    ScrollHUDAccessible::install();
    setAccessibleName(QStringLiteral("Status"));
    setWordWrap(true);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setTextFormat(Qt::PlainText);
}

void ScrollHUDStatusLine::setStatus(const QString& status) {
    if (status_ == status) return;
    status_ = status;
    relayout();
}

void ScrollHUDStatusLine::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    relayout();
}

void ScrollHUDStatusLine::relayout() {
    const QString shown = elided(status_, font(), contentsRect().width(), maximumLines);
    if (text() != shown) setText(shown);
    setMaximumHeight(static_cast<int>(std::ceil(QFontMetricsF(font()).lineSpacing() * maximumLines)) + 2);
}

QString ScrollHUDStatusLine::elided(const QString& text, const QFont& font, double width, int lines) {
    if (width <= 0 || text.isEmpty()) return text;
    QTextLayout layout(text, font);
    layout.beginLayout();
    int lastStart = 0;
    bool more = false;
    for (int count = 0;; ++count) {
        QTextLine line = layout.createLine();
        if (!line.isValid()) break;
        line.setLineWidth(width);
        if (count == lines) {
            more = true;
            break;
        }
        lastStart = line.textStart();
    }
    layout.endLayout();
    if (!more) return text;
    // The last line shown takes the rest of the text, cut to fit with an ellipsis.
    return text.left(lastStart) + QFontMetricsF(font).elidedText(text.mid(lastStart), Qt::ElideRight, width);
}

} // namespace quorvane
