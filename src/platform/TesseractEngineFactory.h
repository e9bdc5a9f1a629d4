#pragma once

// Makes Tesseract engines from the language data in one folder.

#include "platform/TextEngineFactory.h"

#include <QString>
#include <mutex>
#include <set>

namespace quorvane {

class TesseractEngineFactory : public TextEngineFactory {
public:
    explicit TesseractEngineFactory(QString folder);

    QStringList languages() const override;
    Result<std::unique_ptr<TextEngine>, Error> make(const QStringList& languages) override;

private:
    QString folder_;
    QStringList languages_;
    std::mutex mutex_;
    std::set<QString> checked_; // data files that passed the check
};

} // namespace quorvane
