#pragma once

#include <QWidget>

namespace quorvane {

class CaptureController;
class SymbolIcons;

// Explains on the home view that screen capture is refused, with a button to ask again. An X11
// session never refuses, so only a desktop that does (or a test) shows it.
class PermissionBanner : public QWidget {
    Q_OBJECT

public:
    PermissionBanner(CaptureController& model, const SymbolIcons& icons, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace quorvane
