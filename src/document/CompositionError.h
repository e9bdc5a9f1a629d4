#pragma once

#include <QString>

namespace quorvane {

enum class CompositionError { overlayBudget, unplaceable };

QString message(CompositionError error);

} // namespace quorvane
