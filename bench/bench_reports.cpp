// Laying out a grouped list of 10,000 records, against the bare text measuring it cannot avoid.

#include "toolkit/reportengine.h"

#include <QApplication>
#include <QFontMetricsF>
#include <benchmark/benchmark.h>

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
