#pragma once

#include <QScrollArea>

namespace quorvane {

// The window picker's scrolling list of rows: a Tab stop of its own, for scrolling with the keys,
// which frames itself while the keyboard rests on it.
class WindowList : public QScrollArea {
    Q_OBJECT

public:
    explicit WindowList(QWidget* parent = nullptr);

    // `rows` scrolls in the list; its background is the list's, under the frame.
    void setRows(QWidget* rows);

protected:
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};

} // namespace quorvane
