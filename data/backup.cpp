#include "backup.h"

#include "atomicfile.h"
#include "bz2.h"
#include "failuretext.h"
#include "uDM.h"

#include "sqlite/sql3_query.h"
#include "sqlite/sql3_utils.h"
#include "toolkit/filedialog.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHash>
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

// The failure text first, as the user knows it, and under it the reason. The reason here is
// about the file named in it, so the advice for the live catalogue is not given.
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

// A short write (the disk filled up) sets no reason; the next attempt fails with the system's own.
bool WriteAll(QIODevice& out, const char* data, qint64 count)
{
    while (count > 0) {
        const qint64 written = out.write(data, count);
        if (written <= 0)
            return false;
        data += written;
        count -= written;
    }
    return true;
}

bool CopyDevice(QIODevice& source, const QString& sourceName, const QString& target, QString& error)
{
    RemoveStaleTemporaries(target);
    TAtomicFile out(target);
    if (!out.open(QIODevice::WriteOnly)) {
        error = QStringLiteral("Soubor \"%1\" nelze zapsat: %2").arg(target, out.errorString());
        return false;
    }
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 count = source.read(buffer.data(), buffer.size());
        if (count < 0) {
            error = QStringLiteral("Soubor \"%1\" nelze přečíst: %2").arg(sourceName, source.errorString());
            return false;
        }
        if (count == 0)
            break;
        if (!WriteAll(out, buffer.constData(), count)) {
            error = QStringLiteral("Soubor \"%1\" nelze zapsat: %2").arg(target, out.errorString());
            return false;
        }
    }
    if (!out.Commit()) {
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

// Every document the items refer to, in their order: the main document, then the file links.
std::vector<TStoreRequest> ReferencedDocuments(TMeral3Command& items)
{
    const TField& mainDocument = items.FieldByName(QStringLiteral("PATH_DOK"));
    const TField& content = items.FieldByName(QStringLiteral("OBSAH"));
    std::vector<TStoreRequest> requests;
    QStringList links;
    int counter = 0;
    for (items.First(); !items.Eof(); items.Next()) {
        ++counter;
        requests.push_back({counter, mainDocument.AsString()});
        links.clear();
        Tdm::ListContentLinks(content, links);
        for (const QString& link : std::as_const(links))
            requests.push_back({counter, link});
    }
    return requests;
}

void DeleteStoredDocument(TMeral3Database& db, const QString& path)
{
    TParams params;
    params.Add(QStringLiteral("DOCPATH")).SetAsString(path);
    db.ExecSQL(QStringLiteral("DELETE FROM DOCS WHERE DOCPATH=:DOCPATH"), &params);
}

void RunBackup(Tdm& data, TMeral3Command& items, const TStoreCallback& callback, const QString& target)
{
    Ask(callback, -1, QStringLiteral("Kontrola dokumentů"), kInterrupted + QStringLiteral(" (1)"));
    for (const QString& orphan : data.CheckDocuments(items))
        DeleteStoredDocument(data.db, orphan);
    data.StoreDocuments(ReferencedDocuments(items), callback);

    Ask(callback, -6, QStringLiteral("Čistím databázi"), kInterrupted + QStringLiteral(" (2)"));
    // A file without free pages is as compact as VACUUM would make it; rewriting it all costs
    // more than an unchanged backup itself.
    if (data.db.GetPragma(QStringLiteral("freelist_count")) != QLatin1String("0"))
        data.NewExec(QStringLiteral("VACUUM"))->Execute();
    data.db.Close();
    Ask(callback, -7, QStringLiteral("Kopíruji ") + QFileInfo(target).fileName(), kInterrupted + QStringLiteral(" (3)"));
    QString error;
    if (!CopyFileReplacing(data.db.DatabaseFile(), target, error))
        throw Failure(kBackupFailed, error);
}

// The catalogue opens again after its file was copied. A passing fault is tried again; one that
// stays is reported, as the user must not go on working in a catalogue that is not open.
template <typename Open>
auto OpenAgain(Open open)
{
    constexpr int kAttempts = 3;
    for (int attempt = 1;; ++attempt) {
        try {
            return open();
        } catch (const Exception& e) {
            if (attempt == kAttempts)
                throw EReopenFailed(QStringLiteral("Katalog se nepodařilo znovu otevřít!\n") + e.Message(), false);
        }
    }
}

// Always after a backup: the connection and the item record set open again, on the first row,
// filtered as before, updating its views.
void FinishBackup(Tdm& data, TMeral3Command& items, bool wasFiltered)
{
    const auto enable = qScopeGuard([&items] { items.EnableControls(); });
    OpenAgain([&data] { data.db.Open(); });
    items.SetFiltered(wasFiltered);
    items.Open();
    items.First();
}

// The columns the program reads. Identifiers and levels must compare as numbers: in a text column
// new identifiers would repeat old ones and the tree would be built in the wrong order.
struct TReadColumn {
    const char* Table;
    const char* Column;
    bool Integer;
};
constexpr TReadColumn kReadColumns[] = {
    {"MATR", "IDENT", true},     {"MATR", "IDTYP", true},    {"MATR", "NAZEV", false}, {"MATR", "POPIS", false},
    {"MATR", "MISTO", false},    {"MATR", "PATH_DOK", false}, {"MATR", "OBSAH", false}, {"TYPY", "IDENT", true},
    {"TYPY", "PARENT", true},    {"TYPY", "LEVEL", true},     {"TYPY", "NAZEV", false}, {"TYPY", "POPIS", false},
    {"DOCS", "DOCPATH", false},  {"DOCS", "DOCSIZE", false},  {"DOCS", "ZIPSIZE", false}, {"DOCS", "ZIP", false},
};

// Each table's columns, names folded to upper case, with their declared types.
QHash<QString, QHash<QString, QString>> DeclaredColumns(TMeral3Database& probe)
{
    QHash<QString, QHash<QString, QString>> tables;
    TMeral3Query columns;
    columns.SetDatabase(&probe);
    columns.SetSQL(QStringLiteral("SELECT name, type FROM pragma_table_info(:TABLE)"));
    for (const char* table : {"MATR", "TYPY", "DOCS"}) {
        columns.ParamByName(QStringLiteral("TABLE")).SetAsString(QLatin1String(table));
        columns.Open();
        for (columns.First(); !columns.Eof(); columns.Next())
            tables[QLatin1String(table)].insert(columns.Fields()[0].AsString().toUpper(), columns.Fields()[1].AsString());
        columns.Close();
    }
    return tables;
}

void CheckColumns(const QHash<QString, QHash<QString, QString>>& tables, const QString& path, const QString& failure)
{
    const QString notCatalogue = QStringLiteral("Soubor \"%1\" není databáze katalogu: ").arg(path);
    for (const TReadColumn& read : kReadColumns) {
        const QHash<QString, QString> columns = tables.value(QLatin1String(read.Table));
        const auto column = columns.constFind(QLatin1String(read.Column));
        const QString name = QStringLiteral("%1.%2").arg(QLatin1String(read.Table), QLatin1String(read.Column));
        if (column == columns.constEnd())
            throw Failure(failure, notCatalogue + QStringLiteral("chybí sloupec %1.").arg(name));
        // The engine's rule: a declared type holding "INT" makes the column an integer one.
        if (read.Integer && !column->contains(QLatin1String("INT"), Qt::CaseInsensitive))
            throw Failure(failure, notCatalogue + QStringLiteral("sloupec %1 není celočíselný (%2).").arg(name, *column));
    }
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
    QHash<QString, QHash<QString, QString>> columns;
    try {
        probe.Open();
        probe.GetTableNames(tables, false);
        check = probe.GetPragma(QStringLiteral("quick_check"));
        columns = DeclaredColumns(probe);
    } catch (const Exception& e) {
        throw Failure(kRestoreFailed, QStringLiteral("Soubor \"%1\" není databáze katalogu: %2").arg(path, e.Message()));
    }
    for (const char* table : {"MATR", "TYPY", "DOCS"})
        if (!tables.contains(QLatin1String(table), Qt::CaseInsensitive))
            throw Failure(kRestoreFailed, QStringLiteral("Soubor \"%1\" není databáze katalogu: chybí tabulka %2.")
                                              .arg(path, QLatin1String(table)));
    if (check.compare(QLatin1String("ok"), Qt::CaseInsensitive) != 0)
        throw Failure(kRestoreFailed, QStringLiteral("Soubor \"%1\" je poškozen: %2").arg(path, check));
    CheckColumns(columns, path, kRestoreFailed);
}

}  // namespace

