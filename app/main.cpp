#include "application.h"
#include "commandline.h"
#include "fmMain.h"

#include "data/bz2.h"
#include "data/uDM.h"
#include "search/extractchild.h"
#include "toolkit/messagebox.h"
#include "toolkit/programfiles.h"
#include "toolkit/singleinstance.h"
#include "toolkit/worklock.h"

#include <memory>

int main(int argc, char* argv[])
{
    if (const auto answered = AnswerCommandLine(argc, argv))
        return *answered;
    if (!PrepareDisplay(argc, argv))
        return kNoDisplayExit;

    TApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("regalon"));  // the menu entry: its icon and name
    app.LoadCzechTexts();
    TExtractChild::SetProgram(ExtractHelperPath());  // documents are parsed by a small program of their own

    // A second start only brings the first one back; the catalogue is not touched.
    TSingleInstance instance;
    if (instance.SignalRunningInstance())
        return 0;
    // Another display or session: the catalogue stays with the program that has it.
    const auto workLock = LockWorkFolder();
    if (!workLock)
        return 1;
    instance.Listen();

    std::unique_ptr<Tdm> dataModule;
    try {
        dataModule = std::make_unique<Tdm>();
    } catch (const Exception& e) {
        ShowMessage(nullptr, e.Message(), QStringLiteral("Chyba"), QMessageBox::Critical);
        return 1;
    }
    TfMain window;
    SetMainWindow(&window);
    QObject::connect(&instance, &TSingleInstance::RestoreRequested, &window, [&window] { BringToFront(&window); });
    if (QuitRequested())  // the user chose to end after an error while the window was built
        return 1;
    window.show();
    const int code = app.exec();
    SetMainWindow(nullptr);
    return code;
}
