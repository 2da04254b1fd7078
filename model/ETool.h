#pragma once

#include <cstdint>

// The duration tools of note entry. The values are the length in eighths, plus 10 for a rest.
enum class ETool : int32_t {
    eighth = 1,
    quarter = 2,
    half = 4,
    whole = 8,
    eighthRest = 11,
    quarterRest = 12,
    halfRest = 14,
    wholeRest = 18,
};

constexpr int32_t kRestToolOffset = 10;

constexpr bool IsRestTool(ETool tool) {
    return static_cast<int32_t>(tool) > kRestToolOffset;
}

// The length in eighths a tool enters.
constexpr int32_t ToolLength(ETool tool) {
    const int32_t nCode = static_cast<int32_t>(tool);
    return IsRestTool(tool) ? nCode - kRestToolOffset : nCode;
}
