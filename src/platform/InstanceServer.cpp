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
    // Each connection accepted here is served at once (newConnection), one at a time.
    bool none = false;
    while (server_->isListening() && !none)
        server_->waitForNewConnection(0, &none);
    receivingWaiting_ = false;
}

void InstanceServer::accept() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        if (open_ >= maxConnections || !fromThisUser(*socket)) {
            if (open_ >= maxConnections && !std::exchange(floodLogged_, true))
                Log::app().error("Forwarded requests dropped: {} are being served", maxConnections);
            socket->abort();
            socket->deleteLater();
            continue;
        }
        serve(socket);
    }
}

void InstanceServer::serve(QLocalSocket* socket) {
    ++open_;
    // Qt's own buffer would otherwise take whatever the client sends.
    socket->setReadBufferSize(64 * 1024);
    auto reader = std::make_shared<InstanceMessageReader>();
    auto* deadline = new QTimer(socket);
    deadline->setSingleShot(true);
    deadline->start(deadlineMs);
    const auto finish = [this, socket](const char* problem) {
        socket->disconnect(this);
        if (problem != nullptr) {
            Log::app().error("Forwarded request refused: {}", problem);
            socket->abort();
        } else {
            socket->disconnectFromServer();
        }
        socket->deleteLater();
        if (--open_ < maxConnections) floodLogged_ = false;
    };
    // Takes what has arrived; true once the connection is done with.
    const auto receive = [this, socket, reader, finish] {
        while (socket->bytesAvailable() > 0) {
            const QByteArray bytes = socket->read(64 * 1024);
            if (reader->feed(bytes) == InstanceMessageReader::State::invalid) {
                finish(reader->problem());
                return true;
            }
        }
        if (reader->state() != InstanceMessageReader::State::complete) return false;
        socket->write(&InstanceMessage::accepted, 1);
        socket->flush();
        const QByteArrayList arguments = reader->arguments();
        finish(nullptr);
        Q_EMIT messageReceived(arguments);
        return true;
    };
    connect(deadline, &QTimer::timeout, this, [finish] { finish("too slow"); });
    connect(socket, &QLocalSocket::readyRead, this, receive);
    connect(socket, &QLocalSocket::disconnected, this, [receive, finish] {
        if (!receive()) finish("incomplete");
    });
    // Bytes may have come with the connection; while start-up ends, what the client has sent is
    // read at once rather than on a later turn.
    if (!receive() && receivingWaiting_) socket->waitForReadyRead(0);
}

} // namespace quorvane
