// SPDX-License-Identifier: MIT
#pragma once

#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

// Times `count` exchanges back to back; any that fails sets `failed`.
inline double microsecondsPerExchange(const std::function<bool()> &exchange, int count,
                                      bool &failed) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < count; ++i)
        failed = !exchange() || failed;
    const std::chrono::duration<double, std::micro> block =
        std::chrono::steady_clock::now() - start;
    return block.count() / count;
}

inline double median(std::vector<double> values) {
    const auto middle = values.begin() + static_cast<long>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}
