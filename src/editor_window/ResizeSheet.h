#pragma once

#include "editor_window/ResizeModel.h"

#include <QDialog>
#include <QPointer>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace quorvane {

class EditorDocument;

// "Resize Image": the output size and resampling quality of one document. Nothing reaches the
// document before Resize or Reset; Escape or Cancel closes without storing anything.
class ResizeSheet : public QDialog {
    Q_OBJECT

public:
    ResizeSheet(EditorDocument& document, QWidget* parent = nullptr);

    const ResizeModel& model() const { return model_; }
    QLineEdit& widthField() const { return *width_; }
    QLineEdit& heightField() const { return *height_; }
    QCheckBox& lockAspect() const { return *lock_; }
    // 25%, 50%, 100%, 200%.
    QPushButton& percentButton(int index) const { return *percents_.at(index); }
    // Shown only above one pixel a point.
    QPushButton& logicalButton() const { return *logical_; }
    QComboBox& qualityPicker() const { return *quality_; }
    QLabel& summaryLine() const { return *summary_; }
    QLabel& problemLine() const { return *problem_; }
    QPushButton& resetButton() const { return *reset_; }
    QPushButton& cancelButton() const { return *cancel_; }
    QPushButton& resizeButton() const { return *resize_; }

private:
    QWidget* buildFields();
    QWidget* buildPercents();
    void refresh();
    void resizeDocument();
    void resetDocument();

    QPointer<EditorDocument> document_;
    ResizeModel model_;
    QLineEdit* width_ = nullptr;
    QLineEdit* height_ = nullptr;
    QCheckBox* lock_ = nullptr;
    std::array<QPushButton*, 4> percents_{};
    QPushButton* logical_ = nullptr;
    QComboBox* quality_ = nullptr;
    QLabel* description_ = nullptr;
    QLabel* summary_ = nullptr;
    QLabel* problem_ = nullptr;
    QPushButton* reset_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* resize_ = nullptr;
};

} // namespace quorvane
