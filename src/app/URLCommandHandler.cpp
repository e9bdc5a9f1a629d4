#include "app/URLCommandHandler.h"

#include "app/URLCommandRouter.h"
#include "app/URLCommandTarget.h"
#include "core/LocalFileUrl.h"
#include "core/Log.h"
#include "platform/Beeper.h"
#include "platform/InstanceServer.h"
#include "platform/OpenArguments.h"

#include <QTimer>
#include <string_view>

namespace quorvane {
namespace {

using Kind = OpenArguments::Kind;

// A file path (absolute: the sender made it so) or a file URL; none for anything else. Paths stay
// the bytes they are: a name need not be text.
std::optional<QUrl> fileOf(const QByteArray& argument) {
    if (OpenArguments::kind(argument) != Kind::file) return std::nullopt;
    return argument.startsWith('/') ? LocalFileUrl::fromPath(argument) : LocalFileUrl::fromLink(argument);
}

} // namespace

URLCommandHandler::URLCommandHandler(Beeper& beeper, QObject* parent) : QObject(parent), beeper_(beeper) {}

void URLCommandHandler::open(const QByteArrayList& arguments) {
    if (arguments.isEmpty()) {
        // Start-up shows the editor anyway.
        if (target_ != nullptr) target_->presentEditor();
        return;
    }
    // A file wins over every link of the same batch.
    for (const QByteArray& argument : arguments) {
        const std::optional<QUrl> file = fileOf(argument);
        if (!file) continue;
        if (target_ != nullptr)
            target_->openFile(*file);
        else
            queuedFile_ = *file;
        return;
    }
    const QByteArray* first = nullptr;
    qsizetype links = 0;
    for (const QByteArray& argument : arguments)
        if (OpenArguments::kind(argument) == Kind::link && links++ == 0) first = &argument;
    // Nothing the program can open: said at once, as a link it cannot parse is, by its case alone.
    if (first == nullptr) return refuse(URLCommand::Rejection::scheme);
    if (links > 1) Log::app().log("URL command: ignored {} extra links", links - 1);
    if (target_ == nullptr) {
        // Only the latest link waits for start-up.
        queuedLink_ = *first;
        return;
    }
    handleURLCommand(*first);
}

void URLCommandHandler::takeLinksFrom(InstanceServer& server) {
    connect(&server, &InstanceServer::messageReceived, this, &URLCommandHandler::open);
    connect(this, &URLCommandHandler::launchFinishing, &server, &InstanceServer::receiveWaiting);
}

void URLCommandHandler::launchFinished(URLCommandTarget& target) {
    Q_EMIT launchFinishing();
    target_ = &target;
    QTimer::singleShot(0, this, &URLCommandHandler::handleQueued);
}

void URLCommandHandler::handleQueued() {
    if (const std::optional<QUrl> file = std::exchange(queuedFile_, std::nullopt)) target_->openFile(*file);
    if (const std::optional<QByteArray> link = std::exchange(queuedLink_, std::nullopt))
        handleURLCommand(*link);
}

void URLCommandHandler::handleURLCommand(const QByteArray& link) {
    if (target_ == nullptr) {
        queuedLink_ = link;
        return;
    }
    const auto parsed = URLCommand::parse(std::string_view(link.constData(), std::size_t(link.size())));
    if (!parsed.ok()) return refuse(parsed.error());
    const Clock::time_point now = linkClock();
    if (lastAcceptedLink_) {
        // A clock that went back does not refuse.
        const auto since = now - *lastAcceptedLink_;
        if (since >= Clock::duration::zero() && since < spacing) return refuse(URLCommand::Rejection::busy);
    }
    if (const auto routed = URLCommandRouter::route(*parsed, *target_); !routed)
        return refuse(routed.error());
    lastAcceptedLink_ = now;
    Log::app().log("URL command: {}", parsed->name().toStdString());
}

void URLCommandHandler::refuse(URLCommand::Rejection rejection) {
    Log::app().error("URL command rejected: {}", rawValue(rejection).toStdString());
    beeper_.beep();
}

} // namespace quorvane
