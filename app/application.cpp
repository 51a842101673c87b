#include "application.h"

#include "data/uDM.h"
#include "toolkit/messagebox.h"
#include "toolkit/worklock.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

TQuitHook& QuitHook()
{
    static TQuitHook hook;
    return hook;
}

bool quitRequested = false;

void SayNoDisplay()
{
    std::fputs("Regalon nemůže otevřít okno: není k dispozici žádný displej (Wayland ani X11).\n"
               "Spusťte jej v grafickém prostředí, nebo nastavte WAYLAND_DISPLAY či DISPLAY.\n",
               stderr);
}

QtMessageHandler previousHandler = nullptr;
bool startupGuarded = false;

// Qt ends with an abort when no platform plugin can open the display; say why and leave instead.
void StartupMessage(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (previousHandler)
        previousHandler(type, context, text);
    else
        std::fprintf(stderr, "%s\n", qPrintable(text));
    if (type == QtFatalMsg) {
        SayNoDisplay();
        std::_Exit(kNoDisplayExit);
    }
}

bool PlatformNamed(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
            return true;
    return false;
}

}  // namespace

bool PrepareDisplay(int argc, char** argv)
{
    const bool named = PlatformNamed(argc, argv) || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")
                       || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") || !qEnvironmentVariableIsEmpty("DISPLAY");
    if (!named) {
        SayNoDisplay();
        return false;
    }
    // Qt 6.4 asks the seat's text input without looking whether there is a seat: on a compositor
    // that offers text-input-v1 but no seat (weston headless) a focused line edit crashes while its
    // cursor is drawn. Qt's own order of the protocols without v1; a choice the user made stands.
    if (qEnvironmentVariableIsEmpty("QT_WAYLAND_TEXT_INPUT_PROTOCOL"))
        qputenv("QT_WAYLAND_TEXT_INPUT_PROTOCOL", "qt_text_input_method_v1;zwp_text_input_v2");
    previousHandler = qInstallMessageHandler(StartupMessage);
    startupGuarded = true;
    return true;
}

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
    if (startupGuarded) {
        qInstallMessageHandler(previousHandler);
        startupGuarded = false;
    }
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
