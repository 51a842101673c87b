#include "report.h"

#include "report/reportgenerator.h"
#include "sqlite/errors.h"

#include <QPrinter>

namespace {

class NoRecords : public TReportDataSource {
public:
    void First() override {}
    void Next() override {}
    bool Eof() const override { return true; }
    QString FieldText(const QString&) const override { return {}; }
};

}  // namespace

TReport::TReport() : pages_(std::make_unique<TReportPageSource>()) {}

TReport::~TReport() = default;

void TReport::Prepare()
{
    NoRecords none;
    GenerateReport(layout_, data_ ? *data_ : static_cast<TReportDataSource&>(none), *pages_,
                   time_.isValid() ? time_ : QDateTime::currentDateTime());
}

void TReport::Preview()
{
    if (!OnPreview)
        throw Exception(QStringLiteral("The report has no preview handler"));
    Prepare();
    OnPreview(*pages_);
}

QPrinter& TReport::Printer()
{
    if (!printer_)
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *printer_;
}

void TReport::Print()
{
    QPrinter& printer = Printer();
    // Copies, their collation and the page order are laid out here, so the printer must not
    // multiply or turn them again.
    printer.setCopyCount(1);
    printer.setCollateCopies(true);
    printer.setPageOrder(QPrinter::FirstPageFirst);
    Print(printer);
}

void TReport::Print(QPagedPaintDevice& device)
{
    pages_->Print(device, printerSettings_, title_);
}
