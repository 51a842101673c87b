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
    static const CancelTexts backup{QStringLiteral("Opravdu přerušit zálohování databáze?"), QStringLiteral("Zálohování"),
                                    QStringLiteral("Dokončuji aktuální dokument...")};
    QSettings& settings = dm->SettingsFile();
    dm->dlgBackup.SetInitialDir(settings.value(kLastDir).toString());
    dm->dlgBackup.SetFileName(DefaultBackupName(QDateTime::currentDateTime()));
    StartJob(backup, QStringLiteral("Zálohování databáze..."));
    const auto end = qScopeGuard([this] { EndJob(); });
    progress->setMaximum(ShownItemCount());
    try {
        if (!dm->BackupDatabase(table, [this](int position, const QString& text) { return BackupStep(position, text); }))
            return;
    } catch (const EReopenFailed& e) {
        EndJob();
        if (!OfferReopen(e.Message()) || !e.Done())
            return;
    }
    EndJob();
    RequestIndexing();
    settings.setValue(kLastDir, FolderWithSeparator(dm->dlgBackup.FileName()));
    settings.sync();  // a failed write is reported when the window closes and writes its settings
    ShowMessage(this, QStringLiteral("Záloha databáze provedena."), QStringLiteral("Záloha dat"),
                QMessageBox::Information);
}

void TfMain::StartJob(const CancelTexts& job, const QString& caption)
{
    cancelRequested = false;
    cancelClicked_ = false;
    ShowProgress(true, true, caption);
    runningJob_ = &job;
}

void TfMain::EndJob()
{
    runningJob_ = nullptr;
    ShowProgress(false, false, QString());
}

bool TfMain::BackupStep(int position, const QString& text)
{
    ProgressStep(position, text);
    return CancelStep();
}

bool TfMain::CancelStep()
{
    if (std::exchange(cancelClicked_, false))
        AskCancel();
    return !cancelRequested;
}

void TfMain::brCancelClick()
{
    // The click arrives inside a job step's message pass; the step asks as soon as the pass
    // returns, and the job stops right there on Yes.
    cancelClicked_ = runningJob_ != nullptr;
}

void TfMain::AskCancel()
{
    cancelRequested = ShowMessage(this, runningJob_->question, runningJob_->caption, QMessageBox::Warning,
                                  QMessageBox::Yes | QMessageBox::No)
        == QMessageBox::Yes;
    if (!cancelRequested)
        return;
    progressText->setText(runningJob_->stopping);
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
                                                                 "například až bude složka s ním opět dostupná "
                                                                 "nebo až jej jiný program uvolní.\n"
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
        } catch (const Exception& e) {
            failure = ListNotReadText(e.Message());
        }
    }
}
