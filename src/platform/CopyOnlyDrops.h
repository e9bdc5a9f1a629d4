#pragma once

#include <QObject>

namespace quorvane {

// Another program's drag is only ever copied into ours, whatever it proposes: a source told that
// its drag was moved may delete what it dragged, and XDND always lets a target answer a copy. Qt
// offers our windows only the actions the source proposes or lists, and falls back to one of those
// when a window asks for another, so a source proposing only a move would hear a move. Each drag
// event of another program therefore has copying as its one possible action before any window
// sees it, and every answer Qt sends says copy, or none for a refusal. Our own drags keep theirs.
// Filters from its making to its end.
class CopyOnlyDrops final : public QObject {
public:
    CopyOnlyDrops();
    ~CopyOnlyDrops() override;

private:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace quorvane
