#pragma once

#include <QString>
#include <QToolButton>

class QKeyEvent;

namespace quorvane {

class SymbolIcons;

// The borderless menu button the chrome's menus share: a text or a symbol as its label, an
// optional menu indicator, and an accent fill when the creator marks it. The menu opens on a
// press, and from the keyboard on Space or Down (Alt+Down too), as a combo box's list does, with
// its first item active.
class MenuButton : public QToolButton {
    Q_OBJECT

public:
    MenuButton(const SymbolIcons& icons, QWidget* parent = nullptr);

    void setLabelText(const QString& text);
    void setLabelSymbol(const QString& symbol);
    void setIndicatorVisible(bool visible);
    void setHighlighted(bool highlighted);
    // Zero keeps the width to the label.
    void setFixedLabelWidth(int width);

    const QString& labelText() const { return text_; }
    const QString& labelSymbol() const { return symbol_; }
    bool highlighted() const { return highlighted_; }
    // Where the label is drawn, between the left edge and the indicator.
    QRectF labelRect() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    // Down or Alt+Down, which open `button`'s menu, and Space, Return or Enter where a press opens it.
    static bool opensMenu(const QToolButton& button, const QKeyEvent& event);
    // Lets those keys open the menu of one of Qt's own tool buttons too (Save's, Arrange's).
    static void openOnDown(QToolButton& button);
    // Opens `button`'s menu with its first item active, as the menu bar's menus open from the
    // keyboard, so that a screen reader hears where the keyboard is.
    static void showMenuFromKeyboard(QToolButton& button);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    const SymbolIcons& icons_;
    QString text_;
    QString symbol_;
    bool indicator_ = true;
    bool highlighted_ = false;
    int fixedWidth_ = 0;
};

} // namespace quorvane
