#include "docstore.h"

#include "atomicfile.h"
#include "bz2.h"
#include "docstoredigest.h"
#include "docstorework.h"
#include "failuretext.h"
#include "progress.h"
#include "uDM.h"

#include "sqlite/sql3_query.h"
#include "sqlite/sql3_utils.h"
#include "toolkit/quotedprintable.h"
#include "toolkit/shell.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QWidget>

namespace {

const QString kDocPathColumn = QStringLiteral("DOCPATH");

QString WithBackslashes(QString path)
{
    return path.replace(QLatin1Char('/'), QLatin1Char('\\'));
}

bool IsUsableFileName(const QString& name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") && !name.contains(QChar(0));
}

// The copy's place in "DOKUM", judged by the name the work folder really gives it (blanks and
// control characters at the end trimmed); empty unless that is a file inside "DOKUM".
QString CopyPath(const QString& path)
{
    const QString local = WorkPath(QStringLiteral("DOKUM/") + DocumentFileName(path));
    return IsUsableFileName(QFileInfo(local).fileName()) ? local : QString();
}

// Stored paths in other folders that end in the same file name would share one copy, and a viewer
// that reads its file late would show the other document; each such path gets a sub-folder of
// "DOKUM" of its own, named after the path, and keeps the file name. Other copies stay in "DOKUM".
QString OwnCopyPath(TMeral3Database& db, const QString& stored, const QString& local)
{
    const QString name = DocumentFileName(stored);
    TMeral3Query others;
    others.SetDatabase(&db);
    others.SetSQL(QStringLiteral("SELECT DOCPATH FROM DOCS WHERE substr(DOCPATH, -length(:NAME)) = :NAME AND DOCPATH <> :PATH"));
    others.ParamByName(QStringLiteral("NAME")).SetAsString(name);
    others.ParamByName(QStringLiteral("PATH")).SetAsString(stored);
    others.CreateField(kDocPathColumn, ftMemo);
    others.Open();
    bool collides = false;
    for (others.First(); !others.Eof() && !collides; others.Next())
        collides = DocumentFileName(others.FieldByName(kDocPathColumn).AsString()) == name;
    if (!collides)
        return local;
    const QString folder = QString::fromLatin1(Digest(stored.toUtf8()).toHex().left(16));
    const QFileInfo copy(local);
    QDir(copy.absolutePath()).mkdir(folder);
    return copy.absolutePath() + QLatin1Char('/') + folder + QLatin1Char('/') + copy.fileName();
}

// A copy is used only when it is a plain file holding the stored document's bytes.
bool HoldsDocument(TDocumentDigests& digests, const QString& local, qint64 storedSize, const QByteArray& blob)
{
    const QFileInfo info(local);
    if (info.isSymLink() || !info.isFile())
        return false;
    QFile copy(local);
    return copy.open(QIODevice::ReadOnly) && digests.Holds(copy, storedSize, blob);
}

// Decodes the text that follows "file://".
QString DecodeLinkPath(QString encoded)
{
    encoded.replace(QStringLiteral("%13"), QStringLiteral("\r\n"));
    encoded.replace(QStringLiteral("%32"), QStringLiteral(" "));
    // A link typed by hand may hold what no encoder wrote; it is read as it stands.
    if (!FitsCodePage(encoded))
        return encoded;
    return FromCodePage(DecodeQuotedPrintable(ToCodePage(encoded)));
}

// Why an unpack failed: a Czech sentence and, apart from it, the library's own words if any.
struct TUnpackFailure {
    QString What;  // empty when done
    QString Cause;
};

// Writes the unpacked document under a temporary name and puts it in place only when complete,
// so a failure leaves no half-written file behind and a viewer that has the old copy open keeps
// it. A link under the name is replaced, never written through; anything else but a file is kept.
TUnpackFailure UnpackToFile(TDocumentDigests& digests, const QByteArray& blob, const QString& target)
{
    const QFileInfo existing(target);
    if (existing.isSymLink() ? !QFile::remove(target) : existing.exists() && !existing.isFile())
        return {QStringLiteral("Místo kopie zabírá něco, co není soubor."), {}};
    RemoveStaleTemporaries(target);
    TAtomicFile file(target);
    if (!file.open(QIODevice::WriteOnly))
        return {QStringLiteral("Kopii nelze vytvořit: ") + file.errorString(), {}};
    TDigestWriter unpacked(&file);
    try {
        UnpackBlob(blob, unpacked);
    } catch (const Ebz2libError& e) {
        return {QStringLiteral("Uložený dokument je poškozen. Vyberte jeho soubor v položce znovu (Vyber soubor), "
                               "nebo obnovte databázi ze zálohy."),
                e.Message()};
    } catch (const Exception&) {
        return {QStringLiteral("Kopii nelze zapsat: ") + file.errorString(), {}};
    }
    if (!file.Commit())
        return {QStringLiteral("Kopii nelze zapsat: ") + file.errorString(), {}};
    digests.Add(Digest(blob), unpacked.Result());
    return {};
}

QString UnpackFailure(const QString& path, const QString& local, const TUnpackFailure& failure)
{
    QString text = QStringLiteral("Dokument \"%1\" nelze rozbalit. %2").arg(path, failure.What);
    if (QFileInfo(local).isFile())
        text += QStringLiteral("\nVe složce DOKUM zůstala jeho starší kopie \"%1\"; neotevírá se, "
                               "protože nemusí odpovídat uloženému dokumentu.")
                    .arg(local);
    return FailureText(text, failure.Cause);
}

}  // namespace

