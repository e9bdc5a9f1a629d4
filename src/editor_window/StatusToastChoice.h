#pragma once

#include <QString>
#include <optional>

namespace quorvane {

class CaptureController;

// Which toast the editor window shows for the capture and export state; the first rule that
// holds decides.
struct StatusToastChoice {
    enum class Kind { countdown, none, error, exportMessage };

    Kind kind = Kind::none;
    QString message;
    std::optional<QString> symbol;
    bool persistent = false;
    bool showOnAppear = false;
    bool retryable = false;

    static StatusToastChoice choose(const CaptureController& capture, const QString& exportMessage);

    bool operator==(const StatusToastChoice&) const = default;
};

} // namespace quorvane
