#pragma once

#include "capture/CaptureService.h"

#include <QAbstractButton>
#include <QIcon>

namespace quorvane {

// One window in the window picker: its application's icon and name, its title, and its size in
// whole points. Clicking it picks the window, as Space and Return (ButtonReturnKey) do.
class WindowRow : public QAbstractButton {
    Q_OBJECT

public:
    WindowRow(const CaptureWindow& window, QIcon icon, QWidget* parent = nullptr);

    // The owning application's name, or "Application".
    static QString applicationName(const CaptureWindow& window);
    // The title, or "Untitled window".
    static QString subtitle(const CaptureWindow& window);
    // "800 × 600": width and height truncated toward zero.
    static QString sizeText(const CaptureWindow& window);
    // The application name, then ", " and the title when it has one.
    static QString label(const CaptureWindow& window);

    const CaptureWindow& window() const { return window_; }
    const QIcon& icon() const { return icon_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    CaptureWindow window_;
    QIcon icon_;
    bool hovering_ = false;
};

} // namespace quorvane
