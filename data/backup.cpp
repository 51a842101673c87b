#include "backup.h"

#include "bz2.h"
#include "uDM.h"

#include "sqlite/sql3_utils.h"
#include "toolkit/filedialog.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QSaveFile>
#include <QScopeGuard>
#include <QSet>

namespace {

TFileDialogAnswerer& Answerer()
{
    static TFileDialogAnswerer answerer;
    return answerer;
}

const QString kInterrupted = QStringLiteral("Záloha byla přerušena!");
const QString kBackupFailed = QStringLiteral("Záloha se nezdařila!");
const QString kRestoreFailed = QStringLiteral("Obnova se nezdařila!");

// The failure text first, as the user knows it, and under it the reason.
Exception Failure(const QString& text, const QString& reason)
{
    return Exception(text + QLatin1Char('\n') + reason);
}

std::optional<QString> ShowFileDialog(const TFileDialog& setup, QWidget* owner)
{
    QFileDialog dialog(owner, QString(), setup.InitialDir(), TFileDialog::Filter());
    PrepareFileDialog(dialog);
    dialog.setAcceptMode(setup.Kind() == TFileDialog::fdSave ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(TFileDialog::DefaultExt());
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (!setup.FileName().isEmpty())
        dialog.selectFile(setup.FileName());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

// A name typed without a suffix means the backup file; an open dialog takes an existing file as
// it was named.
QString WithDefaultSuffix(const QString& name, TFileDialog::TKind kind)
{
    if (!QFileInfo(name).suffix().isEmpty() || (kind == TFileDialog::fdOpen && QFileInfo::exists(name)))
        return name;
    return name + QLatin1Char('.') + TFileDialog::DefaultExt();
}

bool CopyDevice(QIODevice& source, const QString& sourceName, const QString& target, QString& error)
{
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly)) {
        error = QStringLiteral("Soubor \"%1\" nelze zapsat: %2").arg(target, out.errorString());
        return false;
    }
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 count = source.read(buffer.data(), buffer.size());
        if (count < 0) {
            error = QStringLiteral("Soubor \"%1\" nelze přečíst: %2").arg(sourceName, source.errorString());
            out.cancelWriting();
            return false;
        }
        if (count == 0)
            break;
        if (out.write(buffer.constData(), count) != count) {
            error = QStringLiteral("Soubor \"%1\" nelze zapsat: %2").arg(target, out.errorString());
            out.cancelWriting();
            return false;
        }
    }
    if (!out.commit()) {
        error = QStringLiteral("Soubor \"%1\" nelze zapsat: %2").arg(target, out.errorString());
        return false;
    }
    return true;
}

// Letter case and the separator do not tell two references apart.
QString ReferenceKey(const QString& path)
{
    return QString(path).replace(QLatin1Char('\\'), QLatin1Char('/')).toCaseFolded();
}

QByteArray CodePageLine(const QString& line)
{
    if (FitsCodePage(line))
        return ToCodePage(line);
    QString fitted = line;
    for (QChar& c : fitted)
        if (!FitsCodePage(QStringView(&c, 1)))
            c = u'?';
    return ToCodePage(fitted);
}

// One path a line, CR LF, in the code page. The lists only inform the user, so a list that
// cannot be written is left out.
void WritePathList(const QString& name, const QStringList& paths)
{
    try {
        QSaveFile file(WorkPath(name));
        if (!file.open(QIODevice::WriteOnly))
            return;
        for (const QString& path : paths)
            file.write(CodePageLine(path) + "\r\n");
        file.commit();
    } catch (const Exception&) {
        // The work folder could not be made; the backup goes on without its lists.
    }
}

void Ask(const TStoreCallback& callback, int position, const QString& text, const QString& failure)
{
    if (callback && !callback(position, text))
        throw Exception(failure);
}

void RunBackup(Tdm& data, TMeral3Command& items, const TStoreCallback& callback, const QString& target)
{
    Ask(callback, -1, QStringLiteral("Kontrola dokumentů"), kInterrupted + QStringLiteral(" (1)"));
    int counter = 0;
    for (const QString& orphan : data.CheckDocuments(items))
        data.NewExec(QStringLiteral("DELETE FROM DOCS WHERE DOCPATH=") + QuoteString(orphan))->Execute();

    const TField& mainDocument = items.FieldByName(QStringLiteral("PATH_DOK"));
    const TField& content = items.FieldByName(QStringLiteral("OBSAH"));
    QStringList links;
    for (items.First(); !items.Eof(); items.Next()) {
        ++counter;
        data.StoreDocument(mainDocument.AsString(), counter, callback);
        links.clear();
        data.ListContentLinks(content, links);
        for (const QString& link : std::as_const(links))
            data.StoreDocument(link, counter, callback);
    }

    Ask(callback, -6, QStringLiteral("Čistím databázi"), kInterrupted + QStringLiteral(" (2)"));
    data.NewExec(QStringLiteral("VACUUM"))->Execute();
    data.db.Close();
    Ask(callback, -7, QStringLiteral("Kopíruji ") + QFileInfo(target).fileName(), kInterrupted + QStringLiteral(" (3)"));
    QString error;
    if (!CopyFileReplacing(data.db.DatabaseFile(), target, error))
        throw Failure(kBackupFailed, error);
}

