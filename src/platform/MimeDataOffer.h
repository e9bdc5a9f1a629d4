#pragma once

#include "platform/ClipboardOffer.h"

#include <memory>

class QMimeData;

namespace quorvane {

// Contents held in this process (our own clipboard, a drop in a test), read at once.
class MimeDataOffer : public ClipboardOffer {
public:
    // Reads `contents`, which must outlive the offer.
    explicit MimeDataOffer(const QMimeData& contents);
    // Reads a copy of `contents`, for use after they are gone (a drop's data ends with the drop).
    static std::unique_ptr<MimeDataOffer> copyOf(const QMimeData& contents);
    ~MimeDataOffer() override;

    QStringList formats() override;
    Result<void, ClipboardReadError> receive(const QString& format, SelectionSink& sink) override;
    QImage picture() override;
    bool waitsOnOthers() const override { return false; }

private:
    std::unique_ptr<QMimeData> copy_;
    const QMimeData& contents_;
};

} // namespace quorvane
