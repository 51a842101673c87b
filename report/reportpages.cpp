#include "reportpages.h"

#include "sqlite/errors.h"

#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>

#include <algorithm>
#include <cmath>
#include <utility>

QFont ReportUnitFont(const QFont& pointFont)
{
    QFont font(pointFont);
    font.setPixelSize(std::max(1, int(std::lround(pointFont.pointSizeF() * 25.4 / 72.0 * kReportUnitsPerMm))));
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

QStringList TReportPage::Texts(const QString& band) const
{
    QStringList found;
    for (const TPlacedText& text : texts)
        if (text.band == band)
            found << text.text;
    return found;
}

TReportPageSource::TReportPageSource(QObject* parent) : QObject(parent), pageSize_(210, 297) {}

const TReportPage& TReportPageSource::Page(int number) const
{
    if (number < 1 || number > PageCount())
        throw Exception(QStringLiteral("Page %1 of a report of %2 pages").arg(number).arg(PageCount()));
    return pages_[std::size_t(number - 1)];
}

void TReportPageSource::Clear() { pages_.clear(); }

void TReportPageSource::AddPage(TReportPage page)
{
    pages_.push_back(std::move(page));
    emit PageAvailable(PageCount());
}

namespace {

QRectF toUnits(const QRectF& mm)
{
    return {mm.x() * kReportUnitsPerMm, mm.y() * kReportUnitsPerMm, mm.width() * kReportUnitsPerMm,
            mm.height() * kReportUnitsPerMm};
}

void paintFills(QPainter& painter, const TReportPage& page)
{
    for (const QRectF& fill : page.fills)
        painter.fillRect(toUnits(fill), Qt::black);
}

void paintLines(QPainter& painter, const TReportPage& page, double pxPerMm)
{
    for (const TPlacedLine& line : page.lines) {
        QPen pen(line.color, line.width * kReportUnitsPerMm);
        // A hairline below one device pixel would vanish on screen; keep it one pixel wide.
        pen.setCosmetic(line.width * pxPerMm < 1.0);
        if (pen.isCosmetic())
            pen.setWidth(1);
        painter.setPen(pen);
        painter.drawLine(QLineF(line.line.p1() * kReportUnitsPerMm, line.line.p2() * kReportUnitsPerMm));
    }
}

void paintTexts(QPainter& painter, const TReportPage& page)
{
    painter.setPen(Qt::black);
    for (const TPlacedText& text : page.texts) {
        painter.setFont(ReportUnitFont(text.font));
        painter.drawText(toUnits(text.rect), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text.text);
    }
}

void preparePaper(QPagedPaintDevice& device, const QSizeF& pageMm, const QString& documentName)
{
    if (auto* printer = dynamic_cast<QPrinter*>(&device)) {
        printer->setFullPage(true);
        printer->setDocName(documentName);  // the job's name in the queue, the title of a PDF
    } else if (auto* pdf = dynamic_cast<QPdfWriter*>(&device)) {
        pdf->setTitle(documentName);
    }
    device.setPageLayout(QPageLayout(QPageSize(pageMm, QPageSize::Millimeter), QPageLayout::Portrait,
                                     QMarginsF(), QPageLayout::Millimeter));
}

// Where the paper's corner lies in the painter's coordinates: the printable area may start inside it.
QPointF paperOrigin(const QPagedPaintDevice& device)
{
    const QPageLayout layout = device.pageLayout();
    const QRect paint = layout.paintRectPixels(device.logicalDpiX());
    return -QPointF(paint.topLeft());
}

// The first and the last page of the range, within the report.
std::pair<int, int> printRange(const TPrinterSettings& settings, int pageCount)
{
    return {std::max(settings.FirstPage, 1),
            settings.LastPage <= 0 ? pageCount : std::min(settings.LastPage, pageCount)};
}

// Names the printer or the output file in messages about a failed print.
QString deviceName(QPagedPaintDevice& device)
{
    const auto* printer = dynamic_cast<QPrinter*>(&device);
    if (!printer)
        return {};
    const QString target = printer->outputFileName().isEmpty() ? printer->printerName() : printer->outputFileName();
    return target.isEmpty() ? QString() : QStringLiteral(" na \"%1\"").arg(target);
}

}  // namespace

void TReportPageSource::PaintPage(QPainter& painter, int number, double pxPerMm, QPointF origin) const
{
    const TReportPage& page = Page(number);
    painter.save();
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    painter.translate(origin);
    painter.scale(pxPerMm / kReportUnitsPerMm, pxPerMm / kReportUnitsPerMm);
    paintFills(painter, page);
    paintLines(painter, page, pxPerMm);
    paintTexts(painter, page);
    painter.restore();
}

QImage TReportPageSource::RenderPage(int number, double dpi) const
{
    const double pxPerMm = dpi / 25.4;
    QImage image(QSize(int(std::lround(pageSize_.width() * pxPerMm)), int(std::lround(pageSize_.height() * pxPerMm))),
                 QImage::Format_RGB32);
    image.setDotsPerMeterX(int(std::lround(pxPerMm * 1000)));
    image.setDotsPerMeterY(int(std::lround(pxPerMm * 1000)));
    image.fill(Qt::white);
    QPainter painter(&image);
    PaintPage(painter, number, pxPerMm);
    return image;
}

std::vector<int> PrintOrder(const TPrinterSettings& settings, int pageCount)
{
    const auto [first, last] = printRange(settings, pageCount);
    std::vector<int> range;
    for (int number = first; number <= last; ++number)
        range.push_back(number);
    if (settings.Reverse)
        std::reverse(range.begin(), range.end());
    const int copies = std::max(settings.Copies, 1);
    std::vector<int> order;
    if (settings.Collate) {
        for (int copy = 0; copy < copies; ++copy)
            order.insert(order.end(), range.begin(), range.end());
    } else {
        for (int number : range)
            order.insert(order.end(), std::size_t(copies), number);
    }
    return order;
}

void TReportPageSource::Print(QPagedPaintDevice& device, const TPrinterSettings& settings,
                              const QString& documentName) const
{
    const std::vector<int> order = PrintOrder(settings, PageCount());
    if (order.empty()) {
        const auto [first, last] = printRange(settings, PageCount());
        throw Exception(QStringLiteral("Sestava nemá žádnou stranu k tisku v rozsahu %1 až %2.").arg(first).arg(last));
    }
    preparePaper(device, pageSize_, documentName);
    QPainter painter;
    if (!painter.begin(&device))
        throw Exception(QStringLiteral("Tisk sestavy nelze zahájit%1.").arg(deviceName(device)));
    const double pxPerMm = device.logicalDpiX() / 25.4;
    const QPointF origin = paperOrigin(device);
    for (std::size_t sheet = 0; sheet < order.size(); ++sheet) {
        if (sheet > 0 && !device.newPage())
            throw Exception(QStringLiteral("Tisk sestavy se přerušil na straně %1.").arg(order[sheet]));
        PaintPage(painter, order[sheet], pxPerMm, origin);
    }
    painter.end();
}
