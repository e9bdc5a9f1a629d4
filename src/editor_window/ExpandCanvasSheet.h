#pragma once

#include "editor_window/ExpandCanvasModel.h"

#include <QDialog>
#include <QPointer>
#include <array>

class QLabel;
class QLineEdit;
class QPushButton;

namespace quorvane {

class EditorDocument;
class SegmentedPicker;

// "Expand Canvas": margins on each side or a wanted total size, then one undo step that grows
// the canvas. The source size is the crop's when the sheet opens. Escape or Cancel closes it
// untouched; an expansion the document refuses keeps it open with its entries.
class ExpandCanvasSheet : public QDialog {
    Q_OBJECT

public:
    static constexpr std::array<int, 3> presets = {20, 40, 80};

    ExpandCanvasSheet(EditorDocument& document, QWidget* parent = nullptr);

    const ExpandCanvasModel& model() const { return model_; }
    SegmentedPicker& modePicker() const { return *mode_; }
    // Top, left, bottom, right, width, height.
    QLineEdit& field(int index) const { return *fields_.at(static_cast<std::size_t>(index)); }
    QPushButton& presetButton(int index) const { return *presets_.at(static_cast<std::size_t>(index)); }
    QLabel& summaryLine() const { return *summary_; }
    QLabel& problemLine() const { return *problem_; }
    QPushButton& cancelButton() const { return *cancel_; }
    QPushButton& expandButton() const { return *expand_; }

private:
    QWidget* buildFields();
    QWidget* buildPresets();
    void refresh();
    void expand();

    QPointer<EditorDocument> document_;
    ExpandCanvasModel model_;
    SegmentedPicker* mode_ = nullptr;
    std::array<QLineEdit*, 6> fields_{};
    std::array<QWidget*, 6> rows_{};
    QWidget* presetRow_ = nullptr;
    std::array<QPushButton*, 3> presets_{};
    QLabel* summary_ = nullptr;
    QLabel* problem_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* expand_ = nullptr;
};

} // namespace quorvane
