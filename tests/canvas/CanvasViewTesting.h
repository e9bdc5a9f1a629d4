#pragma once

// A document shown in a canvas view of a fixed size, as the canvas view tests set it up.

#include "canvas/EditorCanvasSettings.h"
#include "canvas/EditorCanvasView.h"
#include "document/EditorDocument.h"
#include "support/TestAnnotations.h"

#include <QApplication>
#include <QPixmap>
#include <memory>

namespace quorvane::test {

struct ShownCanvas {
    // The view goes before the settings and the document it uses.
    std::unique_ptr<EditorDocument> document;
    EditorCanvasSettings settings;
    std::unique_ptr<EditorCanvasView> view;

    ShownCanvas(const QImage& image, QSize viewSize, double pixelScale = 1)
        : document(std::make_unique<EditorDocument>(image, std::nullopt, pixelScale)) {
        view = std::make_unique<EditorCanvasView>(*document, settings);
        view->resize(viewSize);
        view->show();
        QApplication::processEvents();
    }
    ~ShownCanvas() { view.reset(); }

    // One image pixel on one screen pixel, centred.
    void showActualSize() {
        settings.viewport().setFit(false);
        settings.viewport().setZoomFraction(1);
        view->refresh();
    }
    // The view's pixels, 32-bit ARGB.
    QImage shot() {
        view->refresh();
        return view->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    }
    Annotation add(const Annotation& annotation) {
        document->addAnnotation(annotation);
        view->refresh();
        return document->annotations().back();
    }
};

inline bool sameColor(QRgb a, const QColor& b, int tolerance = 2) {
    return std::abs(qRed(a) - b.red()) <= tolerance && std::abs(qGreen(a) - b.green()) <= tolerance &&
           std::abs(qBlue(a) - b.blue()) <= tolerance;
}

// Noise, so that any resampling or shift shows.
inline QImage noiseImage(int width, int height, quint32 seed = 7) {
    QImage image = filledImage(Qt::black, width, height);
    quint32 state = seed;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            state = state * 1664525u + 1013904223u;
            image.setPixelColor(x, y,
                                QColor(int(state >> 24), int((state >> 16) & 255), int((state >> 8) & 255)));
        }
    return image;
}

} // namespace quorvane::test
