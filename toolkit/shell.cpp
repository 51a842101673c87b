#include "shell.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QFileInfo>

namespace {

constexpr int kFileManagerTimeoutMs = 2000;

// Without an address or the standard per-user socket there is no session bus to ask; trying to
// start one would only cost time.
bool sessionBusPossible()
{
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus"));
}

bool showItemsOverDBus(const QUrl& file)
{
    if (!sessionBusPossible())
        return false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{file.toString()} << QString();
    return bus.call(call, QDBus::Block, kFileManagerTimeoutMs).type() == QDBusMessage::ReplyMessage;
}

struct Hooks {
    ShellHooks::Opener opener;
    ShellHooks::FileShower fileShower;
};

Hooks& hooks()
{
    static Hooks installed;
    return installed;
}

bool open(const QUrl& url)
{
    if (hooks().opener)
        return hooks().opener(url);
    return QDesktopServices::openUrl(url);
}

bool openLocal(const QString& path)
{
    return !path.isEmpty() && open(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
}

bool showFile(const QUrl& file)
{
    if (hooks().fileShower)
        return hooks().fileShower(file);
    return showItemsOverDBus(file);
}

}  // namespace

bool OpenDocument(const QString& path)
{
    return openLocal(path);
}

bool OpenUrl(const QString& address)
{
    const QUrl url(address, QUrl::TolerantMode);
    return url.isValid() && open(url);
}

bool ExploreFolder(const QString& path)
{
    return openLocal(path);  // a folder opens in the file manager
}

bool ShowInFolder(const QString& path)
{
    const QFileInfo file(path);
    if (path.isEmpty() || !file.exists())
        return false;
    return showFile(QUrl::fromLocalFile(file.absoluteFilePath())) || ExploreFolder(file.absolutePath());
}

namespace ShellHooks {

void SetOpener(Opener opener)
{
    hooks().opener = std::move(opener);
}

void SetFileShower(FileShower shower)
{
    hooks().fileShower = std::move(shower);
}

Recorder::Recorder(bool openerAnswers, bool fileShowerAnswers)
{
    SetOpener([this, openerAnswers](const QUrl& url) {
        opened_.append(url);
        return openerAnswers;
    });
    SetFileShower([this, fileShowerAnswers](const QUrl& file) {
        shown_.append(file);
        return fileShowerAnswers;
    });
}

Recorder::~Recorder()
{
    SetOpener({});
    SetFileShower({});
}

void Recorder::Clear()
{
    opened_.clear();
    shown_.clear();
}

}  // namespace ShellHooks
