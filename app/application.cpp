#include "application.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

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
