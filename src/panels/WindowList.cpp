#include "panels/WindowList.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLayout>
#include <algorithm>

namespace quorvane {

WindowList::WindowList(QWidget* parent) : QScrollArea(parent) {
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::NoFocus);
    // A row that takes the keyboard by a click or from the sheet is where Tab comes back to.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (now == nullptr || !isAncestorOf(now)) return;
        const std::vector<QWidget*> all = rows();
        if (std::find(all.begin(), all.end(), now) == all.end()) return;
        placeTabStop();
        ensureWidgetVisible(now);
    });
}

void WindowList::setRows(QWidget* rows) {
    setWidget(rows);
    // Qt fills it; the list's own background shows, as around the rows' margins.
    rows->setAutoFillBackground(false);
}

std::vector<QWidget*> WindowList::rows() const {
    std::vector<QWidget*> out;
    const QLayout* layout = widget() != nullptr ? widget()->layout() : nullptr;
    for (int i = 0; layout != nullptr && i < layout->count(); ++i)
        if (QWidget* row = layout->itemAt(i)->widget(); row != nullptr && row->focusPolicy() != Qt::NoFocus)
            out.push_back(row);
    return out;
}

void WindowList::placeTabStop() {
    const std::vector<QWidget*> all = rows();
    if (all.empty()) return;
    const auto has = [&](const QWidget* row) { return std::find(all.begin(), all.end(), row) != all.end(); };
    if (QWidget* focused = window()->focusWidget(); has(focused))
        stop_ = focused;
    else if (!has(stop_))
        stop_ = all.front();
    // Click focus for the others: a click on one still picks its window.
    for (QWidget* row : all)
        row->setFocusPolicy(row == stop_ ? Qt::StrongFocus : Qt::ClickFocus);
}

void WindowList::keyPressEvent(QKeyEvent* event) {
    const std::vector<QWidget*> all = rows();
    const auto at = std::find(all.begin(), all.end(), window()->focusWidget());
    if (at == all.end() || (event->modifiers() & ~Qt::KeypadModifier) != 0)
        return QScrollArea::keyPressEvent(event);
    const long index = at - all.begin(), last = long(all.size()) - 1;
    long to = index;
    switch (event->key()) {
    case Qt::Key_Up:
        to = std::max(0L, index - 1);
        break;
    case Qt::Key_Down:
        to = std::min(last, index + 1);
        break;
    case Qt::Key_Home:
        to = 0;
        break;
    case Qt::Key_End:
        to = last;
        break;
    default:
        return QScrollArea::keyPressEvent(event);
    }
    QWidget* row = all[size_t(to)];
    row->setFocus(Qt::OtherFocusReason);
    placeTabStop();
    ensureWidgetVisible(row);
}

} // namespace quorvane
