#pragma once

// Where the things a process was asked to open arrive: the program's own command line at start,
// and each later process's forwarded arguments, one batch per process. A batch with a file opens
// the first file and nothing else; otherwise its first quorvane:// link is parsed, spaced at least
// a second after the last accepted one and routed; a batch with neither (a web link, say) is
// refused at once. Before start-up has finished the latest link (and file) waits. A refused link
// is logged by its case only and beeps: link text is never logged.

#include "app/URLCommand.h"

#include <QByteArrayList>
#include <QObject>
#include <QPointer>
#include <QUrl>
#include <chrono>
#include <functional>
#include <optional>

namespace quorvane {

class Beeper;
class InstanceServer;
class URLCommandTarget;

class URLCommandHandler : public QObject {
    Q_OBJECT

public:
    using Clock = std::chrono::steady_clock;
    // Accepted links are at least this far apart.
    static constexpr std::chrono::milliseconds spacing{1000};

    explicit URLCommandHandler(Beeper& beeper, QObject* parent = nullptr);

    // The clock of the spacing.
    std::function<Clock::time_point()> linkClock = [] { return Clock::now(); };

    // One batch: the arguments of one process, links as typed and file paths absolute. None at
    // all asks for the editor.
    void open(const QByteArrayList& arguments);
    // Start-up has finished: from now on links act on `target`, which outlives this object; what
    // waited is handled on the next turn of the event loop. Links that arrive from
    // `launchFinishing` still wait, the latest alone.
    void launchFinished(URLCommandTarget& target);
    // Opens what later processes forward to `server`; what they sent while this process started
    // is taken in as start-up finishes and waits like the rest, rather than each acting (and the
    // later ones refused as busy) once the event loop runs.
    void takeLinksFrom(InstanceServer& server);
    // One link's raw text: parse, space, route; logs and beeps when refused.
    void handleURLCommand(const QByteArray& link);

    bool didFinishLaunching() const { return target_ != nullptr; }
    // What waits for the end of start-up.
    const std::optional<QByteArray>& queuedLink() const { return queuedLink_; }
    const std::optional<QUrl>& queuedFile() const { return queuedFile_; }

Q_SIGNALS:
    // Start-up is about to finish: the last moment to hand in what was sent meanwhile, which
    // waits like everything sent before.
    void launchFinishing();

private:
    void refuse(URLCommand::Rejection rejection);
    void handleQueued();

    Beeper& beeper_;
    URLCommandTarget* target_ = nullptr;
    std::optional<Clock::time_point> lastAcceptedLink_;
    std::optional<QByteArray> queuedLink_;
    std::optional<QUrl> queuedFile_;
};

} // namespace quorvane
