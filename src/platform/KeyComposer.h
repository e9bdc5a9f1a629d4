#pragma once

// Dead keys and compose sequences, composed as each key is routed rather than when Qt reads it
// from the server. Qt's own composing runs while it reads a batch of keys and sends what it makes
// at once, ahead of the keys read before it that still wait in its queue (behind a paste, or
// behind a busy turn of the event loop): "typ", Ctrl+V, ^, "e" read as "êtyp…". Ours composes
// from the same tables (the locale's and the person's ~/.XCompose), in order. GUI thread.

#include <QMetaObject>
#include <QtGlobal>
#include <memory>

namespace quorvane {

class KeyComposer final {
public:
    // Before the application is made: Qt is asked not to compose, unless another input method
    // (an input method server's) is asked for, which composes on its own and is left alone.
    static void takeOverFromQt();
    // Once the application is made: the environment is as it was, for the programs we start.
    static void restoreEnvironment();
    // Whether Qt was asked not to compose, so that keys need us.
    static bool isTakenOver();

    KeyComposer();
    ~KeyComposer();
    KeyComposer(const KeyComposer&) = delete;
    KeyComposer& operator=(const KeyComposer&) = delete;

    // A key press of `keySymbol` about to be routed: true when it is taken, as part of a sequence,
    // or composed into text that was sent to the focused field.
    bool takes(quint32 keySymbol);

private:
    struct Tables;
    void reset();
    bool loaded_ = false;
    std::unique_ptr<Tables> tables_;
    QMetaObject::Connection focus_;
};

} // namespace quorvane
