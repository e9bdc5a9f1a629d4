#pragma once

// Where the application's windows take other programs' drops, told to the drop target whenever
// windows or their views show, hide, move or change, and what is dropped handed to the view it fell
// on: a picture or a file to the editor, text to a text field. The zones are the views Qt would
// hand a drop to: the editor's view, and the text fields that take text.

#include <QObject>
#include <QPoint>
#include <QStringList>
#include <cstdint>
#include <memory>
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

    // Dropped text goes to its field through `text`. Watches the application from now on.
    DropZones(X11DropTarget& target, TextFieldPaste& fields, QObject* parent = nullptr);
    ~DropZones() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void updateLater();
    void update();
    void showHovering();
    void drop(std::uint32_t window, QPoint position, int kind, std::shared_ptr<ClipboardOffer> offer);

    X11DropTarget& target_;
    TextFieldPaste& text_;
    bool updating_ = false;
};

} // namespace quorvane
