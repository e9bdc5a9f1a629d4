#include "app/LanguageNames.h"

#include <QLocale>
#include <QRegularExpression>
#include <QStringList>

namespace quorvane::LanguageNames {

QString displayName(const QString& tag) {
    const QLocale locale(tag);
    if (tag.isEmpty() || locale.language() == QLocale::C) return tag;
    QString name = QLocale::languageToString(locale.language());
    // A script subtag is the only one of four letters.
    const QStringList subtags = tag.split(QRegularExpression(QStringLiteral("[-_]")));
    for (qsizetype i = 1; i < subtags.size(); ++i) {
        if (subtags[i].size() != 4) continue;
        if (const QLocale::Script script = QLocale::codeToScript(subtags[i]); script != QLocale::AnyScript)
            name += QStringLiteral(" (") + QLocale::scriptToString(script) + QLatin1Char(')');
        break;
    }
    return name;
}

} // namespace quorvane::LanguageNames
