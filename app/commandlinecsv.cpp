#include "commandlinecsv.h"

#include "data/uDM.h"
#include "exchange/csvexport.h"
#include "exchange/csvimport.h"
#include "exchange/csvreader.h"

#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <memory>

namespace {

void Print(std::FILE* stream, const QString& text)
{
    std::fputs((text + u'\n').toLocal8Bit().constData(), stream);
}

// The data module over the catalogue, connected; none when there is no catalogue yet.
std::unique_ptr<Tdm> OpenExisting()
{
    auto data = std::make_unique<Tdm>();
    if (!QFileInfo::exists(data->db.DatabaseFile()))
        return nullptr;
    data->OpenCatalogue();
    return data;
}

QString Mapping(const QStringList& header, const std::vector<ImportTarget>& mapping)
{
    QStringList columns;
    for (qsizetype i = 0; i < header.size(); ++i)
        columns << QStringLiteral("%1 → %2").arg(header[i], TargetName(mapping[size_t(i)]));
    return columns.join(QStringLiteral(", "));
}

}  // namespace

int ExportCsvCommand(const QString& fileName)
{
    try {
        const std::unique_ptr<Tdm> data = OpenExisting();
        if (!data) {
            Print(stderr, QStringLiteral("Katalog zatím neexistuje, není co exportovat."));
            return 1;
        }
        qint64 items = 0;
        SaveCsvFile(fileName, [&](QIODevice& out) { items = ExportCatalogue(data->db, out, {}); });
        Print(stdout, QStringLiteral("Zapsáno položek: %1 (%2)").arg(items).arg(fileName));
        return 0;
    } catch (const Exception& e) {
        Print(stderr, e.Message());
        return 1;
    }
}

int CheckCsvCommand(const QString& fileName)
{
    QFile file(fileName);
    ImportSettings settings;
    QStringList header;
    try {
        OpenCsvFile(file);
        const CsvDetection detection = DetectCsv(file);
        settings.dialect = detection.dialect;
        CsvReader(file, settings.dialect).Next(header);
        settings.mapping = MappingFromHeader(header);
        Print(stdout, QStringLiteral("Kódování: %1\nOddělovač: %2\nŘádků s daty: %3\nSloupce: %4")
                          .arg(EncodingName(settings.dialect.encoding), DelimiterName(settings.dialect.delimiter))
                          .arg(detection.records - 1)
                          .arg(Mapping(header, settings.mapping)));
        if (!file.seek(0))
            throw Exception(file.errorString());
    } catch (const Exception& e) {
        Print(stderr, e.Message());
        return 2;
    }
    try {
        const std::unique_ptr<Tdm> data = OpenExisting();
        const ImportCheck check = CheckImport(data ? &data->db : nullptr, file, settings);
        for (const ImportProblem& problem : check.problems)
            Print(stdout, problem.Text());
        if (check.problemCount > qint64(check.problems.size()))
            Print(stdout, QStringLiteral("… a dalších %1 problémů").arg(check.problemCount - qint64(check.problems.size())));
        Print(stdout, check.refusedRows == 0
                          ? QStringLiteral("Soubor lze importovat bez odmítnutí.")
                          : QStringLiteral("Řádků, které nelze importovat beze změny: %1").arg(check.refusedRows));
        return check.refusedRows == 0 ? 0 : 1;
    } catch (const Exception& e) {
        Print(stderr, e.Message());
        return 2;
    }
}
