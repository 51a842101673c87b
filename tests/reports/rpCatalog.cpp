#include "rpCatalog.h"

#include "report/report.h"
#include "reports/rpCommon.h"
#include "sqlite/sql3_utils.h"

namespace {

QString SqlText(const QString& text) { return text.isNull() ? QStringLiteral("NULL") : QuoteString(text); }

}  // namespace

ReportCatalogue::ReportCatalogue() { data.OpenCatalogue(); }

void ReportCatalogue::AddGroup(qint64 ident, qint64 parent, const QString& name)
{
    data.db.ExecSQL(QStringLiteral("INSERT INTO TYPY (IDENT, PARENT, LEVEL, NAZEV) VALUES(%1, %2, %3, %4)")
                        .arg(ident)
                        .arg(parent)
                        .arg(parent == 0 ? 0 : 1)
                        .arg(SqlText(name)));
}

void ReportCatalogue::AddItem(qint64 ident, qint64 group, const QString& name, const QString& place,
                              const QString& description)
{
    data.db.ExecSQL(QStringLiteral("INSERT INTO MATR (IDENT, IDTYP, NAZEV, POPIS, MISTO, PATH_DOK) "
                                   "VALUES(%1, %2, %3, %4, %5, '/home/x/doc.pdf')")
                        .arg(ident)
                        .arg(group)
                        .arg(SqlText(name), SqlText(description), SqlText(place)));
}

QHash<qint64, QString> ReportCatalogue::GroupNames()
{
    QHash<qint64, QString> names;
    for (const QString& row : ColumnOf(data.db, QStringLiteral("SELECT IDENT || '|' || NAZEV FROM TYPY")))
        names.insert(row.section(u'|', 0, 0).toLongLong(), row.section(u'|', 1));
    return names;
}

PreviewCapture::PreviewCapture()
{
    SetReportPreviewer([this](TReportPageSource& source, TReport& report, QWidget*) {
        ++previews;
        reportTitle = report.ReportTitle();
        for (int i = 1; i <= source.PageCount(); ++i)
            pages.push_back(source.Page(i));
        if (during)
            during();
    });
}

PreviewCapture::~PreviewCapture() { SetReportPreviewer({}); }

BandTexts TextsOf(const TReportPage& page, const TPlacedBand& band)
{
    BandTexts texts;
    for (const TPlacedText& t : page.texts)
        if (t.band == band.name && t.rect.top() >= band.rect.top() - 1e-6 && t.rect.top() < band.rect.bottom())
            texts.insert(t.element, t.text);
    return texts;
}

std::vector<BandTexts> DetailRows(const std::vector<TReportPage>& pages)
{
    std::vector<BandTexts> rows;
    for (const TReportPage& page : pages)
        for (const TPlacedBand& band : page.bands)
            if (band.kind == TBandKind::Detail)
                rows.push_back(TextsOf(page, band));
    return rows;
}

QStringList DetailColumn(const std::vector<TReportPage>& pages, const QString& element)
{
    QStringList column;
    for (const BandTexts& row : DetailRows(pages))
        column << row.value(element);
    return column;
}

QStringList Outline(const std::vector<TReportPage>& pages)
{
    QStringList outline;
    for (const TReportPage& page : pages)
        for (const TPlacedBand& band : page.bands) {
            const BandTexts texts = TextsOf(page, band);
            if (band.kind == TBandKind::GroupHeader)
                outline << "[" + texts.value("exprField") + "]";
            else if (band.kind == TBandKind::Detail)
                outline << texts.value("qrNazev");
            else if (band.kind == TBandKind::GroupFooter || band.kind == TBandKind::Summary)
                outline << "= " + texts.value("qrCount");
        }
    return outline;
}
