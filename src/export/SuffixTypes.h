#pragma once

// Whether a link's file name ends in a suffix of a type the importer opens; the MIME database is
// asked once for each suffix, however long the list of links.

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>

namespace quorvane {

class SuffixTypes {
public:
    // By the last suffix of the link's last path element, percent-decoded.
    bool supported(QByteArrayView link);

private:
    QHash<QByteArray, bool> supported_;
};

} // namespace quorvane
