#include "reports/labelsheet.h"
#include "reports/labelsymbol.h"

#include "sqlite/errors.h"
#include "zxingread.h"

#include <QPainter>

#include <gtest/gtest.h>

TEST(LabelSheet, everyPresetFitsA4AndKeepsItsNominalSize)
{
    ASSERT_EQ(LabelSheetPresets().size(), 7u);
    for (const TLabelSheet& preset : LabelSheetPresets()) {
        SCOPED_TRACE(preset.name.toStdString());
        EXPECT_NO_THROW(preset.Check());
        EXPECT_TRUE(preset.name.contains(QStringLiteral("%1x%2").arg(preset.columns).arg(preset.rows)));
        // The same sheet read back from its own text form.
        const TLabelSheet own = ParseLabelSheet(preset.Text());
        EXPECT_EQ(own.LabelRect(preset.PerSheet() - 1), preset.LabelRect(preset.PerSheet() - 1));
        const QRectF last = preset.LabelRect(preset.PerSheet() - 1);
        EXPECT_LE(last.right(), kSheetWidth + 0.005);
        EXPECT_LE(last.bottom(), kSheetHeight + 0.005);
        // Centred sheets leave the same margin on both sides.
        EXPECT_NEAR(kSheetWidth - last.right(), preset.left, preset.left > 0 ? 0.5 : 0.01);
    }
    EXPECT_EQ(ParseLabelSheet(QStringLiteral("A4-3X8-70X36")).top, 4.4);
}

TEST(LabelSheet, ownSheetsAreReadOrRefusedWithTheReason)
{
    const TLabelSheet own = ParseLabelSheet(QStringLiteral("4x10:48.5x25.4:8,21.5:2.5,0"));
    EXPECT_EQ(own.PerSheet(), 40);
    EXPECT_EQ(own.LabelRect(5), QRectF(8 + 51, 21.5 + 25.4, 48.5, 25.4));
    EXPECT_EQ(own.LabelRect(5, QPointF(-1.5, 2)), QRectF(8 + 51 - 1.5, 21.5 + 25.4 + 2, 48.5, 25.4));
    const auto refusal = [](const char* text) {
        try {
            ParseLabelSheet(QString::fromLatin1(text));
        } catch (const Exception& error) {
            return error.Message();
        }
        return QString();
    };
    EXPECT_TRUE(refusal("4x10:48.5x25.4:10,21.5:2.5,0").contains(QStringLiteral("211.5 mm zleva")));  // too wide
    EXPECT_TRUE(refusal("3x8:70x37:0,1.5:0,0").contains(QStringLiteral("297.5 mm shora")));  // too tall
    EXPECT_TRUE(refusal("0x8:70x37:0,0:0,0").contains(QStringLiteral("sloupců")));
    EXPECT_TRUE(refusal("3x8:70x5:0,0:0,0").contains(QStringLiteral("příliš malý")));
    EXPECT_TRUE(refusal("3x8:70x37:-1,0:0,0").contains(QStringLiteral("záporné")));
    EXPECT_TRUE(refusal("3x8:70x37:0,0:0").contains(QStringLiteral("není ani předvolba")));
    EXPECT_TRUE(refusal("3x8:70xabc:0,0:0,0").contains(QStringLiteral("\"abc\"")));
    EXPECT_TRUE(refusal("a4-3x8-70x38").contains(QStringLiteral("není ani předvolba")));
}

TEST(LabelSheet, skippedPositionsStayEmptyAndTheRestFlowsOntoNewSheets)
{
    const TLabelSheet& sheet = LabelSheetPresets().front();  // 24 a sheet
    const auto placed = PlaceLabels(sheet, 30, 20, {});
    ASSERT_EQ(placed.size(), 30u);
    EXPECT_EQ(placed[0].sheet, 0);
    EXPECT_EQ(placed[0].position, 20);
    EXPECT_EQ(placed[3].position, 23);
    EXPECT_EQ(placed[4].sheet, 1);
    EXPECT_EQ(placed[4].position, 0);
    EXPECT_THROW(PlaceLabels(sheet, 1, 24, {}), Exception);
    EXPECT_THROW(PlaceLabels(sheet, 1, -1, {}), Exception);
    EXPECT_THROW(PlaceLabels(sheet, 1, 0, QPointF(0, 10.5)), Exception);
}

// Each symbology, drawn as its rectangles into the smallest preset's label, reads back at 300 dpi.
TEST(LabelSymbol, everySymbologyReadsBackFromItsRectangles)
{
    const double pxPerMm = 300 / 25.4;
    for (TSymbology symbology : {TSymbology::QR, TSymbology::DataMatrix, TSymbology::Code128}) {
        for (const QString& text : {QStringLiteral("RGP1234567R"), QStringLiteral("RGM0X4KP9TW")}) {
            SCOPED_TRACE(SymbologyName(symbology).toStdString() + " " + text.toStdString());
            const TCodeSymbol symbol = EncodeSymbol(symbology, text);
            const QRectF box = symbol.linear ? QRectF(1, 1, 36, 8) : QRectF(1, 1, 19, 19);
            QImage image(QSize(40 * pxPerMm, 22 * pxPerMm), QImage::Format_RGB32);
            image.fill(Qt::white);
            QPainter painter(&image);
            painter.scale(pxPerMm, pxPerMm);
            for (const QRectF& r : FitSymbol(symbol, box))
                painter.fillRect(r, Qt::black);
            painter.end();
            const auto codes = ReadCodes(image);
            ASSERT_EQ(codes.size(), 1u);
            EXPECT_EQ(codes[0].text, text);
            const QRectF extent = SymbolExtent(symbol, box);
            const QRectF inMm(codes[0].bounds.topLeft() / pxPerMm, codes[0].bounds.size() / pxPerMm);
            EXPECT_TRUE(extent.adjusted(-0.2, -0.2, 0.2, 0.2).contains(inMm));
        }
    }
    EXPECT_EQ(SymbologyByName(QStringLiteral("DataMatrix")), TSymbology::DataMatrix);
    EXPECT_FALSE(SymbologyByName(QStringLiteral("ean13")));
}
