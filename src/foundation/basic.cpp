#include "foundation/basic.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {
constexpr int kMaxFill = 50;
}

std::string Int_Format(std::int64_t value, int mode) {
  char buf[24];
  const auto r = std::to_chars(buf, buf + sizeof buf, value);
  std::string digits(buf, r.ptr);
  if (mode >= 200) {
    const bool negative = value < 0;
    const auto have = static_cast<int>(digits.size()) - (negative ? 1 : 0);
    const int fill = std::min(mode - 200 - have, kMaxFill);
    if (fill > 0) digits.insert(negative ? 1 : 0, static_cast<std::size_t>(fill), '0');
  } else if (mode > 0 && mode < 100) {
    const int fill = std::min(mode - static_cast<int>(digits.size()), kMaxFill);
    if (fill > 0) digits.insert(0, static_cast<std::size_t>(fill), ' ');
  }
  return digits;
}

std::string Float_Format(double value, int decimals) {
  decimals = std::clamp(decimals, 0, 50);
  // Fixed notation of the largest double has 309 digits before the point.
  char buf[400];
  const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
  if (r.ec != std::errc()) return {};
  return std::string(buf, r.ptr);
}
