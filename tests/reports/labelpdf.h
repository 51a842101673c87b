#pragma once

// A written label PDF as a reader sees it: its pages rendered by poppler, and what a scanner reads
// in each label's rectangle.

#include "reports/labelsheet.h"
#include "zxingread.h"

#include <QImage>
#include <QString>

#include <poppler-qt6.h>

#include <algorithm>
#include <climits>
#include <memory>

inline constexpr double kRenderDpi = 300;
inline constexpr double kPxPerMm = kRenderDpi / 25.4;

inline QImage RenderPdfPage(const QString& path, int page, int* count = nullptr)
{
    const std::unique_ptr<Poppler::Document> document = Poppler::Document::load(path);
    if (!document || document->isLocked() || page >= document->numPages())
        return {};
    if (count)
        *count = document->numPages();
    const std::unique_ptr<Poppler::Page> rendered = document->page(page);
    return rendered ? rendered->renderToImage(kRenderDpi, kRenderDpi).convertToFormat(QImage::Format_Grayscale8)
                    : QImage();
}

inline QRect PixelsOf(const QRectF& mm)
{
    return QRectF(mm.topLeft() * kPxPerMm, mm.size() * kPxPerMm).toAlignedRect();
}

inline QRectF MmOf(const QRectF& px)
{
    return {px.topLeft() / kPxPerMm, px.size() / kPxPerMm};
}

// The codes read in the label's rectangle widened by a millimetre, their bounds in page millimetres.
inline std::vector<ReadCode> CodesInLabel(const QImage& page, const QRectF& label)
{
    const QRect crop = PixelsOf(label.adjusted(-1, -1, 1, 1)).intersected(page.rect());
    std::vector<ReadCode> codes = ReadCodes(page.copy(crop));
    for (ReadCode& code : codes)
        code.bounds = MmOf(code.bounds.translated(crop.topLeft()));
    return codes;
}

// The bounding box of the dark pixels inside the area (of a gray page: no conversion each time), in page millimetres; empty when none.
inline QRectF InkIn(const QImage& page, const QRectF& area)
{
    const QImage gray = page.convertToFormat(QImage::Format_Grayscale8);
    const QRect box = PixelsOf(area).intersected(gray.rect());
    int left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;
    for (int y = box.top(); y <= box.bottom(); ++y) {
        const uchar* line = gray.constScanLine(y);
        for (int x = box.left(); x <= box.right(); ++x)
            if (line[x] < 128) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    }
    if (right < 0)
        return {};
    return MmOf(QRectF(QPointF(left, top), QPointF(right + 1, bottom + 1)));
}
