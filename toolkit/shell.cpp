#include "shell.h"

#include "messagebox.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>

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

using LateFailure = std::function<void()>;

// Qt starts its launcher detached and never learns how it ended; run xdg-open ourselves, so a
// launcher that finds no program for the file ("no method available") is seen as a failure.
bool launch(const QUrl& url, const LateFailure& failed)
{
    const QString launcher = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (launcher.isEmpty())
        return QDesktopServices::openUrl(url);
    auto* process = new QProcess(QCoreApplication::instance());
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->setStandardInputFile(QProcess::nullDevice());
    process->setProgram(launcher);
    process->setArguments({url.isLocalFile() ? url.toLocalFile() : url.toString(QUrl::FullyEncoded)});
    QObject::connect(process, &QProcess::finished, process, [process, failed](int code, QProcess::ExitStatus status) {
        if ((status != QProcess::NormalExit || code != 0) && failed)
            failed();
        process->deleteLater();
    });
    process->start();
    if (process->waitForStarted())
        return true;
    delete process;
    return false;
}

bool open(const QUrl& url, const LateFailure& failed = {})
{
    if (hooks().opener)
        return hooks().opener(url);
    return launch(url, failed);
}

bool openLocal(const QString& path, const LateFailure& failed = {})
{
    return !path.isEmpty() && open(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()), failed);
}

enum class NotOpened { Missing, NoLauncher, LauncherFailed };

void sayNotOpened(QWidget* owner, const QString& path, NotOpened why)
{
    QString reason;
    switch (why) {
    case NotOpened::Missing:
        reason = QStringLiteral("Soubor nebyl nalezen.");
        break;
    case NotOpened::NoLauncher:
        reason = QStringLiteral("V systému chybí program, který dokumenty otevírá (balíček xdg-utils).");
        break;
    case NotOpened::LauncherFailed:
        reason = QStringLiteral("Pro tento druh souboru není nastaven žádný program, nebo jej program nedokázal otevřít.");
        break;
    }
    ShowMessage(owner, QStringLiteral("Dokument se nepodařilo otevřít. %1\n\nOtevřete jej prosím ručně:\n%2")
                           .arg(reason, QFileInfo(path).absoluteFilePath()),
                QStringLiteral("Otevření dokumentu"), QMessageBox::Warning);
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

void OpenDocumentOrSay(QWidget* owner, const QString& path)
{
    if (!QFileInfo(path).isFile()) {
        sayNotOpened(owner, path, NotOpened::Missing);
        return;
    }
    const QPointer<QWidget> guardedOwner(owner);
    const auto failedLater = [guardedOwner, path] { sayNotOpened(guardedOwner, path, NotOpened::LauncherFailed); };
    if (!openLocal(path, failedLater))
        sayNotOpened(owner, path, NotOpened::NoLauncher);
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
