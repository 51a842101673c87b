#include "documents.h"

#include <QBuffer>
#include <QPainter>
#include <QPdfWriter>

#include <zip.h>

QByteArray MakePdf(const QStringList& pages)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        QPainter painter(&writer);
        painter.setFont(QFont(QStringLiteral("Liberation Sans"), 12));
        for (int i = 0; i < pages.size(); ++i) {
            if (i > 0)
                writer.newPage();
            painter.drawText(QRect(200, 200, 8000, 2000), Qt::TextWordWrap, pages[i]);
        }
    }
    return buffer.data();
}

QByteArray MakeZip(const std::vector<std::pair<QString, QByteArray>>& entries)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* target = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_source_keep(target);  // the archive's bytes are read from it after closing
    zip_t* archive = zip_open_from_source(target, ZIP_TRUNCATE, &error);
    for (const auto& [name, bytes] : entries) {
        zip_source_t* source = zip_source_buffer(archive, bytes.constData(), zip_uint64_t(bytes.size()), 0);
        zip_file_add(archive, name.toUtf8().constData(), source, ZIP_FL_OVERWRITE);
    }
    zip_close(archive);  // the entries' bytes are read here, while `entries` lives
    zip_source_open(target);
    zip_stat_t stat;
    zip_stat_init(&stat);
    zip_source_stat(target, &stat);
    QByteArray out(qsizetype(stat.size), Qt::Uninitialized);
    zip_source_read(target, out.data(), stat.size);
    zip_source_close(target);
    zip_source_free(target);
    zip_error_fini(&error);
    return out;
}

namespace {

QByteArray Xml(const QString& body)
{
    return (QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>") + body).toUtf8();
}

}  // namespace

QByteArray MakeOdt(const QString& paragraph)
{
    return MakeZip({{"mimetype", "application/vnd.oasis.opendocument.text"},
                    {"content.xml", Xml("<office:document-content xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\""
                                        " xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\"><office:body>"
                                        "<office:text><text:p>" + paragraph.toHtmlEscaped()
                                        + "</text:p></office:text></office:body></office:document-content>")}});
}

QByteArray MakeDocx(const QString& paragraph)
{
    return MakeZip({{"[Content_Types].xml", Xml("<Types/>")},
                    {"word/document.xml", Xml("<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
                                              "<w:body><w:p><w:r><w:t>" + paragraph.toHtmlEscaped()
                                              + "</w:t></w:r></w:p></w:body></w:document>")}});
}

QByteArray MakeXlsx(const QString& cell)
{
    return MakeZip({{"xl/sharedStrings.xml", Xml("<sst><si><t>" + cell.toHtmlEscaped() + "</t></si></sst>")},
                    {"xl/worksheets/sheet1.xml", Xml("<worksheet><sheetData><row><c t=\"s\"><v>0</v></c></row></sheetData></worksheet>")}});
}

QByteArray MakeZipBomb(qint64 bytes)
{
    QByteArray blanks(qsizetype(bytes), ' ');
    blanks.prepend("<w:document><w:body><w:p><w:t>");
    blanks.append("</w:t></w:p></w:body></w:document>");
    return MakeZip({{"word/document.xml", blanks}});
}

// Patches the uncompressed size the zip declares for its entries (local and central headers).
QByteArray WithDeclaredSize(QByteArray zip, quint32 size)
{
    const auto patch = [&zip, size](const char* signature, int offset) {
        for (qsizetype at = zip.indexOf(signature); at >= 0; at = zip.indexOf(signature, at + 4))
            for (int i = 0; i < 4; ++i)
                zip[at + offset + i] = char((size >> (8 * i)) & 0xff);
    };
    patch("PK\x03\x04", 22);
    patch("PK\x01\x02", 24);
    return zip;
}
