#pragma once

// Tesseract's installed language data: which languages a data folder holds, their BCP 47 tags,
// and a check of a data file before the engine loads it (the engine aborts the process on some
// damaged files instead of failing).

#include <QString>
#include <QStringList>
#include <optional>

namespace quorvane::TesseractLanguageData {

// The folder the distribution installs the data in, or $TESSDATA_PREFIX when it is set.
QString defaultFolder();
// "eng" → "en", "chi_sim" → "zh-Hans", "aze_cyrl" → "az-Cyrl"; none for files that hold no
// language of their own ("osd", "equ") and for vertical-text variants.
std::optional<QString> tag(const QString& code);
// The data file's name without its extension for a tag from `tag`; none for an unknown tag.
std::optional<QString> code(const QString& tag, const QString& folder);
// Tags of the "*.traineddata" files in `folder`, each once, sorted by tag.
QStringList installedTags(const QString& folder);
// Whether the file's header and component table are whole and it holds the LSTM model.
bool isUsable(const QString& path);

} // namespace quorvane::TesseractLanguageData
