#include "platform/InstanceServer.h"

#include "core/Log.h"
#include "platform/InstanceMessage.h"
#include "platform/InstanceMessageReader.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>

namespace quorvane {
namespace {

bool fromThisUser(const QLocalSocket& socket) {
    ucred peer{};
    socklen_t length = sizeof peer;
    return ::getsockopt(int(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer, &length) == 0 &&
           peer.uid == ::getuid();
}

} // namespace

InstanceServer::InstanceServer(QString socketPath, QObject* parent)
    : QObject(parent), path_(std::move(socketPath)), server_(new QLocalServer(this)) {
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    server_->setMaxPendingConnections(maxConnections);
    connect(server_, &QLocalServer::newConnection, this, &InstanceServer::accept);
}

InstanceServer::~InstanceServer() {
    // Our socket goes with us; the lock stays ours until the process ends, so nobody else
    // listens there meanwhile.
    server_->close();
}

Result<void, Error> InstanceServer::listen() {
    // Only the lock holder gets here: whatever is at the path was left by an earlier run.
    QLocalServer::removeServer(path_);
    if (server_->listen(path_)) return {};
    return Failure{
        Error{QStringLiteral("Quorvane.Instance"), 1,
              QStringLiteral("cannot listen on ") + path_ + QStringLiteral(": ") + server_->errorString()}};
}

void InstanceServer::receiveWaiting() {
    receivingWaiting_ = true;
    // Each connection accepted here is served at once (newConnection), one at a time; a flood that
    // keeps coming is left to the event loop.
    bool none = false;
    for (int taken = 0; server_->isListening() && !none && taken < 2 * maxConnections; ++taken)
        server_->waitForNewConnection(0, &none);
    receivingWaiting_ = false;
}

void InstanceServer::accept() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        if (!fromThisUser(*socket)) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        if (std::ssize(open_) >= maxConnections) {
            if (!std::exchange(crowdLogged_, true))
                Log::app().error("Forwarded requests dropped: {} were open; the oldest gave way",
                                 maxConnections);
            // A copy: ending it takes it off the list.
            const auto end = open_.front().end;
            end(Ending::givenWay, nullptr);
        }
        serve(socket);
    }
}

void InstanceServer::serve(QLocalSocket* socket) {
    // Qt's own buffer would otherwise take whatever the client sends.
    socket->setReadBufferSize(64 * 1024);
    auto reader = std::make_shared<InstanceMessageReader>();
    auto* deadline = new QTimer(socket);
    deadline->setSingleShot(true);
    deadline->start(deadlineMs);
    const auto end = [this, socket, deadline](Ending ending, const char* problem) {
        deadline->stop();
        socket->disconnect(this);
        if (ending == Ending::answered) {
            socket->disconnectFromServer();
        } else {
            if (problem != nullptr) Log::app().error("Forwarded request refused: {}", problem);
            socket->abort();
        }
        socket->deleteLater();
        open_.remove_if([socket](const Connection& connection) { return connection.socket == socket; });
        // Said again only once the crowd has thinned by itself.
        if (ending != Ending::givenWay) crowdLogged_ = false;
    };
    open_.push_back(Connection{socket, end});
    // Whether any byte came: a client that closes before its first one asked for nothing, and its
    // going is not worth a line.
    auto heard = std::make_shared<bool>(false);
    // Takes what has arrived; true once the connection is done with.
    const auto receive = [this, socket, reader, end, heard] {
        while (socket->bytesAvailable() > 0) {
            *heard = true;
            const QByteArray bytes = socket->read(64 * 1024);
            if (reader->feed(bytes) == InstanceMessageReader::State::invalid) {
                end(Ending::refused, reader->problem());
                return true;
            }
        }
        if (reader->state() != InstanceMessageReader::State::complete) return false;
        socket->write(&InstanceMessage::accepted, 1);
        socket->flush();
        const QByteArrayList arguments = reader->arguments();
        end(Ending::answered, nullptr);
        Q_EMIT messageReceived(arguments);
        return true;
    };
    connect(deadline, &QTimer::timeout, this, [end] { end(Ending::refused, "too slow"); });
    connect(socket, &QLocalSocket::readyRead, this, receive);
    connect(socket, &QLocalSocket::disconnected, this, [receive, end, heard] {
        if (!receive()) end(Ending::refused, *heard ? "incomplete" : nullptr);
    });
    // Bytes may have come with the connection; while start-up ends, what the client has sent is
    // read at once rather than on a later turn.
    if (!receive() && receivingWaiting_) socket->waitForReadyRead(0);
}

} // namespace quorvane
