#include "recognition/RecognitionResult.h"

#include <QStringList>

namespace quorvane {

QString RecognitionResult::text(bool joiningLines) const {
    QStringList texts;
    texts.reserve(qsizetype(lines.size()));
    for (const RecognizedLine& line : lines)
        texts.append(line.text);
    return texts.join(joiningLines ? QStringLiteral(" ") : QStringLiteral("\n"));
}

} // namespace quorvane
