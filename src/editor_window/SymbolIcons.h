#pragma once

#include <QColor>
#include <QIcon>
#include <QRectF>
#include <QString>
#include <QStringList>

class QPainter;

namespace quorvane {

// The chrome's symbols by their logical names ("hand.raised", "crop", …). Where the desktop's
// icon theme has a matching freedesktop icon it is used; every other symbol, and every symbol
// when the theme is ignored, is drawn by our own small vector set in the colour asked for, so it
// follows the palette and stays sharp at any scale. An unknown name draws the question mark and
// is remembered, so that a control showing it can be found. GUI thread.
class SymbolIcons {
public:
    enum class Theme { useDesktop, ignore };
    // The heavier weight marks an active tool.
    enum class Weight { regular, bold };

    explicit SymbolIcons(Theme theme = Theme::useDesktop) : theme_(theme) {}

    // Draws `name` centred in `rect`.
    void paint(QPainter& painter, const QString& name, const QRectF& rect, const QColor& color,
               Weight weight = Weight::regular) const;
    // For menus: drawn in `color`, and in `disabledColor` for a disabled item.
    QIcon icon(const QString& name, const QColor& color, const QColor& disabledColor) const;

    // Whether our own set draws `name`.
    static bool hasFallback(const QString& name);
    static const QStringList& fallbackNames();
    // The freedesktop icon tried first, empty when there is none.
    static QString themeName(const QString& name);

    // The names asked for that were shown as the question mark, in the order first asked: names
    // nothing draws, and "questionmark" itself, which the chrome asks for only when it has no
    // symbol for something.
    const QStringList& fallbacks() const { return fallbacks_; }

private:
    bool themed(const QString& name) const;
    void noteFallback(const QString& name, bool drawn) const;

    Theme theme_;
    mutable QStringList fallbacks_;
};

} // namespace quorvane
