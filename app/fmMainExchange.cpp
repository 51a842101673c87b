// The main window's CSV entries: the whole catalogue or the listed items out, a file in. The
// import runs with the progress panel; its cancel button rolls the whole import back.

#include "fmMain.h"

#include "data/grouptree.h"
#include "data/progress.h"
#include "data/uDM.h"
#include "dialogs/fmCsvImport.h"
#include "exchange/csvexport.h"
#include "exchange/csvimport.h"
#include "toolkit/messagebox.h"

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScopeGuard>

namespace {

const QString kImportCaption = QStringLiteral("Import z CSV");

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
    static const CancelTexts import{QStringLiteral("Opravdu přerušit import? V katalogu se nic nezmění."), kImportCaption,
                                    QStringLiteral("Přerušuji import...")};
    const std::optional<CsvImportRequest> request = CsvImportDialog(*dm, this);
    if (!request)
        return;
    StartJob(import, QStringLiteral("Import z CSV..."));
    const auto end = qScopeGuard([this] { EndJob(); });
    panelProgress->file->setText(QFileInfo(request->fileName).fileName());
    ImportResult result;
    try {
        QFile file(request->fileName);
        OpenCsvFile(file);
        result = RunImport(*dm, file, request->settings, [this](qint64 at, qint64 total) {
            panelProgress->SetProgress(at, total);
            PumpMessages(panelProgress);
            return CancelStep();
        });
    } catch (const CsvCancelled&) {
        EndJob();
        ShowMessage(this, QStringLiteral("Import byl přerušen, v katalogu se nic nezměnilo."), kImportCaption,
                    QMessageBox::Information);
        return;
    } catch (const Exception& e) {
        EndJob();
        ShowMessage(this, e.Message() + QStringLiteral("\nV katalogu se nic nezměnilo."), kImportCaption,
                    QMessageBox::Warning);
        return;
    }
    EndJob();
    ShowImported(result);
}

void TfMain::ShowImported(const ImportResult& result)
{
    if (!result.items.isEmpty()) {
        // The imported items may lie in many groups: the whole catalogue shows them all.
        ReloadAndSelect(AllItemsIdent);
        table.Requery();
        table.Locate(QStringLiteral("IDENT"), result.items.front());
    }
    ShowMessage(this,
                QStringLiteral("Přidáno položek: %1, aktualizováno: %2, vynecháno řádků: %3, nových skupin: %4.")
                    .arg(result.added)
                    .arg(result.updated)
                    .arg(result.skipped)
                    .arg(result.groupsCreated),
                kImportCaption, QMessageBox::Information);
}
