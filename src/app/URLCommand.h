#pragma once

// The quorvane:// link language. Parsing is a pure function of the link's raw text: nothing is
// percent-decoded or normalised, and a link is refused whole at its first fault.

#include "core/Result.h"

#include <QString>
#include <optional>
#include <string_view>

namespace quorvane {

struct URLCommand {
    enum class Kind {
        captureArea,
        captureScreen,
        captureRepeat,
        recognizeText,
        captureWindow,
        show,
        settings
    };

    // What to do with the capture instead of the user's post-capture action.
    enum class Then { edit, copy, save, pin };

    struct CaptureOptions {
        std::optional<int> delay; // 0 to 10 seconds
        std::optional<Then> then;

        bool operator==(const CaptureOptions&) const = default;
    };

    // The first eleven are raised by parsing; the last three by the link router.
    enum class Rejection {
        tooLong,
        invalidCharacter,
        scheme,
        malformed,
        unknownCommand,
        extraPath,
        unknownParameter,
        duplicateParameter,
        parameterNotAllowed,
        invalidValue,
        unattendedExport,
        busy,
        unavailable,
        unexportedChanges,
    };

    Kind kind = Kind::show;
    // Capture commands only; `recognizeText` carries just a delay.
    CaptureOptions options;

    bool operator==(const URLCommand&) const = default;

    // `text` is the link's raw UTF-8 text.
    static Result<URLCommand, Rejection> parse(std::string_view text);
    static Result<URLCommand, Rejection> parse(const QString& text);

    // The command's path, which is also its name in the log: "capture/area", "ocr"…
    QString name() const;
};

// "edit", "copy", "save", "pin".
QString rawValue(URLCommand::Then then);
// The case name: "tooLong", "unattendedExport"…
QString rawValue(URLCommand::Rejection rejection);

} // namespace quorvane
