#pragma once

#include <QWidget>

class QMenuBar;

namespace quorvane {

class SettingsView;

// "Quorvane Settings": a top-level window of 560 × 680 points (at least 520 × 420) that scrolls
// the settings form, with a menu bar of its own that the shell fills. It is created on first use
// and only hidden by closing. The diagnostics export's progress and outcome are scrolled into
// view as they show, since the export is started from the menu as well as from the form's foot.
class SettingsWindow : public QWidget {
    Q_OBJECT

public:
    // Takes the view.
    explicit SettingsWindow(SettingsView* view, QWidget* parent = nullptr);

    QMenuBar* menuBar() const { return menuBar_; }
    SettingsView* view() const { return view_; }

private:
    QMenuBar* menuBar_ = nullptr;
    SettingsView* view_ = nullptr;
};

} // namespace quorvane
