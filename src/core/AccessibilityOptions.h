#pragma once

#include <QObject>

namespace quorvane {

// The desktop's Increase Contrast and Reduce Motion, as one object that every view reads and
// watches. The composition root keeps them in step with the desktop's settings; both are off
// where the desktop has none.
class AccessibilityOptions : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool increaseContrast READ increaseContrast WRITE setIncreaseContrast NOTIFY changed)
    Q_PROPERTY(bool reduceMotion READ reduceMotion WRITE setReduceMotion NOTIFY changed)

public:
    explicit AccessibilityOptions(QObject* parent = nullptr);

    bool increaseContrast() const { return increaseContrast_; }
    void setIncreaseContrast(bool on);
    bool reduceMotion() const { return reduceMotion_; }
    void setReduceMotion(bool on);

Q_SIGNALS:
    // Either option changed; not emitted when a value is set again.
    void changed();

private:
    bool increaseContrast_ = false;
    bool reduceMotion_ = false;
};

} // namespace quorvane
