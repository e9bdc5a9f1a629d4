#pragma once

// Where the application's windows take other programs' drops, told to the drop target whenever
// windows or their views show, hide, move or change, and what is dropped handed to the view it fell
// on: a picture or a file to the editor, text to a text field. The zones are the views Qt would
// hand a drop to: the editor's view, and the text fields that take text.
//
// The input that comes to a window after a drop waits for what was dropped, as after a paste. A
// key pressed right after the drop may come before the word of the drop does, which another thread
// hears: input that comes to a window an accepted drag is over waits a moment for it.

#include "platform/InputHold.h"

#include <QObject>
#include <QPoint>
#include <QStringList>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <vector>

class QWidget;

namespace quorvane {

class ClipboardOffer;
class TextFieldPaste;
class X11DropTarget;

class DropZones : public QObject {
public:
    enum Kind { image = 0, text = 1 };

    // The types each kind of zone takes, in the order it prefers them.
    static std::vector<QStringList> kinds();

    // How long input waits at most for the word of a drop, over a window an accepted drag is over.
    static constexpr std::chrono::milliseconds dropWait{500};
    // A drop this soon after the one before on its window is no person's: input does not wait for
    // it, so that a program dropping over and over cannot hold the keyboard.
    static constexpr std::chrono::milliseconds dropsApart{1000};

    // Dropped text goes to its field through `fields`; the input of a window waits on `input`.
    // Hears of input from `input` before Qt routes it, and watches the windows from now on.
    DropZones(X11DropTarget& target, TextFieldPaste& fields, InputHold& input, QObject* parent = nullptr);
    ~DropZones() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void updateLater();
    void update();
    void showHovering();
    void drop(std::uint32_t window, QPoint position, int kind, std::shared_ptr<ClipboardOffer> offer);
    // Input came to `window`: it waits for a drop that may be on its way.
    void waitForDrop(QWindow* window);
    void caughtUp();
    // Holds `window`'s input for a drop, unless it comes right after another; `giveUp` says a drop
    // given up.
    InputHold::Token holdFor(QWidget* window, std::function<void(InputHold::Reason)> giveUp);

    // The wait of a window an accepted drag is over: once it lapsed, input goes on until the drag
    // is over.
    struct DropWait {
        InputHold::Token held;
        bool lapsed = false;
    };

    X11DropTarget& target_;
    TextFieldPaste& text_;
    InputHold& input_;
    bool updating_ = false;
    // The input held for a drag goes on now.
    bool releasing_ = false;
    std::set<std::uint32_t> hovered_;
    std::map<std::uint32_t, DropWait> waits_;
    std::map<const QWidget*, std::chrono::steady_clock::time_point> lastDrops_;
};

} // namespace quorvane
