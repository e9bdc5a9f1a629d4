#pragma once

// Every request to quit (menu, tray, Ctrl+Q, the desktop's logout, SIGTERM/SIGINT) comes here:
// it waits for pending exports, asks the discard question at most once, and answers exactly
// once — after a Cancel the program keeps running and nothing quits it later unasked.

#include "core/Required.h"

#include <QObject>
#include <functional>
#include <vector>

class QWidget;

namespace quorvane {

class CaptureController;
class DiscardQuestion;
class EditorDocument;
class ExportController;

class QuitCoordinator : public QObject {
    Q_OBJECT

public:
    static constexpr const char* quitAction = "Quitting Quorvane";

    // What the shell answers.
    struct Hooks {
        // Commits text being typed in the editor, so that the question counts it.
        Required<void()> commitEditing;
        // The editor window when it exists and is visible, else null: the question's parent.
        Required<QWidget*()> visibleEditor;
        // Whether an editor window can be shown at all (signals ask only then).
        Required<bool()> canAsk;
    };

    QuitCoordinator(CaptureController& captures, ExportController& exporter, DiscardQuestion& question,
                    Hooks hooks, QObject* parent = nullptr);

    // Ends the event loop; QCoreApplication::quit unless a test replaces it.
    std::function<void()> quit;
    Required<void()> commitEditing;
    Required<QWidget*()> visibleEditor;
    Required<bool()> canAsk;

    // True when the documents may be dropped: none has unexported changes, or the user chose
    // Discard. One question at most, for the first document with changes.
    void mayDiscardChanges(const std::vector<EditorDocument*>& documents, const QString& action,
                           std::function<void(bool)> reply);
    // A new document now would drop unexported changes of two different documents.
    bool wouldDiscardUnexportedChanges() const;

    // Quit from a menu, the tray, Ctrl+Q or the desktop's logout request.
    void requestQuit();
    // SIGTERM or SIGINT: a second one, or one while the question is open, quits without asking
    // once pending exports are done.
    void terminateBySignal();
    // A quit request is being decided: the question is open or exports are awaited. Hot keys,
    // links and timers that arrive meanwhile are answered as busy.
    bool isDeciding() const { return deciding_; }

private:
    void decide();
    void finish();
    EditorDocument* firstDirty(const std::vector<EditorDocument*>& documents) const;

    CaptureController& captures_;
    ExportController& exporter_;
    DiscardQuestion& question_;
    bool deciding_ = false;
    bool forced_ = false;
    bool discardChosen_ = false;
    bool finished_ = false;
};

} // namespace quorvane
