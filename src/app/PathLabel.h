#pragma once

#include <QLabel>

namespace quorvane {

// A folder on one line: the home folder shown as "~", cut in the middle when it does not fit,
// with the full path as tool tip where the label does not show it whole.
class PathLabel : public QLabel {
    Q_OBJECT

public:
    explicit PathLabel(QWidget* parent = nullptr);

    void setPath(const QString& path);
    const QString& path() const { return path_; }
    // "~/Pictures" for a folder in `home`; other paths unchanged.
    static QString abbreviated(const QString& path, const QString& home);

    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void elide();

    QString path_;
};

} // namespace quorvane
