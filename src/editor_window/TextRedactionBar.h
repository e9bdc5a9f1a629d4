#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>

class QHBoxLayout;
class QLabel;
class QPushButton;
class QToolButton;

namespace quorvane {

class ElidedLabel;
class SymbolIcons;
class TextRedactionController;

// The strip the status bar shows while a Redact Text review is open: what the review is doing,
// its options, and Cancel, Close or Redact. It keeps nothing of its own: every change of the
// review rebuilds it. Its buttons never take focus, so Return and Escape keep reaching the
// canvas after a click.
class TextRedactionBar : public QWidget {
    Q_OBJECT

public:
    // `finish(true)` applies the redactions, `finish(false)` leaves without them.
    TextRedactionBar(TextRedactionController& controller, const SymbolIcons& icons,
                     std::function<void(bool apply)> finish, QWidget* parent = nullptr);

    // For tests and the chrome's accessibility: the options menu button, while reviewing boxes.
    QToolButton* optionsButton() const { return options_; }

private:
    void rebuild();
    QPushButton* button(const QString& title, const QString& help, bool apply);
    QToolButton* optionsMenu();

    QPointer<TextRedactionController> controller_;
    const SymbolIcons& icons_;
    std::function<void(bool)> finish_;
    QHBoxLayout* row_ = nullptr;
    QToolButton* options_ = nullptr;
    ElidedLabel* failure_ = nullptr;
};

} // namespace quorvane
