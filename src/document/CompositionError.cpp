#include "document/CompositionError.h"

namespace quorvane {

QString message(CompositionError error) {
    switch (error) {
    case CompositionError::overlayBudget:
        return QStringLiteral("Adding this image would keep more than 256 MB of added images in memory "
                              "(open documents and their undo history). Save the image, then open the "
                              "saved file to keep adding images.");
    case CompositionError::unplaceable:
        return QStringLiteral("The image could not be placed on the canvas.");
    }
    return {};
}

} // namespace quorvane
