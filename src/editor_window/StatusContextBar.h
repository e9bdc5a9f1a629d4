#pragma once

#include "canvas/SmartModes.h"
#include "editor_window/ContextBarChoice.h"
#include "editor_window/ContextBarHosts.h"

#include <QPointer>
#include <QWidget>

class QHBoxLayout;

namespace quorvane {

class Clipboard;
class EditorCanvasSettings;
class EditorDocument;
class SymbolIcons;
struct FocusPlace;

// The middle of the status bar: the controls of what the user is doing right now, one bar at a
// time (see ContextBarChoice). It is built afresh on the next turn after a change, never inside
// the click of one of its own buttons. Tab reaches its controls where they stand, between the
// zoom menu and the backdrop button, also after a bar rebuilds its own row. The keyboard stays
// on the control the person used, or on the one that takes its place in the rebuilt bar.
class StatusContextBar : public QWidget {
    Q_OBJECT

public:
    StatusContextBar(EditorDocument& document, EditorCanvasSettings& settings, ContextBarHosts hosts,
                     Clipboard& clipboard, const SymbolIcons& icons, QWidget* parent = nullptr);

    ContextBar shown() const { return shown_; }
    // Builds the bar now; changes otherwise do it on the next turn.
    void rebuild();

Q_SIGNALS:
    // The control with the keyboard went with its bar, and no control takes its place (Delete,
    // Reset Crop, Whole Image, Redact Text…, which shows another bar): the canvas takes the keyboard.
    void controlGone();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void scheduleRebuild();
    void build();
    // Gives the keyboard that rested at `place` in the bar shown `before` to the control that
    // takes that place in the new bar, never to a control beside the bar.
    void passKeyboard(const FocusPlace& place, ContextBar before);
    void buildRecognizeText();
    void buildArrow();
    void buildBracket();
    void buildColorSampler();
    void buildRuler();
    void buildCrop();
    void buildSelection();
    void buildNote();
    void buildResetCrop();
    // Ends an in-place text edit before a change to the document.
    void commit();

    QPointer<EditorDocument> document_;
    EditorCanvasSettings& settings_;
    ContextBarHosts hosts_;
    SmartModes smartModes_;
    const SymbolIcons& icons_;
    QHBoxLayout* row_ = nullptr;
    QWidget* bar_ = nullptr;
    ContextBar shown_ = ContextBar::empty;
    bool scheduled_ = false;
};

} // namespace quorvane
