#include "editor_window/MenuSection.h"

#include "editor_window/ChromeText.h"

#include <QMenu>
#include <QPainter>
#include <QWidgetAction>

namespace quorvane::MenuSection {
namespace {

constexpr QMargins padding{10, 6, 12, 2};

// The title drawn as text, set in by `padding`; it is no label a reader of the bar's texts finds.
class SectionTitle : public QWidget {
public:
    SectionTitle(const QString& title, const QFont& menuFont) : title_(title) {
        QFont font = ChromeText::scaled(menuFont, 0.85);
        font.setWeight(QFont::DemiBold);
        setFont(font);
        setAccessibleName(title);
    }
    QSize sizeHint() const override {
        const QSize text = fontMetrics().size(Qt::TextSingleLine, title_);
        return text.grownBy(padding);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::PlaceholderText));
        painter.drawText(rect().marginsRemoved(padding), Qt::AlignLeft | Qt::AlignVCenter, title_);
    }

private:
    QString title_;
};

} // namespace

QAction* add(QMenu& menu, const QString& title) {
    // A later section is parted from the one above it.
    if (!menu.actions().isEmpty()) menu.addSeparator();
    auto* action = new QWidgetAction(&menu);
    action->setText(title);
    action->setDefaultWidget(new SectionTitle(title, menu.font()));
    // A title, not a choice: the keyboard passes over it and a click does nothing.
    action->setEnabled(false);
    menu.addAction(action);
    return action;
}

} // namespace quorvane::MenuSection
