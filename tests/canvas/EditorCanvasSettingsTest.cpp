#include "canvas/EditorCanvasSettings.h"

#include "CanvasTesting.h"
#include "document/EditorDocument.h"
#include "document/SystemColors.h"

#include <QMetaProperty>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

using K = AnnotationKind;

Annotation make(K kind, const QRectF& rect) {
    return test::annotation(kind, rect, Qt::green);
}

TEST(EditorCanvasSettings, ToolColoursComeAndGoAndEverySwitchStartsClean) {
    EditorCanvasSettings settings;
    EXPECT_EQ(settings.style().color(), SystemColors::red());

    // Redact brings its own colour and clears the selection; the same tool again keeps the colour,
    // clears the rest and still announces; leaving it gives the user's colour back.
    settings.style().setColor(Qt::blue);
    settings.modes().setSelectedID(QUuid::createUuid());
    settings.choose(QStringLiteral("Redact"));
    EXPECT_EQ(settings.style().color(), QColor(Qt::black));
    EXPECT_FALSE(settings.modes().selectedID());
    settings.modes().setSelection(QRectF(1, 2, 3, 4));
    settings.modes().setMessage(QStringLiteral("busy"));
    settings.toggleCrop();
    settings.choose(QStringLiteral("Redact"));
    EXPECT_EQ(settings.style().color(), QColor(Qt::black));
    EXPECT_FALSE(settings.modes().cropping() || settings.modes().selection());
    EXPECT_TRUE(settings.modes().message().isEmpty());
    EXPECT_EQ(*settings.lastAnnouncement(), "Redact tool");
    settings.choose(QStringLiteral("Highlight"));
    EXPECT_EQ(settings.style().color(), SystemColors::yellow());
    settings.choose(QStringLiteral("Arrow"));
    EXPECT_EQ(settings.style().color(), QColor(Qt::blue));
    EXPECT_FALSE(settings.style().drawingColor());

    // Only Select keeps the selected annotation.
    const QUuid id = QUuid::createUuid();
    settings.modes().setSelectedID(id);
    settings.choose(QStringLiteral("Select"));
    EXPECT_EQ(settings.modes().selectedID(), id);
    settings.choose(QStringLiteral("Oval"));
    EXPECT_FALSE(settings.modes().selectedID());
}

TEST(EditorCanvasSettings, ArrowAndBracketVariantsCycleAndAnnounce) {
    EditorCanvasSettings settings;
    EXPECT_EQ(settings.arrowSymbol(), "arrow.up.right");
    settings.toggleArrowStyle();
    EXPECT_TRUE(settings.style().arrowCurved());
    EXPECT_EQ(settings.arrowSymbol(), "point.topleft.down.curvedto.point.bottomright.up");
    EXPECT_EQ(*settings.lastAnnouncement(), "Curved arrow");
    settings.toggleArrowStyle();
    EXPECT_EQ(*settings.lastAnnouncement(), "Straight arrow");

    settings.choose(QStringLiteral("Bracket"));
    EXPECT_EQ(settings.style().drawingKind(), K::bracketOpen);
    const struct {
        K kind;
        const char* glyph;
        const char* announcement;
    } cycle[] = {
        {K::bracketClose, "]", "Bracket: closing bracket"},
        {K::braceOpen, "{", "Bracket: opening brace"},
        {K::braceClose, "}", "Bracket: closing brace"},
        {K::bracketOpen, "[", "Bracket: opening bracket"}, // wraps round
    };
    for (const auto& step : cycle) {
        settings.cycleBracket();
        EXPECT_EQ(settings.style().bracketKind(), step.kind);
        EXPECT_EQ(settings.bracketGlyph(), step.glyph);
        EXPECT_EQ(*settings.lastAnnouncement(), step.announcement);
        EXPECT_EQ(settings.style().drawingKind(), step.kind);
    }
}

