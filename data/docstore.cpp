#include "docstore.h"

#include "bz2.h"
#include "progress.h"
#include "uDM.h"

#include "sqlite/sql3_utils.h"
#include "toolkit/messagebox.h"
#include "toolkit/quotedprintable.h"
#include "toolkit/shell.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QScopeGuard>

namespace {

const QString kDocPath = QStringLiteral("DOCPATH");

QString WithBackslashes(QString path)
{
    return path.replace(QLatin1Char('/'), QLatin1Char('\\'));
}

bool IsUsableFileName(const QString& name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..");
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

// Writes the unpacked document under a temporary name and puts it in place only when complete,
// so a failure leaves no half-written file behind.
bool UnpackToFile(const QByteArray& blob, const QString& target)
{
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    try {
        UnpackBlob(blob, file);
    } catch (const Exception&) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
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

void Tdm::SetUpDocumentTable()
{
    bakTable.SetName(QStringLiteral("bakTable"));
    bakTable.SetDatabase(&db);
    bakTable.SetTableName(QStringLiteral("DOCS"));
    bakTable.CreateField(kDocPath, ftString, 255).SetRequired(true);
    bakTable.CreateField(QStringLiteral("DOCSIZE"), ftLargeint);
    bakTable.CreateField(QStringLiteral("ZIPSIZE"), ftLargeint);
    bakTable.CreateField(QStringLiteral("ZIP"), ftBlob);
}

bool Tdm::OpenDocumentRow(const QString& path)
{
    if (bakTable.Active())
        bakTable.Close();
    bakTable.SetFetchBlobs(true);
    bakTable.SetFilter(kDocPath + QLatin1Char('=') + QuoteString(path));
    bakTable.SetFiltered(true);
    bakTable.Open();
    return !bakTable.IsEmpty();
}

bool Tdm::StoreDocument(const QString& path, int index, const TStoreCallback& callback)
{
    if (callback && !callback(index, path))
        throw Exception(QStringLiteral("Záloha byla přerušena!"));
    if (!QFileInfo(path).isFile())
        return true;
    // Read-only and unlocked: other programs may go on reading and writing the file meanwhile.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("Soubor \"%1\" nelze otevřít: %2").arg(path, file.errorString()));

    const auto closer = qScopeGuard([this] { bakTable.Close(); });
    const bool stored = OpenDocumentRow(path);
    const TPackResult packed = PackFile(file, path);
    if (!packed.Complete)
        return true;  // PackFile has warned; an unfinished blob must not replace a good copy
    if (stored) {
        bakTable.Edit();
    } else {
        bakTable.Append();
        bakTable.FieldByName(kDocPath).SetAsString(path);
    }
    bakTable.FieldByName(QStringLiteral("DOCSIZE")).SetAsLargeInt(packed.DocumentSize);
    bakTable.FieldByName(QStringLiteral("ZIPSIZE")).SetAsLargeInt(packed.Blob.size());
    bakTable.FieldByName(QStringLiteral("ZIP")).SetAsBytes(packed.Blob);
    bakTable.Post();
    return true;
}

QString Tdm::GetDocument(const QString& path)
{
    if (QFileInfo(path).isFile())
        return path;
    SendProgress(MainWindow(), 5, 100);
    const QString name = DocumentFileName(path);
    if (!IsUsableFileName(name))
        return QString();
    const QString local = WorkPath(QStringLiteral("DOKUM/") + name);
    if (!FitsCodePage(path))
        return local;  // no stored row can carry such a path

    const auto closer = qScopeGuard([this] { bakTable.Close(); });
    // A catalogue made on Windows stores its paths with "\".
    if (!OpenDocumentRow(path) && (!path.contains(QLatin1Char('/')) || !OpenDocumentRow(WithBackslashes(path))))
        return local;
    SendProgress(MainWindow(), 10, 100);
    const QByteArray blob = bakTable.FieldByName(QStringLiteral("ZIP")).AsBytes();
    if (!blob.isEmpty() && !QFileInfo::exists(local) && !UnpackToFile(blob, local))
        ShowMessage(MainWindow(), QStringLiteral("Soubor je již pravděpodobně otevřen."), QStringLiteral("Varování"),
                    QMessageBox::Warning);
    return local;
}

void Tdm::ListContentLinks(const TField& field, QStringList& list)
{
    AppendContentLinks(field.AsString(), list);
}

bool Tdm::ShowInFolder(const QString& path)
{
    return ::ShowInFolder(path);
}
