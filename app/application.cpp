#include "application.h"

#include "data/uDM.h"
#include "toolkit/messagebox.h"
#include "toolkit/worklock.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cstdio>

namespace {

TQuitHook& QuitHook()
{
    static TQuitHook hook;
    return hook;
}

bool quitRequested = false;

}  // namespace

void SetQuitHook(TQuitHook hook)
{
    QuitHook() = std::move(hook);
}

void RequestQuit()
{
    quitRequested = true;
    if (QuitHook())
        QuitHook()();
    else
        QCoreApplication::exit(1);
}

bool QuitRequested()
{
    return quitRequested;
}

void ResetQuitRequest()
{
    quitRequested = false;
}

std::unique_ptr<TWorkFolderLock> LockWorkFolder()
{
    QString message;
    try {
        auto lock = std::make_unique<TWorkFolderLock>(WorkPath(QStringLiteral("regalon.lock")));
        const TWorkFolderLock::Result result = lock->Take();
        if (result == TWorkFolderLock::Result::Taken)
            return lock;
        message = result == TWorkFolderLock::Result::HeldElsewhere
                      ? OpenElsewhereText(lock->Holder())
                      : QStringLiteral("Nemohu zamknout pracovní složku katalogu: ") + lock->ErrorString();
    } catch (const Exception& e) {
        message = e.Message();
    }
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    ShowMessage(nullptr, message, QStringLiteral("Regalon"), QMessageBox::Warning);
    return nullptr;
}

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    // The program speaks Czech whatever the environment says: dates, numbers and the standard
    // dialogs follow its texts.
    QLocale::setDefault(QLocale(QLocale::Czech, QLocale::Czechia));
}

void TApplication::LoadCzechTexts()
{
    auto* texts = new QTranslator(this);
    if (texts->load(QStringLiteral("qtbase_cs"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        installTranslator(texts);
}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    bool handled = false;
    Guarded([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}
