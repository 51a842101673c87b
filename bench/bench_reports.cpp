// Laying out a grouped list of 10,000 records, against the text measuring no layout can avoid
// (every distinct value measured once in its element's font); and the report by place and the
// report by group of a 10,000-item catalogue, from the query on the catalogue file to the last
// laid-out page, against the same work done the direct way: the report's statement stepped through
// the engine's C API with the same collation, its texts decoded into memory, and the same report
// laid out from there. Each pair of sides is timed in alternation.

#include "data/uDM.h"
#include "report/report.h"
#include "report/reportdata.h"
#include "reports/rpBoxGrp.h"
#include "reports/rpCommon.h"
#include "sqlite/sql3_utils.h"

#include <QApplication>
#include <QFileInfo>
#include <QFontMetricsF>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <memory>
#include <set>
#include <stdexcept>

#include "bench_data.h"
#include "ratio.h"
#include "raw_catalogue.h"

namespace {

const QStringList kFields{"MATR_IDENT", "TYPY_NAZEV", "MATR_NAZEV", "MATR_POPIS", "MATR_MISTO"};
constexpr int kRecords = 10000;

TMemoryDataSource& records()
{
    static TMemoryDataSource data = [] {
        TMemoryDataSource d(kFields, "queryRepo");
        const QStringList names{"Šroubovák křížový PH2", "Kladivo zámečnické", "Matice M8 pozinkovaná", "Žárovka E27"};
        const QStringList descriptions{"Příliš žluťoučký kůň úpěl ďábelské ódy", "Krátký popis",
                                       "Velmi dlouhý popis položky, který se do šířky sloupce popisu nevejde"};
        for (int i = 0; i < kRecords; ++i)
            // Designations and descriptions differ from record to record, groups and places repeat.
            d.AddRecord({QString::number(i + 1), "Skupina " + QString::number(i % 37),
                         names[i % 4] + " " + QString::number(i), descriptions[i % 3] + " " + QString::number(i),
                         "Regál " + QString::number(i / 60)});
        return d;
    }();
    return data;
}

// The grouped list: group by place, five columns, counts in the group footers.
void declareGroupedList(TReportLayout& l)
{
    const QFont narrow = ReportFont("Arial Narrow", 8);
    TReportBand* head = l.AddBand(TBandKind::PageHeader, "head", 12.7);
    head->AddLabel(2.1, 1.6, ReportFont("Arial", 12, true), "Seznam materiálu");
    head->AddDateTime(146.1, 2.1, narrow);
    head->AddLabel(2.1, 6.3, narrow, "Podle umístění", "QRLabelTitle");
    TReportBand* group = l.AddGroup("QRGroup1", "queryRepo.MATR_MISTO", 11.6);
    group->SetLineBelow(true);
    group->SetLineColor(QColor(128, 128, 128));
    group->AddField(2.1, 1.1, 0, ReportFont("Courier New", 11, true), "MATR_MISTO", "exprField");
    TReportBand* detail = l.AddBand(TBandKind::Detail, "detail", 4.8);
    const double lefts[] = {2.1, 15.9, 49.7, 84.7, 166.2};
    const double widths[] = {12.7, 32.8, 33.9, 80.7, 23.3};
    for (int i = 0; i < 5; ++i) {
        group->AddLabel(lefts[i], 6.3, ReportFont("Arial", 8, true), kFields[i]);
        detail->AddField(lefts[i], 0.5, widths[i], narrow, kFields[i]);
    }
    TReportBand* footer = l.AddBand(TBandKind::GroupFooter, "grfood", 8.5);
    footer->SetLineAbove(true);
    footer->AddExpression(2.1, 2.1, 0, narrow, "COUNT + ' položek'");
    group->SetFooterBand(footer);
    TReportBand* foot = l.AddBand(TBandKind::PageFooter, "foot", 6.3);
    foot->SetLineAbove(true);
    foot->AddPageNumber(152.4, 1.1, ReportFont("Arial", 10));
}

// The texts each element of the grouped list gets, every distinct one once, in the element's font.
std::vector<std::pair<QFontMetricsF, QStringList>> DistinctTexts()
{
    const QFontMetricsF detail(ReportUnitFont(ReportFont("Arial Narrow", 8)));
    const QFontMetricsF group(ReportUnitFont(ReportFont("Courier New", 11, true)));
    std::vector<std::pair<QFontMetricsF, QStringList>> texts;
    const auto distinct = [](const QString& field) {
        std::set<QString> values;
        TMemoryDataSource& data = records();
        for (data.First(); !data.Eof(); data.Next())
            values.insert(data.FieldText(field));
        return QStringList(values.begin(), values.end());
    };
    for (const QString& field : kFields)
        texts.emplace_back(detail, distinct(field));
    texts.emplace_back(group, distinct("MATR_MISTO"));
    return texts;
}

void BM_RenderPageOnScreen(benchmark::State& state)
{
    TReport report;
    declareGroupedList(report.Layout());
    report.SetDataSource(&records());
    report.Prepare();
    for (auto _ : state)
        benchmark::DoNotOptimize(report.Pages().RenderPage(2, 96));
}
BENCHMARK(BM_RenderPageOnScreen)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);


