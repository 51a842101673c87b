#include "reports/rpLabels.h"

#include "labelpdf.h"
#include "reports/labelcode.h"
#include "report/reportpages.h"
#include "report/reportlayout.h"
#include "rpCatalog.h"
#include "sqlite/errors.h"
#include "sqlite/sql3_query.h"
#include "tests/support/workfolder.h"

#include <QFile>
#include <QFontMetricsF>

#include <gtest/gtest.h>

namespace {

std::vector<TLabel> ItemLabelsFor(int count)
{
    std::vector<TLabel> labels;
    for (int i = 0; i < count; ++i)
        labels.push_back({ItemLabelCode(1000 + i), QStringLiteral("Položka %1").arg(i), QStringLiteral("Regál %1").arg(i)});
    return labels;
}

TLabelOptions Options(const TLabelSheet& sheet, TSymbology symbology, int skip = 0)
{
    TLabelOptions options;
    options.sheet = sheet;
    options.symbology = symbology;
    options.skip = skip;
    return options;
}

// The dark rectangles of the code of the label at `position`, as laid out.
QRectF LaidOutCode(const TReportPage& page, const QRectF& label)
{
    QRectF code;
    for (const QRectF& fill : page.fills)
        if (label.contains(fill))
            code = code.united(fill);
    return code;
}

class LabelSheetPdf : public ::testing::Test {
protected:
    QString Write(const std::vector<TLabel>& labels, const TLabelOptions& options)
    {
        const QString path = folder.File(QStringLiteral("štítky.pdf"));
        WriteLabelsPdf(labels, options, path);
        return path;
    }

    // Every label of the first sheet: its code reads back to its text inside its rectangle, and the
    // code's ink lies where the layout put it, to 0.2 mm, on every row down the page.
    void ExpectFirstSheetReads(const TLabelOptions& options)
    {
        const TLabelSheet& sheet = options.sheet;
        const auto labels = ItemLabelsFor(sheet.PerSheet() + 1);
        const QImage page = RenderPdfPage(Write(labels, options), 0);
        ASSERT_FALSE(page.isNull());
        TReportPageSource pages;
        LayOutLabels(labels, options, pages);
        ASSERT_EQ(pages.PageCount(), 2);
        for (int position = 0; position < sheet.PerSheet(); ++position) {
            SCOPED_TRACE(position);
            const QRectF label = sheet.LabelRect(position, options.offset);
            const auto codes = CodesInLabel(page, label);
            ASSERT_EQ(codes.size(), 1u);
            EXPECT_EQ(codes[0].text, labels[std::size_t(position)].code);
            EXPECT_TRUE(label.contains(codes[0].bounds));
            const QRectF expected = LaidOutCode(pages.Page(1), label);
            const QRectF ink = InkIn(page, expected.adjusted(-0.5, -0.5, 0.5, 0.5));
            EXPECT_NEAR(ink.left(), expected.left(), 0.2);
            EXPECT_NEAR(ink.top(), expected.top(), 0.2);
            EXPECT_NEAR(ink.right(), expected.right(), 0.2);
            EXPECT_NEAR(ink.bottom(), expected.bottom(), 0.2);
        }
    }

    TempWorkFolder folder;
};

}  // namespace

TEST_F(LabelSheetPdf, everyQrCodeOfEveryPresetReadsBackInItsLabel)
{
    for (const TLabelSheet& preset : LabelSheetPresets()) {
        SCOPED_TRACE(preset.name.toStdString());
        ExpectFirstSheetReads(Options(preset, TSymbology::QR));
    }
}

TEST_F(LabelSheetPdf, dataMatrixAndCode128ReadBackOnTheSmallestAndAMovedSheet)
{
    for (TSymbology symbology : {TSymbology::DataMatrix, TSymbology::Code128}) {
        SCOPED_TRACE(SymbologyName(symbology).toStdString());
        ExpectFirstSheetReads(Options(LabelSheetPresets().back(), symbology));
        TLabelOptions moved = Options(ParseLabelSheet("a4-2x8-99.1x33.9"), symbology);
        moved.offset = QPointF(1.5, -2);
        ExpectFirstSheetReads(moved);
    }
}

