#pragma once

#include <QAccessibleWidget>

namespace quorvane {

class ElidedLabel;

// What assistive technology reads of an ElidedLabel: its whole text as its name, however much of it
// shows, and a description only where the tool tip adds to that. Qt's label interface reads the
// text cut short, then the tool tip that repeats it ("Drag to draw", "Drag to draw").
class ElidedLabelAccessible : public QAccessibleWidget {
public:
    explicit ElidedLabelAccessible(ElidedLabel* label);

    QString text(QAccessible::Text kind) const override;

    // Installs the factory once; every ElidedLabel calls it.
    static void install();
};

} // namespace quorvane
