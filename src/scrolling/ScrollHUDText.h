#pragma once

// The heads-up panel's words, worked out from its model.

#include "scrolling/ScrollHUDModel.h"

#include <QSize>
#include <QString>

namespace quorvane::ScrollHUDText {

// "Scrolling Capture", "Scrolling down automatically", "Scroll the area slowly", …
QString title(const ScrollHUDModel& model);
// The status line shows in orange: a stop message, low confidence or the size limit.
bool warning(const ScrollHUDModel& model);
// "1 frame · 0 px", "12 frames · 3400 px".
QString counts(int frames, int height);
// "12 frames, 3400 pixels tall" (always the plural).
QString countsAccessible(int frames, int height);
// Auto ↑'s tool tip.
QString autoUpHelp(const ScrollHUDModel& model);
// The panel in points: 320 × 92 driven by a drag, else 440 × 158 with the hint, 440 × 140.
QSize panelSize(const ScrollHUDModel& model);

QString dragHintText();

} // namespace quorvane::ScrollHUDText
