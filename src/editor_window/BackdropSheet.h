#pragma once

#include "editor_window/BackdropModel.h"
#include "editor_window/BackdropThumbnail.h"
#include "editor_window/SliderRule.h"

#include <QDialog>
#include <QPointer>
#include <QSizeF>
#include <array>
#include <vector>

class QCheckBox;
class QLabel;
class QPushButton;

namespace quorvane {

class BackdropColorWell;
class EditorDocument;
class PresetButton;
class SheetSlider;

// "Backdrop": edits a form of the document's backdrop with a live thumbnail, the resulting size
// and the reason it cannot be applied. Only Apply and Remove reach the document, each as one
// undo step; Escape or Cancel closes without storing anything.
class BackdropSheet : public QDialog {
    Q_OBJECT

public:
    BackdropSheet(EditorDocument& document, QWidget* parent = nullptr);
    ~BackdropSheet() override;

    // The sliders in the order of their rows.
    enum class Slider { angle, padding, cornerRadius, shadowRadius, shadowOpacity, shadowOffset };

    const BackdropModel& model() const { return model_; }
    // The output size, else the crop size.
    QSizeF exportSize() const;
    const BackdropThumbnail& thumbnail() const { return thumbnail_; }
    // The picture last shown.
    QImage thumbnailImage() const { return shownThumbnail_; }
    QPushButton& backgroundButton(BackdropModel::Background background) const;
    PresetButton& presetButton(Backdrop::Preset preset) const;
    BackdropColorWell& colorWell() const { return *color_; }
    BackdropColorWell& endColorWell() const { return *endColor_; }
    SheetSlider& slider(Slider which) const { return *sliders_.at(static_cast<std::size_t>(which)); }
    QLabel& valueText(Slider which) const { return *values_.at(static_cast<std::size_t>(which)); }
    QCheckBox& shadowSwitch() const { return *shadow_; }
    QLabel& summaryLine() const { return *summary_; }
    QLabel& problemLine() const { return *problem_; }
    QPushButton& removeButton() const { return *remove_; }
    QPushButton& cancelButton() const { return *cancel_; }
    QPushButton& applyButton() const { return *apply_; }

private:
    QWidget* buildPresets();
    QWidget* buildForm();
    QWidget* sliderRow(Slider which, const QString& title, const SliderRule& rule, int BackdropModel::*field);
    void refresh();
    void applyToDocument();
    void removeFromDocument();

    QPointer<EditorDocument> document_;
    BackdropModel model_;
    BackdropThumbnail thumbnail_;
    QImage shownThumbnail_;
    QLabel* picture_ = nullptr;
    std::vector<PresetButton*> presets_;
    std::array<QPushButton*, 3> backgrounds_{};
    BackdropColorWell* color_ = nullptr;
    BackdropColorWell* endColor_ = nullptr;
    std::array<SheetSlider*, 6> sliders_{};
    std::array<QLabel*, 6> values_{};
    std::array<int BackdropModel::*, 6> fields_{};
    QCheckBox* shadow_ = nullptr;
    QLabel* summary_ = nullptr;
    QLabel* problem_ = nullptr;
    QPushButton* remove_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* apply_ = nullptr;
};

} // namespace quorvane
