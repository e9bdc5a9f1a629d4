#pragma once

// "Discard unexported changes?": window-modal on the editor when it is visible, application-modal
// without it. Opened with open(), never a nested event loop; the answer comes through a callback.

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <functional>
class QWidget;

namespace quorvane {

class DiscardQuestion : public QObject {
    Q_OBJECT

public:
    static constexpr const char* title = "Discard unexported changes?";

    explicit DiscardQuestion(QObject* parent = nullptr);
    ~DiscardQuestion() override;

    // Asks once for `action` (e.g. "Quitting Quorvane"); `reply` gets true for Discard and false
    // for Cancel or any other ending. `window` is the editor when it is visible, else null.
    void ask(QWidget* window, const QString& action, std::function<void(bool discard)> reply);
    bool isOpen() const { return box_ != nullptr; }
    // Closes an open question without answering it.
    void dismiss();
    // The open box, for tests.
    QMessageBox* box() const { return box_; }

private:
    QPointer<QMessageBox> box_;
};

} // namespace quorvane
