#pragma once

// Every editor action given, each recording its name when called; a test adds what it needs.

#include "editor_window/EditorActions.h"

#include <QString>
#include <functional>

namespace quorvane::test {

inline EditorActions recordedActions(std::function<void(const QString&)> record = [](const QString&) {}) {
    const auto named = [record](const char* name) {
        return [record, name] { record(QString::fromLatin1(name)); };
    };
    return EditorActions{
        .copy = named("copy"),
        .save = named("save"),
        .saveAs = named("saveAs"),
        .pin = named("pin"),
        .resizeImage = named("resize"),
        .editBackdrop = named("backdrop"),
        .recognizeText = [record](const QImage&, const QString&) { record(QStringLiteral("recognizeText")); },
    };
}

} // namespace quorvane::test