void CheckCatalogueColumns(TMeral3Database& db, const QString& failure)
{
    CheckColumns(DeclaredColumns(db), db.DatabaseFile(), failure);
}

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
    items.SetFiltered(false);  // the list shows every item again after the backup
    // Every item counts, whatever the list shows; read by SQL so that a path longer than its
    // column (or holding a NUL) is compared whole, never as the column's cut value.
    QStringList referenced;
    const auto itemPaths = NewQuery(QStringLiteral("SELECT PATH_DOK, OBSAH FROM MATR ORDER BY rowid"));
    itemPaths->CreateField(QStringLiteral("PATH_DOK"), ftMemo);
    itemPaths->CreateField(QStringLiteral("OBSAH"), ftMemo);
    itemPaths->Open();
    const TField& mainDocument = itemPaths->FieldByName(QStringLiteral("PATH_DOK"));
    const TField& content = itemPaths->FieldByName(QStringLiteral("OBSAH"));
    for (itemPaths->First(); !itemPaths->Eof(); itemPaths->Next()) {
        const QString path = mainDocument.AsString();
        if (!path.isEmpty())
            referenced << path;
        ListContentLinks(content, referenced);
    }
    QSet<QString> keys;
    for (const QString& path : std::as_const(referenced))
        keys.insert(ReferenceKey(path));

    // Only the paths: a plain select of the table would read every blob whole.
    QStringList orphans;
    const auto stored = NewQuery(QStringLiteral("SELECT DOCPATH FROM DOCS"));
    stored->CreateField(QStringLiteral("DOCPATH"), ftMemo);  // whole, also when longer than the column
    stored->Open();
    const TField& docPath = stored->FieldByName(QStringLiteral("DOCPATH"));
    for (stored->First(); !stored->Eof(); stored->Next())
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
    } catch (const Exception& e) {
        // The error that ended the backup comes first; a catalogue left closed is said below it.
        // The engine's own words get the Czech sentence in front.
        const bool engine = dynamic_cast<const EDatabaseError*>(&e) != nullptr;
        const QString failure = engine ? FailureText(kBackupFailed, e.Message()) : e.Message();
        try {
            FinishBackup(*this, items, wasFiltered);
        } catch (const EReopenFailed& reopen) {
            throw EReopenFailed(failure + QLatin1Char('\n') + reopen.Message(), false);
        } catch (const Exception& reread) {
            // The list was not read again: a lock of another program outlasted the wait. Nothing
            // can be done without it, so it is offered again as a catalogue that did not open.
            const QString reason = reread.Message() != e.Message() ? reread.Message() : QString();
            throw EReopenFailed(failure + QLatin1Char('\n') + ListNotReadText(reason), false);
        }
        if (engine)
            throw Exception(failure);
        throw;
    } catch (...) {
        try {
            FinishBackup(*this, items, wasFiltered);
        } catch (const Exception&) {
            // Out of memory or the like ended the backup; that is the error to see.
        }
        throw;
    }
    try {
        FinishBackup(*this, items, wasFiltered);
    } catch (const EReopenFailed& reopen) {
        throw EReopenFailed(reopen.Message(), true);
    } catch (const Exception& reread) {
        throw EReopenFailed(ListNotReadText(reread.Message()), true);
    }
    return true;
}

