#pragma once

#include <QString>
#include <array>

namespace quorvane {

// The floating thumbnail's quick actions.
enum class ThumbnailAction { copy, save, edit, pin, close };

inline constexpr std::array<ThumbnailAction, 5> allThumbnailActions = {
    ThumbnailAction::copy, ThumbnailAction::save, ThumbnailAction::edit, ThumbnailAction::pin,
    ThumbnailAction::close};

} // namespace quorvane
