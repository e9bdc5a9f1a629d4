#pragma once

// Finds the labels and buttons of a window whose text a person cannot read whole: text wider (or
// taller) than the room the control gives it, a character its font cannot draw, or a control cut
// off by the edge of a widget it sits in. Measured with the control's own font and style, so it holds on any
// machine's fonts.

#include "editor_window/MenuButton.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QToolButton>
#include <QWidget>

namespace quorvane::test {

namespace clipped {

inline QString describe(const QWidget& control, const QString& text, const QString& problem) {
    return QStringLiteral("%1 \"%2\" (%3): %4")
        .arg(QString::fromLatin1(control.metaObject()->className()), text, control.objectName(), problem);
}

// Widest line of `text` in `control`'s font, mnemonics aside.
inline int textWidth(const QWidget& control, const QString& text) {
    return control.fontMetrics().size(Qt::TextShowMnemonic, text).width();
}

inline std::optional<QString> label(const QLabel& label) {
    const QString text = label.text();
    if (text.isEmpty() || label.textFormat() == Qt::RichText || Qt::mightBeRichText(text))
        return std::nullopt;
    const QRect room =
        label.contentsRect().adjusted(label.margin(), label.margin(), -label.margin(), -label.margin());
    if (label.wordWrap()) {
        const int needed = label.heightForWidth(label.width());
        if (needed > label.height())
            return describe(label, text,
                            QStringLiteral("needs %1 px of height, has %2").arg(needed).arg(label.height()));
        return std::nullopt;
    }
    const int needed = textWidth(label, text);
    if (needed > room.width())
        return describe(label, text, QStringLiteral("needs %1 px, has %2").arg(needed).arg(room.width()));
    return std::nullopt;
}

inline std::optional<QString> pushButton(const QPushButton& button) {
    const QString text = button.text();
    if (text.isEmpty()) return std::nullopt;
    QStyleOptionButton option;
    option.initFrom(&button);
    option.text = text;
    option.icon = button.icon();
    option.iconSize = button.iconSize();
    if (button.menu() != nullptr) option.features |= QStyleOptionButton::HasMenu;
    const QRect room = button.style()->subElementRect(QStyle::SE_PushButtonContents, &option, &button);
    int needed = textWidth(button, text);
    if (!option.icon.isNull()) needed += option.iconSize.width() + 4;
    if (button.menu() != nullptr)
        needed += button.style()->pixelMetric(QStyle::PM_MenuButtonIndicator, &option, &button);
    if (needed > room.width())
        return describe(button, text, QStringLiteral("needs %1 px, has %2").arg(needed).arg(room.width()));
    return std::nullopt;
}

// Tool buttons, spin boxes and combo boxes need no more than their own smallest size.
inline std::optional<QString> bySizeHint(const QWidget& control, const QString& text) {
    const QSize smallest = control.minimumSizeHint();
    const int needed = smallest.width() > 0 ? smallest.width() : control.sizeHint().width();
    if (needed > control.width())
        return describe(control, text,
                        QStringLiteral("needs %1 px, has %2").arg(needed).arg(control.width()));
    return std::nullopt;
}

// A character the control's font has no glyph for shows as an empty box.
inline std::optional<QString> missingGlyph(const QWidget& control, const QString& text) {
    const QFontMetrics metrics = control.fontMetrics();
    for (const uint ucs4 : text.toUcs4())
        if (!QChar::isSpace(ucs4) && ucs4 != QChar::LineSeparator && !metrics.inFontUcs4(ucs4))
            return describe(control, text,
                            QStringLiteral("has no glyph for U+%1").arg(ucs4, 4, 16, QLatin1Char('0')));
    return std::nullopt;
}

// Whether `control` lies whole inside every widget between it and `root`.
inline std::optional<QString> cutOff(const QWidget& control, const QWidget& root, const QString& text) {
    for (const QWidget* w = &control; w != &root && w->parentWidget() != nullptr; w = w->parentWidget()) {
        if (w->isWindow()) break;
        const QRect inParent = w->geometry();
        if (!w->parentWidget()->rect().contains(inParent))
            return describe(control, text,
                            QStringLiteral("cut off by the edge of %1")
                                .arg(QString::fromLatin1(w->parentWidget()->metaObject()->className())));
    }
    return std::nullopt;
}

} // namespace clipped

// Every shown label, button and box under `root` whose text does not fit or that is cut off.
inline QStringList clippedControls(const QWidget& root) {
    QStringList found;
    for (const QWidget* control : root.findChildren<const QWidget*>()) {
        if (!control->isVisibleTo(&root) || control->window() != root.window()) continue;
        std::optional<QString> problem;
        QString text;
        if (const auto* label = qobject_cast<const QLabel*>(control)) {
            text = label->text();
            if (text.isEmpty()) continue;
            problem = clipped::label(*label);
        } else if (const auto* push = qobject_cast<const QPushButton*>(control)) {
            text = push->text();
            problem = clipped::pushButton(*push);
        } else if (const auto* menu = qobject_cast<const MenuButton*>(control)) {
            text = menu->labelText();
            if (text.isEmpty()) continue;
            const int needed = menu->fontMetrics().horizontalAdvance(text);
            if (needed > menu->labelRect().width())
                problem = clipped::describe(
                    *menu, text,
                    QStringLiteral("needs %1 px, has %2").arg(needed).arg(menu->labelRect().width()));
        } else if (const auto* tool = qobject_cast<const QToolButton*>(control)) {
            text = tool->text();
            if (text.isEmpty() || tool->toolButtonStyle() == Qt::ToolButtonIconOnly) continue;
            problem = clipped::bySizeHint(*tool, text);
        } else if (qobject_cast<const QAbstractSpinBox*>(control) != nullptr ||
                   qobject_cast<const QComboBox*>(control) != nullptr) {
            text = control->accessibleName();
            problem = clipped::bySizeHint(*control, text);
        } else if (const auto* button = qobject_cast<const QAbstractButton*>(control)) {
            text = button->text();
        } else {
            continue;
        }
        if (!problem) problem = clipped::missingGlyph(*control, text);
        if (!problem) problem = clipped::cutOff(*control, root, text);
        if (problem) found << *problem;
    }
    return found;
}

} // namespace quorvane::test