TEST_F(LabelSheetPdf, skippedLabelsStayBlankAndTheFirstLabelTakesTheNextPosition)
{
    const TLabelSheet sheet = ParseLabelSheet("a4-3x7-63.5x38.1");
    const auto labels = ItemLabelsFor(3);
    const QImage page = RenderPdfPage(Write(labels, Options(sheet, TSymbology::QR, 5)), 0);
    for (int position = 0; position < 5; ++position)
        EXPECT_TRUE(InkIn(page, sheet.LabelRect(position)).isEmpty()) << position;
    for (int i = 0; i < 3; ++i) {
        const auto codes = CodesInLabel(page, sheet.LabelRect(5 + i));
        ASSERT_EQ(codes.size(), 1u);
        EXPECT_EQ(codes[0].text, labels[std::size_t(i)].code);
    }
    EXPECT_TRUE(InkIn(page, sheet.LabelRect(8)).isEmpty());
}

TEST_F(LabelSheetPdf, aLongDesignationIsCutInsideItsLabel)
{
    const QString longText = QStringLiteral("Šroubovák křížový s izolovanou rukojetí do 1000 V, dlouhý typ %1").arg(QString(80, u'W'));
    const TLabel label{ItemLabelCode(7), longText, longText};
    for (const TLabelSheet& sheet : {LabelSheetPresets().front(), LabelSheetPresets().back()}) {
        for (TSymbology symbology : {TSymbology::QR, TSymbology::Code128}) {
            SCOPED_TRACE(sheet.name.toStdString() + " " + SymbologyName(symbology).toStdString());
            const TLabelOptions options = Options(sheet, symbology, 4);
            TReportPageSource pages;
            LayOutLabels({label}, options, pages);
            const QRectF box = sheet.LabelRect(4);
            for (const TPlacedText& text : pages.Page(1).texts) {
                EXPECT_TRUE(box.contains(text.rect)) << text.element.toStdString();
                EXPECT_LE(QFontMetricsF(ReportUnitFont(text.font)).horizontalAdvance(text.text) / kReportUnitsPerMm,
                          text.rect.width() + 0.01);
                if (text.element != QLatin1String("code")) {
                    EXPECT_TRUE(text.text.endsWith(u'…')) << text.text.toStdString();
                }
            }
            // Nothing is printed outside the label.
            const QImage page = RenderPdfPage(Write({label}, options), 0);
            EXPECT_TRUE(box.contains(InkIn(page, QRectF(0, 0, kSheetWidth, kSheetHeight))));
        }
    }
}

TEST_F(LabelSheetPdf, aSheetThatDoesNotFitIsRefusedAndTheFileStaysAsItWas)
{
    const QString path = folder.File(QStringLiteral("štítky.pdf"));
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("předchozí");
    }
    TLabelSheet tooWide{QString(), QString(), 3, 8, 70, 37, 1, 0, 0, 0};
    EXPECT_THROW(WriteLabelsPdf(ItemLabelsFor(2), Options(tooWide, TSymbology::QR), path), Exception);
    EXPECT_THROW(WriteLabelsPdf(ItemLabelsFor(2), Options(LabelSheetPresets().front(), TSymbology::QR, 24), path),
                 Exception);
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("předchozí"));
}

// The catalogue's side: the second line is the place or else the group path; places come once
// each, in the catalogue's order, whatever their letter case.
TEST(LabelData, itemsCarryTheirPlaceOrGroupPathAndPlacesComeOnceEach)
{
    ReportCatalogue cat;
    cat.AddGroup(1, 0, "Elektro");
    cat.AddGroup(2, 1, "Kabely");
    cat.AddItem(1, 2, "Kabel CYKY", "Regál 1");
    cat.AddItem(2, 2, "Kabel CYSY", {});
    cat.AddItem(3, 0, "Šroub", "regál 1 ");
    cat.AddItem(4, 1, "Cívka", "Čtvrtá police");
    const auto query = cat.data.NewQuery("SELECT IDENT, IDTYP, NAZEV, MISTO FROM MATR WHERE IDENT < 4 ORDER BY IDENT");
    query->Open();
    const auto labels = ItemLabels(*query, cat.data);
    ASSERT_EQ(labels.size(), 3u);
    EXPECT_EQ(labels[0].detail, "Regál 1");
    EXPECT_EQ(labels[1].detail, "Elektro / Kabely");
    EXPECT_EQ(labels[1].code, ItemLabelCode(2));
    EXPECT_EQ(labels[2].detail, "regál 1");
    const QStringList places = PlacesOfItems(*query, cat.data);
    ASSERT_EQ(places.size(), 1);
    EXPECT_EQ(places[0].toLower(), "regál 1");
    QStringList all;
    cat.data.ListPlaces(all);
    EXPECT_EQ(PlaceLabels(all).size(), 2u);  // "Regál 1" and "regál 1 " are one place
    EXPECT_EQ(AllItemLabels(cat.data).front().title, "Cívka");
}
