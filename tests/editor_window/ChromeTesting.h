#pragma once

// What the chrome tests share: a pane's document and settings, our own symbols (no desktop
// theme), and the fixed look that golden images need.

#include "canvas/EditorCanvasSettings.h"
#include "document/EditorDocument.h"
#include "editor_window/SymbolIcons.h"
#include "support/TestAnnotations.h"

#include <QAccessible>
#include <QApplication>
#include <QPalette>
#include <QStyleFactory>

namespace quorvane::test {

struct Pane {
    EditorDocument document{filledImage(Qt::white, 120, 80), std::nullopt, 1.0};
    EditorCanvasSettings settings;
    SymbolIcons icons{SymbolIcons::Theme::ignore};

    // Adds an annotation of `kind` and selects it with the Select tool.
    QUuid selectNew(AnnotationKind kind) {
        Annotation added = annotation(kind, QRectF(10, 10, 40, 20));
        added.id = QUuid::createUuid();
        if (kind == AnnotationKind::text) added.text = QStringLiteral("Hi");
        document.addAnnotation(added);
        settings.choose(QStringLiteral("Select"));
        settings.modes().setSelectedID(added.id);
        return added.id;
    }
};

// What assistive technology reads as the control's value ("Blue", "18 points").
inline QString accessibleValue(QWidget& widget) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&widget);
    return accessible != nullptr ? accessible->text(QAccessible::Value) : QString();
}

inline QPalette lightPalette() {
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(236, 236, 236));
    palette.setColor(QPalette::WindowText, QColor(30, 30, 30));
    palette.setColor(QPalette::Button, QColor(236, 236, 236));
    palette.setColor(QPalette::ButtonText, QColor(30, 30, 30));
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Text, QColor(30, 30, 30));
    palette.setColor(QPalette::Mid, QColor(190, 190, 190));
    palette.setColor(QPalette::Highlight, QColor(0, 99, 225));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(160, 160, 160));
    return palette;
}

inline QPalette darkPalette() {
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(44, 44, 46));
    palette.setColor(QPalette::WindowText, QColor(235, 235, 235));
    palette.setColor(QPalette::Button, QColor(58, 58, 60));
    palette.setColor(QPalette::ButtonText, QColor(235, 235, 235));
    palette.setColor(QPalette::Base, QColor(30, 30, 30));
    palette.setColor(QPalette::Text, QColor(235, 235, 235));
    palette.setColor(QPalette::Mid, QColor(90, 90, 92));
    palette.setColor(QPalette::Highlight, QColor(10, 132, 255));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(110, 110, 110));
    return palette;
}

// Fusion and DejaVu Sans, whatever the machine's defaults.
inline void pinLook() {
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(12);
    QApplication::setFont(font);
}

} // namespace quorvane::test
