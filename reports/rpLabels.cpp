#include "rpLabels.h"

#include "report/report.h"
#include "reports/rpCommon.h"
#include "sqlite/errors.h"

#include <QFontMetricsF>
#include <QPdfWriter>
#include <QSaveFile>

#include <algorithm>

namespace {

constexpr double kPadding = 1.5;  // mm inside the label's edge
const QString kBand = QStringLiteral("label");

struct TextLine {
    QString element;
    QString text;
    QFont font;
};

double LineHeight(const QFont& font)
{
    return QFontMetricsF(ReportUnitFont(font)).height() / kReportUnitsPerMm;
}

// The lines from the top of the box down, the code's text at its foot; lines that find no room
// are left out from the last one up, so nothing reaches over the box.
void PlaceTexts(TReportPage& page, const QRectF& box, const std::vector<TextLine>& lines)
{
    double top = box.top();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const TextLine& line = lines[i];
        const double height = LineHeight(line.font);
        const bool last = i + 1 == lines.size();
        const double y = last ? std::max(top, box.bottom() - height) : top;
        if (line.text.isEmpty() || y + height > box.bottom() + 1e-9) {
            continue;
        }
        const QFontMetricsF metrics(ReportUnitFont(line.font));
        const QString text = metrics.elidedText(line.text, Qt::ElideRight, box.width() * kReportUnitsPerMm);
        page.texts.push_back({kBand, line.element, QRectF(box.left(), y, box.width(), height), text, line.font});
        top = y + height;
    }
}

std::vector<TextLine> Lines(const TLabel& label, double labelHeight)
{
    const double points = std::clamp(labelHeight / 3.6, 6.5, 11.0);
    return {{QStringLiteral("title"), label.title, ReportFont(QStringLiteral("Arial"), points, true)},
            {QStringLiteral("detail"), label.detail, ReportFont(QStringLiteral("Arial"), std::max(5.5, points * 0.8))},
            {QStringLiteral("code"), label.code, ReportFont(QStringLiteral("Arial"), std::max(5.0, points * 0.6))}};
}

void PlaceLabel(TReportPage& page, const TLabel& label, const QRectF& rect, TSymbology symbology)
{
    page.bands.push_back({kBand, TBandKind::Detail, rect});
    const QRectF inner = rect.adjusted(kPadding, kPadding, -kPadding, -kPadding);
    const TCodeSymbol symbol = EncodeSymbol(symbology, label.code);
    QRectF codeBox;
    QRectF textBox;
    if (symbol.linear) {
        codeBox = QRectF(inner.left(), inner.top(), inner.width(), inner.height() * 0.45);
        textBox = QRectF(inner.left(), codeBox.bottom() + 0.5, inner.width(), inner.bottom() - codeBox.bottom() - 0.5);
    } else {
        const double side = std::min(inner.height(), inner.width() * 0.5);
        codeBox = QRectF(inner.left(), inner.top() + (inner.height() - side) / 2, side, side);
        const double left = SymbolExtent(symbol, codeBox).right();
        textBox = QRectF(left, inner.top(), inner.right() - left, inner.height());
    }
    for (const QRectF& dark : FitSymbol(symbol, codeBox))
        page.fills.push_back(dark);
    PlaceTexts(page, textBox, Lines(label, rect.height()));
}

}  // namespace

void LayOutLabels(const std::vector<TLabel>& labels, const TLabelOptions& options, TReportPageSource& pages)
{
    options.sheet.Check();
    const std::vector<TLabelPlacement> placements =
        PlaceLabels(options.sheet, int(labels.size()), options.skip, options.offset);
    pages.Clear();
    pages.SetPageSize(QSizeF(kSheetWidth, kSheetHeight));
    TReportPage page;
    int sheet = 0;
    for (std::size_t i = 0; i < labels.size(); ++i) {
        if (placements[i].sheet != sheet) {
            pages.AddPage(std::move(page));
            page = TReportPage();
            sheet = placements[i].sheet;
        }
        PlaceLabel(page, labels[i], options.sheet.LabelRect(placements[i].position, options.offset),
                   options.symbology);
    }
    pages.AddPage(std::move(page));
}

namespace {

void SetUp(TReport& report, const std::vector<TLabel>& labels, const TLabelOptions& options)
{
    report.SetReportTitle(QStringLiteral("Štítky"));
    report.Layout().SetPageSize(QSizeF(kSheetWidth, kSheetHeight));
    LayOutLabels(labels, options, report.Pages());
}

}  // namespace

void PreviewLabels(const std::vector<TLabel>& labels, const TLabelOptions& options, QWidget* mainWindow)
{
    TReport report;
    SetUp(report, labels, options);
    PreviewReport(report.Pages(), report, mainWindow);
}

void WriteLabelsPdf(const std::vector<TLabel>& labels, const TLabelOptions& options, const QString& path)
{
    TReport report;
    SetUp(report, labels, options);
    // A file that was there stays whole until the new one is complete.
    QSaveFile file(path);
    const auto failed = [&] {
        return Exception(QStringLiteral("Soubor \"%1\" nelze zapsat: %2").arg(path, file.errorString()));
    };
    if (!file.open(QIODevice::WriteOnly))
        throw failed();
    {
        QPdfWriter pdf(&file);
        report.Print(pdf);
    }
    if (!file.commit())
        throw failed();
}
