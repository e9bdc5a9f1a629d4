#pragma once

#include <QLabel>
#include <QString>

namespace quorvane {

// One line of text that, when its room is short, shows as much as fits and ends with "…", as the
// chrome's one-line texts do, with the whole text as its tool tip meanwhile; it gives way to the
// controls beside it down to a few letters. Assistive technology reads the whole text
// (ElidedLabelAccessible).
class ElidedLabel : public QLabel {
    Q_OBJECT

public:
    explicit ElidedLabel(const QString& text = QString(), QWidget* parent = nullptr);

    void setFullText(const QString& text);
    // The whole text, whatever is shown.
    const QString& fullText() const { return fullText_; }
    bool elided() const { return text() != fullText_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void elide();

    QString fullText_;
    bool lentTip_ = false; // the tool tip is the whole text, shown while cut short
};

} // namespace quorvane
