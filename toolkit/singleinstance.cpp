#include "singleinstance.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QLocalServer>
#include <QRegularExpression>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QWidget>

#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int kConnectTimeoutMs = 1000;
constexpr int kDefaultAnswerTimeoutMs = 3000;
const QByteArray kRestoreRequest = "restore\n";
const QByteArray kPingRequest = "ping\n";
const QByteArray kAnswer = "ok\n";

bool fitsSocketName(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'-'
           || c == u'_' || c == u'.';
}

bool readAnswer(QLocalSocket& socket, const QDeadlineTimer& deadline)
{
    while (!socket.canReadLine())
        if (deadline.hasExpired() || !socket.waitForReadyRead(int(deadline.remainingTime())))
            return false;
    return socket.readLine() == kAnswer;
}

// A listener that does not answer in time is still a running instance when it is another process
// of this very program: a long step (a backup's copy) may hold its event loop for a while, and a
// second program on the same catalogue must not start then. Anything else is a squatter.
bool RunsThisProgram(const QLocalSocket& socket)
{
    ucred peer{};
    socklen_t length = sizeof peer;
    if (::getsockopt(int(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0 || peer.pid <= 0
        || peer.pid == ::getpid())
        return false;
    const QString self = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
    return !self.isEmpty() && QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(peer.pid)) == self;
}

}  // namespace

QString SessionDisplay()
{
    const QString wayland = qEnvironmentVariable("WAYLAND_DISPLAY");
    if (!wayland.isEmpty())
        return wayland;
    static const QRegularExpression screen(QStringLiteral("\\.\\d+$"));
    return qEnvironmentVariable("DISPLAY").remove(screen);
}

TSingleInstance::TSingleInstance(const QString& title, QObject* parent)
    : QObject(parent), name_(ServerName(title)), answerTimeoutMs_(kDefaultAnswerTimeoutMs),
      server_(new QLocalServer(this))
{
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, &TSingleInstance::acceptConnections);
}

TSingleInstance::~TSingleInstance() = default;

QString TSingleInstance::ServerName(const QString& title)
{
    // Qt makes the fallback folder with mode 0700 and refuses one that another user owns.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        return {};
    QString name = title + u'-' + QString::number(getuid());
    if (const QString display = SessionDisplay(); !display.isEmpty())
        name += u'-' + display;
    for (QChar& c : name)
        if (!fitsSocketName(c))
            c = u'_';
    return folder + u'/' + name;
}

TSingleInstance::Peer TSingleInstance::Ask(const QByteArray& request) const
{
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(kConnectTimeoutMs))
        return Peer::None;
    const QDeadlineTimer deadline(answerTimeoutMs_);
    socket.write(request);
    return readAnswer(socket, deadline) || RunsThisProgram(socket) ? Peer::Instance : Peer::Silent;
}

bool TSingleInstance::SignalRunningInstance()
{
    if (name_.isEmpty())
        return false;
    const Peer peer = Ask(kRestoreRequest);
    silentPeer_ = peer == Peer::Silent;
    return peer == Peer::Instance;
}

bool TSingleInstance::Listen()
{
    if (Listening())
        return true;
    if (name_.isEmpty()) {
        error_ = QStringLiteral("No private runtime folder for the instance socket");
        return false;
    }
    // The server replaces an existing socket file when it listens, so ask first whether a running
    // instance owns it, unless the last question found only silence there.
    if (!silentPeer_ && Ask(kPingRequest) == Peer::Instance) {
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
            const QByteArray request = client->readLine();
            if (request == kRestoreRequest || request == kPingRequest)
                client->write(kAnswer);
            client->disconnectFromServer();  // after the answer has been written
            if (request == kRestoreRequest)
                emit RestoreRequested();
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
