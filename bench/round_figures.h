// The benchmark's arithmetic over its rounds: the order the contenders run in
// each round, and the median and extremes of a measure taken once per round.
#pragma once

#include <cstddef>
#include <vector>

// The median of a measure over the rounds and its lowest and highest value.
struct Spread {
    double median = 0;
    double lowest = 0;
    double highest = 0;
};

// The median is the middle value, or the mean of the two middle ones for an even
// count. No values give all zeros.
Spread SpreadOf(std::vector<double> values);

// Each round's numerator divided by the same round's denominator.
std::vector<double> RatiosByRound(const std::vector<double>& numerators,
                                  const std::vector<double>& denominators);

// The contenders 0 .. count-1 in the order they run in a given round: each round
// starts one contender later than the round before, so that none always runs
// first, right after the folders of the previous round were removed.
std::vector<std::size_t> RoundOrder(std::size_t round, std::size_t count);
