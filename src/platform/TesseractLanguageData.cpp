#include "platform/TesseractLanguageData.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace quorvane::TesseractLanguageData {

namespace {

// Tesseract's three-letter codes whose BCP 47 tag is a two-letter one; any other code is
// already a valid tag (ISO 639-2 where 639-1 has none).
const QHash<QString, QString>& twoLetterCodes() {
    static const QHash<QString, QString> table = {
        {"afr", "af"}, {"amh", "am"}, {"ara", "ar"}, {"asm", "as"}, {"aze", "az"}, {"bel", "be"},
        {"ben", "bn"}, {"bod", "bo"}, {"bos", "bs"}, {"bre", "br"}, {"bul", "bg"}, {"cat", "ca"},
        {"ces", "cs"}, {"cos", "co"}, {"cym", "cy"}, {"dan", "da"}, {"deu", "de"}, {"div", "dv"},
        {"dzo", "dz"}, {"ell", "el"}, {"eng", "en"}, {"epo", "eo"}, {"est", "et"}, {"eus", "eu"},
        {"fao", "fo"}, {"fas", "fa"}, {"fin", "fi"}, {"fra", "fr"}, {"fry", "fy"}, {"gla", "gd"},
        {"gle", "ga"}, {"glg", "gl"}, {"guj", "gu"}, {"hat", "ht"}, {"heb", "he"}, {"hin", "hi"},
        {"hrv", "hr"}, {"hun", "hu"}, {"hye", "hy"}, {"iku", "iu"}, {"ind", "id"}, {"isl", "is"},
        {"ita", "it"}, {"jav", "jv"}, {"jpn", "ja"}, {"kan", "kn"}, {"kat", "ka"}, {"kaz", "kk"},
        {"khm", "km"}, {"kir", "ky"}, {"kor", "ko"}, {"lao", "lo"}, {"lat", "la"}, {"lav", "lv"},
        {"lit", "lt"}, {"ltz", "lb"}, {"mal", "ml"}, {"mar", "mr"}, {"mkd", "mk"}, {"mlt", "mt"},
        {"mon", "mn"}, {"mri", "mi"}, {"msa", "ms"}, {"mya", "my"}, {"nep", "ne"}, {"nld", "nl"},
        {"nor", "no"}, {"oci", "oc"}, {"ori", "or"}, {"pan", "pa"}, {"pol", "pl"}, {"por", "pt"},
        {"pus", "ps"}, {"que", "qu"}, {"ron", "ro"}, {"rus", "ru"}, {"san", "sa"}, {"sin", "si"},
        {"slk", "sk"}, {"slv", "sl"}, {"snd", "sd"}, {"spa", "es"}, {"sqi", "sq"}, {"srp", "sr"},
        {"sun", "su"}, {"swa", "sw"}, {"swe", "sv"}, {"tam", "ta"}, {"tat", "tt"}, {"tel", "te"},
        {"tgk", "tg"}, {"tgl", "tl"}, {"tha", "th"}, {"tir", "ti"}, {"ton", "to"}, {"tur", "tr"},
        {"uig", "ug"}, {"ukr", "uk"}, {"urd", "ur"}, {"uzb", "uz"}, {"vie", "vi"}, {"yid", "yi"},
        {"yor", "yo"},
    };
    return table;
}

const QHash<QString, QString>& suffixes() {
    static const QHash<QString, QString> table = {
        {"sim", "Hans"},  {"tra", "Hant"},  {"cyrl", "Cyrl"},
        {"latn", "Latn"}, {"latf", "Latf"}, {"old", "old"},
    };
    return table;
}

template<class T>
bool readAt(QFile& file, qint64 offset, T& value) {
    return file.seek(offset) && file.read(reinterpret_cast<char*>(&value), sizeof value) == sizeof value;
}

} // namespace

QString defaultFolder() {
    if (const char* prefix = std::getenv("TESSDATA_PREFIX"); prefix != nullptr && *prefix != 0)
        return QString::fromLocal8Bit(prefix);
    return QStringLiteral("/usr/share/tesseract-ocr/5/tessdata");
}

std::optional<QString> tag(const QString& code) {
    if (code == QLatin1String("osd") || code == QLatin1String("equ") || code.endsWith("_vert"))
        return std::nullopt;
    const QStringList parts = code.split(QLatin1Char('_'));
    const QString& base = parts.front();
    if (base.size() < 2 || base.size() > 3) return std::nullopt;
    for (QChar c : base)
        if (c < QLatin1Char('a') || c > QLatin1Char('z')) return std::nullopt;
    QString result = base == QLatin1String("chi") ? QStringLiteral("zh") : twoLetterCodes().value(base, base);
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const auto found = suffixes().constFind(parts[i]);
        if (found == suffixes().constEnd()) return std::nullopt;
        result += QLatin1Char('-') + *found;
    }
    return result;
}

std::optional<QString> code(const QString& wanted, const QString& folder) {
    const QStringList files = QDir(folder).entryList({QStringLiteral("*.traineddata")}, QDir::Files);
    for (const QString& file : files) {
        const QString name = file.chopped(int(std::strlen(".traineddata")));
        if (tag(name) == wanted) return name;
    }
    return std::nullopt;
}

QStringList installedTags(const QString& folder) {
    QStringList tags;
    const QStringList files = QDir(folder).entryList({QStringLiteral("*.traineddata")}, QDir::Files);
    for (const QString& file : files)
        if (auto t = tag(file.chopped(int(std::strlen(".traineddata")))); t && !tags.contains(*t))
            tags.append(*t);
    tags.sort();
    return tags;
}

bool isUsable(const QString& path) {
    // The layout Tesseract's data manager reads: a little-endian entry count, one 64-bit offset
    // per component (−1 when absent), then the components in offset order to the end of file.
    constexpr std::int32_t knownEntries = 24;
    constexpr int lstmComponent = 17;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    const qint64 size = file.size();
    std::int32_t entries = 0;
    if (!readAt(file, 0, entries) || entries <= lstmComponent || entries > knownEntries) return false;
    const qint64 tableEnd = 4 + 8 * qint64(entries);
    if (size < tableEnd) return false;
    qint64 previous = tableEnd;
    for (int i = 0; i < entries; ++i) {
        std::int64_t offset = 0;
        if (!readAt(file, 4 + 8 * qint64(i), offset)) return false;
        if (offset == -1) {
            if (i == lstmComponent) return false;
            continue;
        }
        if (offset < previous || offset >= size) return false;
        previous = offset;
    }
    return true;
}

} // namespace quorvane::TesseractLanguageData
