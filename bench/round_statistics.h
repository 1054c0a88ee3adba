#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

// Figures from several rounds of a measurement on a shared machine.
namespace fernwick::bench {

// The fastest round: on a shared machine the slower ones measure the neighbours.
inline double Fastest(const std::vector<double>& values) {
    return *std::min_element(values.begin(), values.end());
}

// The median of the ratios of the two runs of each round: the load of a shared machine drifts,
// and the two runs of one round see nearly the same load.
inline double MedianRoundRatio(const std::vector<double>& measured,
                               const std::vector<double>& baseline) {
    std::vector<double> ratios;
    for (std::size_t round = 0; round < measured.size(); ++round) {
        ratios.push_back(measured[round] / baseline[round]);
    }
    std::sort(ratios.begin(), ratios.end());
    return ratios[ratios.size() / 2];
}

}  // namespace fernwick::bench
