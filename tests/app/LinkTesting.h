#pragma once

// A link target that records what links asked of it: the application's commands as calls, its
// conditions as fields the test sets.

#include "app/URLCommandTarget.h"

#include <QStringList>

namespace quorvane::test {

struct RecordingLinkTarget final : URLCommandTarget {
    bool busy = false, dirty = false, repeatable = true;
    // Whether a command starts a capture (it stays busy) or declines.
    bool capturesStart = true;
    std::optional<int> delay;
    std::optional<URLCommand::Then> then;
    bool fromLink = false;
    QStringList calls;
    // The last file asked for.
    std::optional<QUrl> file;

    bool isCaptureInProgress() const override { return busy; }
    bool wouldDiscardUnexportedChanges() const override { return dirty; }
    bool canRepeatArea() const override { return repeatable; }
    void arm(std::optional<int> d, std::optional<URLCommand::Then> t) override {
        delay = d;
        then = t;
        fromLink = true;
    }
    void disarm() override {
        delay.reset();
        then.reset();
        fromLink = false;
    }
    void captureArea() override { start(QStringLiteral("captureArea")); }
    void captureScreen() override { start(QStringLiteral("captureScreen")); }
    void repeatArea() override { start(QStringLiteral("repeatArea")); }
    void recognizeTextInArea() override { start(QStringLiteral("recognizeTextInArea")); }
    void chooseWindow() override { calls << QStringLiteral("chooseWindow"); }
    void presentEditor() override { calls << QStringLiteral("presentEditor"); }
    void showSettings() override { calls << QStringLiteral("showSettings"); }
    void openFile(const QUrl& url) override {
        calls << QStringLiteral("openFile ") + url.toString();
        file = url;
    }

private:
    void start(const QString& call) {
        calls << call;
        busy = capturesStart;
    }
};

} // namespace quorvane::test
