#pragma once

#include <QGroupBox>

class QLabel;
class QPushButton;

namespace quorvane {

class CaptureController;
class SymbolIcons;

// The settings' "Screen Recording" box: whether captures are allowed, what the permission is for
// and how to grant it. An X11 session always allows them; the refused state shows where a
// desktop refuses access. There is no settings page to open here, so no button offers one. The
// view is the box itself: a widget around it would be an unnamed object to a screen reader.
class CapturePermissionView : public QGroupBox {
    Q_OBJECT

public:
    CapturePermissionView(CaptureController& model, const SymbolIcons& icons, QWidget* parent = nullptr);

    QLabel* stateLabel() const { return state_; }
    QPushButton* allowButton() const { return allow_; }
    QLabel* hint() const { return hint_; }
    // The symbol beside the state's text.
    const QString& stateSymbol() const { return symbol_; }

private:
    void refresh();

    CaptureController& model_;
    const SymbolIcons& icons_;
    QString symbol_;
    QLabel* stateIcon_ = nullptr;
    QLabel* state_ = nullptr;
    QPushButton* allow_ = nullptr;
    QLabel* hint_ = nullptr;
};

} // namespace quorvane
