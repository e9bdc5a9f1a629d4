#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <vector>

namespace quorvane {

// Undo and redo of whole steps. Every step is one named group that callers open and close
// explicitly (nothing is grouped by event); groups may nest, and a nested group joins the step of
// the outermost one. Undoing a step runs its actions last first; the actions they register make
// up the redo step, and the other way round. GUI thread.
class UndoManager : public QObject {
    Q_OBJECT

public:
    // Applies one change; false when it could not be applied, in which case nothing changed.
    using Action = std::function<bool()>;

    using QObject::QObject;

    // `name` names the step unless an outer group already has a name.
    void beginGroup(const QString& name = {});
    // Closing the outermost group records its step; a group with no action records nothing.
    void endGroup();
    int groupingLevel() const { return static_cast<int>(open_.size()); }
    // Names the innermost open group.
    void setActionName(const QString& name);
    // Adds an action to the innermost open group; outside any group it forms a step of its own.
    void registerUndo(Action action);

    bool canUndo() const { return open_.empty() && !undoStack_.empty(); }
    bool canRedo() const { return open_.empty() && !redoStack_.empty(); }
    QString undoActionName() const { return undoStack_.empty() ? QString() : undoStack_.back().name; }
    QString redoActionName() const { return redoStack_.empty() ? QString() : redoStack_.back().name; }
    bool isUndoing() const { return mode_ == Mode::undoing; }
    bool isRedoing() const { return mode_ == Mode::redoing; }

    // False, with both stacks unchanged, when there is nothing to undo or a group is open, or
    // when the step cannot be applied; the actions of it already run are then taken back.
    bool undo();
    bool redo();
    // Forgets every undo and redo step, and the actions gathered in open groups.
    void removeAllActions();

Q_SIGNALS:
    // The stacks or their names changed.
    void changed();

private:
    enum class Mode { normal, undoing, redoing, rollingBack };
    struct Step {
        QString name;
        std::vector<Action> actions;
    };

    bool replay(std::vector<Step>& from, std::vector<Step>& to, Mode mode);

    std::vector<Step> undoStack_;
    std::vector<Step> redoStack_;
    std::vector<Step> open_; // innermost last
    Mode mode_ = Mode::normal;
};

} // namespace quorvane
