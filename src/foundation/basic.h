#pragma once
// The two number formatters. "." is the decimal point under every locale.
#include <cstdint>
#include <string>

// Decimal digits of value ("-" for negatives) shaped by mode: below 100 filled with spaces on
// the left to a width of mode (0: no fill); 200 and above, zero-filled to mode - 200 digits
// (202 gives "07"). Fills are at most 50 characters; longer text is never cut.
std::string Int_Format(std::int64_t value, int mode = 0);

// Fixed-point text with exactly `decimals` digits after the point (0 … 50), rounded to nearest,
// without fill or grouping.
std::string Float_Format(double value, int decimals);
