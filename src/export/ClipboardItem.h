#pragma once

// The one clipboard item of an image copy: the PNG bytes as given, and a TIFF of the same pixels
// that is made only when a reader asks for it.

#include <QByteArray>
#include <QMimeData>
#include <cstdint>
#include <optional>

namespace quorvane {

class ClipboardItem : public QMimeData {
    Q_OBJECT

public:
    // The PNG is our own export, so the importer's caps do not apply: a stitched scrolling
    // capture reaches 40 megapixels. Beyond this it is not ours, and no TIFF is made of it.
    static constexpr std::int64_t maxTiffPixels = 64'000'000;

    explicit ClipboardItem(QByteArray png);

    const QByteArray& png() const { return png_; }

    QStringList formats() const override;
    bool hasFormat(const QString& mimeType) const override;

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType preferredType) const override;

private:
    const QByteArray png_;
    // Made on the first request; an empty array when the PNG cannot be decoded.
    mutable std::optional<QByteArray> tiff_;
};

} // namespace quorvane
