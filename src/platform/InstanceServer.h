#pragma once

// The running program's end of the local socket that later processes forward to. Only the holder
// of the instance lock makes one: it alone may replace a socket that a crashed run left behind.
// Whatever connects is untrusted: each connection gets a deadline and the message's size cap, and
// only a few are served at once, so a flood or a silent client costs bounded memory and time.

#include "core/Error.h"
#include "core/Result.h"

#include <QByteArrayList>
#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

namespace quorvane {

class InstanceServer : public QObject {
    Q_OBJECT

public:
    // Connections served at once; more are closed at once.
    static constexpr int maxConnections = 16;
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
    int openConnections() const { return open_; }

Q_SIGNALS:
    // A whole message arrived and was acknowledged: the arguments of one later process.
    void messageReceived(const QByteArrayList& arguments);

private:
    void accept();
    void serve(QLocalSocket* socket);

    QString path_;
    QLocalServer* server_;
    int open_ = 0;
    bool floodLogged_ = false;
    bool receivingWaiting_ = false;
};

} // namespace quorvane
