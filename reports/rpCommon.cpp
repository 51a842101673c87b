#include "rpCommon.h"

#include "report/report.h"
#include "reports/fmPrint.h"
#include "sqlite/sql3_command.h"

#include <QMarginsF>

namespace {

TReportPreviewer& Previewer()
{
    static TReportPreviewer previewer;
    return previewer;
}

QFont CaptionFont() { return ReportFont(QStringLiteral("Arial"), 8, true); }
QFont ValueFont() { return ReportFont(QStringLiteral("Arial Narrow"), 8); }

struct Column {
    const char* caption;
    const char* value;  // the value element's name
    double left;
    double width;
};

// Left edges and value widths of the five columns, in millimetres.
constexpr Column kColumns[] = {
    {"ID", "qrID", 2.1, 12.7},
    {"Skupina", "qrSkupina", 15.9, 32.8},
    {"Název", "qrNazev", 49.7, 33.9},
    {"Popis", "qrPopis", 84.7, 80.7},
    {"Umístění", "qrMisto", 166.2, 0},
};

}  // namespace

void SetupListReport(TReport& report)
{
    report.SetReportTitle(QStringLiteral("Seznam materiálu"));
    report.Layout().SetPageSize(QSizeF(210, 297));
    report.Layout().SetMargins(QMarginsF(10, 10, 10, 10));
}

void AddHeaderElements(TReportBand& head)
{
    head.AddLabel(2.1, 1.6, ReportFont(QStringLiteral("Arial"), 12, true), QStringLiteral("Seznam materiálu"));
    head.AddDateTime(146.1, 2.1, ValueFont());
    head.AddLabel(2.1, 6.3, ValueFont(), QStringLiteral("Celkový seznam"), QStringLiteral("QRLabelTitle"));
}

void AddColumnCaptions(TReportBand& band, double top)
{
    for (const Column& c : kColumns)
        band.AddLabel(c.left, top, CaptionFont(), QString::fromUtf8(c.caption));
}

void AddColumnValues(TReportBand& detail, const TItemColumns& columns)
{
    const QString* fields[] = {&columns.ident, &columns.group, &columns.name, &columns.description, &columns.place};
    for (std::size_t i = 0; i < std::size(kColumns); ++i) {
        const double width = i + 1 == std::size(kColumns) ? columns.placeWidth : kColumns[i].width;
        detail.AddField(kColumns[i].left, 0.5, width, ValueFont(), *fields[i], QString::fromUtf8(kColumns[i].value));
    }
}

void AddPageFooter(TReport& report)
{
    TReportBand* foot = report.Layout().AddBand(TBandKind::PageFooter, QStringLiteral("foot"), 6.3);
    foot->SetLineAbove(true);
    foot->AddPageNumber(152.4, 1.1, ReportFont(QStringLiteral("Arial"), 10));
}

void PreviewReport(TReportPageSource& pages, TReport& report, QWidget* mainWindow)
{
    if (Previewer())
        Previewer()(pages, report, mainWindow);
    else
        ShowPreview(pages, report, mainWindow);
}

void SetReportPreviewer(TReportPreviewer previewer) { Previewer() = std::move(previewer); }

void KeepingRecordSetRow(TMeral3Command& items, const std::function<void()>& work)
{
    const int row = items.RecNo();
    items.DisableControls();
    const auto restore = [&] {
        items.EnableControls();
        items.SetRecNo(row);
    };
    try {
        work();
    } catch (...) {
        try {
            restore();
        } catch (...) {
            // The error that stopped the work is the one the user sees.
        }
        throw;
    }
    restore();
}
