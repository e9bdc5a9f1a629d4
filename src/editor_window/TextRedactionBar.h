#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>

class QHBoxLayout;
class QLabel;
class QPushButton;
class QToolButton;
class QWidget;

namespace quorvane {

class ElidedLabel;
class SymbolIcons;
class TextRedactionController;

// The strip the status bar shows while a Redact Text review is open: what the review is doing,
// its options, and Cancel, Close or Redact. It keeps nothing of its own: every change of the
// review rebuilds it, and the keyboard stays on the control of the same kind. Its controls take
// the focus from Tab alone, so Return and Escape keep reaching the canvas after a click; with the
// keyboard, Space and Return press a button, and Space or Down opens the options.
class TextRedactionBar : public QWidget {
    Q_OBJECT

public:
    // `finish(true)` applies the redactions, `finish(false)` leaves without them.
    TextRedactionBar(TextRedactionController& controller, const SymbolIcons& icons,
                     std::function<void(bool apply)> finish, QWidget* parent = nullptr);

    // For tests and the chrome's accessibility: the options menu button, while reviewing boxes.
    QToolButton* optionsButton() const { return options_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void rebuild();
    QPushButton* button(const QString& title, const QString& help, bool apply);
    QToolButton* optionsMenu();
    // Gives the keyboard to the control named `name`, else to the first one that takes it.
    void refocus(const QString& name);

    QPointer<TextRedactionController> controller_;
    const SymbolIcons& icons_;
    std::function<void(bool)> finish_;
    QHBoxLayout* row_ = nullptr;
    QToolButton* options_ = nullptr;
    ElidedLabel* failure_ = nullptr;
};

} // namespace quorvane
