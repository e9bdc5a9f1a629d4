#include "capture/DisplayTopology.h"

#include "core/Geometry.h"

#include <algorithm>

namespace quorvane {

bool DisplayState::operator==(const DisplayState& other) const {
    return id == other.id && geom::exactlyEqual(frame, other.frame) && pixelWidth == other.pixelWidth &&
           pixelHeight == other.pixelHeight;
}

DisplayTopology topology(const ShareableContent& content) {
    DisplayTopology states;
    states.reserve(content.displays.size());
    for (const CaptureDisplay& display : content.displays)
        states.push_back(
            DisplayState{display.displayID, display.frame, display.pixelWidth, display.pixelHeight});
    return states;
}

bool topologyMatches(const DisplayTopology& a, const DisplayTopology& b) {
    const auto sorted = [](DisplayTopology states) {
        std::stable_sort(states.begin(), states.end(),
                         [](const DisplayState& x, const DisplayState& y) { return x.id < y.id; });
        return states;
    };
    return sorted(a) == sorted(b);
}

} // namespace quorvane
