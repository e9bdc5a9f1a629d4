#include "app/PathLabel.h"

#include <QDir>

namespace quorvane {

PathLabel::PathLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

QString PathLabel::abbreviated(const QString& path, const QString& home) {
    const QString root = QDir::cleanPath(home);
    if (root.isEmpty() || root == QStringLiteral("/")) return path;
    if (path == root) return QStringLiteral("~");
    if (path.startsWith(root + QLatin1Char('/'))) return QLatin1Char('~') + path.mid(root.size());
    return path;
}

void PathLabel::setPath(const QString& path) {
    path_ = path;
    elide();
}

QSize PathLabel::minimumSizeHint() const {
    return {fontMetrics().horizontalAdvance(QStringLiteral("~/…/")), QLabel::minimumSizeHint().height()};
}

void PathLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    elide();
}

void PathLabel::elide() {
    const QString shown = abbreviated(path_, QDir::homePath());
    setText(fontMetrics().elidedText(shown, Qt::ElideMiddle, std::max(width(), 1)));
    setAccessibleName(shown);
    // Where the label shows the whole path, a tool tip (and so a description) would repeat it.
    setToolTip(text() == path_ ? QString() : path_);
}

} // namespace quorvane
