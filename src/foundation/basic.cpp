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
  if (!std::isfinite(value)) {
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, r.ptr);
  }
  // At most 15 significant digits, as a double holds: 29.97 with 15 decimals is 29.97, not
  // 29.969999999999999. `places` is where the 15th significant digit lies.
  char sci[32];
  const auto s = std::to_chars(sci, sci + sizeof sci, value, std::chars_format::scientific, 14);
  const char* e = std::find(sci, s.ptr, 'e');
  int exponent = 0;
  std::from_chars(e + (e[1] == '+' ? 2 : 1), s.ptr, exponent);
  const int places = 14 - exponent;
  std::string text;
  if (places >= 0) {
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed,
                                 std::min(decimals, places));
    text.assign(buf, r.ptr);
  } else {
    // Above 10^15: the 15 significant digits, then zeros up to the point.
    for (const char* p = sci; p != e; ++p)
      if (*p != '.') text += *p;
    text.append(static_cast<std::size_t>(-places), '0');
  }
  if (decimals > places && decimals > 0) {
    if (text.find('.') == std::string::npos) text += '.';
    const std::size_t have = text.size() - text.find('.') - 1;
    text.append(static_cast<std::size_t>(decimals) - have, '0');
  }
  return text;
}
