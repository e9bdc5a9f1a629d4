#pragma once

#include <QWidget>

namespace quorvane {

class SymbolIcons;

// The outline and "Drop to open in Quorvane" label over the window while a drop hovers. It is
// laid over everything, takes no space in any layout and lets every click through.
class DropHighlight : public QWidget {
    Q_OBJECT

public:
    explicit DropHighlight(const SymbolIcons& icons, QWidget* parent = nullptr);

    static QString label() { return QStringLiteral("Drop to open in Quorvane"); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const SymbolIcons& icons_;
};

} // namespace quorvane
