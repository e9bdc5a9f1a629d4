#pragma once

// One text-recognition engine instance, behind an interface so that the recognizer's contract
// (cancellation, bands, word splitting) can be tested against an engine that misbehaves on cue.
// An instance is used by one thread at a time.

#include "core/Error.h"
#include "core/Result.h"

#include <QImage>
#include <QRect>
#include <QRectF>
#include <QString>
#include <atomic>
#include <vector>

namespace quorvane {

class TextEngine {
public:
    // One recognised line: the engine's text with its confidence (0 to 1), its box and the
    // boxes of its words, all in pixels of the image handed in.
    struct Line {
        struct Word {
            QString text;
            QRectF box;
            float confidence = 0;
        };
        QString text;
        float confidence = 0;
        QRectF box;
        std::vector<Word> words;
    };

    // A text line that layout analysis found, with the boxes of its words (dots and accents
    // above and below included).
    struct LineLayout {
        QRect box;
        std::vector<QRect> words;
    };
    // A text block that layout analysis found, with its lines, or a region it took for a picture
    // (a photo, or a dark bar with light text on it), without lines.
    struct Block {
        enum class Kind { text, picture };
        QRect box;
        std::vector<LineLayout> lines;
        Kind kind = Kind::text;
    };
    // How the area handed to `recognize` is read.
    enum class Layout {
        page,  // find blocks and columns first
        block, // one block of lines, as layout analysis of a larger page found it
        line,  // one line of text, dark on light
    };

    virtual ~TextEngine() = default;

    // The text blocks and picture regions of `area` of `image` (RGBX8888) in reading order, without
    // recognising them.
    virtual std::vector<Block> blocks(const QImage& image, const QRect& area) = 0;
    // The lines of `area` of `image` (RGBX8888), in reading order. Stops early, with whatever it
    // has, once `cancelled` is set.
    virtual Result<std::vector<Line>, Error> recognize(const QImage& image, const QRect& area, Layout layout,
                                                       const std::atomic<bool>& cancelled) = 0;
};

} // namespace quorvane
