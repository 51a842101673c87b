#include "commandlabels.h"

#include "data/uDM.h"
#include "reports/labeldata.h"
#include "reports/rpLabels.h"
#include "sqlite/errors.h"

#include <QFileInfo>
#include <QGuiApplication>

#include <cstdio>

namespace {

void Print(std::FILE* stream, const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
}

TLabelOptions Options(const TLabelsJob& job)
{
    TLabelOptions options;
    options.sheet = ParseLabelSheet(job.sheet.isEmpty() ? LabelSheetPresets().front().name : job.sheet);
    if (!job.skip.isEmpty()) {
        bool ok = false;
        options.skip = job.skip.toInt(&ok);
        if (!ok)
            throw Exception(QStringLiteral("Počet vynechaných štítků \"%1\" není celé číslo.").arg(job.skip));
    }
    if (!job.code.isEmpty()) {
        const auto symbology = SymbologyByName(job.code);
        if (!symbology)
            throw Exception(QStringLiteral("Kód \"%1\" neznám; zvolte qr, datamatrix nebo code128.").arg(job.code));
        options.symbology = *symbology;
    }
    return options;
}

int Run(const TLabelsJob& job)
{
    const TLabelOptions options = Options(job);  // refused before the catalogue is opened
    Tdm data;
    if (!QFileInfo(data.db.DatabaseFile()).isFile())
        throw Exception(QStringLiteral("Katalog \"%1\" neexistuje.").arg(data.db.DatabaseFile()));
    data.OpenCatalogue();
    std::vector<TLabel> labels;
    if (job.places) {
        QStringList places;
        data.ListPlaces(places);
        labels = PlaceLabels(places);
    } else {
        labels = AllItemLabels(data);
    }
    WriteLabelsPdf(labels, options, job.pdf);
    Print(stdout, QStringLiteral("%1 štítků zapsáno do \"%2\".\n").arg(labels.size()).arg(job.pdf));
    return 0;
}

}  // namespace

int RunLabelsJob(const TLabelsJob& job, int& argc, char* argv[])
{
    // Fonts and the PDF need a GUI application, never a window or a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    try {
        return Run(job);
    } catch (const Exception& error) {
        Print(stderr, QStringLiteral("Štítky nelze vytisknout: %1\n").arg(error.Message()));
        return 1;
    }
}

QString LabelsJobHelp()
{
    QString presets;
    for (const TLabelSheet& preset : LabelSheetPresets())
        presets += QStringLiteral("                         %1  %2\n").arg(preset.name, -18).arg(preset.title);
    return QStringLiteral(
               "  --labels SOUBOR.pdf  zapíše štítky s kódy všech položek do PDF (ve 100 %) a skončí\n"
               "    --places           štítky míst uložení místo položek\n"
               "    --sheet ARCH       arch štítků, předvolba (výchozí je první):\n"
               "%1"
               "                       nebo vlastní SLOUPCExŘADY:ŠxV:VLEVO,SHORA:MEZERAX,MEZERAY v mm\n"
               "                       (např. 4x10:48.5x25.4:8,21.5:2.5,0)\n"
               "    --skip N           vynechá prvních N štítků načatého archu\n"
               "    --code KÓD         qr (výchozí), datamatrix nebo code128\n")
        .arg(presets);
}
