// Laying out a grouped list of 10,000 records, against the bare text measuring it cannot avoid; and
// the report by place and the report by group of a 10,000-item catalogue, from the query on the
// catalogue file to the last laid-out page, beside the same statement stepped through the engine's
// C API with the same collation (the part of the work the report cannot avoid).

#include "data/uDM.h"
#include "reports/rpBoxGrp.h"
#include "reports/rpCommon.h"
#include "sqlite/sql3_utils.h"
#include "toolkit/reportengine.h"

#include <QApplication>
#include <QCollator>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <memory>

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

void BM_LayoutGroupedList(benchmark::State& state)
{
    TReport report;
    declareGroupedList(report.Layout());
    report.SetDataSource(&records());
    for (auto _ : state)
        report.Prepare();
    state.counters["pages"] = report.Pages().PageCount();
    state.counters["records/s"] = benchmark::Counter(double(kRecords), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_LayoutGroupedList)->Unit(benchmark::kMillisecond);

// The raw Qt call the layout is built on: measuring every value once.
void BM_RawMeasureAllValues(benchmark::State& state)
{
    const QFontMetricsF metrics(ReportUnitFont(ReportFont("Arial Narrow", 8)));
    TMemoryDataSource& data = records();
    for (auto _ : state) {
        double total = 0;
        for (data.First(); !data.Eof(); data.Next())
            for (const QString& field : kFields)
                total += metrics.horizontalAdvance(data.FieldText(field));
        benchmark::DoNotOptimize(total);
    }
}
BENCHMARK(BM_RawMeasureAllValues)->Unit(benchmark::kMillisecond);

void BM_RenderPageOnScreen(benchmark::State& state)
{
    TReport report;
    declareGroupedList(report.Layout());
    report.SetDataSource(&records());
    report.Prepare();
    for (auto _ : state)
        benchmark::DoNotOptimize(report.Pages().RenderPage(2, 96));
}
BENCHMARK(BM_RenderPageOnScreen)->Unit(benchmark::kMillisecond);


// A catalogue in a temporary work folder: 40 groups, 150 places, Czech designations.
struct Catalogue {
    QTemporaryDir home;
    std::unique_ptr<Tdm> data;

    Catalogue()
    {
        qputenv("XDG_DATA_HOME", home.path().toUtf8());
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

void runGrouped(benchmark::State& state, const QString& field, const QString& order, const QString& title)
{
    catalogue();
    int pages = 0;
    SetReportPreviewer([&](TReportPageSource& source, TReport&, QWidget*) { pages = source.PageCount(); });
    for (auto _ : state)
        ReportGrouped(field, order, title, nullptr);
    SetReportPreviewer({});
    state.counters["pages"] = pages;
    state.counters["items/s"] = benchmark::Counter(double(kRecords), benchmark::Counter::kIsIterationInvariantRate);
}

void BM_ReportGroupedByPlace(benchmark::State& state)
{
    runGrouped(state, "MATR_MISTO", "ORDER BY MATR_MISTO, MATR_IDTYP, MATR_NAZEV", "Podle umístění");
}
BENCHMARK(BM_ReportGroupedByPlace)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReportGroupedByGroup(benchmark::State& state)
{
    runGrouped(state, "TYPY_NAZEV", "ORDER BY TYPY_NAZEV, MATR_NAZEV", "Podle skupin");
}
BENCHMARK(BM_ReportGroupedByGroup)->Unit(benchmark::kMillisecond)->UseRealTime();

int nativeCompare(void*, int n1, const void* a, int n2, const void* b)
{
    return NativeCollator().compare(FromCodePage(QByteArrayView(static_cast<const char*>(a), n1)),
                                    FromCodePage(QByteArrayView(static_cast<const char*>(b), n2)));
}

// The same statement on the same file, every text column read as bytes.
void BM_RawGroupedQueryByPlace(benchmark::State& state)
{
    catalogue();
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(catalogue().data->db.DatabaseFile().toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr)
            != SQLITE_OK
        || sqlite3_create_collation(db, "NATIVE", SQLITE_UTF8, nullptr, nativeCompare) != SQLITE_OK) {
        state.SkipWithError(sqlite3_errmsg(db));
        sqlite3_close(db);
        return;
    }
    TrepoBoxGrp report;
    report.SetGrouping("MATR_MISTO", "ORDER BY MATR_MISTO, MATR_IDTYP, MATR_NAZEV", "Podle umístění");
    const QByteArray sql = report.queryRepo.StatementText().toUtf8();
    for (auto _ : state) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &statement, nullptr) != SQLITE_OK) {
            state.SkipWithError(sqlite3_errmsg(db));
            break;
        }
        qint64 bytes = 0;
        while (sqlite3_step(statement) == SQLITE_ROW)
            for (int c = 0; c < 7; ++c)
                bytes += sqlite3_column_bytes(statement, c);
        sqlite3_finalize(statement);
        benchmark::DoNotOptimize(bytes);
    }
    sqlite3_close(db);
}
BENCHMARK(BM_RawGroupedQueryByPlace)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
