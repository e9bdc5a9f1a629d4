#pragma once

// The heads-up panel's content: the preview, the title, the counts, the status line, and the
// controls Finish, Cancel, Auto ↓, Auto ↑ or Stop Auto, the speed or Allow Access…. It reads the
// model and passes what the user asks on as the model's signals; it never writes a field.

#include "scrolling/ScrollHUDModel.h"

#include <QWidget>
#include <functional>

class QComboBox;
class QLabel;
class QPropertyAnimation;
class QPushButton;

namespace quorvane {

class ScrollHUDPreviewBox;
class ScrollHUDStatusLine;

class ScrollHUDView : public QWidget {
    Q_OBJECT

public:
    // `reduceMotion` is asked at every status change.
    ScrollHUDView(ScrollHUDModel& model, std::function<bool()> reduceMotion, QWidget* parent = nullptr);

    // The status line's colour when it warns.
    static QColor warningColor() { return QColor(255, 149, 0); }

    ScrollHUDPreviewBox* previewBox() const { return preview_; }
    QLabel* titleLabel() const { return title_; }
    QLabel* countsLabel() const { return counts_; }
    ScrollHUDStatusLine* statusLine() const { return status_; }
    QPushButton* finishButton() const { return finish_; }
    QPushButton* cancelButton() const { return cancel_; }
    QPushButton* autoDownButton() const { return autoDown_; }
    QPushButton* autoUpButton() const { return autoUp_; }
    QPushButton* stopAutoButton() const { return stopAuto_; }
    QPushButton* allowAccessButton() const { return allowAccess_; }
    QComboBox* speedPicker() const { return speed_; }
    QLabel* hintLabel() const { return hint_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* makeControls();
    QPushButton* makeButton(const QString& text, const QString& hint);
    void refresh();
    void animateStatus();

    ScrollHUDModel& model_;
    std::function<bool()> reduceMotion_;
    ScrollHUDPreviewBox* preview_ = nullptr;
    QLabel* title_ = nullptr;
    QLabel* counts_ = nullptr;
    ScrollHUDStatusLine* status_ = nullptr;
    QWidget* controls_ = nullptr;
    QPushButton* stopAuto_ = nullptr;
    QPushButton* autoDown_ = nullptr;
    QPushButton* autoUp_ = nullptr;
    QComboBox* speed_ = nullptr;
    QPushButton* allowAccess_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* finish_ = nullptr;
    QLabel* hint_ = nullptr;
    QPropertyAnimation* statusFade_ = nullptr;
};

} // namespace quorvane
