#include <gtest/gtest.h>

#include <clocale>
#include <cstdint>
#include <string>
#include <vector>

#include "foundation/basic.h"
#include "foundation/kest_errors.h"
#include "foundation/string_utils.h"

namespace {

TEST(NumberTexts, IntAndFloatFormats) {
  struct int_row {
    int mode;
    std::int64_t value;
    std::string text;
  };
  const int_row ints[] = {
      {202, 7, "07"},
      {202, 123, "123"},
      {203, 45, "045"},
      {202, -7, "-07"},
      {0, -42, "-42"},
      {5, 42, "   42"},
      {2, 12345, "12345"},
      {150, 3, "3"},
      {200, 0, "0"},
      {-3, 9, "9"},
      {299, 1, std::string(50, '0') + "1"},
      {0, INT64_MIN, "-9223372036854775808"},
  };
  for (const int_row& r : ints) EXPECT_EQ(Int_Format(r.value, r.mode), r.text) << r.mode;

  struct float_row {
    double value;
    int decimals;
    bool trim;
    const char* text;
  };
  const float_row floats[] = {
      {29.97, 15, true, "29.97"},
      {25, 15, true, "25"},
      {1.5, 2, false, "1.50"},
      {0.125, 2, false, "0.12"},
      {2.5, 0, false, "2"},
      {-0.5, 1, true, "-0.5"},
      {1e20, 0, false, "100000000000000000000"},
      {0, 3, true, "0"},
      {123.456, 1, false, "123.5"},
      {100, 2, true, "100"},
      // At most 15 significant digits.
      {0.1 + 0.2, 15, true, "0.3"},
      {12345678901234567.0, 0, false, "12345678901234600"},
      {-1e17, 2, false, "-100000000000000000.00"},
      {1e-20, 15, true, "0"},
      {9.999999999999998, 15, false, "10.000000000000000"},
  };
  for (const float_row& r : floats)
    EXPECT_EQ(Float_ToStr(r.value, r.decimals, r.trim), r.text) << r.value;

  struct trim_row {
    const char* in;
    const char* out;
  };
  const trim_row trims[] = {{"10.500", "10.5"}, {"10.000 ", "10"}, {"100", "100"},
                            {"0.0", "0"},       {".000", "."},     {"", ""}};
  for (const trim_row& r : trims) EXPECT_EQ(Float_TrimZeros(r.in), r.out) << r.in;
}

TEST(NumberTexts, SizesInDecimalUnits) {
  struct row {
    std::int64_t bytes;
    const char* text;
  };
  const row rows[] = {
      {999, "999 bytes"},
      {1000, "1 KB"},
      {1500, "1.5 KB"},
      {9990, "10 KB"},
      {15300, "15 KB"},
      {0, "0 bytes"},
      {-5000, "-5000 bytes"},
      {2'500'000, "2.5 MB"},
      {999'999'999, "1000 MB"},
      {7'000'000'000, "7 GB"},
      {12'345'678'901'234, "12 TB"},
  };
  for (const row& r : rows) EXPECT_EQ(Size_ToText(r.bytes), r.text) << r.bytes;
  std::string number, unit;
  Size_Split(1500, number, unit);
  EXPECT_EQ(number, "1.5");
  EXPECT_EQ(unit, "KB");
}

TEST(TimeTexts, DurationsAndClockTimes) {
  struct duration_row {
    double seconds;
    bool ms;
    const char* text;
  };
  const duration_row durations[] = {
      {0, false, "0 sec"},
      {59.999, false, "59 sec"},
      {3600, false, "1 h, 00 min, 00 sec"},
      {3725, false, "1 h, 02 min, 05 sec"},
      {90061, false, "1 d, 01 h, 01 min, 01 sec"},
      {5.25, true, "5 sec, 250 msec"},
      {61, false, "1 min, 01 sec"},
      {86400, false, "1 d, 00 h, 00 min, 00 sec"},
      {0.007, true, "0 sec, 007 msec"},
      {-3, true, "0 sec, 000 msec"},
      {std::numeric_limits<double>::quiet_NaN(), false, "0 sec"},
  };
  for (const duration_row& r : durations)
    EXPECT_EQ(Duration_ToText(r.seconds, r.ms), r.text) << r.seconds;

  struct time_row {
    int format;
    double seconds;
    const char* text;
  };
  const time_row times[] = {
      {1, 3725, "01:02:05"},
      {1, 0.5, "00:00:00"},
      {1, 1.5, "00:00:02"},
      {1, 2.5, "00:00:02"},
      {0, 3725, "01:02"},
      {0, 59.5, "00:01"},
      {2, 1.2, "00:00:01.200"},
      {2, 0.9996, "00:00:01.000"},
      {1, 360000, "100:00:00"},
      {3, 12.9, "12"},
      {4, 12.301, "12.4"},
      {4, 12.3, "12.3"},
      {4, 12, "12"},
      {5, 1.2, "1.2"},
      {5, 1.2341, "1.235"},
      {6, 0.5, "0.5"},
      {7, 1, ""},
      {-1, 1, ""},
      {1, -4, "00:00:00"},
      {3, -4.5, "-4"},
  };
  for (const time_row& r : times)
    EXPECT_EQ(Time_ToText(r.seconds, r.format), r.text) << r.format << " " << r.seconds;
}

TEST(TimeTexts, ReadingTimes) {
  struct row {
    const char* text;
    double seconds;
  };
  const row rows[] = {
      {"1:30", 90},
      {"1:02:03.5", 3723.5},
      {"x", -7},
      {"", -7},
      {"  45 ", 45},
      {"90:75", 5475},
      {"0:00:01.25", 1.25},
      {"1:30.x", 90},
      {"1:", -7},
      {":30", -7},
      {"1:2:3:4", -7},
      {"-1:00", -7},
      {"-2", -7},
      {"+5", -7},
      {"1: 30", -7},
      {"99999999999999999999999", -7},
      {"12.", 12},
      {"1.123456789012345678901", 1.123456789012345678901},
      {"007", 7},
  };
  for (const row& r : rows) EXPECT_DOUBLE_EQ(Time_FromText(r.text, -7), r.seconds) << r.text;
}

TEST(NumberParsing, PrefixesAndFloats) {
  struct row {
    const char* text;
    const char* number_prefix;
    const char* digits_prefix;
    bool reads;
    double value;
  };
  const row rows[] = {
      {"12.5.3kg", "12.53", "12", true, 12.53},
      {"-3.25 s", "-3.25", "-3", true, -3.25},
      {"+7x", "+7", "+7", true, 7},
      {"5-3", "5", "5", true, 5},  // a sign later ends the number
      {".5", ".5", "", true, 0.5},
      {"kbps", "", "", false, 0},
      {"-", "-", "-", false, 0},
      {"", "", "", false, 0},
      {" 12", "", "", false, 0},
      {"1e5", "1", "1", true, 1},
      {"29.970", "29.970", "29", true, 29.97},
  };
  for (const row& r : rows) {
    EXPECT_EQ(Str_NumberPrefix(r.text), r.number_prefix) << r.text;
    EXPECT_EQ(Str_DigitsPrefix(r.text), r.digits_prefix) << r.text;
    double v = -1;
    EXPECT_EQ(Str_ToFloat(r.text, v), r.reads) << r.text;
    EXPECT_DOUBLE_EQ(v, r.value) << r.text;
    EXPECT_DOUBLE_EQ(Str_ToFloatDef(r.text, -9), r.reads ? r.value : -9) << r.text;
  }
}

std::vector<std::string> Tokens(std::string_view text) {
  std::vector<std::string> out;
  std::string token;
  std::size_t pos = 1;
  while (Str_NextToken(text, token, pos)) out.push_back(token);
  EXPECT_EQ(pos, text.size() + 1);
  return out;
}

TEST(Tokenising, TokensIntsAndParts) {
  using v = std::vector<std::string>;
  EXPECT_EQ(Tokens("640x480, 25"), (v{"640x480", "25"}));
  EXPECT_EQ(Tokens("  Stream #0:1(eng): Video: h264"),
            (v{"Stream", "#0", "1", "eng", "Video", "h264"}));
  EXPECT_EQ(Tokens("a_b-c`d\x7f\xc3\xa9!\"@$%&'()*+,./:;<=>?[\\]^{|}~e"),
            (v{"a_b-c`d\x7f\xc3\xa9", "e"}));
  EXPECT_EQ(Tokens("29.97 fps"), (v{"29", "97", "fps"}));
  EXPECT_EQ(Tokens(""), v{});
  EXPECT_EQ(Tokens(" ,. "), v{});

  std::string token = "stale";
  std::size_t pos = 9;
  EXPECT_FALSE(Str_NextToken("abc", token, pos));
  EXPECT_EQ(token, "");

  const std::string text = "size 640x480 -12 99999999999999999999 7";
  pos = 1;
  EXPECT_EQ(Str_NextInt(text, pos, -1), -1);  // "size"
  EXPECT_EQ(Str_NextInt(text, pos, -1), -1);  // "640x480"
  EXPECT_EQ(Str_NextInt(text, pos, -1), -12);
  EXPECT_EQ(Str_NextInt(text, pos, -1), -1);  // out of range
  EXPECT_EQ(Str_NextInt(text, pos, -1), 7);
  EXPECT_EQ(Str_NextInt(text, pos, -1), -1);  // no token left

  struct pos_row {
    const char* pattern;
    const char* text;
    std::size_t start, last, found;
  };
  const pos_row positions[] = {
      {"ab", "xxABxab", 1, SIZE_MAX, 3}, {"ab", "xxABxab", 4, SIZE_MAX, 6},
      {"ab", "xxABxab", 1, 2, 0},        {"", "abc", 1, SIZE_MAX, 0},
      {"abcd", "abc", 1, SIZE_MAX, 0},   {"c", "abc", 0, SIZE_MAX, 3},
      {"c", "abc", 4, SIZE_MAX, 0},      {"\xc3\xa9", "\xc3\x89\xc3\xa9", 1, SIZE_MAX, 3},
  };
  for (const pos_row& r : positions)
    EXPECT_EQ(Str_PosText(r.pattern, r.text, r.start, r.last), r.found)
        << r.pattern << " in " << r.text;

  std::vector<std::string> parts;
  std::string part;
  pos = 1;
  const std::string list = "a AND bb and  AND";
  while (Str_NextPart(list, " and ", part, pos)) parts.push_back(part);
  EXPECT_EQ(parts, (v{"a", "bb", " AND"}));
  EXPECT_EQ(pos, list.size() + 1);
  pos = 1;
  EXPECT_FALSE(Str_NextPart("", ",", part, pos));  // nothing left: position stays at 1
  EXPECT_EQ(pos, 1u);
}

TEST(OtherStrings, SmallHelpers) {
  EXPECT_EQ(Str_EnsureTrailing("/tmp", '/'), "/tmp/");
  EXPECT_EQ(Str_EnsureTrailing("/tmp/", '/'), "/tmp/");
  EXPECT_EQ(Str_EnsureTrailing("", '/'), "");

  std::string list;
  for (const char* item : {"a", "b", "c"}) Str_AppendSep(list, ", ", item);
  EXPECT_EQ(list, "a, b, c");

  EXPECT_EQ(Str_Quote("my file"), "\"my file\"");
  EXPECT_EQ(Str_Quote("\"done"), "\"done");
  EXPECT_EQ(Str_Quote(""), "");
  EXPECT_EQ(Str_Trim("\t a b \r\n"), "a b");

  // Only ASCII letters fold; UTF-8 bytes stay as they are.
  EXPECT_EQ(Str_LowerAscii("MPEG-4 Ä.AVI"), "mpeg-4 \xC3\x84.avi");
  EXPECT_TRUE(Str_SameText("Settings", "sETTINGS"));
  EXPECT_FALSE(Str_SameText("Settings", "Setting"));
  EXPECT_FALSE(Str_SameText("\xC3\x84", "\xC3\xA4"));
  EXPECT_TRUE(Str_SameText("", ""));
}

TEST(OtherStrings, FormatSafe) {
  struct row {
    const char* format;
    std::vector<kest_value> args;
    const char* text;
  };
  const row rows[] = {
      {"app=%s&ver=%s&url_id=%s", {"clipfold", "2015", "7"}, "app=clipfold&ver=2015&url_id=7"},
      {"%d%% of %5d|%-4d|%.3d",
       {std::int64_t{50}, std::int64_t{42}, std::int64_t{7}, std::int64_t{-5}},
       "50% of    42|7   |-005"},
      {"%x %u", {std::int64_t{255}, std::int64_t{10}}, "FF 10"},
      {"%.1f %f %g", {2.25, std::int64_t{3}, 0.1}, "2.2 3.00 0.1"},
      {"%1:s %0:s %s", {"a", "b"}, "b a b"},
      {"%.2s", {"abc"}, "ab"},
      {"no fields", {}, "no fields"},
      {"%d", {"text"}, "(error)"},
      {"%s", {std::int64_t{1}}, "(error)"},
      {"%s %s", {"one"}, "(error)"},
      {"%", {}, "(error)"},
      {"%q", {"x"}, "(error)"},
      {"%99999d", {std::int64_t{1}}, "(error)"},
  };
  for (const row& r : rows) EXPECT_EQ(Str_FormatSafe(r.format, r.args), r.text) << r.format;
}

TEST(Hex, BytesToHexAndBack) {
  const std::uint8_t bytes[] = {0x00, 0x7F, 0xA5, 0xFF};
  EXPECT_EQ(Bin_ToHex(bytes, 4), "007FA5FF");
  EXPECT_EQ(Bin_ToHex(bytes, 0), "");
  EXPECT_EQ(Bin_ToHex(bytes, -1), "");
  EXPECT_EQ(Bin_ToHex(nullptr, 3), "");

  struct row {
    const char* text;
    std::size_t maximum;
    bool ok;
    std::vector<std::uint8_t> written;  // the rest of the 4-byte destination stays 0xEE
  };
  const row rows[] = {
      {"007fA5Ff", 8, true, {0x00, 0x7F, 0xA5, 0xFF}},
      {"007FA5FF", 2, true, {0x00, 0x7F}},
      {"0A1", 8, true, {0x0A}},            // an odd digit is ignored
      {"0AZ1FF", 8, false, {0x0A, 0x01}},  // bad pair written with 0, then stop
      {"G0", 8, false, {0x00}},
      {"", 8, true, {}},
  };
  for (const row& r : rows) {
    std::uint8_t out[4] = {0xEE, 0xEE, 0xEE, 0xEE};
    EXPECT_EQ(Hex_ToBin(r.text, out, r.maximum > 4 ? 4 : r.maximum), r.ok) << r.text;
    std::vector<std::uint8_t> expect = r.written;
    expect.resize(4, 0xEE);
    EXPECT_EQ(std::vector<std::uint8_t>(out, out + 4), expect) << r.text;
  }
  EXPECT_FALSE(Hex_ToBin("00", nullptr, 1));
  EXPECT_TRUE(Hex_ToBin("00", nullptr, 0));
}

// Numbers keep "." under a locale whose decimal point is a comma.
TEST(Locale, CommaLocaleChangesNothing) {
  const std::string saved = std::setlocale(LC_ALL, nullptr);
  if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "de_DE.UTF-8 is not installed";
  ASSERT_STREQ(std::localeconv()->decimal_point, ",");
  EXPECT_EQ(Float_Format(1.5, 2), "1.50");
  EXPECT_EQ(Float_ToStr(29.97, 15), "29.97");
  EXPECT_EQ(Size_ToText(1500), "1.5 KB");
  EXPECT_EQ(Time_ToText(1.2, 2), "00:00:01.200");
  EXPECT_EQ(Time_ToText(12.301, 4), "12.4");
  EXPECT_EQ(Str_FormatSafe("%.2f|%g", {2.5, 0.25}), "2.50|0.25");
  EXPECT_DOUBLE_EQ(Time_FromText("1:02:03.5", 0), 3723.5);
  EXPECT_DOUBLE_EQ(Str_ToFloatDef("29.97", 0), 29.97);
  EXPECT_DOUBLE_EQ(Str_ToFloatDef("29,97", 0), 29);
  std::setlocale(LC_ALL, saved.c_str());
}

}  // namespace
