#pragma once

class QWidget;

namespace quorvane {

// Whether a person's click could reach a widget now: the rule for every press, toggle, menu, focus
// and value that assistive technology asks of our controls. A widget is reached where it is
// enabled and shows, no modal window stands over it (as Qt's modality: a sheet over the windows it
// stands on, an application-modal window over all others) and no capture window of ours holds
// the pointer and keyboard. A reader that kept an object of a closed window, or presses while
// the area picker covers the screen, changes nothing.
class ClickReach {
public:
    // Marks `window`, a full-screen capture window that grabs the pointer and keyboard, as taking
    // every click while it shows: only what stands in it is reached then.
    static void holdsInputWhileShown(QWidget& window);
    static bool reaches(const QWidget& widget);
};

} // namespace quorvane
