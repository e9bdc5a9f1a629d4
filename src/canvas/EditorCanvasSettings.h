#pragma once

#include "canvas/CanvasViewport.h"
#include "canvas/ChangeBatcher.h"
#include "canvas/PaneModes.h"
#include "canvas/RecognitionImage.h"
#include "canvas/TextRedactionController.h"
#include "canvas/ToolStyle.h"
#include "canvas/ToolTable.h"
#include "core/Error.h"
#include "core/Result.h"
#include "document/Annotation.h"

#include <QColor>
#include <QImage>
#include <QObject>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <optional>

namespace quorvane {

class EditorDocument;

// The state of one editor pane, split by concern: how the document is shown (viewport()), the
// tool and its style (style()), and what the pane is doing besides drawing (modes()). Each is an
// object with properties and change signals; the tool bar and status bar bind to them. The
// operations that change several concerns at once live here: choosing a tool, selecting an annotation, crop,
// recognise text, Redact Text.
//
// Each operation changes its fields as one whole: the change signals fire once it is complete (in
// field order, each once), so an observer that writes the style back, such as the pane restyling
// the selected annotation on a colour change, never sees a half-loaded style. GUI thread only.
//
// The work lives beside it: the tool table (ToolTable), the tools' annotations
// (ToolAnnotationFactory), crop and recognise-text mode (CropMode, RecognizeTextMode) and the
// holding back of signals (ChangeBatcher).
class EditorCanvasSettings : public QObject {
    Q_OBJECT

public:
    using ArrowChoice = ToolTable::ArrowChoice;
    using BracketChoice = ToolTable::BracketChoice;
    using RecognitionImage = quorvane::RecognitionImage;

    // In tool-bar order.
    static const QStringList& tools();
    // The tool a one-letter lower-case key chooses; the crop key is not one of them.
    static std::optional<QString> toolForKey(QChar key);
    // The default colour of tools that have one (Redact, Highlight).
    static std::optional<QColor> toolColor(const QString& tool);
    // "Arrow (A)"; a name without a key comes back unchanged.
    static QString toolTitle(const QString& tool);
    static std::optional<QString> toolNote(const QString& tool);
    // The tools whose annotations the tool-annotation factory builds.
    static const QStringList& annotationTools();
    static const std::array<ArrowChoice, 2>& arrowChoices();
    static const std::array<BracketChoice, 4>& bracketChoices();
    static constexpr std::array<int, 7> textSizes = {12, 14, 18, 24, 32, 48, 64};

    explicit EditorCanvasSettings(QObject* parent = nullptr);

    CanvasViewport& viewport() { return viewport_; }
    const CanvasViewport& viewport() const { return viewport_; }
    ToolStyle& style() { return style_; }
    const ToolStyle& style() const { return style_; }
    PaneModes& modes() { return modes_; }
    const PaneModes& modes() const { return modes_; }

    const std::optional<QString>& lastAnnouncement() const { return lastAnnouncement_; }

    // Installed by the in-place text editor: commits the open text.
    std::function<void()> finishText;
    // Whether drawing should use stronger contrast; off unless the desktop hook says otherwise.
    std::function<bool()> increaseContrast = [] { return false; };
    // Receives the image to recognise and its source label; installed by the pane.
    std::function<void(const QImage&, const QString&)> recognizeHandler;

    QString arrowSymbol() const;
    QString bracketGlyph() const;

    // Remembers `text` and asks the pane to speak it.
    void announce(const QString& text);
    // Commits an open in-place text editor; operations that switch tools or modes begin with it.
    void finishOpenText();
    // Holds back the change signals until the returned hold and every outer one have ended, so
    // that an operation elsewhere can change several fields as one whole.
    [[nodiscard]] ChangeBatcher::Hold holdChanges() { return ChangeBatcher::Hold(changes_); }

    void choose(const QString& tool);
    void choose(ToolTable::Tool tool);
    // Selects `annotation` (none clears the selection) and loads its style into the controls.
    void select(const std::optional<Annotation>& annotation);
    // Writes the controls' style into the selected annotation, as one undo step when it changes.
    void applyStyle(EditorDocument& document);
    bool strokeAndFillDisabled(const EditorDocument& document) const;
    void toggleCrop();
    void applyCrop(EditorDocument& document);
    void fitImage();
    void startRecognizing();
    void finishRecognizing(EditorDocument& document);
    // The rendered document, cut to the selection when there is one. Error "Quorvane.OCR" code 1
    // when the selection does not lie entirely inside the image.
    Result<RecognitionImage, Error> recognitionImage(const EditorDocument& document) const;
    void recognizeText(EditorDocument& document,
                       const std::function<void(const QImage&, const QString&)>& deliver);
    void toggleArrowStyle();
    void cycleBracket();
    // Cancels an open Redact Text review and clears the area colours.
    void endSmartModes();
    // Opens a Redact Text review of the selection or the whole image; `recognize` is the
    // composition root's recogniser, in automatic language.
    void startTextRedaction(EditorDocument& document, const TextRedactionController::Recognize& recognize);
    // Applies and/or closes the open review.
    void finishTextRedaction(bool apply);

    // A new freehand, highlight, spotlight, counter or magnifier annotation built from `rect`
    // (base-image pixels) with the current style; none for other kinds.
    std::optional<Annotation> toolAnnotation(AnnotationKind kind, const QRectF& rect,
                                             const EditorDocument& document) const;
    // The selected annotation when it is of `kind`.
    std::optional<Annotation> selected(AnnotationKind kind, const EditorDocument& document) const;
    // The tool setting and a selected spotlight or magnifier together.
    void setSpotlightOval(bool oval, EditorDocument& document);
    void setMagnification(double value, EditorDocument& document);

Q_SIGNALS:
    // For the canvas to pass on to assistive technology at high priority.
    void announcementRequested(const QString& text);

private:
    void emitChange(int field);

    std::optional<QString> lastAnnouncement_;
    ChangeBatcher changes_{[this](int field) { emitChange(field); }};
    CanvasViewport viewport_{changes_, this};
    ToolStyle style_{changes_, this};
    PaneModes modes_{changes_, this};
};

} // namespace quorvane
