#pragma once

// Stands in for the floating thumbnail until the panels arrive: it keeps only whether a
// thumbnail would be showing, so that the shell's rules around it (a new capture dismisses it)
// already hold. Shows nothing.

#include <QObject>

namespace quorvane {

class ThumbnailStandIn : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    bool isVisible() const { return visible_; }
    void show() { visible_ = true; }
    void dismiss() { visible_ = false; }

private:
    bool visible_ = false;
};

} // namespace quorvane
