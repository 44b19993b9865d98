#pragma once

#include <limits>

// No road, no route, not reached yet: above every time, and sums to itself.
inline constexpr double kInf = std::numeric_limits<double>::infinity();
