#pragma once

namespace quorvane {

// The application id: the log subsystem, the settings key and the desktop entry's name.
inline constexpr char applicationId[] = "com.quorvane.Quorvane";
inline constexpr char applicationName[] = "Quorvane";

} // namespace quorvane
