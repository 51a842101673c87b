#pragma once

// What the list reports share: the report settings, the page header elements, the columns of an
// item, the page footer, and the preview that their QuickRepPreview handlers open.

#include <QString>

#include <functional>

class QWidget;
class TMeral3Command;
class TReport;
class TReportBand;
class TReportPageSource;

// The field each column prints, and the width of the place column (0: as wide as its text).
struct TItemColumns {
    QString ident;
    QString group;
    QString name;
    QString description;
    QString place;
    double placeWidth = 0;
};

// Title, paper and margins of every list report.
void SetupListReport(TReport& report);
// The title, the date and time and the sub-title `QRLabelTitle` ("Celkový seznam").
void AddHeaderElements(TReportBand& head);
void AddColumnCaptions(TReportBand& band, double top);
// The values are named qrID, qrSkupina, qrNazev, qrPopis and qrMisto.
void AddColumnValues(TReportBand& detail, const TItemColumns& columns);
// The page number alone, at the foot of every page, under a line.
void AddPageFooter(TReport& report);

// Shows the generated pages of the report; the report's QuickRepPreview calls it. By default it
// opens the modal preview window over mainWindow; tests take the pages in its place.
using TReportPreviewer = std::function<void(TReportPageSource& pages, TReport& report, QWidget* mainWindow)>;
void PreviewReport(TReportPageSource& pages, TReport& report, QWidget* mainWindow);
// An empty previewer restores the preview window.
void SetReportPreviewer(TReportPreviewer previewer);

// Runs the work with the record set's bound views still, and puts the record set back on its
// former row afterwards, also when an error passes (that error is the one the caller sees).
void KeepingRecordSetRow(TMeral3Command& items, const std::function<void()>& work);
