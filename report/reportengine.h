#pragma once

// The banded report engine: lays a report layout out over the records of a data source into pages
// of a page source, and the report object that ties layout, data, pages, title and printing
// together for the preview window.
//
// Layout rules: the page header opens every page (the first as well) and the page footer is bound to
// the foot of every page (the last as well). A group header prints whenever its expression's value
// differs from the previous record's (an outer group's change restarts the inner ones); its footer
// prints after the group's last record. Detail prints once per record, the summary once after the
// last. COUNT counts the records of the group in a group footer (restarting after each footer) and
// of the report so far everywhere else. A band that does not fit starts a new page; a group header
// keeps the first record of its group with it. A page is produced even without records.

#include "report/reportdata.h"
#include "report/reportlayout.h"
#include "report/reportpages.h"

#include <QDateTime>
#include <QString>

#include <functional>
#include <memory>

class QPagedPaintDevice;
class QPrinter;

// Fills pages (cleared first) from the records; the date and time elements print time.
// Raises an Exception on a bad expression or an unknown field.
void GenerateReport(const TReportLayout& layout, TReportDataSource& data, TReportPageSource& pages,
                    const QDateTime& time);

QString ReportTimeText(const QDateTime& time);

// Base of the report classes: they declare their bands in Layout() and hand a data source over.
// The data source is not owned and must outlive Prepare().
class TReport {
public:
    TReport();
    virtual ~TReport();
    TReport(const TReport&) = delete;
    TReport& operator=(const TReport&) = delete;

    TReportLayout& Layout() { return layout_; }
    TReportPageSource& Pages() { return *pages_; }

    const QString& ReportTitle() const { return title_; }
    void SetReportTitle(const QString& title) { title_ = title; }
    TPrinterSettings& PrinterSettings() { return printerSettings_; }

    TReportDataSource* DataSource() const { return data_; }
    void SetDataSource(TReportDataSource* data) { data_ = data; }
    // The time the date and time elements print; invalid (the default) takes the time of Prepare().
    void SetReportTime(const QDateTime& time) { time_ = time; }

    // Generates the pages; without a data source the report has no records.
    void Prepare();
    // Prepares the pages and hands them to OnPreview, which shows them; the engine has no preview of its own.
    void Preview();
    std::function<void(TReportPageSource& pages)> OnPreview;

    QPrinter& Printer();  // made on first use; the print dialog works on it
    // Prints the prepared pages with the printer settings, on Printer() or on the given device; the
    // print job (or the PDF) is named after the report title.
    void Print();
    void Print(QPagedPaintDevice& device);

private:
    TReportLayout layout_;
    std::unique_ptr<TReportPageSource> pages_;
    std::unique_ptr<QPrinter> printer_;
    QString title_;
    TPrinterSettings printerSettings_;
    TReportDataSource* data_ = nullptr;
    QDateTime time_;
};
