#pragma once

// Handing files, folders and web addresses to the desktop. Every call answers whether the desktop
// took it; none of them waits long, and only OpenDocumentOrSay shows anything to the user.
// The desktop's way is xdg-open where it is installed, so that its failure can be seen too, and
// Qt's own launchers where it is not.
//
// Tests swap the two ways out to the desktop (ShellHooks), so nothing is launched and they can see
// what would have been opened.

#include <QList>
#include <QString>
#include <QUrl>

#include <functional>

class QWidget;

// Opens a file with the program associated with it.
bool OpenDocument(const QString& path);
// Opens a file as OpenDocument does. When the file is missing, no launcher takes it, or the
// launcher ends with a failure later, a box owned by `owner` says so and names the file, so the
// user can open it by hand.
void OpenDocumentOrSay(QWidget* owner, const QString& path);
// Opens a web (or other) address as written.
bool OpenUrl(const QString& address);
// Opens a folder in the file manager.
bool ExploreFolder(const QString& path);
// Opens the file's folder in the file manager with the file selected; when no file manager answers
// that request, opens the folder. False for a missing file or when neither works.
bool ShowInFolder(const QString& path);

namespace ShellHooks {

using Opener = std::function<bool(const QUrl&)>;
using FileShower = std::function<bool(const QUrl& file)>;

// An empty function restores the desktop's own: xdg-open (else QDesktopServices::openUrl) for the
// opener, the file manager's ShowItems over the session D-Bus (short timeout) for the file shower.
void SetOpener(Opener opener);
void SetFileShower(FileShower shower);

// For tests: records every request instead of launching anything, answers as told, and puts the
// desktop's own ways back when it goes.
class Recorder {
public:
    explicit Recorder(bool openerAnswers = true, bool fileShowerAnswers = true);
    ~Recorder();
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    const QList<QUrl>& Opened() const { return opened_; }
    const QList<QUrl>& Shown() const { return shown_; }
    void Clear();

private:
    QList<QUrl> opened_;
    QList<QUrl> shown_;
};

}  // namespace ShellHooks
