// The user-interface side of the compressed documents: the warning box, the progress posts and
// the windows they go to. The codec and the blob format show nothing themselves.

#include "bz2.h"

#include "progress.h"
#include "toolkit/messagebox.h"

#include <QPointer>
#include <QWidget>

namespace {

QPointer<QWidget>& progressWindow()
{
    static QPointer<QWidget> window;
    return window;
}

QPointer<QWidget>& mainWindow()
{
    static QPointer<QWidget> window;
    return window;
}

}  // namespace

TPackResult PackFile(QIODevice& file, const QString& name)
{
    TPackResult result = PackDocument(file, name, PackProgress);
    if (!result.Complete)
        ShowWarning(result.Warning);
    return result;
}

void ShowWarning(const QString& text)
{
    ShowMessage(MainWindow(), text, QStringLiteral("Varování"), QMessageBox::Warning, QMessageBox::Ok);
}

void PackProgress(int percent, qint64 count, bool& stop)
{
    SendProgress(ProgressWindow(), percent, count);
    stop = count > PackSizeLimit;
}

void UnpackProgress(int percent, qint64, bool& stop)
{
    SendProgress(MainWindow(), percent, 100);
    stop = false;
}

void SetProgressWindow(QWidget* window) { progressWindow() = window; }
QWidget* ProgressWindow() { return progressWindow(); }
void SetMainWindow(QWidget* window) { mainWindow() = window; }
QWidget* MainWindow() { return mainWindow(); }
