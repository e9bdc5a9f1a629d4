#pragma once

// Every open pin: screenshots pinned above other windows until closed. The shell pins the
// current document's final image with it, closes all pins from a menu and at the end, and
// reopens a pin's image when one asks to be edited. GUI thread.

#include "panels/PinScreen.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QRectF>
#include <optional>
#include <vector>

namespace quorvane {

class AccessibilityOptions;
class Beeper;
class Clipboard;
class PinPanel;
class SymbolIcons;

class PinController : public QObject {
    Q_OBJECT

public:
    struct Screens {
        std::vector<PinScreen> screens;
        std::optional<PinScreen> main;
    };

    static constexpr int cascadeStep = 24;
    static constexpr int cascadeLength = 8;

    // The services outlive the controller.
    PinController(Clipboard& clipboard, Beeper& beeper, const SymbolIcons& icons,
                  const AccessibilityOptions& accessibility, QObject* parent = nullptr);
    ~PinController() override;

    // Replaces the desktop's screens when set (tests).
    std::optional<Screens> screenOverride;

    // The desktop's screens in Qt's order, and its primary one.
    static Screens systemScreens();

    // Shows `image` in a new pin centred on `near` (global points), or placed by the cascade
    // without one. Null when no screen is known or the image has no area.
    PinPanel* pin(const QImage& image, const std::optional<QRectF>& near);
    // Closes one of our pins; anything else is left alone.
    void close(PinPanel* panel);
    void closeAll();

    // The open pins, oldest first.
    std::vector<PinPanel*> panels() const;
    int cascade() const { return cascade_; }

    Clipboard& clipboard() const { return clipboard_; }
    Beeper& beeper() const { return beeper_; }

    // A pin asked for its image to be edited.
    void edit(const QImage& image) { Q_EMIT editRequested(image); }

Q_SIGNALS:
    void editRequested(const QImage& image);
    // A pin opened or closed.
    void pinsChanged();

private:
    Clipboard& clipboard_;
    Beeper& beeper_;
    const SymbolIcons& icons_;
    const AccessibilityOptions& accessibility_;
    std::vector<QPointer<PinPanel>> panels_;
    int cascade_ = 0;
};

} // namespace quorvane