QString EncodeFileLink(const QString& path)
{
    QString text = QString::fromLatin1(EncodeQuotedPrintable(ToCodePage(path)));
    text.replace(QLatin1Char(' '), QStringLiteral("%32"));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("%13"));
    return QLatin1String(FileLinkPrefix) + text;
}

QString DecodeFileLink(const QString& link)
{
    const QLatin1String prefix(FileLinkPrefix);
    return DecodeLinkPath(link.startsWith(prefix) ? link.mid(prefix.size()) : link);
}

void AppendContentLinks(const QString& content, QStringList& list)
{
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\n|\r"));
    const QLatin1String prefix(FileLinkPrefix);
    for (const QString& rawLine : content.split(lineBreak)) {
        const QString line = TrimControls(rawLine);
        const qsizetype at = line.indexOf(prefix);
        if (at < 0)
            continue;
        QString word = line.mid(at + prefix.size());
        const qsizetype blank = word.indexOf(QLatin1Char(' '));
        if (blank >= 0)
            word.truncate(blank);
        list.append(DecodeLinkPath(word));
    }
}

QString DocumentFileName(const QString& path)
{
    const qsizetype cut = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    if (cut >= 0)
        return path.mid(cut + 1);
    static const QRegularExpression drive(QStringLiteral("^[A-Za-z]:"));
    return QString(path).remove(drive);
}

TDocumentDigests& Tdm::Digests()
{
    if (!digests_) {
        QString file;
        try {
            file = WorkPath(QStringLiteral("docdigests.bin"));
        } catch (const Exception&) {
            // Without a work folder the digests are kept for this run only.
        }
        digests_ = std::make_unique<TDocumentDigests>(file);
    }
    return *digests_;
}

QString Tdm::GetDocument(const QString& path)
{
    if (QFileInfo(path).isFile())
        return path;
    SendProgress(MainWindow(), 5, 100);
    const QString dokumCopy = CopyPath(path);
    if (dokumCopy.isEmpty() || !FitsCodePage(path))
        return dokumCopy;  // no stored row can carry a path outside the code page

    // A catalogue made on Windows stores its paths with "\".
    std::optional<TStoredRow> row = FindStoredRow(db, path);
    if (!row && path.contains(QLatin1Char('/')))
        row = FindStoredRow(db, WithBackslashes(path));
    if (!row)
        return dokumCopy;
    SendProgress(MainWindow(), 10, 100);
    const QString local = OwnCopyPath(db, row->Path, dokumCopy);
    if (row->BlobLength == 0)
        return local;
    if (!row->WithinLimits()) {
        ShowWarning(TooLargeWarning(row->Path));
        return local;
    }
    const QByteArray blob = ReadStoredBlob(db, row->Path);
    if (HoldsDocument(Digests(), local, row->DocumentSize, blob))
        return local;
    const TUnpackFailure failure = UnpackToFile(Digests(), blob, local);
    if (failure.What.isEmpty())
        return local;
    ShowWarning(UnpackFailure(path, local, failure));
    return QString();
}

void Tdm::ListContentLinks(const TField& field, QStringList& list)
{
    AppendContentLinks(field.AsString(), list);
}

bool Tdm::ShowInFolder(const QString& path)
{
    return ::ShowInFolder(path);
}
