#include "support/ImageCompare.h"

#include <QDir>
#include <cstdlib>

namespace quorvane::test {
namespace {

QImage comparable(const QImage& image) {
    // Qt 6.4 overruns the heap converting padded RGBX8888 rows (mapped bitmaps) to RGBA: copy the
    // rows out first.
    const QImage source = image.format() == QImage::Format_RGBX8888 ? image.copy() : image;
    return source.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
}

} // namespace

::testing::AssertionResult imagesNear(const QImage& actualImage, const QImage& expectedImage, int tolerance,
                                      double maxBadFraction) {
    if (actualImage.size() != expectedImage.size())
        return ::testing::AssertionFailure()
               << "size " << actualImage.width() << "×" << actualImage.height() << ", expected "
               << expectedImage.width() << "×" << expectedImage.height();
    const QImage actual = comparable(actualImage);
    const QImage expected = comparable(expectedImage);
    qint64 bad = 0;
    int worst = 0, firstX = -1, firstY = -1;
    for (int y = 0; y < actual.height(); ++y) {
        const uchar* a = actual.constScanLine(y);
        const uchar* e = expected.constScanLine(y);
        for (int x = 0; x < actual.width(); ++x) {
            int difference = 0;
            for (int c = 0; c < 4; ++c)
                difference = std::max(difference, std::abs(a[4 * x + c] - e[4 * x + c]));
            if (difference > tolerance) {
                if (bad++ == 0) firstX = x, firstY = y;
                worst = std::max(worst, difference);
            }
        }
    }
    const double allowed = maxBadFraction * actual.width() * actual.height();
    if (static_cast<double>(bad) <= allowed) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << bad << " pixels differ by more than " << tolerance << " (worst "
                                         << worst << ", first at " << firstX << "," << firstY << ")";
}

::testing::AssertionResult matchesGolden(const QImage& actual, const QString& name, int tolerance,
                                         double maxBadFraction) {
    const QString path = QStringLiteral(QUORVANE_TEST_DATA_DIR "/golden/") + name + QStringLiteral(".png");
    if (std::getenv("QUORVANE_UPDATE_GOLDEN") != nullptr) {
        QDir().mkpath(QStringLiteral(QUORVANE_TEST_DATA_DIR "/golden"));
        if (!actual.save(path)) return ::testing::AssertionFailure() << "cannot write " << path.toStdString();
        return ::testing::AssertionSuccess();
    }
    const QImage expected(path);
    if (expected.isNull())
        return ::testing::AssertionFailure() << "no golden image " << path.toStdString()
                                             << " (run with QUORVANE_UPDATE_GOLDEN=1 to make it)";
    auto result = imagesNear(actual, expected, tolerance, maxBadFraction);
    if (!result) {
        // Kept for a look, in the system's temporary folder rather than the build tree.
        const QString kept =
            QDir(QString::fromStdString(::testing::TempDir()))
                .filePath(QStringLiteral("quorvane-") + name + QStringLiteral("-actual.png"));
        if (actual.save(kept)) result << "; actual image kept at " << kept.toStdString();
    }
    return result;
}

} // namespace quorvane::test
