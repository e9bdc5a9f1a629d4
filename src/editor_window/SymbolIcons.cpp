#include "editor_window/SymbolIcons.h"

#include "editor_window/SymbolDrawing.h"

#include <QIconEngine>
#include <QPainter>
#include <QPixmap>
#include <map>

namespace quorvane {
namespace {

constexpr double designBox = 24.0;

// Freedesktop names for the symbols that the standard icon naming has; the rest are ours only.
const std::map<QString, QString>& themeNames() {
    static const std::map<QString, QString> names = {
        {QStringLiteral("arrow.uturn.backward"), QStringLiteral("edit-undo")},
        {QStringLiteral("arrow.uturn.forward"), QStringLiteral("edit-redo")},
        {QStringLiteral("plus.magnifyingglass"), QStringLiteral("zoom-in")},
        {QStringLiteral("info.circle"), QStringLiteral("dialog-information")},
        {QStringLiteral("questionmark"), QStringLiteral("help-about")},
        {QStringLiteral("crop"), QStringLiteral("transform-crop")},
        {QStringLiteral("eyedropper"), QStringLiteral("color-picker")},
        {QStringLiteral("doc.on.doc"), QStringLiteral("edit-copy")},
        {QStringLiteral("square.and.arrow.down"), QStringLiteral("document-save")},
        {QStringLiteral("trash"), QStringLiteral("edit-delete")},
        {QStringLiteral("exclamationmark.triangle"), QStringLiteral("dialog-warning")},
        {QStringLiteral("exclamationmark.triangle.fill"), QStringLiteral("dialog-warning")},
        {QStringLiteral("photo.badge.plus"), QStringLiteral("insert-image")},
    };
    return names;
}

// False when `name` is not in our set and the question mark stood in for it.
bool drawFallback(QPainter& painter, const QString& name, const QRectF& rect, const QColor& color,
                  SymbolIcons::Weight weight) {
    const double side = std::min(rect.width(), rect.height());
    if (!(side > 0)) return true;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(rect.center() - QPointF(side / 2, side / 2));
    painter.scale(side / designBox, side / designBox);
    QPen pen(color, weight == SymbolIcons::Weight::bold ? 2.3 : 1.8, Qt::SolidLine, Qt::RoundCap,
             Qt::RoundJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const bool drawn = SymbolDrawing::draw(painter, name);
    if (!drawn) SymbolDrawing::draw(painter, QStringLiteral("questionmark"));
    painter.restore();
    return drawn;
}

// Draws a symbol at whatever size and device pixel ratio a menu asks for.
class SymbolIconEngine : public QIconEngine {
public:
    SymbolIconEngine(QString name, QColor color, QColor disabledColor)
        : name_(std::move(name)), color_(std::move(color)), disabledColor_(std::move(disabledColor)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        drawFallback(*painter, name_, rect, mode == QIcon::Disabled ? disabledColor_ : color_,
                     SymbolIcons::Weight::regular);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return scaledPixmap(size, mode, state, 1.0);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override {
        // `size` is in device pixels already.
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        pixmap.setDevicePixelRatio(scale);
        QPainter painter(&pixmap);
        paint(&painter, QRect(QPoint(), (QSizeF(size) / scale).toSize()), mode, state);
        return pixmap;
    }
    QIconEngine* clone() const override { return new SymbolIconEngine(name_, color_, disabledColor_); }
    QString iconName() override { return name_; }

private:
    QString name_;
    QColor color_;
    QColor disabledColor_;
};

} // namespace

bool SymbolIcons::themed(const QString& name) const {
    if (theme_ != Theme::useDesktop) return false;
    const QString themed = themeName(name);
    return !themed.isEmpty() && QIcon::hasThemeIcon(themed);
}

void SymbolIcons::noteFallback(const QString& name, bool drawn) const {
    // The chrome names the question mark itself only for something it has no symbol for.
    if ((!drawn || name == QLatin1String("questionmark")) && !fallbacks_.contains(name)) fallbacks_ << name;
}

void SymbolIcons::paint(QPainter& painter, const QString& name, const QRectF& rect, const QColor& color,
                        Weight weight) const {
    if (themed(name)) {
        noteFallback(name, true);
        QIcon::fromTheme(themeName(name)).paint(&painter, rect.toAlignedRect());
        return;
    }
    noteFallback(name, drawFallback(painter, name, rect, color, weight));
}

QIcon SymbolIcons::icon(const QString& name, const QColor& color, const QColor& disabledColor) const {
    if (themed(name)) {
        noteFallback(name, true);
        return QIcon::fromTheme(themeName(name));
    }
    // Drawn later, at the sizes the icon's users ask for.
    noteFallback(name, hasFallback(name));
    return QIcon(new SymbolIconEngine(name, color, disabledColor));
}

bool SymbolIcons::hasFallback(const QString& name) {
    return SymbolDrawing::names().contains(name);
}

const QStringList& SymbolIcons::fallbackNames() {
    return SymbolDrawing::names();
}

QString SymbolIcons::themeName(const QString& name) {
    const auto found = themeNames().find(name);
    return found == themeNames().end() ? QString() : found->second;
}

} // namespace quorvane
