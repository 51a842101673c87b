#pragma once

// The report most engine tests lay out: a list grouped by GRP over records held in memory.

#include "report/report.h"

#include <QFont>
#include <QStringList>

inline QFont narrow8() { return ReportFont("Arial Narrow", 8); }

// A list grouped by GRP: page header, group header with the value, detail, group footer with the
// count, summary with the whole count and the page number in the footer.
struct GroupedReport {
    TReport report;
    TMemoryDataSource data{{"ID", "GRP", "NAME", "PLACE"}, "queryRepo"};
    TReportBand* group;

    explicit GroupedReport(bool repeatGroup = false)
    {
        TReportLayout& l = report.Layout();
        TReportBand* head = l.AddBand(TBandKind::PageHeader, "head", 12.7);
        head->AddLabel(2.1, 1.6, ReportFont("Arial", 12, true), "Seznam materiálu");
        group = l.AddGroup("QRGroup1", "queryRepo.GRP", 11.6);
        group->SetLineBelow(true);
        group->SetLineColor(Qt::gray);
        group->SetRepeatOnNewPage(repeatGroup);
        group->AddField(2.1, 1.1, 0, ReportFont("Courier New", 11, true), "GRP", "exprField");
        TReportBand* detail = l.AddBand(TBandKind::Detail, "detail", 4.8);
        detail->AddField(2.1, 0.5, 12.7, narrow8(), "ID");
        detail->AddField(49.7, 0.5, 33.9, narrow8(), "NAME");
        TReportBand* footer = l.AddBand(TBandKind::GroupFooter, "grfood", 8.5);
        footer->SetLineAbove(true);
        footer->AddExpression(2.1, 2.1, 0, narrow8(), "COUNT + ' položek'");
        group->SetFooterBand(footer);
        l.AddBand(TBandKind::Summary, "summary", 4.8)->AddExpression(2.1, 1.1, 0, narrow8(), "COUNT + ' položek'");
        l.AddBand(TBandKind::PageFooter, "foot", 6.3)->AddPageNumber(152.4, 1.1, ReportFont("Arial", 10));
        report.SetDataSource(&data);
    }

    void Add(int id, const QString& grp, const QString& name = "x")
    {
        data.AddRecord({QString::number(id), grp, name, ""});
    }

    const TReportPage& Page(int n) { return report.Pages().Page(n); }

    // Every text of a band over all pages, in order.
    QStringList All(const QString& band)
    {
        QStringList texts;
        for (int n = 1; n <= report.Pages().PageCount(); ++n)
            texts << Page(n).Texts(band);
        return texts;
    }
};
