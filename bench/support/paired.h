#pragma once
// Pairs a program operation with its baseline: the two run in turn (program, baseline, program,
// baseline …) inside one benchmark iteration each, so that a machine whose speed drifts slows
// both sides of a pair alike. Each run is timed on its own and its peak memory is taken from
// the kernel: the peak resident size is reset before the run (/proc/self/clear_refs) and read
// after it (VmHWM), less the resident size at its start, so every figure is the memory the run
// itself added. The report gives, over the pairs, the minimum and the median of the time ratio
// program ÷ baseline and of the memory figures.
//
// Environment: VELMORA_BENCH_PAIRS (default 5, at least 5 is what the figures in README use).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <malloc.h>
#include <string>
#include <vector>

namespace paired {

inline int pairs()
{
    const char *env = std::getenv("VELMORA_BENCH_PAIRS");
    const int n = env ? std::atoi(env) : 0;
    return n > 0 ? n : 5;
}

// A size from the environment, for quick runs at a smaller scale.
inline int sizeFromEnv(const char *name, int fallback)
{
    const char *env = std::getenv(name);
    const int n = env ? std::atoi(env) : 0;
    return n > 0 ? n : fallback;
}

// kB of a "Name:   123 kB" line of /proc/self/status.
inline long statusKb(const char *name)
{
    FILE *f = std::fopen("/proc/self/status", "r");
    if (!f)
        return 0;
    char line[256];
    long kb = 0;
    const size_t len = std::strlen(name);
    while (std::fgets(line, sizeof line, f)) {
        if (std::strncmp(line, name, len) == 0 && line[len] == ':') {
            kb = std::atol(line + len + 1);
            break;
        }
    }
    std::fclose(f);
    return kb;
}

struct Run
{
    double seconds = 0;
    double peakMb = 0; // peak resident memory the run added
};

// Runs work() once and measures it. Memory the allocator kept from earlier runs is given back
// first, so that it does not hide what this run needs.
inline Run measure(const std::function<void()> &work)
{
    malloc_trim(0);
    if (FILE *f = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", f); // resets the peak resident size to the current one
        std::fclose(f);
    }
    const long resting = statusKb("VmRSS");
    const auto t0 = std::chrono::steady_clock::now();
    work();
    Run r;
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    r.peakMb = double(std::max(0L, statusKb("VmHWM") - resting)) / 1024.0;
    return r;
}

inline double minOf(std::vector<double> v)
{
    return v.empty() ? 0 : *std::min_element(v.begin(), v.end());
}

inline double medianOf(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Collects the pairs of one benchmark and publishes them as counters.
class Report
{
public:
    void add(const Run &program, const Run &baseline)
    {
        m_ratio.push_back(program.seconds / std::max(1e-9, baseline.seconds));
        m_programS.push_back(program.seconds);
        m_baselineS.push_back(baseline.seconds);
        m_programMb.push_back(program.peakMb);
        m_baselineMb.push_back(baseline.peakMb);
    }

    // ratio_min, ratio_median: program time ÷ baseline time over the pairs; program_s and
    // baseline_s: median seconds; program_peak_mb and baseline_peak_mb: median peak memory
    // added by one run; mem_ratio: their quotient.
    void publish(benchmark::State &state) const
    {
        state.counters["pairs"] = double(m_ratio.size());
        state.counters["ratio_min"] = minOf(m_ratio);
        state.counters["ratio_median"] = medianOf(m_ratio);
        state.counters["program_s"] = medianOf(m_programS);
        state.counters["baseline_s"] = medianOf(m_baselineS);
        state.counters["program_peak_mb"] = medianOf(m_programMb);
        state.counters["baseline_peak_mb"] = medianOf(m_baselineMb);
        const double base = medianOf(m_baselineMb);
        if (base > 0)
            state.counters["mem_ratio"] = medianOf(m_programMb) / base;
    }

private:
    std::vector<double> m_ratio, m_programS, m_baselineS, m_programMb, m_baselineMb;
};

// One benchmark iteration per pair: `program` and then `baseline`, each after its own
// untimed `prepare` (a fresh database, say). The iteration's manual time is the program's.
inline void run(benchmark::State &state, const std::function<void()> &prepareProgram,
                const std::function<void()> &program, const std::function<void()> &prepareBaseline,
                const std::function<void()> &baseline)
{
    Report report;
    for (auto _ : state) {
        prepareProgram();
        const Run a = measure(program);
        prepareBaseline();
        const Run b = measure(baseline);
        report.add(a, b);
        state.SetIterationTime(a.seconds);
    }
    report.publish(state);
}

} // namespace paired
