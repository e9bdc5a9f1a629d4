#include "export/DragExporter.h"

#include "core/AppIdentity.h"
#include "export/ImageExporter.h"
#include "platform/FolderFiles.h"
#include "platform/PrivateDirectory.h"
#include "platform/XdgDirectories.h"

#include <QFile>
#include <QLocale>
#include <QPainter>
#include <QUuid>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <limits>

namespace quorvane {

namespace {

constexpr int keptSeconds = 120;
constexpr qint64 maxAgeSeconds = 86'400;
constexpr int maxBaseLength = 200;

QString temporaryName() {
    return QStringLiteral(".quorvane-") + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper() +
           QStringLiteral(".tmp");
}

// Cuts at a user-perceived character boundary so that no emoji or accent is split.
QString firstCharacters(const QString& text, int count) {
    int characters = 0;
    qsizetype end = 0;
    while (end < text.size() && characters < count) {
        qsizetype next = end + 1;
        if (text.at(end).isHighSurrogate() && next < text.size() && text.at(next).isLowSurrogate()) ++next;
        while (next < text.size()) {
            const char32_t code = text.at(next).isHighSurrogate() && next + 1 < text.size()
                                      ? QChar::surrogateToUcs4(text.at(next), text.at(next + 1))
                                      : text.at(next).unicode();
            const auto category = QChar::category(code);
            const bool joins = category == QChar::Mark_NonSpacing || category == QChar::Mark_Enclosing ||
                               category == QChar::Mark_SpacingCombining || code == 0x200D ||
                               (code >= 0xFE00 && code <= 0xFE0F);
            if (!joins) break;
            next += QChar::requiresSurrogates(code) ? 2 : 1;
        }
        end = next;
        ++characters;
    }
    return text.left(end);
}

// Whether line breaks at either end go with the blanks.
enum class LineBreaks { trimmed, kept };

QString trimmed(QString text, LineBreaks lineBreaks) {
    auto blank = [lineBreaks](QChar c) {
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QChar(0x2028) || c == QChar(0x2029) ||
            c == QChar(0x85))
            return lineBreaks == LineBreaks::trimmed;
        return c.isSpace();
    };
    qsizetype start = 0, end = text.size();
    while (start < end && blank(text.at(start)))
        ++start;
    while (end > start && blank(text.at(end - 1)))
        --end;
    return text.mid(start, end - start);
}

} // namespace

DragExporter::DragExporter(QString directory)
    : rename(&FolderFiles::renameNoReplace), directory_(std::move(directory)) {}

QString DragExporter::defaultDirectory() {
    return QFile::decodeName(
        (XdgDirectories::cacheHome() / applicationId / "Quorvane Drag").string().c_str());
}

QString DragExporter::baseName(const std::optional<QString>& name, const QDateTime& date) {
    QString text;
    // Control and format characters (bidirectional and zero-width marks) never reach a file name.
    for (char32_t code : (name.value_or(QString())).toUcs4())
        if (QChar::category(code) != QChar::Other_Control && QChar::category(code) != QChar::Other_Format)
            text += QString::fromUcs4(&code, 1);
    text.replace(QLatin1Char('/'), QLatin1Char('-')).replace(QLatin1Char(':'), QLatin1Char('-'));
    text = trimmed(text, LineBreaks::trimmed);
    if (text.toLower().endsWith(QStringLiteral(".png"))) text.chop(4);
    while (text.startsWith(QLatin1Char('.')))
        text.remove(0, 1);
    text = trimmed(firstCharacters(text, maxBaseLength), LineBreaks::kept);
    if (!text.isEmpty()) return text;
    return QStringLiteral("Quorvane Screenshot ") +
           QLocale::c().toString(date, QStringLiteral("yyyy-MM-dd 'at' HH.mm.ss"));
}

Result<void, Error> DragExporter::prepareDirectory() const {
    // A link, a file, a folder of someone else's: never write through it.
    if (!PrivateDirectory::ensure(QFile::encodeName(directory_).toStdString()))
        return Failure{ImageExporter::error(ImageExporter::ExportError::invalidDestination)};
    return {};
}

Result<QString, Error> DragExporter::file(const QImage& image, const std::optional<QString>& name) {
    auto png = ImageExporter::encode(image, ImageExporter::Format::png, 0.9);
    if (!png) return Failure{ImageExporter::error(png.error())};
    if (auto prepared = prepareDirectory(); !prepared) return Failure{prepared.error()};
    const QString base = baseName(name, now());
    const QString temporary = directory_ + QLatin1Char('/') + temporaryName();
    if (auto written = PosixFile::writeExclusive(temporary, *png, *calls); !written)
        return Failure{written.error()};
    if (const int code = FolderFiles::setMode(temporary, 0644); code != 0) {
        PosixFile::remove(temporary);
        return Failure{PosixFile::error(code)};
    }
    for (int n = 1; n <= maxNames; ++n) {
        const QString destination = directory_ + QLatin1Char('/') + base +
                                    (n == 1 ? QString() : QLatin1Char(' ') + QString::number(n)) +
                                    QStringLiteral(".png");
        const int code = rename(temporary, destination);
        if (code == 0) {
            prune();
            PosixFile::remove(temporary);
            return destination;
        }
        if (code != EEXIST) {
            PosixFile::remove(temporary);
            return Failure{PosixFile::error(code)};
        }
    }
    PosixFile::remove(temporary);
    return Failure{PosixFile::error(EEXIST)};
}

void DragExporter::prune() const {
    std::vector<FolderFiles::Entry> entries = FolderFiles::regularFiles(directory_);
    const auto dated = [](const FolderFiles::Entry& entry) {
        return entry.modified.value_or(
            QDateTime::fromMSecsSinceEpoch(std::numeric_limits<qint64>::min() / 2));
    };
    std::stable_sort(entries.begin(), entries.end(),
                     [&](const auto& a, const auto& b) { return dated(a) > dated(b); });
    const QDateTime current = now();
    for (size_t i = 0; i < entries.size(); ++i) {
        const double age = double(dated(entries[i]).msecsTo(current)) / 1000.0;
        if (age >= keptSeconds && (int(i) >= keepLatest || age > maxAgeSeconds))
            PosixFile::remove(entries[i].path);
    }
}

void DragExporter::removeAll() const {
    FolderFiles::removeContents(directory_);
}

QPixmap DragExporter::preview(const QImage& image, double maxSide) {
    const double longest = std::max({double(image.width()), double(image.height()), 1.0});
    const double scale = std::min(maxSide / longest, 1.0);
    const int width = std::max(int(std::round(image.width() * scale)), 1);
    const int height = std::max(int(std::round(image.height() * scale)), 1);
    QImage pixels(width * 2, height * 2, QImage::Format_RGBA8888_Premultiplied);
    pixels.fill(Qt::transparent);
    {
        QPainter painter(&pixels);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRectF(0, 0, pixels.width(), pixels.height()), image);
    }
    QPixmap pixmap = QPixmap::fromImage(pixels);
    pixmap.setDevicePixelRatio(2.0);
    return pixmap;
}

QRectF DragExporter::draggingFrame(const QSizeF& previewSize, const QPointF& point) {
    return QRectF(point.x() - previewSize.width() / 2, point.y() - previewSize.height() / 2,
                  previewSize.width(), previewSize.height());
}

} // namespace quorvane
