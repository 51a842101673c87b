#pragma once

// The report object: ties a layout, its data source, the generated pages, the title and printing
// together for the preview window. The pages come from the generator (reportgenerator.h).

#include "report/reportdata.h"
#include "report/reportlayout.h"
#include "report/reportpages.h"

#include <QDateTime>
#include <QString>

#include <functional>
#include <memory>

class QPagedPaintDevice;
class QPrinter;

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