TEST(EditorCanvasSettings, SelectLoadsTheWholeStyleAndApplyStyleWritesItBack) {
    EditorDocument document(test::blueOverWhite(), std::nullopt, 2);
    EditorCanvasSettings settings;
    settings.style().setPixelScale(2);
    Annotation text = make(K::text, QRectF(10, 10, 80, 30)),
               counter = make(K::counter, QRectF(40, 40, 20, 20));
    text.fontSize = 44;
    text.strokeWidth = 7;
    text.fill = true;
    counter.fontSize = 12;
    counter.number = 7;
    document.addAnnotation(text);
    document.addAnnotation(counter);

    // The pane restyles the selection on every colour change: it must see the loaded style.
    int restyles = 0;
    QObject::connect(&settings.style(), &ToolStyle::colorChanged, [&] {
        ++restyles;
        settings.applyStyle(document);
    });
    const qint64 revision = document.revision();
    settings.select(text);
    EXPECT_EQ(restyles, 1);
    EXPECT_EQ(settings.style().fontPoints(), 22);
    EXPECT_EQ(settings.style().strokeWidth(), 7);
    EXPECT_TRUE(settings.style().fill());
    EXPECT_EQ(document.revision(), revision);
    text.fontSize = 45;
    settings.select(text);
    EXPECT_EQ(settings.style().fontPoints(), 23); // 22.5 rounds away from zero

    // A counter of 18 pt at scale 2 is 36 px with a 58 × 58 square around the same centre.
    settings.select(counter);
    settings.style().setFontPoints(18);
    settings.applyStyle(document);
    const Annotation& restyled = document.annotations().back();
    EXPECT_EQ(restyled.fontSize, 36);
    EXPECT_EQ(restyled.rect, QRectF(21, 21, 58, 58));
    EXPECT_EQ(document.undoManager().undoActionName(), "Edit Annotation");
    const qint64 restyledRevision = document.revision();
    settings.applyStyle(document);
    EXPECT_EQ(document.revision(), restyledRevision);

    // A spotlight's fill is its shape, not the fill switch; effects have no stroke or fill.
    Annotation spotlight = make(K::spotlight, QRectF(0, 0, 30, 30));
    spotlight.fill = true;
    settings.select(spotlight);
    EXPECT_TRUE(settings.style().spotlightOval() && !settings.style().fill());
    settings.select(std::nullopt);
    EXPECT_FALSE(settings.modes().selectedID());
    settings.choose(QStringLiteral("Blur"));
    EXPECT_TRUE(settings.strokeAndFillDisabled(document));
    settings.choose(QStringLiteral("Select"));
    settings.modes().setSelectedID(counter.id);
    EXPECT_FALSE(settings.strokeAndFillDisabled(document));
}

TEST(EditorCanvasSettings, ToolSettersChangeASelectedAnnotationOfTheirOwnKindOnly) {
    EditorDocument document(test::blueOverWhite(), std::nullopt, 1);
    EditorCanvasSettings settings;
    const Annotation arrow = make(K::arrow, QRectF(0, 0, 20, 20));
    const Annotation magnifier = make(K::magnifier, QRectF(30, 30, 20, 20));
    const Annotation spotlight = make(K::spotlight, QRectF(60, 10, 20, 20));
    for (const Annotation& a : {arrow, magnifier, spotlight})
        document.addAnnotation(a);

    settings.modes().setSelectedID(arrow.id);
    const qint64 unchanged = document.revision();
    settings.setMagnification(4, document);
    settings.setSpotlightOval(true, document);
    EXPECT_EQ(settings.style().magnification(), 4);
    EXPECT_TRUE(settings.style().spotlightOval());
    EXPECT_EQ(document.revision(), unchanged);
    EXPECT_FALSE(settings.selected(K::magnifier, document));

    settings.modes().setSelectedID(magnifier.id);
    settings.setMagnification(5, document);
    settings.setSpotlightOval(false, document);
    EXPECT_EQ(document.annotations()[1].magnification, 5);
    EXPECT_EQ(document.revision(), unchanged + 1);

    settings.modes().setSelectedID(spotlight.id);
    settings.setSpotlightOval(true, document);
    EXPECT_TRUE(document.annotations()[2].fill);
    EXPECT_EQ(settings.selected(K::spotlight, document)->id, spotlight.id);
}

