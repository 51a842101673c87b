#pragma once

// The figures the benchmarks guard: the program's way of doing some work against a raw way of
// doing the same work. The two sides are timed in pairs, alternating which of them goes first, so
// that a change in the machine's load falls on both alike; the pairs are taken in short rounds that
// run interleaved with the rounds of the other benchmarks, so that a longer phase of load falls on
// all of them alike. Every pair gives a ratio, the median of the ratios is the figure and their
// quartiles its spread, in wall and in CPU time. Each figure ends in one line a script can read:
//   ratio NAME VALUE target OP LIMIT holds|misses

#include <functional>
#include <string>

namespace bench {

struct Side {
    std::function<void()> run;           // one operation, timed
    std::function<void()> prepare = {};  // before every run, not timed; may be empty
    std::function<void()> after = {};    // after every run, not timed; may be empty
};

enum class Clock { Wall, Cpu };

struct Ratio {
    std::string name;  // what scripts read, e.g. "czech-sort"
    std::string what;  // what the two sides do, for people
    Side ours, raw;
    std::string op = "<=";  // "<=" or ">="
    double limit = 1;
    // The clock the target is judged on: CPU time for work on one thread, wall time where waiting
    // (for the disk, for the window system) is part of the cost.
    Clock judged = Clock::Cpu;
    int pairs = 15;
};

// Registers the ratio as a benchmark of its name (so --benchmark_filter selects it); usable at
// namespace scope: const bool registered = bench::AddRatio({...});
bool AddRatio(Ratio ratio);

// The line for a figure that is not a timing (memory, for instance).
void PrintRatioLine(const std::string& name, double value, const std::string& op, double limit);

// Initialises Google Benchmark from the command line, runs the selected benchmarks and prints the
// table of ratios; answers the process exit code. The allocator's thresholds are fixed for the
// whole process (ratio.cpp), so memory figures taken afterwards see the same allocator.
int RunBenchmarks(int argc, char** argv);

}  // namespace bench
