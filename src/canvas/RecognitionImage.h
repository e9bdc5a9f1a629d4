#pragma once

#include <QImage>
#include <QString>

namespace quorvane {

// What recognise-text mode hands over: the picture and where it came from.
struct RecognitionImage {
    QImage image;
    QString source; // "Editor image" or "Editor selection"

    bool operator==(const RecognitionImage& other) const {
        return source == other.source && image == other.image;
    }
};

} // namespace quorvane
