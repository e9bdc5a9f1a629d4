#pragma once

#include <QFrame>

namespace quorvane {

// The thin line between a panel's rows.
inline QFrame* makeDivider(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

} // namespace quorvane
