#include "recognition/RecognitionResult.h"

#include <QStringList>

namespace quorvane {

QString RecognitionResult::text(LineBreaks breaks) const {
    QStringList texts;
    texts.reserve(qsizetype(lines.size()));
    for (const RecognizedLine& line : lines)
        texts.append(line.text);
    return texts.join(breaks == LineBreaks::joined ? QStringLiteral(" ") : QStringLiteral("\n"));
}

} // namespace quorvane