TEST(EditorCanvasSettings, EverySetterSendsItsOwnSignalOnceAndOnlyOnAChange) {
    using Settings = EditorCanvasSettings;
    static const QUuid id = QUuid::createUuid();
    // Each field's signal, on the part of the settings that holds the field.
    using Connect = std::function<void(Settings&, std::function<void()>)>;
    const auto viewport = [](void (CanvasViewport::*signal)()) -> Connect {
        return [signal](Settings& s, std::function<void()> f) { QObject::connect(&s.viewport(), signal, f); };
    };
    const auto style = [](void (ToolStyle::*signal)()) -> Connect {
        return [signal](Settings& s, std::function<void()> f) { QObject::connect(&s.style(), signal, f); };
    };
    const auto modes = [](void (PaneModes::*signal)()) -> Connect {
        return [signal](Settings& s, std::function<void()> f) { QObject::connect(&s.modes(), signal, f); };
    };
    const struct {
        const char* name;
        Connect connect;
        std::function<void(Settings&)> set;
    } rows[] = {
        {"fit", viewport(&CanvasViewport::fitChanged), [](Settings& s) { s.viewport().setFit(false); }},
        {"zoomFraction", viewport(&CanvasViewport::zoomFractionChanged),
         [](Settings& s) { s.viewport().setZoomFraction(2); }},
        {"pan", viewport(&CanvasViewport::panChanged),
         [](Settings& s) { s.viewport().setPan(QPointF(1, 0)); }},
        {"cropping", modes(&PaneModes::croppingChanged), [](Settings& s) { s.modes().setCropping(true); }},
        {"selection", modes(&PaneModes::selectionChanged),
         [](Settings& s) { s.modes().setSelection(QRectF(0, 0, 1, 1)); }},
        {"message", modes(&PaneModes::messageChanged),
         [](Settings& s) { s.modes().setMessage(QStringLiteral("m")); }},
        {"pixelated", viewport(&CanvasViewport::pixelatedChanged),
         [](Settings& s) { s.viewport().setPixelated(true); }},
        {"tool", style(&ToolStyle::toolChanged),
         [](Settings& s) { s.style().setTool(QStringLiteral("Oval")); }},
        {"color", style(&ToolStyle::colorChanged), [](Settings& s) { s.style().setColor(Qt::blue); }},
        {"strokeWidth", style(&ToolStyle::strokeWidthChanged),
         [](Settings& s) { s.style().setStrokeWidth(9); }},
        {"fill", style(&ToolStyle::fillChanged), [](Settings& s) { s.style().setFill(true); }},
        {"selectedID", modes(&PaneModes::selectedIDChanged),
         [](Settings& s) { s.modes().setSelectedID(id); }},
        {"editingText", modes(&PaneModes::editingTextChanged),
         [](Settings& s) { s.modes().setEditingText(true); }},
        {"measurementUnit", style(&ToolStyle::measurementUnitChanged),
         [](Settings& s) { s.style().setMeasurementUnit(MeasurementUnit::points); }},
        {"hoverColor", modes(&PaneModes::hoverColorChanged),
         [](Settings& s) { s.modes().setHoverColor(SampledColor{}); }},
        {"measurementLabel", modes(&PaneModes::measurementLabelChanged),
         [](Settings& s) { s.modes().setMeasurementLabel(QStringLiteral("3 px")); }},
        {"areaColors", modes(&PaneModes::areaColorsChanged),
         [](Settings& s) {
             s.modes().setAreaColors(AreaColors{QRectF(0, 0, 1, 1), SampledColor{}, std::nullopt});
         }},
        {"spotlightOval", style(&ToolStyle::spotlightOvalChanged),
         [](Settings& s) { s.style().setSpotlightOval(true); }},
        {"magnification", style(&ToolStyle::magnificationChanged),
         [](Settings& s) { s.style().setMagnification(3); }},
        {"bracketKind", style(&ToolStyle::bracketKindChanged),
         [](Settings& s) { s.style().setBracketKind(K::braceOpen); }},
        {"arrowCurved", style(&ToolStyle::arrowCurvedChanged),
         [](Settings& s) { s.style().setArrowCurved(true); }},
        {"fontPoints", style(&ToolStyle::fontPointsChanged),
         [](Settings& s) { s.style().setFontPoints(24); }},
        {"recognizing", modes(&PaneModes::recognizingChanged),
         [](Settings& s) { s.modes().setRecognizing(true); }},
    };
    EditorCanvasSettings settings;
    QStringList sent;
    for (const auto& row : rows)
        row.connect(settings, [&sent, name = row.name] { sent << name; });
    for (const auto& row : rows) {
        sent.clear();
        row.set(settings);
        row.set(settings); // the same value again is no change
        EXPECT_EQ(sent, QStringList({row.name}));
    }
}

TEST(EditorCanvasSettings, EachFieldIsAPropertyOfItsPartAndOneHoldSendsThemInFieldOrder) {
    EditorCanvasSettings settings;
    const QObject* parts[] = {&settings.viewport(), &settings.style(), &settings.modes()};
    for (const char* name :
         {"fit",           "zoomFraction",     "pan",           "pixelated",       "tool",
          "color",         "strokeWidth",      "fill",          "measurementUnit", "spotlightOval",
          "magnification", "bracketKind",      "arrowCurved",   "fontPoints",      "cropping",
          "recognizing",   "selection",        "message",       "selectedID",      "editingText",
          "hoverColor",    "measurementLabel", "textRedaction", "areaColors"}) {
        int holders = 0;
        for (const QObject* part : parts) {
            const int index = part->metaObject()->indexOfProperty(name);
            if (index < 0) continue;
            ++holders;
            EXPECT_TRUE(part->metaObject()->property(index).hasNotifySignal()) << name;
        }
        EXPECT_EQ(holders, 1) << name;
    }

    QStringList sent;
    QObject::connect(&settings.modes(), &PaneModes::recognizingChanged, [&] { sent << "recognizing"; });
    QObject::connect(&settings.style(), &ToolStyle::colorChanged, [&] { sent << "color"; });
    QObject::connect(&settings.viewport(), &CanvasViewport::fitChanged, [&] { sent << "fit"; });
    {
        const auto hold = settings.holdChanges();
        settings.modes().setRecognizing(true);
        settings.style().setColor(Qt::blue);
        settings.viewport().setFit(false);
        EXPECT_TRUE(sent.isEmpty());
    }
    EXPECT_EQ(sent, QStringList({"fit", "color", "recognizing"}));
}

} // namespace
} // namespace quorvane
