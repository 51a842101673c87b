#pragma once

// The code symbols on labels, as dark rectangles to be drawn as vectors: QR and Data Matrix for
// camera scanners, Code 128 for the laser scanners that read one-dimensional codes only.

#include <QRectF>
#include <QSizeF>
#include <QString>

#include <optional>
#include <vector>

enum class TSymbology { QR, DataMatrix, Code128 };

// "qr", "datamatrix", "code128" (as the command line and the settings write them).
QString SymbologyName(TSymbology symbology);
std::optional<TSymbology> SymbologyByName(const QString& name);

struct TCodeSymbol {
    bool linear = false;       // Code 128: bars over the whole height
    QSizeF modules;            // the symbol's size in modules, without quiet zones
    double quiet = 0;          // the quiet zone on each side, in modules
    std::vector<QRectF> dark;  // in modules
};

// Encodes ASCII text; raises an Exception with the library's reason when it cannot.
TCodeSymbol EncodeSymbol(TSymbology symbology, const QString& text);

// The dark rectangles in millimetres, the symbol with its quiet zone as large as fits in `box`,
// at its top left corner: square modules for the 2-D codes, bars as tall as the box for Code 128.
std::vector<QRectF> FitSymbol(const TCodeSymbol& symbol, const QRectF& box);
// The room the symbol with its quiet zone takes in `box` (FitSymbol's extent).
QRectF SymbolExtent(const TCodeSymbol& symbol, const QRectF& box);
