#pragma once

#include <QString>
#include <array>
#include <optional>

namespace quorvane {

// Stored and logged by its case name.
enum class AnnotationKind {
    arrow,
    rectangle,
    oval,
    text,
    redact,
    blur,
    pixelate,
    bracketOpen,
    bracketClose,
    braceOpen,
    braceClose,
    image,
    freehand,
    highlight,
    spotlight,
    counter,
    magnifier,
    erase,
};

inline constexpr std::array<AnnotationKind, 18> allAnnotationKinds = {
    AnnotationKind::arrow,     AnnotationKind::rectangle,   AnnotationKind::oval,
    AnnotationKind::text,      AnnotationKind::redact,      AnnotationKind::blur,
    AnnotationKind::pixelate,  AnnotationKind::bracketOpen, AnnotationKind::bracketClose,
    AnnotationKind::braceOpen, AnnotationKind::braceClose,  AnnotationKind::image,
    AnnotationKind::freehand,  AnnotationKind::highlight,   AnnotationKind::spotlight,
    AnnotationKind::counter,   AnnotationKind::magnifier,   AnnotationKind::erase,
};

QString rawValue(AnnotationKind kind);
std::optional<AnnotationKind> annotationKind(const QString& rawValue);

inline bool isBracket(AnnotationKind kind) {
    return kind == AnnotationKind::bracketOpen || kind == AnnotationKind::bracketClose ||
           kind == AnnotationKind::braceOpen || kind == AnnotationKind::braceClose;
}

// Kinds that change the pixels beneath them rather than draw a mark of their own.
inline constexpr std::array<AnnotationKind, 4> effectKinds = {
    AnnotationKind::redact, AnnotationKind::blur, AnnotationKind::pixelate, AnnotationKind::erase};

inline bool isEffectKind(AnnotationKind kind) {
    return kind == AnnotationKind::redact || kind == AnnotationKind::blur ||
           kind == AnnotationKind::pixelate || kind == AnnotationKind::erase;
}

// Kinds that mark a place on the screenshot itself; they never grow the canvas.
inline bool marksScreenshot(AnnotationKind kind) {
    return kind == AnnotationKind::highlight || kind == AnnotationKind::spotlight ||
           kind == AnnotationKind::magnifier;
}

} // namespace quorvane
