#include "rpBoxGrp.h"

#include "data/uDM.h"
#include "reports/rpCommon.h"
#include "reports/rpDataSource.h"

namespace {

const QString kSelect = QStringLiteral(
    "SELECT MATR.IDENT MATR_IDENT, MATR.IDTYP MATR_IDTYP, MATR.NAZEV MATR_NAZEV,MATR.POPIS MATR_POPIS, "
    "MATR.MISTO MATR_MISTO, MATR.PATH_DOK MATR_PATH_DOK,TYPY.NAZEV TYPY_NAZEV FROM MATR LEFT JOIN TYPY ON "
    "(MATR.IDTYP = TYPY.IDENT) ");

const QString kOrderBy = QStringLiteral("ORDER BY ");

}  // namespace

TrepoBoxGrp::TrepoBoxGrp(QWidget* mainWindow) : mainWindow_(mainWindow)
{
    SetupListReport(*this);
    BuildQuery();
    BuildLayout();
    OnPreview = [this](TReportPageSource& pages) { QuickRepPreview(pages); };
}

TrepoBoxGrp::~TrepoBoxGrp() = default;

void TrepoBoxGrp::BuildQuery()
{
    if (!dm)
        throw Exception(QStringLiteral("Katalog není připraven: sestava nemá připojení."));
    queryRepo.SetName(QStringLiteral("queryRepo"));
    queryRepo.SetDatabase(&dm->db);
    queryRepo.SetFetchBlobs(false);
    queryRepo.CreateField(QStringLiteral("MATR_IDENT"), ftLargeint);
    queryRepo.CreateField(QStringLiteral("MATR_IDTYP"), ftLargeint);
    queryRepo.CreateField(QStringLiteral("MATR_NAZEV"), ftString, 32);
    queryRepo.CreateField(QStringLiteral("MATR_POPIS"), ftString, 64);
    queryRepo.CreateField(QStringLiteral("MATR_MISTO"), ftString, 32);
    queryRepo.CreateField(QStringLiteral("MATR_PATH_DOK"), ftString, 255);
    queryRepo.CreateField(QStringLiteral("TYPY_NAZEV"), ftString, 32);
}

void TrepoBoxGrp::BuildLayout()
{
    AddHeaderElements(*Layout().AddBand(TBandKind::PageHeader, QStringLiteral("head"), 12.7));

    TReportBand* group = Layout().AddGroup(QStringLiteral("QRGroup1"), {}, 11.6);
    group->SetLineBelow(true);
    group->SetLineColor(Qt::gray);
    group->SetRepeatOnNewPage(false);
    group->AddField(2.1, 1.1, 0, ReportFont(QStringLiteral("Courier New"), 11, true), {}, QStringLiteral("exprField"));
    AddColumnCaptions(*group, 6.3);

    TReportBand* detail = Layout().AddBand(TBandKind::Detail, QStringLiteral("detail"), 4.8);
    AddColumnValues(*detail, {QStringLiteral("MATR_IDENT"), QStringLiteral("TYPY_NAZEV"), QStringLiteral("MATR_NAZEV"),
                              QStringLiteral("MATR_POPIS"), QStringLiteral("MATR_MISTO"), 23.3});

    TReportBand* footer = Layout().AddBand(TBandKind::GroupFooter, QStringLiteral("grfood"), 8.5);
    footer->SetLineAbove(true);
    footer->AddExpression(2.1, 2.1, 0, ReportFont(QStringLiteral("Arial Narrow"), 8),
                          QStringLiteral("COUNT + ' položek'"), QStringLiteral("qrCount"));
    group->SetFooterBand(footer);

    AddPageFooter(*this);
}

void TrepoBoxGrp::SetGrouping(const QString& groupField, const QString& orderClause, const QString& title)
{
    queryRepo.SetSQL(QStringList{kSelect, CollatedOrderClause(queryRepo, orderClause, groupField)});
    Layout().Band(QStringLiteral("QRGroup1"))->SetExpression(queryRepo.Name() + QLatin1Char('.') + groupField);
    Layout().Element(QStringLiteral("exprField"))->SetText(groupField);
    Layout().Element(QStringLiteral("QRLabelTitle"))->SetText(title);
}

void TrepoBoxGrp::QuickRepPreview(TReportPageSource& pages) { PreviewReport(pages, *this, mainWindow_); }

QString CollatedOrderClause(const TMeral3Command& query, const QString& orderClause, const QString& groupField)
{
    const QString clause = orderClause.trimmed();
    if (!query.Database() || query.Database()->Collation() != dcNative
        || !clause.startsWith(kOrderBy, Qt::CaseInsensitive))
        return orderClause;
    QStringList terms;
    for (const QString& part : clause.mid(kOrderBy.size()).split(QLatin1Char(','))) {
        const QString term = part.trimmed();
        const QString name = term.section(QLatin1Char(' '), 0, 0);
        const TField* field = query.FindField(name);
        if (!field || !IsTextType(field->DataType()) || term.contains(QLatin1String("COLLATE"), Qt::CaseInsensitive)) {
            terms << term;
            continue;
        }
        const QString direction = term.mid(name.size());  // " DESC" or nothing
        terms << name + QStringLiteral(" COLLATE NATIVE") + direction;
        if (name.compare(groupField, Qt::CaseInsensitive) == 0)
            terms << name + direction;
    }
    return kOrderBy + terms.join(QStringLiteral(", "));
}

void ReportGrouped(const QString& groupField, const QString& orderClause, const QString& title,
                   QWidget* mainWindow)
{
    TrepoBoxGrp report(mainWindow);
    report.SetGrouping(groupField, orderClause, title);
    report.queryRepo.Open();
    TRecordSetDataSource data(report.queryRepo, report.queryRepo.Name());
    report.SetDataSource(&data);
    report.Preview();
}
