#pragma once

// The settings' "Shortcuts" group: one recorder per hot-key action, bound to its entry of the
// stored hot keys, with the reason beside it when its shortcut could not be registered, and a
// button that brings back the five default shortcuts.

#include "app/HotKeyAction.h"

#include <QGroupBox>
#include <map>

class QLabel;
class QPushButton;

namespace quorvane {

class Beeper;
class HotKeyRecorder;
class HotKeyRecording;
class KeyboardLayout;
class Preferences;
class SymbolIcons;

class ShortcutsSection : public QGroupBox {
    Q_OBJECT

public:
    ShortcutsSection(Preferences& preferences, HotKeyRecording& recording, KeyboardLayout& layout,
                     Beeper& beeper, const SymbolIcons& icons, QWidget* parent = nullptr);

    HotKeyRecorder* recorder(HotKeyAction action) const { return rows_.at(action).recorder; }
    // The registration failure's text; hidden while there is none.
    QLabel* errorLabel(HotKeyAction action) const { return rows_.at(action).error; }
    QWidget* errorRow(HotKeyAction action) const { return rows_.at(action).errorRow; }
    QPushButton* restoreDefaultsButton() const { return restore_; }

private:
    struct Row {
        HotKeyRecorder* recorder = nullptr;
        QWidget* errorRow = nullptr;
        QLabel* error = nullptr;
    };

    void showBindings();
    void showErrors();

    Preferences& preferences_;
    std::map<HotKeyAction, Row> rows_;
    QPushButton* restore_ = nullptr;
};

} // namespace quorvane
