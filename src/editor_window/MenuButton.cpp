#include "editor_window/MenuButton.h"

#include "editor_window/ChromeAccessible.h"
#include "editor_window/ChromePainting.h"
#include "editor_window/SymbolIcons.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <algorithm>

namespace quorvane {
namespace {

constexpr int buttonHeight = 26;
constexpr int indicatorWidth = 9;
constexpr int symbolSide = 16;

// Opens the menu of the tool button it watches on Down, where Qt would move the keyboard on, and
// on Space where a press opens it.
class DownOpensMenu : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* button = qobject_cast<QToolButton*>(watched);
        if (button == nullptr || event->type() != QEvent::KeyPress ||
            !MenuButton::opensMenu(*button, *static_cast<QKeyEvent*>(event)))
            return QObject::eventFilter(watched, event);
        MenuButton::showMenuFromKeyboard(*button);
        return true;
    }
};

} // namespace

MenuButton::MenuButton(const SymbolIcons& icons, QWidget* parent) : QToolButton(parent), icons_(icons) {
    setPopupMode(QToolButton::InstantPopup);
    setAutoRaise(true);
    setFocusPolicy(Qt::TabFocus);
}

void MenuButton::setLabelText(const QString& text) {
    if (text == text_ && symbol_.isEmpty()) return;
    text_ = text;
    symbol_.clear();
    updateGeometry();
    update();
}

void MenuButton::setLabelSymbol(const QString& symbol) {
    if (symbol == symbol_) return;
    symbol_ = symbol;
    text_.clear();
    updateGeometry();
    update();
}

void MenuButton::setIndicatorVisible(bool visible) {
    indicator_ = visible;
    updateGeometry();
    update();
}

void MenuButton::setHighlighted(bool highlighted) {
    if (highlighted == highlighted_) return;
    highlighted_ = highlighted;
    update();
}

void MenuButton::setFixedLabelWidth(int width) {
    fixedWidth_ = width;
    updateGeometry();
}

QSize MenuButton::sizeHint() const {
    if (fixedWidth_ > 0) return {fixedWidth_, buttonHeight};
    const int label = symbol_.isEmpty() ? fontMetrics().horizontalAdvance(text_) : symbolSide;
    return {label + 8 + (indicator_ ? indicatorWidth : 0), buttonHeight};
}

bool MenuButton::opensMenu(const QToolButton& button, const QKeyEvent& event) {
    if (button.menu() == nullptr || !button.isEnabled()) return false;
    const Qt::KeyboardModifiers modifiers = event.modifiers() & ~Qt::KeypadModifier;
    // Return and Enter press it as Space does.
    if (event.key() == Qt::Key_Space || event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter)
        return modifiers == Qt::NoModifier && !event.isAutoRepeat() &&
               button.popupMode() == QToolButton::InstantPopup;
    return event.key() == Qt::Key_Down && (modifiers == Qt::NoModifier || modifiers == Qt::AltModifier);
}

void MenuButton::openOnDown(QToolButton& button) {
    button.installEventFilter(new DownOpensMenu(&button));
}

void MenuButton::showMenuFromKeyboard(QToolButton& button) {
    // Once the menu shows, inside its own event loop: Qt clears the active item as it opens.
    QTimer::singleShot(0, button.menu(), [menu = button.menu()] {
        if (!menu->isVisible() || menu->activeAction() != nullptr) return;
        const QList<QAction*> actions = menu->actions();
        const auto first = std::find_if(actions.begin(), actions.end(), [](const QAction* action) {
            return action->isVisible() && action->isEnabled() && !action->isSeparator();
        });
        // Also tells assistive technology which item has the keyboard.
        if (first != actions.end()) menu->setActiveAction(*first);
    });
    button.showMenu();
}

void MenuButton::keyPressEvent(QKeyEvent* event) {
    // Otherwise Down would move the keyboard on to the next control.
    if (opensMenu(*this, *event)) {
        showMenuFromKeyboard(*this);
        return;
    }
    QToolButton::keyPressEvent(event);
}

void MenuButton::focusInEvent(QFocusEvent* event) {
    // The keyboard comes back from the menu before the chosen item acts: screen readers forget the
    // value now and ask again as they announce the focus, once the item has set it.
    if (event->reason() == Qt::PopupFocusReason && metaObject()->indexOfProperty("accessibilityValue") >= 0)
        ChromeAccessible::valueChanged(*this);
    QToolButton::focusInEvent(event);
}

QRectF MenuButton::labelRect() const {
    return QRectF(rect()).adjusted(2, 0, indicator_ ? -indicatorWidth : -2, 0);
}

void MenuButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor primary =
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText);
    const QRectF frame = rect();
    if (highlighted_)
        ChromePainting::fillRounded(painter, frame, palette().color(QPalette::Highlight), 0.18);
    else if (underMouse() && isEnabled())
        ChromePainting::fillRounded(painter, frame, primary, 0.08);
    if (hasFocus()) ChromePainting::focusRing(painter, frame, palette().color(QPalette::Highlight));
    const QRectF label = labelRect();
    if (symbol_.isEmpty()) {
        painter.setPen(primary);
        painter.drawText(label, Qt::AlignCenter, text_);
    } else {
        const QRectF box(label.center().x() - symbolSide / 2.0, label.center().y() - symbolSide / 2.0,
                         symbolSide, symbolSide);
        icons_.paint(painter, symbol_, box, primary);
    }
    if (!indicator_) return;
    // A small downward chevron, the menu indicator.
    const double x = frame.right() - indicatorWidth + 1;
    const double y = frame.center().y();
    QPainterPath chevron;
    chevron.moveTo(x, y - 1.5);
    chevron.lineTo(x + 3, y + 1.5);
    chevron.lineTo(x + 6, y - 1.5);
    painter.setPen(QPen(primary, 1.3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(chevron);
}

} // namespace quorvane
