#include "platform/X11WindowClass.h"

#include <QByteArrayList>
#include <QStringDecoder>

namespace quorvane::X11WindowClass {
namespace {

// The property is Latin-1 by convention; many programs write UTF-8 into it.
QString decode(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (utf8.hasError()) text = QString::fromLatin1(bytes);
    QString clean;
    for (const QChar c : text)
        if (!c.isNonCharacter() && c.category() != QChar::Other_Control && c.category() != QChar::Other_Format)
            clean += c;
    clean = clean.simplified();
    if (clean.size() > maxNameLength) clean.truncate(maxNameLength);
    return clean;
}

} // namespace

QString programName(const QByteArray& wmClass) {
    // The last part may lack its terminating zero, or the zero may be missing altogether.
    const QByteArrayList parts = wmClass.split('\0');
    const QString className = parts.size() > 1 ? decode(parts[1]) : QString();
    return !className.isEmpty() ? className : decode(parts.value(0));
}

} // namespace quorvane::X11WindowClass
