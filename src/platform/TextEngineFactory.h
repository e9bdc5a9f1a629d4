#pragma once

// Makes text engines for a set of languages and lists the languages it can make them for.

#include "core/Error.h"
#include "core/Result.h"
#include "platform/TextEngine.h"

#include <QStringList>
#include <memory>

namespace quorvane {

class TextEngineFactory {
public:
    virtual ~TextEngineFactory() = default;

    // BCP 47 tags of the installed languages, each once, in a stable order.
    virtual QStringList languages() const = 0;
    // An engine reading `languages` (tags from `languages()`). Fails with a message naming the
    // language whose data is missing or damaged.
    virtual Result<std::unique_ptr<TextEngine>, Error> make(const QStringList& languages) = 0;
};

} // namespace quorvane
