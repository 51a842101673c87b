// Backup and restore of the catalogue, and the progress panel's cancel button. The work itself is
// the data module's (data/backup.h); this side shows the dialogs, the progress and the messages.

#include "fmMain.h"

#include "application.h"
#include "grouptreeview.h"

#include "data/backup.h"
#include "data/progress.h"
#include "data/uDM.h"
#include "toolkit/guard.h"
#include "toolkit/messagebox.h"

#include <QDateTime>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QScopeGuard>
#include <QToolButton>

namespace {

const QString kLastDir = QStringLiteral("backup/LASTDIR");

QString FolderWithSeparator(const QString& file)
{
    QString folder = QFileInfo(file).absolutePath();
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

}  // namespace

void TfMain::ConnectBackup()
{
    // The menu entries are wired by the frame.
    connect(brCancel, &QToolButton::clicked, this, GuardedSlot(this, &TfMain::brCancelClick));
}

void TfMain::zalohaDatClick()
{
    QSettings& settings = dm->SettingsFile();
    dm->dlgBackup.SetInitialDir(settings.value(kLastDir).toString());
    dm->dlgBackup.SetFileName(DefaultBackupName(QDateTime::currentDateTime()));
    cancelRequested = false;
    cancelClicked_ = false;
    progress->setMaximum(ShownItemCount());
    progress->setValue(0);
    ShowProgress(true, true, QStringLiteral("Zálohování databáze..."));
    backupRunning_ = true;
    const auto end = qScopeGuard([this] {
        backupRunning_ = false;
        ShowProgress(false, false, QString());
    });
    try {
        if (!dm->BackupDatabase(table, [this](int position, const QString& text) { return BackupStep(position, text); }))
            return;
    } catch (const EReopenFailed& e) {
        if (!OfferReopen(e.Message()) || !e.Done())
            return;
    }
    ShowProgress(false, false, QString());
    RequestIndexing();
    settings.setValue(kLastDir, FolderWithSeparator(dm->dlgBackup.FileName()));
    settings.sync();  // a failed write is reported when the window closes and writes its settings
    ShowMessage(this, QStringLiteral("Záloha databáze provedena."), QStringLiteral("Záloha dat"),
                QMessageBox::Information);
}

bool TfMain::BackupStep(int position, const QString& text)
{
    ProgressStep(position, text);
    if (std::exchange(cancelClicked_, false))
        AskCancel();
    return !cancelRequested;
}

void TfMain::brCancelClick()
{
    // During a backup the click arrives inside the panel's message pass; the step that made the
    // pass asks as soon as it returns, and the backup stops right there on Yes.
    if (backupRunning_) {
        cancelClicked_ = true;
        return;
    }
    AskCancel();
}

void TfMain::AskCancel()
{
    cancelRequested = ShowMessage(this, QStringLiteral("Opravdu přerušit zálohování databáze?"),
                                  QStringLiteral("Zálohování"), QMessageBox::Warning,
                                  QMessageBox::Yes | QMessageBox::No)
        == QMessageBox::Yes;
    if (!cancelRequested)
        return;
    progressText->setText(QStringLiteral("Dokončuji aktuální dokument..."));
    progressText->repaint();
}

int TfMain::ShownItemCount()
{
    if (!table.Active())
        return 0;
    while (!table.AllFetched())
        table.FetchBatch();
    int shown = 0;
    for (int i = 0; i < table.RecordCount(); ++i)
        if (table.RowAccepted(i))
            ++shown;
    return shown;
}

void TfMain::obnovaDatClick()
{
    if (ShowMessage(this, QStringLiteral("Databáze bude obnovena ze zálohy.\r\nPokračovat?"), QStringLiteral("Obnova dat"),
                    QMessageBox::Warning, QMessageBox::Yes | QMessageBox::No)
        != QMessageBox::Yes)
        return;
    if (!dm->dlgRestore.Execute(this) || !QFileInfo::exists(dm->dlgRestore.FileName()))
        return;
    ShowProgress(true, false, QStringLiteral("Obnova databáze..."));
    const auto hide = qScopeGuard([this] { ShowProgress(false, false, QString()); });
    progress->setMaximum(100);
    progress->setValue(50);
    tree->clear();
    table.Close();
    PumpMessages(panelProgress);

    const auto restored = [this] {
        ShowMessage(this, QStringLiteral("Obnova databáze provedena."), QStringLiteral("Obnova dat"),
                    QMessageBox::Information);
    };
    bool open = false;
    try {
        open = dm->RestoreDatabase();
    } catch (const EReopenFailed& e) {
        if (OfferReopen(e.Message()) && e.Done())
            restored();
        return;
    } catch (...) {
        // A restore that failed has left the live catalogue as it was, open: show it again.
        if (dm->db.Connected())
            ReloadCatalogueView();
        throw;
    }
    if (!open)
        return;
    ReloadCatalogueView();
    progress->setValue(100);
    restored();
}

// As after the start: the tree without a selection, so no branch or text filter applies.
void TfMain::ReloadCatalogueView()
{
    groupIdCount = 0;
    filterText.clear();
    edFilter->clear();
    SetStatusText(0, QString());
    table.SetFiltered(false);
    table.Open();
    table.First();
    dm->LoadGroupTree(tree);
    catalogueOpen_ = true;
    RequestIndexing();
}

bool TfMain::OfferReopen(QString failure)
{
    ShowProgress(false, false, QString());
    tree->clear();
    for (;;) {
        const auto answer = ShowMessage(this,
                                        failure + QStringLiteral("\n\nOpakovat: zkusit katalog otevřít znovu, "
                                                                 "například až bude složka s ním opět dostupná.\n"
                                                                 "Zavřít: ukončit program."),
                                        QStringLiteral("Katalog není otevřen"), QMessageBox::Critical,
                                        QMessageBox::Retry | QMessageBox::Close, QMessageBox::Retry);
        if (answer != QMessageBox::Retry) {
            RequestQuit();  // the closing steps would write to a catalogue that is not open
            return false;
        }
        try {
            ReopenCatalogue(*dm);
            ReloadCatalogueView();
            return true;
        } catch (const EReopenFailed& e) {
            failure = e.Message();
        }
    }
}
