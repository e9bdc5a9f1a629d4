#pragma once

#include "canvas/CanvasField.h"
#include "canvas/MeasurementUnit.h"
#include "canvas/ToolTable.h"
#include "document/AnnotationKind.h"

#include <QColor>
#include <QObject>
#include <QString>
#include <optional>

namespace quorvane {

// An editor pane's current tool and the style it draws with: colour, stroke, fill, text size and
// each tool's own choice (arrow, bracket, spotlight, magnifier, ruler unit). The tool is known by
// its kind; its name is the label people see. Changes go out through the pane's shared batcher.
// GUI thread.
class ToolStyle : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString tool READ tool NOTIFY toolChanged)
    Q_PROPERTY(QColor color READ color WRITE setColor NOTIFY colorChanged)
    Q_PROPERTY(double strokeWidth READ strokeWidth WRITE setStrokeWidth NOTIFY strokeWidthChanged)
    Q_PROPERTY(bool fill READ fill WRITE setFill NOTIFY fillChanged)
    Q_PROPERTY(MeasurementUnit measurementUnit READ measurementUnit WRITE setMeasurementUnit NOTIFY
                   measurementUnitChanged)
    Q_PROPERTY(bool spotlightOval READ spotlightOval WRITE setSpotlightOval NOTIFY spotlightOvalChanged)
    Q_PROPERTY(double magnification READ magnification WRITE setMagnification NOTIFY magnificationChanged)
    Q_PROPERTY(AnnotationKind bracketKind READ bracketKind WRITE setBracketKind NOTIFY bracketKindChanged)
    Q_PROPERTY(bool arrowCurved READ arrowCurved WRITE setArrowCurved NOTIFY arrowCurvedChanged)
    Q_PROPERTY(double fontPoints READ fontPoints WRITE setFontPoints NOTIFY fontPointsChanged)

public:
    ToolStyle(ChangeBatcher& changes, QObject* parent);

    // The tool's name as people see it.
    const QString& tool() const { return tool_; }
    // None for a name that is not a tool.
    std::optional<ToolTable::Tool> toolKind() const { return toolKind_; }
    QColor color() const { return color_; }
    // The user's colour, kept while a tool with a colour of its own is active.
    const std::optional<QColor>& drawingColor() const { return drawingColor_; }
    double strokeWidth() const { return strokeWidth_; }
    bool fill() const { return fill_; }
    MeasurementUnit measurementUnit() const { return measurementUnit_; }
    bool spotlightOval() const { return spotlightOval_; }
    double magnification() const { return magnification_; }
    AnnotationKind bracketKind() const { return bracketKind_; }
    bool arrowCurved() const { return arrowCurved_; }
    double fontPoints() const { return fontPoints_; }
    // Pixels per point of the document.
    double pixelScale() const { return pixelScale_; }

    // The annotation kind the current tool draws, none for Pan, Select, Color and Ruler.
    std::optional<AnnotationKind> drawingKind() const;

    void setTool(const QString& name);
    // Switches to the tool `name`. A tool with a colour of its own (Redact, Highlight) lends it
    // while active; leaving it gives back the colour the user had before.
    void switchTool(const QString& name);
    void setColor(const QColor& value);
    void setStrokeWidth(double value);
    void setFill(bool value);
    void setMeasurementUnit(MeasurementUnit value);
    void setSpotlightOval(bool value);
    void setMagnification(double value);
    void setBracketKind(AnnotationKind value);
    void setArrowCurved(bool value);
    void setFontPoints(double value);
    void setPixelScale(double value) { pixelScale_ = value; }

    // Sends the signal of one of this object's fields.
    void emitChange(CanvasField field);

Q_SIGNALS:
    void toolChanged();
    void colorChanged();
    void strokeWidthChanged();
    void fillChanged();
    void measurementUnitChanged();
    void spotlightOvalChanged();
    void magnificationChanged();
    void bracketKindChanged();
    void arrowCurvedChanged();
    void fontPointsChanged();

private:
    ChangeBatcher& changes_;
    QString tool_ = QStringLiteral("Pan");
    std::optional<ToolTable::Tool> toolKind_ = ToolTable::Tool::pan;
    QColor color_;
    std::optional<QColor> drawingColor_;
    double strokeWidth_ = 3.0;
    bool fill_ = false;
    MeasurementUnit measurementUnit_ = MeasurementUnit::pixels;
    bool spotlightOval_ = false;
    double magnification_ = 2.0;
    AnnotationKind bracketKind_ = AnnotationKind::bracketOpen;
    bool arrowCurved_ = false;
    double fontPoints_ = 18.0;
    double pixelScale_ = 1.0;
};

} // namespace quorvane
