#pragma once
// Small, exception-safe text operations: number and size texts, durations and clock times,
// forgiving number parsing, tokenising and hexadecimal conversion. "." is always the decimal
// point. Text positions are 1-based, as in the rest of the program's text operations.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/basic.h"
#include "foundation/kest_variants_value.h"

// Float_Format, then Float_TrimZeros when `trim` is set (15 decimals with trim: the real values
// of the configuration file).
std::string Float_ToStr(double value, int decimals, bool trim = true);
// Only for text holding ".": trailing spaces, then trailing "0", then one trailing "." removed,
// never the first character.
std::string Float_TrimZeros(std::string_view text);

// Decimal units: 1,500 bytes are "1.5" "KB"; below 1,000 (and negative) the unit is "bytes".
void Size_Split(std::int64_t bytes, std::string& number, std::string& unit);
std::string Size_ToText(std::int64_t bytes);

// "1 d, 01 h, 01 min, 01 sec" (leading parts only when non-zero), ", 250 msec" with
// milliseconds. Negative and non-finite durations count as 0.
std::string Duration_ToText(double seconds, bool with_ms = false);
// Formats: 0 "hh:mm", 1 "hh:mm:ss" (whole seconds, halves to even), 2 "hh:mm:ss.mmm", 3 whole
// seconds, 4/5/6 seconds with 1/3/6 decimals trimmed; any other format gives "".
// Clock formats 0-2 print negative values as 0; non-finite values count as 0.
std::string Time_ToText(double seconds, int format);
// Reads [[hours ":"] minutes ":"] seconds ["." fraction]; `def` for an empty text or a part
// that is not a plain unsigned integer.
double Time_FromText(std::string_view text, double def);

// From the start: a sign only as the first character, digits and the first "."; later "." are
// skipped, anything else ends it ("12.5.3kg" gives "12.53").
std::string Str_NumberPrefix(std::string_view text);
// A leading sign and the digits that follow.
std::string Str_DigitsPrefix(std::string_view text);
// Str_NumberPrefix read as a decimal number; false (and value 0) when it does not read.
bool Str_ToFloat(std::string_view text, double& value);
double Str_ToFloatDef(std::string_view text, double def);

// Skips delimiters from `position`, takes the following run of token characters and leaves
// `position` after it. Delimiters: codes 0-32 and !"$%&'()*+,./:;<=>?@[\]^{|}~. False when no
// token is left.
bool Str_NextToken(std::string_view text, std::string& token, std::size_t& position);
// The next token as an integer, or `def` when there is none or it does not read.
std::int64_t Str_NextInt(std::string_view text, std::size_t& position, std::int64_t def);
// 1-based position of `pattern` in `text` (ASCII case ignored), starting at `start` or later but
// no later than `last_start`; 0 when none or the pattern is empty.
std::size_t Str_PosText(std::string_view pattern, std::string_view text, std::size_t start,
                        std::size_t last_start = SIZE_MAX);
// The text from `position` up to the next `separator` (case ignored), position moved after it;
// without one, the rest and position = length + 1. True when position advanced.
bool Str_NextPart(std::string_view text, std::string_view separator, std::string& part,
                  std::size_t& position);

// Removes characters of codes 0-32 at both ends.
std::string Str_Trim(std::string_view text);

// ASCII letters in lower case; every other byte (UTF-8 included) unchanged.
char Char_LowerAscii(char c);
std::string Str_LowerAscii(std::string_view text);

// Equal texts when ASCII letter case is ignored (names, extensions, descriptions).
bool Str_SameText(std::string_view a, std::string_view b);

// A printf-like format: %[index:][-][width][.precision]type with types d, u, x (integers),
// f, e, g (numbers), s (strings) and %%. A bad format or an argument of the wrong kind gives
// "(error)" (reported silently).
std::string Str_FormatSafe(std::string_view format, const std::vector<kest_value>& args);

// Appends c unless the text is empty or already ends with it.
std::string Str_EnsureTrailing(std::string_view text, char c);
// item alone into an empty text, else separator and item appended.
void Str_AppendSep(std::string& text, std::string_view separator, std::string_view item);
// Surrounds with double quotes unless empty or already beginning with one.
std::string Str_Quote(std::string_view text);

// Two upper-case hexadecimal digits per byte; empty for count <= 0 or no bytes.
std::string Bin_ToHex(const void* bytes, std::ptrdiff_t count);
// Decodes min(length / 2, maximum) digit pairs into dest. Stops with false at the first bad
// pair (its byte is still written, a bad digit counting 0); true when all pairs decoded.
bool Hex_ToBin(std::string_view text, std::uint8_t* dest, std::size_t maximum);
