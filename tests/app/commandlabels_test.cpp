// --labels on the command line: the labels of the catalogue written to a PDF without a window,
// the catalogue only read.

#include "data/uDM.h"
#include "reports/labelcode.h"
#include "tests/reports/labelpdf.h"
#include "tests/app/commandjob.h"
#include "tests/support/workfolder.h"

#include <QCryptographicHash>
#include <QFile>

#include <gtest/gtest.h>

namespace {

class LabelsCommand : public ::testing::Test {
protected:
    JobOutcome Run(const QStringList& arguments) { return RunJob(folder.DataHome(), arguments); }

    void MakeCatalogue()
    {
        Tdm data;
        data.OpenCatalogue();
        data.db.ExecSQL("INSERT INTO TYPY VALUES(1,0,0,'Sklad','');"
                        "INSERT INTO MATR VALUES(5,1,'Pájka','','Šuplík 2',NULL,NULL);"
                        "INSERT INTO MATR VALUES(9,1,'Cín','','šuplík 2',NULL,NULL);"
                        "INSERT INTO MATR VALUES(12,0,'Kleště','','Regál A',NULL,NULL);");
    }

    QByteArray CatalogueDigest()
    {
        QFile file(folder.WorkFolder() + QStringLiteral("/regalon.db3"));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
    }

    QStringList CodesOnFirstSheet(const QString& pdf, const QString& sheetName, int count)
    {
        const QImage page = RenderPdfPage(pdf, 0);
        const TLabelSheet sheet = ParseLabelSheet(sheetName);
        QStringList codes;
        for (int position = 0; position < count; ++position) {
            const auto read = CodesInLabel(page, sheet.LabelRect(position));
            codes << (read.size() == 1 ? read[0].text : QString());
        }
        return codes;
    }

    TempWorkFolder folder;
};

}  // namespace

TEST_F(LabelsCommand, writesTheItemsOrThePlacesOfTheCatalogueWithoutChangingIt)
{
    MakeCatalogue();
    const QByteArray before = CatalogueDigest();
    const QString pdf = folder.File(QStringLiteral("štítky položek.pdf"));
    const JobOutcome items = Run({"--labels", pdf, "--sheet", "a4-5x13-38.1x21.2", "--skip", "2"});
    ASSERT_EQ(items.exitCode, 0) << items.errors.toStdString();
    EXPECT_TRUE(items.output.contains("3 štítků")) << items.output.toStdString();
    // By designation: Cín, Kleště, Pájka, after two used labels.
    EXPECT_EQ(CodesOnFirstSheet(pdf, "a4-5x13-38.1x21.2", 6),
              QStringList({"", "", ItemLabelCode(9), ItemLabelCode(12), ItemLabelCode(5), ""}));

    const JobOutcome places = Run({"--labels", pdf, "--places", "--code", "datamatrix", "--sheet", "3x8:70x37:0,0:0,0"});
    ASSERT_EQ(places.exitCode, 0) << places.errors.toStdString();
    EXPECT_EQ(CodesOnFirstSheet(pdf, "3x8:70x37:0,0:0,0", 3),
              QStringList({PlaceLabelCode("Regál A"), PlaceLabelCode("Šuplík 2"), ""}));
    EXPECT_EQ(CatalogueDigest(), before);
}

TEST_F(LabelsCommand, refusesWithAReasonAndWritesNothing)
{
    const QString pdf = folder.File(QStringLiteral("štítky.pdf"));
    const JobOutcome noCatalogue = Run({"--labels", pdf});
    EXPECT_EQ(noCatalogue.exitCode, 1);
    EXPECT_TRUE(noCatalogue.errors.contains("neexistuje")) << noCatalogue.errors.toStdString();
    EXPECT_FALSE(QFile::exists(folder.WorkFolder() + QStringLiteral("/regalon.db3")));

    MakeCatalogue();
    for (const QStringList& wrong : {QStringList{"--sheet", "4x10:48.5x25.4:10,21.5:2.5,0"},
                                     QStringList{"--code", "ean13"}, QStringList{"--skip", "24"},
                                     QStringList{"--skip", "dva"}}) {
        const JobOutcome refused = Run(QStringList{"--labels", pdf} + wrong);
        EXPECT_EQ(refused.exitCode, 1) << wrong.join(' ').toStdString();
        EXPECT_TRUE(refused.errors.contains("Štítky nelze vytisknout: ")) << refused.errors.toStdString();
    }
    EXPECT_FALSE(QFile::exists(pdf));
    EXPECT_EQ(Run({"--labels"}).exitCode, 1);
}
