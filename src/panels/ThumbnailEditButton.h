#pragma once

#include "panels/ThumbnailAction.h"

#include <QAbstractButton>
#include <functional>

namespace quorvane {

// The invisible button that fills the thumbnail's card: a click opens the editor. For assistive
// technology it is "Edit Screenshot", its value the pixel size, with the named actions Copy,
// Save, Pin and Close.
class ThumbnailEditButton : public QAbstractButton {
    Q_OBJECT
    Q_PROPERTY(QString accessibilityValue READ accessibilityValue)

public:
    explicit ThumbnailEditButton(std::function<void(ThumbnailAction)> perform, QWidget* parent = nullptr);

    QString accessibilityValue() const { return value_; }
    void setAccessibilityValue(const QString& value) { value_ = value; }
    void performNamed(ThumbnailAction action) { perform_(action); }

protected:
    void paintEvent(QPaintEvent*) override {}

private:
    std::function<void(ThumbnailAction)> perform_;
    QString value_;
};

} // namespace quorvane
