#pragma once

// One piece of a line of text as an engine reads it: cut out of the enlarged page onto its own
// background, so that nothing of a neighbouring line, a button's border or an icon is read with
// it; and the boxes it reads brought back to the image as given and fitted to the line's ink.

#include <QColor>
#include <QImage>
#include <QRect>
#include <QRectF>
#include <vector>

namespace quorvane {

class LineImage {
public:
    // `box`: the piece in pixels of `flat` (the image as given, on white), its words `height`
    // high; `enlarged` is `flat` drawn `factor` times larger (the same image when `factor` is 1);
    // `others`: the pieces around it, kept out.
    LineImage(const QImage& flat, const QImage& enlarged, int factor, const QRect& box, int height,
              const std::vector<QRect>& others);

    // How wide the gap `area` of `flat` between two words `height` high is empty, 0 when it
    // holds text of its own. Letters that continue the words on either side are not part of the
    // gap; a border or the edge of a panel running through it from top to bottom is.
    static int emptyWidth(const QImage& flat, const QRect& area, int height);
    // Whether the paper around two words differs.
    static bool onDifferentPaper(const QImage& flat, const QRect& first, const QRect& second);

    const QImage& image() const { return image_; }
    QColor background() const { return background_; }
    // A box in pixels of `image()` in pixels of the image as given.
    QRectF toSource(const QRectF& box) const;
    // Word boxes (left to right, in pixels of the image as given) fitted to the ink of the piece:
    // grown over the pale edges of glyphs and the end of a word the engine placed short, shrunk
    // over paper, never into the neighbouring words nor outside the piece.
    std::vector<QRectF> fitted(const std::vector<QRectF>& words) const;

private:
    void growOverLetters(int height, const std::vector<QRect>& others);
    // From row `from`, `step` by `step`, the last row with ink of the columns [left, right)
    // outside the other pieces, across single empty rows, within the kept area.
    int lastInkedRow(int left, int right, int from, int step) const;
    // Pale edges of glyphs, or only their core, as a binarising engine sees them.
    enum class Ink { edge, core };
    bool inkAt(int x, int y, Ink ink = Ink::edge) const;
    bool columnHasInk(int x, int top, int bottom, Ink ink = Ink::edge) const;
    // How far the ink of the columns [left, right) of the piece stands out from its paper.
    int contrastOf(int left, int right) const;

    const QImage& flat_;
    QRect box_;
    QRect kept_; // the piece with a margin for the points and commas the analysis leaves out
    int factor_;
    QPoint origin_; // where image() starts, in pixels of the enlarged page
    QColor background_;
    QRgb paper_; // the background's channels, compared with every pixel
    std::vector<QRect> others_;
    int reach_ = 1; // rows above and below the piece where its dots and accents may be
    int threshold_ = 0;
    int coreThreshold_ = 0;
    QImage image_;
};

} // namespace quorvane
