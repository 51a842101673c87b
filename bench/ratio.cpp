#include "ratio.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <malloc.h>
#include <set>
#include <vector>

namespace bench {
namespace {

// glibc raises its mmap threshold whenever a mapped block is freed, so whether a later large
// block comes fresh from the kernel (a page fault on every first touch) or from the heap depends
// on what ran before in the process: one side's time moved by up to a fifth from one run of a
// benchmark program to the next. Fixed at the ceiling that rule climbs to as the program starts,
// every side of every run pays the same allocator.
const bool kAllocatorFixed = [] {
    return mallopt(M_MMAP_THRESHOLD, 32 << 20) == 1 && mallopt(M_TRIM_THRESHOLD, 64 << 20) == 1;
}();

// A sample shorter than this would be timed mostly by the clock's and the scheduler's noise.
constexpr double kMinSampleSeconds = 0.2;
// The pairs of a ratio are taken in rounds of this many; the rounds of all ratios run in random
// order (Google Benchmark's random interleaving of repetitions), so that a phase of the machine's
// load that lasts longer than a pair still falls on every ratio's pairs alike.
constexpr int kPairsPerRound = 3;

struct Times {
    double wall = 0, cpu = 0;  // seconds per run

    double Of(Clock clock) const { return clock == Clock::Wall ? wall : cpu; }
};

struct Pair {
    Times ours, raw;
};

struct Entry {
    Ratio ratio;
    int runsPerSample = 0;  // 0 until the first round has measured the sides
    std::vector<Pair> pairs;
    std::string load;  // the load average when the pairs ended
};

// In registration order; the benchmarks refer to their entry by index, as the vector grows.
std::vector<Entry>& Entries()
{
    static std::vector<Entry> entries;
    return entries;
}

double CpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

double WallSeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

Times Time(const Side& side, int runs)
{
    Times total;
    for (int i = 0; i < runs; ++i) {
        if (side.prepare)
            side.prepare();
        const double wall = WallSeconds(), cpu = CpuSeconds();
        side.run();
        total.cpu += CpuSeconds() - cpu;
        total.wall += WallSeconds() - wall;
        if (side.after)
            side.after();
    }
    return {total.wall / runs, total.cpu / runs};
}

std::string LoadAverage()
{
    std::ifstream file("/proc/loadavg");
    double one = 0, five = 0, fifteen = 0;
    file >> one >> five >> fifteen;
    char text[64];
    std::snprintf(text, sizeof text, "%.2f %.2f %.2f", one, five, fifteen);
    return text;
}

void RunPairs(benchmark::State& state, size_t index)
{
    Entry& entry = Entries()[index];
    const Side &ours = entry.ratio.ours, &raw = entry.ratio.raw;
    // A first run of each side warms the caches (other benchmarks ran in between); in the first
    // round it also tells how many runs make a sample.
    const double shorter = std::min(Time(ours, 1).wall, Time(raw, 1).wall);
    if (entry.runsPerSample == 0)
        entry.runsPerSample = std::max(1, int(std::ceil(kMinSampleSeconds / std::max(shorter, 1e-9))));
    for (auto _ : state) {
        Pair pair;
        if (entry.pairs.size() % 2 == 0) {
            pair.ours = Time(ours, entry.runsPerSample);
            pair.raw = Time(raw, entry.runsPerSample);
        } else {
            pair.raw = Time(raw, entry.runsPerSample);
            pair.ours = Time(ours, entry.runsPerSample);
        }
        entry.pairs.push_back(pair);
        state.SetIterationTime(pair.ours.wall);
    }
    entry.load = LoadAverage();
}

double Quantile(std::vector<double> values, double q)
{
    std::sort(values.begin(), values.end());
    const double at = q * double(values.size() - 1);
    const size_t below = size_t(at);
    const double above = values[std::min(below + 1, values.size() - 1)];
    return values[below] + (at - double(below)) * (above - values[below]);
}


// Answers the median ratio.
double PrintClock(const Entry& entry, Clock clock)
{
    std::vector<double> ours, raw, ratios;
    for (const Pair& p : entry.pairs) {
        ours.push_back(p.ours.Of(clock));
        raw.push_back(p.raw.Of(clock));
        ratios.push_back(p.ours.Of(clock) / p.raw.Of(clock));
    }
    const double median = Quantile(ratios, 0.5), low = Quantile(ratios, 0.25), high = Quantile(ratios, 0.75);
    std::printf("  %-4s  ours %9.2f ms  raw %9.2f ms  ratio %.3f  quartiles %.3f-%.3f  spread +-%.1f %%%s\n",
                clock == Clock::Wall ? "wall" : "cpu", Quantile(ours, 0.5) * 1e3, Quantile(raw, 0.5) * 1e3, median,
                low, high, 100.0 * (high - low) / 2 / median, clock == entry.ratio.judged ? "  (judged)" : "");
    return median;
}

void PrintSummary()
{
    for (const Entry& entry : Entries()) {
        if (entry.pairs.empty())
            continue;
        std::printf("\n%s: %s\n  %zu pairs of %d run%s each, sides alternating, in interleaved rounds; load average %s\n",
                    entry.ratio.name.c_str(), entry.ratio.what.c_str(), entry.pairs.size(), entry.runsPerSample,
                    entry.runsPerSample == 1 ? "" : "s", entry.load.c_str());
        const double wall = PrintClock(entry, Clock::Wall), cpu = PrintClock(entry, Clock::Cpu);
        PrintRatioLine(entry.ratio.name, entry.ratio.judged == Clock::Wall ? wall : cpu, entry.ratio.op,
                       entry.ratio.limit);
    }
}

// The console table for the benchmarks of one side only; the ratios have their own table.
class OneSidedReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        std::vector<Run> shown;
        for (const Run& run : runs)
            if (!ratioNames_.count(run.run_name.function_name))
                shown.push_back(run);
        if (!shown.empty())
            ConsoleReporter::ReportRuns(shown);
    }

private:
    std::set<std::string> ratioNames_ = [] {
        std::set<std::string> names;
        for (const Entry& entry : Entries())
            names.insert(entry.ratio.name);
        return names;
    }();
};

}  // namespace

bool AddRatio(Ratio ratio)
{
    const size_t index = Entries().size();
    const int rounds = std::max(1, (ratio.pairs + kPairsPerRound - 1) / kPairsPerRound);
    const std::string name = ratio.name;
    Entries().push_back({std::move(ratio), 0, {}, {}});
    benchmark::RegisterBenchmark(name.c_str(), [index](benchmark::State& state) { RunPairs(state, index); })
        ->Iterations(kPairsPerRound)
        ->Repetitions(rounds)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    return true;
}

void PrintRatioLine(const std::string& name, double value, const std::string& op, double limit)
{
    const double shown = std::round(value * 100) / 100;  // the verdict agrees with the printed value
    const bool holds = op == ">=" ? shown >= limit : shown <= limit;
    std::printf("ratio %s %.2f target %s %g %s\n", name.c_str(), shown, op.c_str(), limit, holds ? "holds" : "misses");
    std::fflush(stdout);
}

int RunBenchmarks(int argc, char** argv)
{
    // Interleaving is the default; a later --benchmark_enable_random_interleaving=false turns it off.
    std::vector<char*> args(argv, argv + argc);
    char interleave[] = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + std::min(argc, 1), interleave);
    argc = int(args.size());
    argv = args.data();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    if (!kAllocatorFixed)
        std::fprintf(stderr, "warning: the allocator's thresholds could not be fixed; ratios may swing from run to run\n");
    OneSidedReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintSummary();
    benchmark::Shutdown();
    return 0;
}

}  // namespace bench
