#include "rpTable.h"

#include "reports/rpCommon.h"
#include "reports/rpDataSource.h"
#include "sqlite/sql3_command.h"

TrepoTable::TrepoTable(QWidget* mainWindow) : mainWindow_(mainWindow)
{
    SetupListReport(*this);
    BuildLayout();
    OnPreview = [this](TReportPageSource& pages) { QuickRepPreview(pages); };
}

void TrepoTable::BuildLayout()
{
    TReportBand* head = Layout().AddBand(TBandKind::PageHeader, QStringLiteral("head"), 22.0);
    head->SetLineBelow(true);
    AddHeaderElements(*head);
    AddColumnCaptions(*head, 16.9);

    TReportBand* detail = Layout().AddBand(TBandKind::Detail, QStringLiteral("detail"), 4.8);
    AddColumnValues(*detail, {QStringLiteral("IDENT"), QStringLiteral("IDTYP"), QStringLiteral("NAZEV"),
                              QStringLiteral("POPIS"), QStringLiteral("MISTO"), 0});

    TReportBand* summary = Layout().AddBand(TBandKind::Summary, QStringLiteral("summary"), 4.8);
    summary->AddExpression(2.1, 1.1, 0, ReportFont(QStringLiteral("Arial"), 8), QStringLiteral("COUNT + ' položek'"),
                           QStringLiteral("qrCount"));

    AddPageFooter(*this);
}

void TrepoTable::QuickRepPreview(TReportPageSource& pages) { PreviewReport(pages, *this, mainWindow_); }

namespace {

void PreviewList(TMeral3Command& items, QWidget* mainWindow)
{
    TrepoTable report(mainWindow);
    TRecordSetDataSource data(items);
    report.SetDataSource(&data);
    items.First();
    report.Preview();
}

}  // namespace

void ReportList(TMeral3Command& items, QWidget* mainWindow)
{
    KeepingRecordSetRow(items, [&] { PreviewList(items, mainWindow); });
}
