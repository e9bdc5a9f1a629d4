#pragma once

#include "imaging/SampledColor.h"

#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

namespace quorvane {

class ColorSampler;

// The colour loupe: the 15 × 15 pixels around the pointer magnified, the centre marked, and the
// centre's colour texts below. It lets the mouse through; the precision tools place and feed it.
class ColorLoupeView : public QWidget {
    Q_OBJECT

public:
    static constexpr int loupeWidth = 151;
    static constexpr int loupeHeight = 201;

    explicit ColorLoupeView(QWidget* parent = nullptr);

    std::function<bool()> increaseContrast = [] { return false; };
    const std::vector<std::optional<SampledColor>>& colors() const { return colors_; }
    const std::optional<std::pair<int, int>>& point() const { return point_; }
    // How often the loupe asked to be redrawn; hovering the same pixel must not add to it.
    int updateCount() const { return updateCount_; }

    // Shows the neighbourhood of (x, y); redraws only when it or the position changed.
    void update(const ColorSampler& sampler, int x, int y);
    QSize sizeHint() const override { return {loupeWidth, loupeHeight}; }

    // The hexadecimal line's monospaced font, and that of the colour values and the position
    // below it: the system font with digits of one width.
    static QFont hexFont();
    static QFont valueFont();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<std::optional<SampledColor>> colors_;
    std::optional<std::pair<int, int>> point_;
    int updateCount_ = 0;
};

} // namespace quorvane
