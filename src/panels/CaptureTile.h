#pragma once

#include <QAbstractButton>
#include <optional>

namespace quorvane {

class SymbolIcons;

// One capture kind of the home view: its symbol, its title and its global shortcut (a blank line
// without one, so that every tile keeps one height). Inert and greyed while disabled.
class CaptureTile : public QAbstractButton {
    Q_OBJECT

public:
    static constexpr int minimumHeight = 84;

    CaptureTile(const SymbolIcons& icons, QString symbol, QString title, QWidget* parent = nullptr);

    void setShortcutText(const std::optional<QString>& shortcut);
    const std::optional<QString>& shortcutText() const { return shortcut_; }
    const QString& title() const { return title_; }
    // The third line: the shortcut, or one space.
    QString shortcutLine() const { return shortcut_.value_or(QStringLiteral(" ")); }
    bool hovering() const { return hovering_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    const SymbolIcons& icons_;
    QString symbol_;
    QString title_;
    std::optional<QString> shortcut_;
    bool hovering_ = false;
};

} // namespace quorvane
