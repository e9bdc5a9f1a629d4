#pragma once

// The running program's end of the local socket that later processes forward to. Only the holder
// of the instance lock makes one: it alone may replace a socket that a crashed run left behind.
// Whatever connects is untrusted: each connection gets its own deadline and the message's size
// cap, and is read only as far as its bytes have come, so a silent or slow client costs bounded
// memory and never holds up another. The server keeps accepting: when too many are open, the
// oldest gives way, as a newcomer is likelier a later start than one that has said nothing yet.

#include "core/Error.h"
#include "core/Result.h"

#include <QByteArrayList>
#include <QObject>
#include <QString>
#include <functional>
#include <list>

class QLocalServer;
class QLocalSocket;

namespace quorvane {

class InstanceServer : public QObject {
    Q_OBJECT

public:
    // Connections served at once; a newer one closes the oldest.
    static constexpr int maxConnections = 64;
    // A connection that has not delivered its whole message by then is closed.
    static constexpr int deadlineMs = 2000;

    explicit InstanceServer(QString socketPath, QObject* parent = nullptr);
    ~InstanceServer() override;

    // Replaces whatever is at the path and listens there, readable and writable by this user
    // only. Errors: "Quorvane.Instance" code 1, with Qt's reason.
    Result<void, Error> listen();
    // Takes in now what later processes sent while this one's event loop was not running (its
    // start-up): each whole message is emitted before this returns, in the order they connected.
    // What has not wholly arrived is served as usual.
    void receiveWaiting();
    const QString& socketPath() const { return path_; }
    int openConnections() const { return int(open_.size()); }

Q_SIGNALS:
    // A whole message arrived and was acknowledged: the arguments of one later process.
    void messageReceived(const QByteArrayList& arguments);

private:
    enum class Ending { answered, refused, givenWay };

    // A connection being served, and how to end it.
    struct Connection {
        QLocalSocket* socket;
        std::function<void(Ending, const char*)> end;
    };

    void accept();
    void serve(QLocalSocket* socket);

    QString path_;
    QLocalServer* server_;
    // Oldest first.
    std::list<Connection> open_;
    bool crowdLogged_ = false;
    bool receivingWaiting_ = false;
};

} // namespace quorvane
