#include "platform/TesseractEngineFactory.h"

#include "platform/TesseractEngine.h"
#include "platform/TesseractLanguageData.h"

#include <QDir>

namespace quorvane {

TesseractEngineFactory::TesseractEngineFactory(QString folder)
    : folder_(std::move(folder)), languages_(TesseractLanguageData::installedTags(folder_)) {}

QStringList TesseractEngineFactory::languages() const {
    return languages_;
}

Result<std::unique_ptr<TextEngine>, Error> TesseractEngineFactory::make(const QStringList& languages) {
    QStringList codes;
    for (const QString& language : languages) {
        const auto code = TesseractLanguageData::code(language, folder_);
        const QString path =
            code ? QDir(folder_).filePath(*code + QStringLiteral(".traineddata")) : QString();
        bool usable = false;
        if (code) {
            const std::lock_guard lock(mutex_);
            usable = checked_.count(path) != 0 || TesseractLanguageData::isUsable(path);
            if (usable) checked_.insert(path);
        }
        if (!usable)
            return Failure{Error{QStringLiteral("Quorvane.OCR"), 5,
                                 QStringLiteral("The text recognition data for ") + language +
                                     QStringLiteral(" is missing or damaged.")}};
        codes.append(*code);
    }
    auto engine = TesseractEngine::load(folder_, codes.join(QLatin1Char('+')));
    if (!engine) return Failure{engine.error()};
    return std::unique_ptr<TextEngine>(std::move(engine).value());
}

} // namespace quorvane
