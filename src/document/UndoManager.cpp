#include "document/UndoManager.h"

namespace quorvane {

void UndoManager::beginGroup(const QString& name) {
    open_.push_back(Step{name, {}});
}

void UndoManager::endGroup() {
    if (open_.empty()) return;
    Step closed = std::move(open_.back());
    open_.pop_back();
    if (!open_.empty()) {
        Step& outer = open_.back();
        if (outer.name.isEmpty()) outer.name = closed.name;
        for (Action& action : closed.actions)
            outer.actions.push_back(std::move(action));
        return;
    }
    if (closed.actions.empty()) return;
    undoStack_.push_back(std::move(closed));
    redoStack_.clear();
    Q_EMIT changed();
}

void UndoManager::setActionName(const QString& name) {
    if (!open_.empty()) open_.back().name = name;
}

void UndoManager::registerUndo(Action action) {
    if (mode_ == Mode::rollingBack) return;
    if (open_.empty()) {
        beginGroup();
        open_.back().actions.push_back(std::move(action));
        endGroup();
        return;
    }
    open_.back().actions.push_back(std::move(action));
}

bool UndoManager::replay(std::vector<Step>& from, std::vector<Step>& to, Mode mode) {
    if (!open_.empty() || from.empty() || mode_ != Mode::normal) return false;
    const Step& step = from.back();
    mode_ = mode;
    std::vector<Action> inverse;
    open_.push_back(Step{step.name, {}});
    bool applied = true;
    for (auto it = step.actions.rbegin(); it != step.actions.rend() && applied; ++it)
        applied = (*it)();
    inverse = std::move(open_.back().actions);
    open_.pop_back();
    if (!applied) {
        // Take back what the step already changed, so that the step stays whole where it was.
        mode_ = Mode::rollingBack;
        for (auto it = inverse.rbegin(); it != inverse.rend(); ++it)
            (*it)();
        mode_ = Mode::normal;
        return false;
    }
    mode_ = Mode::normal;
    Step done{step.name, std::move(inverse)};
    from.pop_back();
    if (!done.actions.empty()) to.push_back(std::move(done));
    Q_EMIT changed();
    return true;
}

bool UndoManager::undo() {
    return replay(undoStack_, redoStack_, Mode::undoing);
}

bool UndoManager::redo() {
    return replay(redoStack_, undoStack_, Mode::redoing);
}

void UndoManager::removeAllActions() {
    undoStack_.clear();
    redoStack_.clear();
    for (Step& group : open_)
        group.actions.clear();
    Q_EMIT changed();
}

} // namespace quorvane
