#pragma once

// A text engine on one Tesseract instance (LSTM), loaded once for a set of languages and reused.

#include "platform/TextEngine.h"

#include <QString>
#include <atomic>
#include <memory>

namespace tesseract {
class TessBaseAPI;
}

namespace quorvane {

class TesseractEngine : public TextEngine {
public:
    // `languages` is Tesseract's "eng+deu" form; the data files must have been checked.
    static Result<std::unique_ptr<TesseractEngine>, Error> load(const QString& folder,
                                                                const QString& languages);
    ~TesseractEngine() override;

    std::vector<Block> blocks(const QImage& image, const QRect& area) override;
    Result<std::vector<Line>, Error> recognize(const QImage& image, const QRect& area, Layout layout,
                                               const std::atomic<bool>& cancelled) override;

    // Instances alive in this process, so that tests can see engines are not leaked.
    static int liveCount();

private:
    explicit TesseractEngine(std::unique_ptr<tesseract::TessBaseAPI> api);
    void setImage(const QImage& image, const QRect& area);

    std::unique_ptr<tesseract::TessBaseAPI> api_;
};

} // namespace quorvane
