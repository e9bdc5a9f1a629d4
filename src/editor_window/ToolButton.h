#pragma once

#include <QAbstractButton>
#include <QString>
#include <functional>
#include <optional>

namespace quorvane {

class SymbolIcons;

// The square button of one tool in the tool bar: its symbol (or a text glyph), an accent fill
// while its tool is the current one and a faint fill while hovered; the tool tip adds the note
// to the title, the accessible name is the title alone. The creator decides `active`; a click
// only runs the action.
class ToolButton : public QAbstractButton {
    Q_OBJECT

public:
    ToolButton(const SymbolIcons& icons, QString symbol, QString title, std::optional<QString> note,
               std::function<void()> action, QWidget* parent = nullptr);

    // Shows `glyph` in a bold monospaced face instead of a symbol.
    void setGlyph(const QString& glyph);
    void setSymbol(const QString& symbol);
    void setTitle(const QString& title, const std::optional<QString>& note);
    void setActive(bool active);
    // A tool tip that is not built from title and note.
    void setHelp(const QString& help);

    const QString& symbol() const { return symbol_; }
    const QString& glyph() const { return glyph_; }
    const QString& title() const { return title_; }
    bool active() const { return active_; }
    bool hovering() const { return hovering_; }

    // "title — note", or the title alone.
    static QString toolTipText(const QString& title, const std::optional<QString>& note);

    QSize sizeHint() const override { return {28, 26}; }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    // The button never checks itself: `checked` mirrors `active` for assistive technology.
    void nextCheckState() override {}

private:
    const SymbolIcons& icons_;
    QString symbol_;
    QString glyph_;
    QString title_;
    bool active_ = false;
    bool hovering_ = false;
};

} // namespace quorvane
