#pragma once

// The heads-up panel's status line: at most two lines, cut at the end with an ellipsis, read by
// assistive technology as "Status" with the whole text as its value.

#include <QLabel>

namespace quorvane {

class ScrollHUDStatusLine : public QLabel {
    Q_OBJECT
    Q_PROPERTY(QString hudValue READ status)

public:
    explicit ScrollHUDStatusLine(QWidget* parent = nullptr);

    void setStatus(const QString& status);
    const QString& status() const { return status_; }

    // `text` laid out in `width` points with `font`, cut after `lines` lines with "…".
    static QString elided(const QString& text, const QFont& font, double width, int lines);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void relayout();

    QString status_;
};

} // namespace quorvane
