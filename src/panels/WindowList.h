#pragma once

#include <QPointer>
#include <QScrollArea>
#include <vector>

namespace quorvane {

// The window picker's scrolling list of rows, which takes the keyboard as one list: a single Tab
// stop, the row that last had the keyboard (the first at the start), and Up, Down, Home and End
// move the keyboard between the rows. The list itself never takes it: a stop there would be an
// empty frame where the arrows do nothing.
class WindowList : public QScrollArea {
    Q_OBJECT

public:
    explicit WindowList(QWidget* parent = nullptr);

    // `rows` scrolls in the list and lays out the rows, in their order.
    void setRows(QWidget* rows);
    // After rows came or went: the row with the keyboard, else the one that was the stop, else
    // the first, is the list's Tab stop.
    void placeTabStop();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::vector<QWidget*> rows() const;

    QPointer<QWidget> stop_;
};

} // namespace quorvane
