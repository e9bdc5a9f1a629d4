#pragma once

// The outcomes a drag selection announces, written down in order as short lines.

#include "scrolling/DragScrollSelection.h"

#include <QString>
#include <vector>

namespace quorvane::test {

// "select x,y wxh", "lock <edge>", "finish", "cancel".
inline void recordDragOutcomes(DragScrollSelection& selection, std::vector<QString>& calls) {
    QObject::connect(
        &selection, &DragScrollSelection::selected, [&calls](const QRectF& r, const DragScrollDisplay&) {
            calls.push_back(
                QStringLiteral("select %1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()));
        });
    QObject::connect(&selection, &DragScrollSelection::locked,
                     [&calls](const QRectF&, const DragScrollDisplay&, DragScrollEdge edge) {
                         calls.push_back(QStringLiteral("lock ") + rawValue(edge));
                     });
    QObject::connect(&selection, &DragScrollSelection::finished,
                     [&calls] { calls.push_back(QStringLiteral("finish")); });
    QObject::connect(&selection, &DragScrollSelection::cancelled,
                     [&calls] { calls.push_back(QStringLiteral("cancel")); });
}

} // namespace quorvane::test
