#pragma once

#include <QAbstractButton>

namespace quorvane {

class SymbolIcons;

// The round close button in a pin's top-left corner; the first click on an inactive pin already
// closes it.
class PinCloseButton : public QAbstractButton {
    Q_OBJECT

public:
    explicit PinCloseButton(const SymbolIcons& icons, QWidget* parent = nullptr);

    QSize sizeHint() const override { return {20, 20}; }
    // 0 to 1, animated by the pin as the pointer comes and goes.
    double alpha() const { return alpha_; }
    void setAlpha(double alpha);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const SymbolIcons& icons_;
    double alpha_ = 0;
};

} // namespace quorvane
