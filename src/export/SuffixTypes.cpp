#include "export/SuffixTypes.h"

#include "export/ImageFileType.h"

namespace quorvane {

bool SuffixTypes::supported(QByteArrayView link) {
    const qsizetype slash = link.lastIndexOf('/');
    const qsizetype dot = link.lastIndexOf('.');
    const QByteArray suffix =
        dot > slash ? QByteArray::fromPercentEncoding(link.sliced(dot + 1).trimmed().toByteArray()).toLower()
                    : QByteArray();
    const auto known = supported_.constFind(suffix);
    if (known != supported_.cend()) return *known;
    const auto type = ImageFileType::ofFile(QStringLiteral("file.") + QString::fromUtf8(suffix));
    return *supported_.insert(suffix, suffix.isEmpty() ? false : type && type->isSupported());
}

} // namespace quorvane
