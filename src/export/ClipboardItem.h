#pragma once

// The one clipboard item of an image copy: the PNG bytes as given, and a TIFF of the same pixels
// that is made only when a reader asks for it.

#include <QByteArray>
#include <QMimeData>
#include <optional>

namespace quorvane {

class ClipboardItem : public QMimeData {
    Q_OBJECT

public:
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
