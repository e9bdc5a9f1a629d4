#pragma once

// The displays as they were when an area was picked: Repeat Area only captures again while
// every display still has the same id, frame and pixel size.

#include "capture/CaptureService.h"

#include <QRectF>
#include <vector>

namespace quorvane {

struct DisplayState {
    DisplayID id = 0;
    // Global points, top-left origin.
    QRectF frame;
    int pixelWidth = 0;
    int pixelHeight = 0;

    // Frames compared exactly: a display moved by a fraction of a point has moved.
    bool operator==(const DisplayState& other) const;
};

using DisplayTopology = std::vector<DisplayState>;

// One state per display, in the service's order.
DisplayTopology topology(const ShareableContent& content);
// Whether both hold the same displays, whatever order the service listed them in.
bool topologyMatches(const DisplayTopology& a, const DisplayTopology& b);

} // namespace quorvane