// A catalogue in a temporary work folder: 40 groups, 150 places, Czech designations.
struct Catalogue {
    PrivateDataHome home;
    std::unique_ptr<Tdm> data;

    Catalogue()
    {
        data = std::make_unique<Tdm>();
        data->OpenCatalogue();
        const QStringList names{"Šroubovák křížový PH2", "Kladivo zámečnické", "Matice M8 pozinkovaná", "Žárovka E27",
                                "Čep 8 mm", "Cívka 10 mH"};
        data->db.StartTransaction();
        for (int g = 1; g <= 40; ++g)
            data->db.ExecSQL(QStringLiteral("INSERT INTO TYPY VALUES(%1, 0, 0, 'Skupina č. %1', NULL)").arg(g));
        for (int i = 1; i <= kRecords; ++i)
            data->db.ExecSQL(QStringLiteral("INSERT INTO MATR VALUES(%1, %2, %3, %4, %5, NULL, 'obsah')")
                                 .arg(i)
                                 .arg(i % 41)  // group 0 too
                                 .arg(QuoteString(names[i % names.size()] + QStringLiteral(" %1").arg(i)),
                                      QuoteString(QStringLiteral("Příliš žluťoučký kůň úpěl ďábelské ódy %1").arg(i)),
                                      QuoteString(QStringLiteral("Regál %1").arg(i % 150))));
        data->db.Commit();
    }
};

Catalogue& catalogue()
{
    static Catalogue c;
    return c;
}

// The report as the menu command makes it, its pages handed to a previewer that only counts them.
void Report(const QString& field, const QString& order, const QString& title)
{
    int pages = 0;
    SetReportPreviewer([&](TReportPageSource& source, TReport&, QWidget*) { pages = source.PageCount(); });
    ReportGrouped(field, order, title, nullptr);
    SetReportPreviewer({});
    if (pages == 0)
        throw std::runtime_error("no pages");
}

// The same report the direct way: its statement through the C API, the rows decoded into memory
// and laid out from there.
class RawReport {
public:
    RawReport(const QString& field, const QString& order, const QString& title)
        : raw_(catalogue().data->db.DatabaseFile())
    {
        report_.SetGrouping(field, order, title);
        sql_ = report_.queryRepo.StatementText().toUtf8();
    }

    void Run()
    {
        std::unique_ptr<TMemoryDataSource> data;
        QStringList values;
        raw_.Select(sql_, [&](sqlite3_stmt* statement) {
            const int columns = sqlite3_column_count(statement);
            if (!data) {
                QStringList names;
                for (int c = 0; c < columns; ++c)
                    names << QString::fromUtf8(sqlite3_column_name(statement, c));
                data = std::make_unique<TMemoryDataSource>(names, report_.queryRepo.Name());
            }
            values.clear();
            for (int c = 0; c < columns; ++c)
                values << ColumnText(statement, c);
            data->AddRecord(values);
            return true;
        });
        report_.SetDataSource(data.get());
        report_.Prepare();
        report_.SetDataSource(nullptr);
    }

private:
    RawCatalogue raw_;
    TrepoBoxGrp report_;
    QByteArray sql_;
};

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    TReport layout;
    declareGroupedList(layout.Layout());
    layout.SetDataSource(&records());
    const auto texts = DistinctTexts();
    bench::AddRatio({"report-layout", "laying out the grouped list of 10,000 records against measuring each distinct text once",
                     {[&] { layout.Prepare(); }, {}},
                     {[&] {
                          double total = 0;
                          for (const auto& [metrics, values] : texts)
                              for (const QString& text : values)
                                  total += metrics.horizontalAdvance(text);
                          benchmark::DoNotOptimize(total);
                      },
                      {}},
                     "<=", 2.0});

    // A whole report reads the file and builds hundreds of pages, so its times swing with the
    // machine's load more than the layout's: more pairs keep its median steady.
    constexpr int kReportPairs = 30;
    const QString byPlace[] = {"MATR_MISTO", "ORDER BY MATR_MISTO, MATR_IDTYP, MATR_NAZEV", "Podle umístění"};
    const QString byGroup[] = {"TYPY_NAZEV", "ORDER BY TYPY_NAZEV, MATR_NAZEV", "Podle skupin"};
    catalogue();
    RawReport rawByPlace(byPlace[0], byPlace[1], byPlace[2]), rawByGroup(byGroup[0], byGroup[1], byGroup[2]);
    bench::AddRatio({"report-by-place", "the report by place of 10,000 items against its statement through the C API and the same layout",
                     {[&] { Report(byPlace[0], byPlace[1], byPlace[2]); }, {}}, {[&] { rawByPlace.Run(); }, {}}, "<=", 1.2, bench::Clock::Cpu, kReportPairs});
    bench::AddRatio({"report-by-group", "the report by group of 10,000 items against its statement through the C API and the same layout",
                     {[&] { Report(byGroup[0], byGroup[1], byGroup[2]); }, {}}, {[&] { rawByGroup.Run(); }, {}}, "<=", 1.2, bench::Clock::Cpu, kReportPairs});
    return bench::RunBenchmarks(argc, argv);
}
