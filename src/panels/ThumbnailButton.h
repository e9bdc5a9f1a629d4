#pragma once

#include <QAbstractButton>

namespace quorvane {

class SymbolIcons;

// One quick action of the thumbnail: a symbol on a small rounded plate whose border darkens
// while the pointer is over it. `title` is its accessible name, `help` its tool tip.
class ThumbnailButton : public QAbstractButton {
    Q_OBJECT

public:
    ThumbnailButton(const SymbolIcons& icons, QString symbol, const QString& title, const QString& help,
                    QWidget* parent = nullptr);

    const QString& symbol() const { return symbol_; }
    QSize sizeHint() const override { return {26, 24}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    const SymbolIcons& icons_;
    QString symbol_;
    bool hovering_ = false;
};

} // namespace quorvane
