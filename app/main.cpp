#include "data/uDM.h"
#include "fmMain.h"
#include "toolkit/messagebox.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <memory>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QTranslator qtTexts;  // Czech texts of the standard buttons, when installed
    if (qtTexts.load(QStringLiteral("qtbase_cs"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&qtTexts);

    std::unique_ptr<Tdm> dataModule;
    try {
        dataModule = std::make_unique<Tdm>();
    } catch (const Exception& e) {
        ShowMessage(nullptr, e.Message(), QStringLiteral("Chyba"), QMessageBox::Critical);
        return 1;
    }
    TfMain window;
    window.show();
    return app.exec();
}
