#include "fmMain.h"

#include "data/uDM.h"
#include "toolkit/messagebox.h"

TfMain::TfMain(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("fMain"));
    // The fixed title by which a second start finds this one.
    setWindowTitle(RegalonTitle());
    try {
        catalogueOpen_ = dm->OpenCatalogue();
    } catch (const Exception& e) {
        ShowMessage(this, e.Message(), QStringLiteral("Chyba"), QMessageBox::Critical);
    }
}