QString ListNotReadText(const QString& reason)
{
    const QString sentence = QStringLiteral("Seznam položek se nepodařilo znovu načíst.");
    return reason.isEmpty() ? sentence : sentence + QLatin1Char('\n') + reason;
}

void ReopenCatalogue(Tdm& data)
{
    OpenAgain([&data] { data.OpenCatalogue(); });
}

bool Tdm::RestoreDatabase()
{
    const QString source = dlgRestore.FileName();
    CheckCatalogueFile(*this, source);
    QString error;
    try {
        db.Close();
    } catch (const EDatabaseError& e) {
        throw Exception(FailureText(kRestoreFailed, e.Message()));
    }
    const bool copied = CopyFileReplacing(source, db.DatabaseFile(), error);
    // The copy never touches the live file unless it is complete, so the catalogue opens either way.
    bool open = false;
    try {
        open = OpenAgain([this] { return OpenCatalogue(); });
    } catch (const EReopenFailed& reopen) {
        if (!copied)
            throw EReopenFailed(kRestoreFailed + QLatin1Char('\n') + error + QLatin1Char('\n') + reopen.Message(), false);
        throw EReopenFailed(reopen.Message(), true);
    }
    if (!copied)
        throw Failure(kRestoreFailed, error);
    return open;
}
