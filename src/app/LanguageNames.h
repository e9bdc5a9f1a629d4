#pragma once

#include <QString>

namespace quorvane::LanguageNames {

// How the language choice labels a recognition language tag: its English name, with the script in
// parentheses when the tag names one ("Chinese (Simplified Han)"); a tag no locale knows ("qaa")
// keeps its identifier. Every text of the program is English, so the name is too.
QString displayName(const QString& tag);

} // namespace quorvane::LanguageNames
