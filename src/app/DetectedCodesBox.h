#pragma once

#include <QGroupBox>

class QVBoxLayout;

namespace quorvane {

class OCRController;

// "Detected Codes" of the Recognized Text window: one row per barcode of the controller's result,
// with its payload (shown as written, selectable, never opened), its symbology and a Copy button.
// Hidden while the result has no codes.
class DetectedCodesBox : public QGroupBox {
    Q_OBJECT

public:
    explicit DetectedCodesBox(OCRController& controller, QWidget* parent = nullptr);

private:
    void rebuild();

    OCRController& controller_;
    QWidget* rows_ = nullptr;
    QVBoxLayout* rowsLayout_ = nullptr;
};

} // namespace quorvane
