#pragma once

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <functional>
#include <vector>

// Rounds of a measurement on a shared machine, and the figures taken from them.
namespace fernwick::bench {

// Writes over more memory than any CPU's caches hold, so that the run after it starts from memory
// as a lookup in a host does, whatever the size of its input: a small input would otherwise be
// measured from the caches the round before left it in, and a large one from memory.
inline void EvictCpuCaches() {
    static std::vector<unsigned char> sweep(std::size_t{256} << 20);
    for (std::size_t at = 0; at < sweep.size(); at += 64) ++sweep[at];
}

inline double SecondsOf(const std::function<void()>& run) {
    const auto start = std::chrono::steady_clock::now();
    run();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The seconds of each round's run of the code measured and of its baseline.
struct RoundTimes {
    std::vector<double> measured;
    std::vector<double> baseline;
};

// Runs both once a round, each from cold caches; the order alternates between rounds so that
// neither always runs on a warmer machine.
inline RoundTimes TimeInRounds(int rounds, const std::function<void()>& measured,
                               const std::function<void()>& baseline) {
    RoundTimes times;
    const auto time = [](const std::function<void()>& run, std::vector<double>& into) {
        EvictCpuCaches();
        into.push_back(SecondsOf(run));
    };
    for (int round = 0; round < rounds; ++round) {
        if (round % 2 == 0) {
            time(measured, times.measured);
            time(baseline, times.baseline);
        } else {
            time(baseline, times.baseline);
            time(measured, times.measured);
        }
    }
    return times;
}

// The fastest round: on a shared machine the slower ones measure the neighbours.
inline double Fastest(const std::vector<double>& values) {
    return *std::min_element(values.begin(), values.end());
}

// The median of the ratios of the two runs of each round: the load of a shared machine drifts,
// and the two runs of one round see nearly the same load.
inline double MedianRoundRatio(const RoundTimes& times) {
    std::vector<double> ratios;
    for (std::size_t round = 0; round < times.measured.size(); ++round) {
        ratios.push_back(times.measured[round] / times.baseline[round]);
    }
    std::sort(ratios.begin(), ratios.end());
    return ratios[ratios.size() / 2];
}

}  // namespace fernwick::bench
