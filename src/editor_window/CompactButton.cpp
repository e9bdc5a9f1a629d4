#include "editor_window/CompactButton.h"

#include <QApplication>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>

namespace quorvane::CompactButton {

void allowShrinking(QPushButton& button) {
    QStyleOptionButton option;
    option.initFrom(&button);
    option.text = button.text();
    option.icon = button.icon();
    option.iconSize = button.iconSize();
    // The frame and padding around the contents, the same at any width.
    option.rect = QRect(0, 0, 200, 30);
    const int around =
        option.rect.width() -
        button.style()->subElementRect(QStyle::SE_PushButtonContents, &option, &button).width();
    int contents = button.fontMetrics().size(Qt::TextShowMnemonic, option.text).width();
    if (!option.icon.isNull()) contents += option.iconSize.width() + 4;
    if (button.menu() != nullptr)
        contents += button.style()->pixelMetric(QStyle::PM_MenuButtonIndicator, &option, &button);
    button.setMinimumWidth(std::min(contents + around, button.sizeHint().width()));
    button.setSizePolicy(QSizePolicy::Preferred, button.sizePolicy().verticalPolicy());
}

void showKeyboardFocus(QPushButton& button) {
    QObject::connect(qApp, &QApplication::focusChanged, &button, [&button](QWidget*, QWidget* now) {
        // Qt marks the window once the keyboard has moved the focus in it; a click leaves it flat.
        button.setFlat(now != &button || !button.window()->testAttribute(Qt::WA_KeyboardFocusChange));
    });
}

} // namespace quorvane::CompactButton
