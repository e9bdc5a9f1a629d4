#pragma once

#include <QPointer>
#include <QUuid>
#include <QWidget>
#include <optional>

class QLabel;
class QToolButton;

namespace quorvane {

class EditorCanvasSettings;
class EditorDocument;
class SymbolIcons;
class ValueSlider;

// The Arrange menu of the selected annotation and, for an image overlay, its opacity slider with
// a percent read-out. A drag changes the document once, when it ends, so that one drag is one
// undo step; a click on the track, a key or an accessibility step writes at once.
class CompositionControls : public QWidget {
    Q_OBJECT

public:
    // The slider's steps per opacity 1: fine enough to show a draft such as 0.125 as it is.
    static constexpr int sliderSteps = 1000;

    CompositionControls(EditorDocument& document, EditorCanvasSettings& settings, const QUuid& id,
                        const SymbolIcons& icons, QWidget* parent = nullptr);

    // The opacity shown: the draft, else the annotation's, else 1.
    double opacity() const;
    // `opacity` in whole percent, halves away from zero.
    int percent() const;

private:
    void refresh();
    void write(double value);
    void setDragging(bool dragging);
    void commit(double value);
    void finishText();

    QPointer<EditorDocument> document_;
    EditorCanvasSettings& settings_;
    QUuid id_;
    std::optional<double> draft_;
    bool dragging_ = false;
    QToolButton* arrange_ = nullptr;
    ValueSlider* slider_ = nullptr;
    QLabel* percent_ = nullptr;
};

} // namespace quorvane
