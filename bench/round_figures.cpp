#include "bench/round_figures.h"

#include <algorithm>
#include <stdexcept>

Spread SpreadOf(std::vector<double> values) {
    if (values.empty()) return {};
    std::sort(values.begin(), values.end());
    std::size_t middle = values.size() / 2;
    double median =
        values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
    return {median, values.front(), values.back()};
}

std::vector<double> RatiosByRound(const std::vector<double>& numerators,
                                  const std::vector<double>& denominators) {
    if (numerators.size() != denominators.size())
        throw std::invalid_argument("one figure of each side per round");
    std::vector<double> ratios;
    for (std::size_t i = 0; i < numerators.size(); ++i)
        ratios.push_back(numerators[i] / denominators[i]);
    return ratios;
}

std::vector<std::size_t> RoundOrder(std::size_t round, std::size_t count) {
    std::vector<std::size_t> order;
    for (std::size_t position = 0; position < count; ++position)
        order.push_back((round + position) % count);
    return order;
}
