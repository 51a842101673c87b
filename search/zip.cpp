#include "extract.h"

#include <QRegularExpression>
#include <QXmlStreamReader>

#include <zip.h>

#include <memory>

namespace {

struct ZipCloser {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
struct ZipFileCloser {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};
using TZip = std::unique_ptr<zip_t, ZipCloser>;

// The archive over the bytes in memory; libzip takes the source only when the open succeeds.
TZip OpenZip(const QByteArray& bytes)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.constData(), zip_uint64_t(bytes.size()), 0, &error);
    zip_error_fini(&error);
    if (!source)
        return nullptr;
    zip_error_init(&error);
    zip_t* archive = zip_open_from_source(source, ZIP_RDONLY, &error);
    zip_error_fini(&error);
    if (!archive)
        zip_source_free(source);
    return TZip(archive);
}

// One entry's bytes. It must not unpack to more than its header declares, nor to more than
// MaxEntryBytes: a zip bomb is refused, not unpacked.
std::optional<QByteArray> ReadEntry(zip_t* archive, zip_uint64_t index, QString& error)
{
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(archive, index, 0, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE)) {
        error = QStringLiteral("Archiv dokumentu je poškozený.");
        return std::nullopt;
    }
    if (stat.size > zip_uint64_t(MaxEntryBytes)) {
        error = QStringLiteral("Část dokumentu je příliš velká (%1 bajtů).").arg(stat.size);
        return std::nullopt;
    }
    std::unique_ptr<zip_file_t, ZipFileCloser> file(zip_fopen_index(archive, index, 0));
    if (!file) {
        error = QStringLiteral("Archiv dokumentu je poškozený.");
        return std::nullopt;
    }
    QByteArray data(qsizetype(stat.size) + 1, Qt::Uninitialized);  // one byte more tells an overrun
    zip_int64_t total = 0;
    while (total < data.size()) {
        const zip_int64_t read = zip_fread(file.get(), data.data() + total, zip_uint64_t(data.size() - total));
        if (read < 0) {
            error = QStringLiteral("Archiv dokumentu je poškozený.");
            return std::nullopt;
        }
        if (read == 0)
            break;
        total += read;
    }
    if (zip_uint64_t(total) != stat.size) {
        error = QStringLiteral("Část dokumentu neodpovídá své deklarované velikosti.");
        return std::nullopt;
    }
    data.truncate(total);
    return data;
}

// The character data of an XML part; paragraphs and cells become line breaks and blanks.
bool AppendXmlText(const QByteArray& xml, QString& text)
{
    QXmlStreamReader reader(xml);
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::Characters && !AppendCapped(text, reader.text()))
            return false;
        if (token == QXmlStreamReader::EndElement) {
            const QStringView name = reader.name();
            if (name == u"p" || name == u"h" || name == u"tab" || name == u"tc" || name == u"c" || name == u"si"
                || name == u"table-cell" || name == u"br")
                AppendCapped(text, u"\n");
        }
    }
    return true;
}

// The parts that hold a format's text, in the order a reader meets them.
bool IsTextPart(const QString& name, TDocKind kind)
{
    if (kind == TDocKind::OpenDocument)
        return name == u"content.xml";
    static const QRegularExpression parts(QStringLiteral(
        "^(word/(document|footnotes|endnotes|header\\d*|footer\\d*)\\.xml|xl/sharedStrings\\.xml"
        "|xl/worksheets/sheet\\d+\\.xml|ppt/slides/slide\\d+\\.xml|ppt/notesSlides/notesSlide\\d+\\.xml)$"));
    return parts.match(name).hasMatch();
}

}  // namespace

TExtracted ZipText(const QByteArray& bytes, TDocKind kind)
{
    TExtracted result;
    const TZip archive = OpenZip(bytes);
    if (!archive) {
        result.Error = QStringLiteral("Dokument není platný archiv ZIP.");
        return result;
    }
    const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* name = zip_get_name(archive.get(), zip_uint64_t(i), 0);
        if (!name || !IsTextPart(QString::fromUtf8(name), kind))
            continue;
        const std::optional<QByteArray> part = ReadEntry(archive.get(), zip_uint64_t(i), result.Error);
        if (!part)
            return result;
        if (!AppendXmlText(*part, result.Text))
            break;
    }
    return result;
}
