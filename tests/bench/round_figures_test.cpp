// The benchmark's figures over its rounds: the median and extremes it reports,
// the ratios it takes within each round, and the rotating order of contenders.
#include "bench/round_figures.h"

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <vector>

namespace {

TEST(RoundFigures, SpreadGivesTheMiddleValueAndTheExtremesWhateverTheOrder) {
    struct Case {
        std::vector<double> values;
        Spread expected;
    };
    const Case cases[] = {
        {{0.30, 0.10, 0.20}, {0.20, 0.10, 0.30}},
        {{5.0, 1.0, 4.0, 2.0, 3.0, 9.0, 0.5}, {3.0, 0.5, 9.0}},
        {{0.4, 0.1, 0.2, 0.3}, {0.25, 0.1, 0.4}},  // an even count: the mean of the middle two
        {{2.0, 2.0}, {2.0, 2.0, 2.0}},
        {{7.0}, {7.0, 7.0, 7.0}},
        {{}, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        Spread spread = SpreadOf(c.values);
        EXPECT_DOUBLE_EQ(spread.median, c.expected.median) << c.values.size() << " values";
        EXPECT_DOUBLE_EQ(spread.lowest, c.expected.lowest) << c.values.size() << " values";
        EXPECT_DOUBLE_EQ(spread.highest, c.expected.highest) << c.values.size() << " values";
    }
}

TEST(RoundFigures, RatiosAreTakenWithinEachRound) {
    // The median of the ratios differs from the ratio of the medians: round by round it is.
    std::vector<double> ratios = RatiosByRound({1.0, 3.0, 8.0}, {2.0, 1.0, 4.0});
    EXPECT_EQ(ratios, (std::vector<double>{0.5, 3.0, 2.0}));
    EXPECT_DOUBLE_EQ(SpreadOf(ratios).median, 2.0);
    EXPECT_THROW(RatiosByRound({1.0, 2.0}, {1.0}), std::invalid_argument);
}

TEST(RoundFigures, EachRoundRunsEveryContenderOnceStartingOneLater) {
    EXPECT_EQ(RoundOrder(0, 4), (std::vector<std::size_t>{0, 1, 2, 3}));
    EXPECT_EQ(RoundOrder(1, 4), (std::vector<std::size_t>{1, 2, 3, 0}));
    EXPECT_EQ(RoundOrder(6, 4), (std::vector<std::size_t>{2, 3, 0, 1}));
    // Over as many rounds as there are contenders, each one runs once in each place.
    for (std::size_t place = 0; place < 4; ++place) {
        std::set<std::size_t> seen;
        for (std::size_t round = 0; round < 4; ++round) seen.insert(RoundOrder(round, 4)[place]);
        EXPECT_EQ(seen.size(), 4u) << "place " << place;
    }
}

}  // namespace
