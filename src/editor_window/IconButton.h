#pragma once

#include <QAbstractButton>
#include <QString>
#include <functional>

namespace quorvane {

class SymbolIcons;

// A plain symbol button (undo, redo, the status bar's actions): the title is its tool tip and
// accessible name. Disabled by its creator, it shows the palette's disabled colour and does not
// run its action.
class IconButton : public QAbstractButton {
    Q_OBJECT

public:
    IconButton(const SymbolIcons& icons, QString symbol, QString title, std::function<void()> action,
               QWidget* parent = nullptr);

    const QString& symbol() const { return symbol_; }
    const QString& title() const { return title_; }

    QSize sizeHint() const override { return {22, 20}; }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const SymbolIcons& icons_;
    QString symbol_;
    QString title_;
};

} // namespace quorvane
