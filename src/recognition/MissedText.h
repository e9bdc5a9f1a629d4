#pragma once

// Text that layout analysis left out: rows of ink in and around its text blocks that no piece
// covers (entries of a sidebar beside a selected one, a button's label), and in the plain regions it
// took for pictures (light links on a dark bar), as pieces of their own.

#include "platform/TextEngine.h"
#include "recognition/PageLayout.h"

#include <QImage>
#include <vector>

namespace quorvane::MissedText {

// The rows of ink near the text blocks of `blocks` and inside its plain picture regions, in `flat`
// (the image as given, RGBX), outside `pieces`, cut where a gap is wider than spaces between words.
std::vector<PageLayout::Piece> find(const QImage& flat, const std::vector<TextEngine::Block>& blocks,
                                    const std::vector<PageLayout::Piece>& pieces);

} // namespace quorvane::MissedText
