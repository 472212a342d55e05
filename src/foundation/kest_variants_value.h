#pragma once
// The one tagged value of the program: var_list cells and configuration values.
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

using kest_bytes = std::vector<std::uint8_t>;

// Alternatives in kind order: empty, boolean, integer, real, string, byte array.
using kest_value =
    std::variant<std::monostate, bool, std::int64_t, double, std::string, kest_bytes>;
