#pragma once

// Reads the codes in an image with ZXing, the way a camera scanner would.

#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QString>

#ifndef ZX_USE_UTF8
#define ZX_USE_UTF8  // text() as UTF-8
#endif
#include <ZXing/ReadBarcode.h>

#include <vector>

struct ReadCode {
    QString text;
    QRectF bounds;  // in the image's pixels
};

inline std::vector<ReadCode> ReadCodes(const QImage& image)
{
    const QImage gray = image.convertToFormat(QImage::Format_Grayscale8);
    const ZXing::ImageView view(gray.constBits(), gray.width(), gray.height(), ZXing::ImageFormat::Lum,
                                int(gray.bytesPerLine()));
    ZXing::DecodeHints hints;
    hints.setFormats(ZXing::BarcodeFormat::QRCode | ZXing::BarcodeFormat::DataMatrix | ZXing::BarcodeFormat::Code128);
    hints.setTryHarder(true);
    std::vector<ReadCode> codes;
    for (const ZXing::Result& result : ZXing::ReadBarcodes(view, hints)) {
        if (!result.isValid())
            continue;
        QRectF bounds;
        for (int i = 0; i < 4; ++i) {
            const auto p = result.position()[i];
            bounds = bounds.united(QRectF(QPointF(p.x, p.y), QSizeF(1, 1)));
        }
        codes.push_back({QString::fromStdString(result.text()), bounds});
    }
    return codes;
}
