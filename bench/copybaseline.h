#pragma once

// The memory-bandwidth baseline every benchmark prints its ratios against:
// memcpy between two buffers larger than the last-level cache.
#include <benchmark/benchmark.h>

#include <QtGlobal>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>
#include <unistd.h>

// Two buffers larger than the last-level cache; each copy starts at the
// next slot so that it streams from and to memory, not cache.
class CopyBaseline
{
public:
    static CopyBaseline &instance()
    {
        static CopyBaseline b;
        return b;
    }
    void copy(size_t bytes)
    {
        if (m_offset + bytes > m_size)
            m_offset = 0;
        std::memcpy(m_dst.get() + m_offset, m_src.get() + m_offset, bytes);
        benchmark::DoNotOptimize(m_dst.get()[m_offset]);
        m_offset += (bytes + 4095) / 4096 * 4096;
    }

private:
    CopyBaseline()
    {
        long llc = sysconf(_SC_LEVEL3_CACHE_SIZE);
        if (llc <= 0)
            llc = sysconf(_SC_LEVEL2_CACHE_SIZE);
        m_size = std::clamp<size_t>(size_t(std::max<long>(llc, 0)) * 5 / 4, size_t(64) << 20, size_t(1) << 30);
        m_src.reset(new uchar[m_size]);
        m_dst.reset(new uchar[m_size]);
        std::memset(m_src.get(), 1, m_size);
        std::memset(m_dst.get(), 2, m_size);
    }
    size_t m_size = 0;
    size_t m_offset = 0;
    std::unique_ptr<uchar[]> m_src, m_dst;
};

// Keeps the seconds per iteration of every benchmark (the fastest of its
// repetitions) for the ratios printed after the table.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred || run.iterations == 0)
                continue;
            const double t = run.real_accumulated_time / double(run.iterations);
            const auto it = seconds.find(run.benchmark_name());
            if (it == seconds.end() || t < it->second)
                seconds[run.benchmark_name()] = t;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> seconds;
};
