#include "labelsheet.h"

#include "sqlite/errors.h"

#include <QRegularExpression>

#include <cmath>

namespace {

// Sheets match their nominal sizes to a few hundredths of a millimetre.
constexpr double kTolerance = 0.005;
constexpr double kMinWidth = 15.0;
constexpr double kMinHeight = 10.0;
constexpr double kMaxOffset = 10.0;

TLabelSheet Preset(const char* name, const char* title, int columns, int rows, double width, double height,
                   double left, double top, double gapX, double gapY)
{
    return {QString::fromLatin1(name), QString::fromUtf8(title), columns, rows, width, height, left, top, gapX, gapY};
}

QString Mm(double value)
{
    return QString::number(value, 'g', 6);
}

double Number(const QString& text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        throw Exception(QStringLiteral("Číslo \"%1\" v popisu archu nelze přečíst.").arg(text));
    return value;
}

}  // namespace

QRectF TLabelSheet::LabelRect(int position, QPointF offset) const
{
    const int column = position % columns;
    const int row = position / columns;
    return {left + offset.x() + column * (width + gapX), top + offset.y() + row * (height + gapY), width, height};
}

void TLabelSheet::Check() const
{
    if (columns < 1 || rows < 1 || columns > 20 || rows > 40)
        throw Exception(QStringLiteral("Arch musí mít 1 až 20 sloupců a 1 až 40 řad štítků."));
    if (width < kMinWidth || height < kMinHeight)
        throw Exception(QStringLiteral("Štítek %1 × %2 mm je na kód příliš malý (nejméně %3 × %4 mm).")
                            .arg(Mm(width), Mm(height), Mm(kMinWidth), Mm(kMinHeight)));
    if (left < 0 || top < 0 || gapX < 0 || gapY < 0)
        throw Exception(QStringLiteral("Okraje a mezery archu nesmějí být záporné."));
    const double right = left + columns * width + (columns - 1) * gapX;
    const double bottom = top + rows * height + (rows - 1) * gapY;
    if (right > kSheetWidth + kTolerance || bottom > kSheetHeight + kTolerance)
        throw Exception(QStringLiteral("Štítky archu %1 sahají až %2 mm zleva a %3 mm shora; arch A4 má 210 × 297 mm.")
                            .arg(Text(), Mm(right), Mm(bottom)));
}

QString TLabelSheet::Text() const
{
    return QStringLiteral("%1x%2:%3x%4:%5,%6:%7,%8")
        .arg(QString::number(columns), QString::number(rows), Mm(width), Mm(height), Mm(left), Mm(top), Mm(gapX),
             Mm(gapY));
}

const std::vector<TLabelSheet>& LabelSheetPresets()
{
    static const std::vector<TLabelSheet> presets{
        Preset("a4-3x8-70x37", "A4, 3 × 8 štítků 70 × 37 mm bez okrajů", 3, 8, 70, 37, 0, 0.5, 0, 0),
        Preset("a4-3x8-70x36", "A4, 3 × 8 štítků 70 × 36 mm, horní okraj 4,4 mm", 3, 8, 70, 36, 0, 4.4, 0, 0),
        Preset("a4-3x7-63.5x38.1", "A4, 3 × 7 štítků 63,5 × 38,1 mm", 3, 7, 63.5, 38.1, 7.25, 15.15, 2.5, 0),
        Preset("a4-2x8-99.1x33.9", "A4, 2 × 8 štítků 99,1 × 33,9 mm", 2, 8, 99.1, 33.9, 4.65, 12.9, 2.5, 0),
        Preset("a4-2x7-99.1x38.1", "A4, 2 × 7 štítků 99,1 × 38,1 mm", 2, 7, 99.1, 38.1, 4.65, 15.15, 2.5, 0),
        Preset("a4-4x10-48.5x25.4", "A4, 4 × 10 štítků 48,5 × 25,4 mm", 4, 10, 48.5, 25.4, 8, 21.5, 0, 0),
        Preset("a4-5x13-38.1x21.2", "A4, 5 × 13 štítků 38,1 × 21,2 mm", 5, 13, 38.1, 21.2, 4.75, 10.7, 2.5, 0),
    };
    return presets;
}

TLabelSheet ParseLabelSheet(const QString& text)
{
    const QString trimmed = text.trimmed();
    for (const TLabelSheet& preset : LabelSheetPresets())
        if (preset.name.compare(trimmed, Qt::CaseInsensitive) == 0)
            return preset;
    static const QRegularExpression form(QStringLiteral(
        R"(^(\d+)x(\d+):([^:x]+)x([^:x]+):([^:,]+),([^:,]+):([^:,]+),([^:,]+)$)"));
    const QRegularExpressionMatch match = form.match(trimmed);
    if (!match.hasMatch())
        throw Exception(QStringLiteral("Arch \"%1\" není ani předvolba, ani popis SLOUPCExŘADY:ŠxV:VLEVO,SHORA:"
                                       "MEZERAX,MEZERAY v milimetrech (např. 4x10:48.5x25.4:8,21.5:2.5,0).")
                            .arg(trimmed));
    TLabelSheet sheet;
    sheet.columns = match.captured(1).toInt();
    sheet.rows = match.captured(2).toInt();
    sheet.width = Number(match.captured(3));
    sheet.height = Number(match.captured(4));
    sheet.left = Number(match.captured(5));
    sheet.top = Number(match.captured(6));
    sheet.gapX = Number(match.captured(7));
    sheet.gapY = Number(match.captured(8));
    sheet.name = sheet.Text();
    sheet.title = QStringLiteral("Vlastní arch %1").arg(sheet.name);
    sheet.Check();
    return sheet;
}

std::vector<TLabelPlacement> PlaceLabels(const TLabelSheet& sheet, int count, int skip, QPointF offset)
{
    if (skip < 0 || skip >= sheet.PerSheet())
        throw Exception(QStringLiteral("Vynechat lze 0 až %1 štítků archu.").arg(sheet.PerSheet() - 1));
    if (std::abs(offset.x()) > kMaxOffset || std::abs(offset.y()) > kMaxOffset)
        throw Exception(QStringLiteral("Posun tisku smí být nejvýše ±10 mm."));
    std::vector<TLabelPlacement> placements;
    for (int i = 0; i < count; ++i) {
        const int index = skip + i;
        placements.push_back({index / sheet.PerSheet(), index % sheet.PerSheet()});
    }
    return placements;
}