// Always after a backup: the connection and the item record set open again, on the first row,
// filtered as before, updating its views.
void FinishBackup(Tdm& data, TMeral3Command& items, bool wasFiltered)
{
    const auto enable = qScopeGuard([&items] { items.EnableControls(); });
    data.db.Open();
    items.SetFiltered(wasFiltered);
    items.Open();
    items.First();
}

// A file is restored only when it is a sound catalogue: one that is not would take the place of
// the live catalogue and leave nothing to open.
void CheckCatalogueFile(Tdm& data, const QString& path)
{
    TMeral3Database probe;
    probe.SetDriver(data.db.Driver());
    probe.SetMustExists(true);
    probe.SetDatabaseFile(path);
    QStringList tables;
    QString check;
    try {
        probe.Open();
        probe.GetTableNames(tables, false);
        check = probe.GetPragma(QStringLiteral("quick_check"));
    } catch (const Exception& e) {
        throw Failure(kRestoreFailed, QStringLiteral("Soubor \"%1\" není databáze katalogu: %2").arg(path, e.Message()));
    }
    for (const char* table : {"MATR", "TYPY", "DOCS"})
        if (!tables.contains(QLatin1String(table), Qt::CaseInsensitive))
            throw Failure(kRestoreFailed, QStringLiteral("Soubor \"%1\" není databáze katalogu: chybí tabulka %2.")
                                              .arg(path, QLatin1String(table)));
    if (check.compare(QLatin1String("ok"), Qt::CaseInsensitive) != 0)
        throw Failure(kRestoreFailed, QStringLiteral("Soubor \"%1\" je poškozen: %2").arg(path, check));
}

}  // namespace

bool TFileDialog::Execute(QWidget* owner)
{
    const std::optional<QString> chosen = Answerer() ? Answerer()(*this) : ShowFileDialog(*this, owner);
    if (!chosen || chosen->isEmpty())
        return false;
    fileName_ = WithDefaultSuffix(*chosen, kind_);
    return true;
}

void SetFileDialogAnswerer(TFileDialogAnswerer answerer)
{
    Answerer() = std::move(answerer);
}

QString DefaultBackupName(const QDateTime& when)
{
    return QStringLiteral("Regalon_") + when.toString(QStringLiteral("yyyyMMdd-HHmm")) + QStringLiteral(".bak");
}

bool CopyToFile(QIODevice& source, const QString& target, QString& error)
{
    const auto* file = qobject_cast<QFileDevice*>(&source);
    return CopyDevice(source, file ? file->fileName() : QStringLiteral("zdroj"), target, error);
}

bool CopyFileReplacing(const QString& source, const QString& target, QString& error)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("Soubor \"%1\" nelze otevřít: %2").arg(source, in.errorString());
        return false;
    }
    return CopyDevice(in, source, target, error);
}

QStringList Tdm::CheckDocuments(TMeral3Command& items)
{
    QStringList referenced;
    items.SetFiltered(false);  // every item counts, whatever the list shows
    const TField& mainDocument = items.FieldByName(QStringLiteral("PATH_DOK"));
    const TField& content = items.FieldByName(QStringLiteral("OBSAH"));
    for (items.First(); !items.Eof(); items.Next()) {
        const QString path = mainDocument.AsString();
        if (!path.isEmpty())
            referenced << path;
        ListContentLinks(content, referenced);
    }
    QSet<QString> keys;
    for (const QString& path : std::as_const(referenced))
        keys.insert(ReferenceKey(path));

    QStringList orphans;
    if (bakTable.Active())
        bakTable.Close();
    const auto closer = qScopeGuard([this] { bakTable.Close(); });
    bakTable.SetFetchBlobs(false);
    bakTable.SetFiltered(false);
    bakTable.Open();
    const TField& docPath = bakTable.FieldByName(QStringLiteral("DOCPATH"));
    for (bakTable.First(); !bakTable.Eof(); bakTable.Next())
        if (!keys.contains(ReferenceKey(docPath.AsString())))
            orphans << docPath.AsString();

    WritePathList(QStringLiteral("doclist.txt"), referenced);
    if (!orphans.isEmpty())
        WritePathList(QStringLiteral("undefined.txt"), orphans);
    return orphans;
}

bool Tdm::BackupDatabase(TMeral3Command& items, const TStoreCallback& callback)
{
    const bool wasFiltered = items.Filtered();
    if (!dlgBackup.Execute(MainWindow()))
        return false;
    const QString target = dlgBackup.FileName();
    items.DisableControls();
    try {
        RunBackup(*this, items, callback, target);
    } catch (...) {
        try {
            FinishBackup(*this, items, wasFiltered);
        } catch (const Exception&) {
            // The error that ended the backup is the one the user must see.
        }
        throw;
    }
    FinishBackup(*this, items, wasFiltered);
    return true;
}




bool Tdm::RestoreDatabase()
{
    const QString source = dlgRestore.FileName();
    CheckCatalogueFile(*this, source);
    db.Close();
    QString error;
    const bool copied = CopyFileReplacing(source, db.DatabaseFile(), error);
    // The copy never touches the live file unless it is complete, so the catalogue opens either way.
    const bool open = OpenCatalogue();
    if (!copied)
        throw Failure(kRestoreFailed, error);
    return open;
}
