#pragma once

// Generated report pages: what the engine placed on each page, in millimetres from the paper's
// top left corner, and the page source that holds them, paints them at any scale and prints them.

#include "report/reportlayout.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QLineF>
#include <QObject>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <vector>

class QPagedPaintDevice;
class QPainter;

// Text is measured and painted in hundredths of a millimetre with fonts sized in those units.
inline constexpr double kReportUnitsPerMm = 100.0;
QFont ReportUnitFont(const QFont& pointFont);

struct TPlacedBand {
    QString name;
    TBandKind kind;
    QRectF rect;
};

struct TPlacedText {
    QString band;     // the name of the band it was printed in
    QString element;  // the element's name, empty when it has none
    QRectF rect;      // one line high; the text is already cut to the width
    QString text;
    QFont font;       // in points
};

struct TPlacedLine {
    QLineF line;
    QColor color;
    double width;  // mm
};

struct TReportPage {
    std::vector<TPlacedBand> bands;
    std::vector<TPlacedText> texts;
    std::vector<TPlacedLine> lines;
    std::vector<QRectF> fills;  // filled black, painted first (the modules of label codes)

    QStringList Texts(const QString& band) const;  // the texts printed in bands of that name, in order
};

// Which pages print and how: first … last, copies times over. Collated copies come each one
// complete; otherwise every page comes copies times before the next. Reversed, the last page of
// the range comes first.
struct TPrinterSettings {
    int Copies = 1;
    int FirstPage = 0;  // 0: from the first page
    int LastPage = 0;   // 0: up to the last page
    bool Collate = true;
    bool Reverse = false;
};

// The page numbers in the order they go to the paper; empty when the range holds no page.
std::vector<int> PrintOrder(const TPrinterSettings& settings, int pageCount);

class TReportPageSource : public QObject {
    Q_OBJECT

public:
    explicit TReportPageSource(QObject* parent = nullptr);

    QSizeF PageSize() const { return pageSize_; }  // mm
    void SetPageSize(const QSizeF& mm) { pageSize_ = mm; }

    int PageCount() const { return int(pages_.size()); }
    const TReportPage& Page(int number) const;  // 1-based; raises an Exception outside 1 … PageCount
    void Clear();
    void AddPage(TReportPage page);  // announces the new count with PageAvailable

    // Paints the page with its top left corner at origin, scaled to pxPerMm device pixels a millimetre.
    void PaintPage(QPainter& painter, int number, double pxPerMm, QPointF origin = {}) const;
    QImage RenderPage(int number, double dpi) const;  // on white
    // Prints the pages in PrintOrder on paper of the page size, the document named as given.
    // Raises an Exception when the range holds no page or the device refuses to start.
    void Print(QPagedPaintDevice& device, const TPrinterSettings& settings, const QString& documentName) const;

signals:
    void PageAvailable(int count);

private:
    QSizeF pageSize_;
    std::vector<TReportPage> pages_;
};
