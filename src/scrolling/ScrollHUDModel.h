#pragma once

// What the scrolling capture's heads-up panel shows, written by the capture controller; and what
// the user asks of it through the panel, as signals the controller answers. The panel never
// writes a field itself.

#include "scrolling/AutoScrollDirection.h"
#include "scrolling/AutoScrollSpeed.h"

#include <QImage>
#include <QObject>
#include <QString>
#include <optional>

namespace quorvane {

class ScrollHUDModel : public QObject {
    Q_OBJECT

public:
    explicit ScrollHUDModel(QObject* parent = nullptr);

    static QString startingStatus() { return QStringLiteral("Starting…"); }

    // Every field but `speed` back to its first value; called at the start of every capture.
    void reset();

    const std::optional<QImage>& preview() const { return preview_; }
    void setPreview(std::optional<QImage> preview);
    int frames() const { return frames_; }
    void setFrames(int frames);
    int height() const { return height_; }
    void setHeight(int height);
    const QString& status() const { return status_; }
    void setStatus(const QString& status);
    bool finishing() const { return finishing_; }
    void setFinishing(bool finishing);
    // The status is a warning or a stop message.
    bool attention() const { return attention_; }
    void setAttention(bool attention);
    // The direction of the automatic or edge-driven run under way.
    std::optional<AutoScrollDirection> autoDirection() const { return autoDirection_; }
    void setAutoDirection(std::optional<AutoScrollDirection> direction);
    bool canAutoDown() const { return canAutoDown_; }
    void setCanAutoDown(bool can);
    bool canAutoUp() const { return canAutoUp_; }
    void setCanAutoUp(bool can);
    // Scroll events cannot be posted: the panel offers Allow Access… instead of the speed.
    bool needsAccess() const { return needsAccess_; }
    void setNeedsAccess(bool needs);
    // The direction in which the capture stitches.
    AutoScrollDirection orientation() const { return orientation_; }
    void setOrientation(AutoScrollDirection orientation);
    AutoScrollSpeed speed() const { return speed_; }
    void setSpeed(AutoScrollSpeed speed);
    // A drag held at a screen edge drives the capture.
    bool dragMode() const { return dragMode_; }
    void setDragMode(bool on);
    bool dragHint() const { return dragHint_; }
    void setDragHint(bool on);

Q_SIGNALS:
    // Any field changed.
    void changed();
    void statusChanged();
    // The user's requests.
    void finishRequested();
    void cancelRequested();
    void autoRequested(quorvane::AutoScrollDirection direction);
    void stopAutoRequested();
    void accessRequested();
    void speedPicked(quorvane::AutoScrollSpeed speed);

private:
    template<class T>
    void assign(T& field, T value);

    std::optional<QImage> preview_;
    int frames_ = 0;
    int height_ = 0;
    QString status_ = startingStatus();
    bool finishing_ = false;
    bool attention_ = false;
    std::optional<AutoScrollDirection> autoDirection_;
    bool canAutoDown_ = false;
    bool canAutoUp_ = false;
    bool needsAccess_ = false;
    AutoScrollDirection orientation_ = AutoScrollDirection::down;
    AutoScrollSpeed speed_ = AutoScrollSpeed::normal;
    bool dragMode_ = false;
    bool dragHint_ = false;
};

} // namespace quorvane
