#include "singleinstance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QWidget>

#include <unistd.h>

namespace {

constexpr int kConnectTimeoutMs = 1000;
const QByteArray kRestoreRequest = "restore\n";

bool fitsSocketName(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'-'
           || c == u'_' || c == u'.';
}

// Whether something answers on the name: a live instance rather than a file left by a crash.
bool someoneListens(const QString& name, QLocalSocket& socket)
{
    socket.connectToServer(name);
    return socket.waitForConnected(kConnectTimeoutMs);
}

}  // namespace

TSingleInstance::TSingleInstance(const QString& title, QObject* parent)
    : QObject(parent), name_(ServerName(title)), server_(new QLocalServer(this))
{
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, &TSingleInstance::acceptConnections);
}

TSingleInstance::~TSingleInstance() = default;

QString TSingleInstance::ServerName(const QString& title)
{
    QString name = title + u'-' + QString::number(getuid());
    for (QChar& c : name)
        if (!fitsSocketName(c))
            c = u'_';
    return QDir::tempPath() + u'/' + name;
}

bool TSingleInstance::SignalRunningInstance()
{
    QLocalSocket socket;
    if (!someoneListens(name_, socket))
        return false;
    // The running instance reads the request when its event loop gets to it; there is no answer to
    // wait for, so this works also while that instance is busy.
    socket.write(kRestoreRequest);
    socket.waitForBytesWritten(kConnectTimeoutMs);
    socket.disconnectFromServer();
    return true;
}

bool TSingleInstance::Listen()
{
    if (Listening())
        return true;
    // The server replaces an existing socket file when it listens, so ask first whether a live
    // instance owns it; a file nobody answers on was left by a crash.
    QLocalSocket probe;
    if (someoneListens(name_, probe)) {
        error_ = QStringLiteral("Another instance listens on %1").arg(name_);
        return false;
    }
    QLocalServer::removeServer(name_);
    const bool listening = server_->listen(name_);
    error_ = listening ? QString() : server_->errorString();
    return listening;
}

bool TSingleInstance::Listening() const
{
    return server_->isListening();
}

void TSingleInstance::acceptConnections()
{
    while (QLocalSocket* client = server_->nextPendingConnection()) {
        connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        auto readRequest = [this, client] {
            if (!client->canReadLine())
                return;
            if (client->readLine() == kRestoreRequest)
                emit RestoreRequested();
            client->disconnectFromServer();
        };
        connect(client, &QLocalSocket::readyRead, this, readRequest);
        readRequest();  // the request may have come with the connection
    }
}

void BringToFront(QWidget* window)
{
    window->showNormal();
    window->raise();
    window->activateWindow();
}
