#include "labelsymbol.h"

#include "sqlite/errors.h"

#include <zint.h>

#include <algorithm>
#include <memory>

namespace {

struct SymbolDeleter {
    void operator()(zint_symbol* symbol) const { ZBarcode_Delete(symbol); }
};

// Quiet zones in modules on each side: QR asks for 4, Data Matrix for 1 (2 read more surely),
// Code 128 for 10.
double QuietZone(TSymbology symbology)
{
    switch (symbology) {
    case TSymbology::QR: return 4;
    case TSymbology::DataMatrix: return 2;
    case TSymbology::Code128: return 10;
    }
    return 4;
}

int ZintType(TSymbology symbology)
{
    switch (symbology) {
    case TSymbology::QR: return BARCODE_QRCODE;
    case TSymbology::DataMatrix: return BARCODE_DATAMATRIX;
    case TSymbology::Code128: return BARCODE_CODE128;
    }
    return BARCODE_QRCODE;
}

// Module size and the symbol's extent with its quiet zone, in millimetres.
double ModuleSize(const TCodeSymbol& symbol, const QRectF& box)
{
    const double across = symbol.modules.width() + 2 * symbol.quiet;
    if (symbol.linear)
        return box.width() / across;
    return std::min(box.width(), box.height()) / across;
}

}  // namespace

QString SymbologyName(TSymbology symbology)
{
    switch (symbology) {
    case TSymbology::QR: return QStringLiteral("qr");
    case TSymbology::DataMatrix: return QStringLiteral("datamatrix");
    case TSymbology::Code128: return QStringLiteral("code128");
    }
    return {};
}

std::optional<TSymbology> SymbologyByName(const QString& name)
{
    for (TSymbology symbology : {TSymbology::QR, TSymbology::DataMatrix, TSymbology::Code128})
        if (SymbologyName(symbology).compare(name.trimmed(), Qt::CaseInsensitive) == 0)
            return symbology;
    return std::nullopt;
}

TCodeSymbol EncodeSymbol(TSymbology symbology, const QString& text)
{
    const std::unique_ptr<zint_symbol, SymbolDeleter> symbol(ZBarcode_Create());
    if (!symbol)
        throw Exception(QStringLiteral("Knihovna kódů zint nemá paměť na symbol."));
    symbol->symbology = ZintType(symbology);
    symbol->show_hrt = 0;
    symbol->output_options |= BARCODE_NO_QUIET_ZONES;
    if (symbology == TSymbology::QR)
        symbol->option_1 = 2;  // error correction M
    if (symbology == TSymbology::DataMatrix)
        symbol->option_3 = DM_SQUARE;  // a rectangular symbol would leave the square box half empty
    const QByteArray data = text.toLatin1();
    const int status = ZBarcode_Encode_and_Buffer_Vector(
        symbol.get(), reinterpret_cast<const unsigned char*>(data.constData()), int(data.size()), 0);
    if (status >= ZINT_ERROR || !symbol->vector || symbol->width <= 0)
        throw Exception(QStringLiteral("Kód \"%1\" nelze vytvořit: %2").arg(text, QString::fromLatin1(symbol->errtxt)));
    const double unit = symbol->vector->width / symbol->width;  // vector units per module
    TCodeSymbol result;
    result.linear = symbology == TSymbology::Code128;
    result.quiet = QuietZone(symbology);
    result.modules = QSizeF(symbol->width, symbol->vector->height / unit);
    for (const zint_vector_rect* r = symbol->vector->rectangles; r; r = r->next)
        if (r->colour == -1 || r->colour == 7)
            result.dark.emplace_back(r->x / unit, r->y / unit, r->width / unit, r->height / unit);
    return result;
}

QRectF SymbolExtent(const TCodeSymbol& symbol, const QRectF& box)
{
    const double module = ModuleSize(symbol, box);
    const double quiet = symbol.quiet;
    if (symbol.linear)
        return {box.topLeft(), QSizeF(box.width(), box.height())};
    return {box.topLeft(), QSizeF((symbol.modules.width() + 2 * quiet) * module,
                                  (symbol.modules.height() + 2 * quiet) * module)};
}

std::vector<QRectF> FitSymbol(const TCodeSymbol& symbol, const QRectF& box)
{
    const double module = ModuleSize(symbol, box);
    const double quiet = symbol.quiet * module;
    std::vector<QRectF> rects;
    rects.reserve(symbol.dark.size());
    for (const QRectF& r : symbol.dark) {
        if (symbol.linear)
            rects.emplace_back(box.left() + quiet + r.x() * module, box.top(), r.width() * module, box.height());
        else
            rects.emplace_back(box.left() + quiet + r.x() * module, box.top() + quiet + r.y() * module,
                               r.width() * module, r.height() * module);
    }
    return rects;
}
