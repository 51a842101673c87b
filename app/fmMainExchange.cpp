// The main window's CSV entries: the whole catalogue or the listed items out, a file in.

#include "fmMain.h"

#include "data/grouptree.h"
#include "data/uDM.h"
#include "dialogs/fmCsvImport.h"
#include "exchange/csvexport.h"
#include "toolkit/messagebox.h"

#include <QMenu>
#include <QMenuBar>

namespace {

const QString kExportCaption = QStringLiteral("Export do CSV");

}  // namespace

void TfMain::ConnectExchangePane()
{
    menuData->addSeparator();
    menuExportCsv = AddMenuEntry(menuData, QStringLiteral("E&xport do CSV…"), -1, &TfMain::exportCsvClick);
    menuImportCsv = AddMenuEntry(menuData, QStringLiteral("&Import z CSV…"), -1, &TfMain::importCsvClick);
    gridPopup->addSeparator();
    menuExportListCsv = AddMenuEntry(gridPopup, QStringLiteral("E&xport seznamu do CSV…"), -1, &TfMain::exportListCsvClick);
    menuExportCsv->setObjectName(QStringLiteral("menuExportCsv"));
    menuImportCsv->setObjectName(QStringLiteral("menuImportCsv"));
    menuExportListCsv->setObjectName(QStringLiteral("menuExportListCsv"));
}

void TfMain::exportCsvClick()
{
    QString fileName;
    CsvDialect dialect;
    if (!ChooseCsvExportFile(this, fileName, dialect))
        return;
    qint64 items = 0;
    SaveCsvFile(fileName, [&](QIODevice& out) { items = ExportCatalogue(dm->db, out, dialect); });
    SetStatusText(2, QStringLiteral("Exportováno položek: %1").arg(items));
}

void TfMain::exportListCsvClick()
{
    QString fileName;
    CsvDialect dialect;
    if (!ChooseCsvExportFile(this, fileName, dialect))
        return;
    while (table.Active() && !table.AllFetched())
        table.FetchBatch();
    qint64 items = 0;
    SaveCsvFile(fileName, [&](QIODevice& out) {
        CsvExport csv(dm->db, out, dialect);
        for (int row = 0; table.Active() && row < table.RecordCount(); ++row) {
            if (!table.RowAccepted(row))
                continue;
            const TMeral3Command::TRowScope scope(table, row);
            csv.Add({tableIDENT->AsLargeInt(), tableIDTYP->AsLargeInt(), tableNAZEV->AsString(), tablePOPIS->AsString(),
                     tableMISTO->AsString(), tablePATH_DOK->AsString(), tableOBSAH->AsString()});
            ++items;
        }
        csv.Finish();
    });
    SetStatusText(2, QStringLiteral("Exportováno položek: %1").arg(items));
}

void TfMain::importCsvClick()
{
    const QList<qint64> items = CsvImportDialog(*dm, this);
    if (items.isEmpty())
        return;
    // The imported items may lie in many groups: the whole catalogue shows them all.
    ReloadAndSelect(AllItemsIdent);
    table.Requery();
    table.Locate(QStringLiteral("IDENT"), items.front());
}
