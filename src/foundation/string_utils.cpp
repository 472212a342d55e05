#include "foundation/string_utils.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <stdexcept>

#include "foundation/kest_errors.h"

namespace {

char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Seconds brought into a range where whole seconds fit an integer; NaN counts as 0.
double SaneSeconds(double seconds) {
  if (!(seconds == seconds)) return 0;
  return std::clamp(seconds, -1e15, 1e15);
}

std::string TwoDigits(std::int64_t v) {
  return Int_Format(v, 202);
}

// A plain run of digits (no sign, no spaces) as an integer; false when it does not read.
bool ReadUnsigned(std::string_view s, std::int64_t& out) {
  if (s.empty() || !std::all_of(s.begin(), s.end(), IsDigit)) return false;
  const auto r = std::from_chars(s.data(), s.data() + s.size(), out);
  return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

bool IsDelimiter(unsigned char c) {
  if (c <= 32) return true;
  switch (c) {
    case '!':
    case '"':
    case '$':
    case '%':
    case '&':
    case '\'':
    case '(':
    case ')':
    case '*':
    case '+':
    case ',':
    case '.':
    case '/':
    case ':':
    case ';':
    case '<':
    case '=':
    case '>':
    case '?':
    case '@':
    case '[':
    case '\\':
    case ']':
    case '^':
    case '{':
    case '|':
    case '}':
    case '~':
      return true;
    default:
      return false;
  }
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::string Float_ToStr(double value, int decimals, bool trim) {
  std::string text = Float_Format(value, decimals);
  return trim ? Float_TrimZeros(text) : text;
}

std::string Float_TrimZeros(std::string_view text) {
  if (text.find('.') == std::string_view::npos) return std::string(text);
  std::size_t n = text.size();
  while (n > 1 && text[n - 1] == ' ') --n;
  while (n > 1 && text[n - 1] == '0') --n;
  if (n > 1 && text[n - 1] == '.') --n;
  return std::string(text.substr(0, n));
}

void Size_Split(std::int64_t bytes, std::string& number, std::string& unit) {
  struct step {
    std::int64_t divisor;
    const char* unit;
  };
  static constexpr step kSteps[] = {
      {1'000'000'000'000, "TB"}, {1'000'000'000, "GB"}, {1'000'000, "MB"}, {1'000, "KB"}};
  double quotient = static_cast<double>(bytes);
  unit = "bytes";
  for (const step& s : kSteps) {
    if (bytes >= s.divisor) {
      quotient = static_cast<double>(bytes) / static_cast<double>(s.divisor);
      unit = s.unit;
      break;
    }
  }
  const int decimals = (bytes >= 1000 && quotient < 10) ? 1 : 0;
  number = Float_TrimZeros(Float_Format(quotient, decimals));
}

std::string Size_ToText(std::int64_t bytes) {
  std::string number, unit;
  Size_Split(bytes, number, unit);
  return number + " " + unit;
}

std::string Duration_ToText(double seconds, bool with_ms) {
  seconds = std::max(SaneSeconds(seconds), 0.0);
  const double whole_seconds = std::trunc(seconds);
  auto rest = static_cast<std::int64_t>(whole_seconds);
  const std::int64_t days = rest / 86400;
  rest %= 86400;
  const std::int64_t hours = rest / 3600;
  rest %= 3600;
  const std::int64_t minutes = rest / 60;
  const std::int64_t secs = rest % 60;

  std::string text;
  bool shown = false;
  const auto part = [&](std::int64_t v, const char* unit) {
    if (shown) text += ", ";
    text += shown ? TwoDigits(v) : Int_Format(v);
    text += unit;
    shown = true;
  };
  if (days > 0) part(days, " d");
  if (shown || hours > 0) part(hours, " h");
  if (shown || minutes > 0) part(minutes, " min");
  part(secs, " sec");
  if (with_ms) {
    const auto ms = static_cast<std::int64_t>(std::trunc((seconds - whole_seconds) * 1000));
    text += ", " + Int_Format(std::clamp<std::int64_t>(ms, 0, 999), 203) + " msec";
  }
  return text;
}

std::string Time_ToText(double seconds, int format) {
  seconds = SaneSeconds(seconds);
  const auto clock = [](std::int64_t whole, bool with_seconds) {
    std::string text = TwoDigits(whole / 3600) + ":" + TwoDigits(whole / 60 % 60);
    if (with_seconds) text += ":" + TwoDigits(whole % 60);
    return text;
  };
  switch (format) {
    case 0:
    case 1:
      return clock(static_cast<std::int64_t>(std::nearbyint(std::max(seconds, 0.0))), format == 1);
    case 2: {
      const double x = std::max(seconds, 0.0) + 0.0004999;
      const double whole = std::trunc(x);
      const auto ms = static_cast<std::int64_t>(std::trunc((x - whole) * 1000));
      return clock(static_cast<std::int64_t>(whole), true) + "." +
             Int_Format(std::clamp<std::int64_t>(ms, 0, 999), 203);
    }
    case 3:
      return Int_Format(static_cast<std::int64_t>(std::trunc(seconds)));
    case 4:
      return Float_ToStr(seconds + 0.04999, 1, true);
    case 5:
      return Float_ToStr(seconds + 0.0004999, 3, true);
    case 6:
      return Float_ToStr(seconds + 0.0000004999, 6, true);
    default:
      return {};
  }
}

double Time_FromText(std::string_view text, double def) {
  const std::string trimmed = Str_Trim(text);
  std::string_view rest = trimmed;
  if (rest.empty()) return def;

  std::string_view fraction;
  const std::size_t dot = rest.find('.');
  if (dot != std::string_view::npos) {
    fraction = rest.substr(dot + 1);
    rest = rest.substr(0, dot);
  }
  std::string_view parts[3];
  int count = 0;
  while (true) {
    const std::size_t colon = rest.find(':');
    if (count == 3) return def;
    if (colon == std::string_view::npos) {
      parts[count++] = rest;
      break;
    }
    parts[count++] = rest.substr(0, colon);
    rest = rest.substr(colon + 1);
  }
  double result = 0;
  for (int i = 0; i < count; ++i) {
    std::int64_t v = 0;
    if (!ReadUnsigned(parts[i], v)) return def;
    result = result * 60 + static_cast<double>(v);
  }
  if (!fraction.empty() && std::all_of(fraction.begin(), fraction.end(), IsDigit)) {
    const std::string f = "0." + std::string(fraction);
    double value = 0;
    if (std::from_chars(f.data(), f.data() + f.size(), value).ec == std::errc()) result += value;
  }
  return result;
}

std::string Str_NumberPrefix(std::string_view text) {
  std::string out;
  bool dot = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (IsDigit(c)) {
      out += c;
    } else if ((c == '-' || c == '+') && i == 0) {
      out += c;
    } else if (c == '.') {
      if (!dot) out += c;
      dot = true;
    } else {
      break;
    }
  }
  return out;
}

std::string Str_DigitsPrefix(std::string_view text) {
  std::size_t n = (!text.empty() && (text[0] == '-' || text[0] == '+')) ? 1 : 0;
  while (n < text.size() && IsDigit(text[n])) ++n;
  return std::string(text.substr(0, n));
}

bool Str_ToFloat(std::string_view text, double& value) {
  const std::string prefix = Str_NumberPrefix(text);
  std::string_view s = prefix;
  // from_chars takes "-" but not "+".
  if (!s.empty() && s[0] == '+') s.remove_prefix(1);
  double v = 0;
  const auto r = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::fixed);
  if (s.empty() || r.ec != std::errc() || r.ptr != s.data() + s.size()) {
    value = 0;
    return false;
  }
  value = v;
  return true;
}

double Str_ToFloatDef(std::string_view text, double def) {
  double v = 0;
  return Str_ToFloat(text, v) ? v : def;
}

bool Str_NextToken(std::string_view text, std::string& token, std::size_t& position) {
  token.clear();
  if (position == 0) position = 1;
  if (position > text.size()) return false;
  std::size_t i = position - 1;
  while (i < text.size() && IsDelimiter(static_cast<unsigned char>(text[i]))) ++i;
  const std::size_t start = i;
  while (i < text.size() && !IsDelimiter(static_cast<unsigned char>(text[i]))) ++i;
  token.assign(text.substr(start, i - start));
  position = i + 1;
  return !token.empty();
}

std::int64_t Str_NextInt(std::string_view text, std::size_t& position, std::int64_t def) {
  std::string token;
  if (!Str_NextToken(text, token, position)) return def;
  std::int64_t v = 0;
  const auto r = std::from_chars(token.data(), token.data() + token.size(), v);
  return (r.ec == std::errc() && r.ptr == token.data() + token.size()) ? v : def;
}

std::size_t Str_PosText(std::string_view pattern, std::string_view text, std::size_t start,
                        std::size_t last_start) {
  if (pattern.empty() || pattern.size() > text.size()) return 0;
  start = std::max<std::size_t>(start, 1);
  last_start = std::min(last_start, text.size() - pattern.size() + 1);
  for (std::size_t p = start; p <= last_start; ++p) {
    bool match = true;
    for (std::size_t k = 0; k < pattern.size() && match; ++k)
      match = AsciiLower(text[p - 1 + k]) == AsciiLower(pattern[k]);
    if (match) return p;
  }
  return 0;
}

bool Str_NextPart(std::string_view text, std::string_view separator, std::string& part,
                  std::size_t& position) {
  const std::size_t old = position;
  const std::size_t from = std::max<std::size_t>(position, 1);
  const std::size_t found = Str_PosText(separator, text, from);
  if (found != 0) {
    part.assign(text.substr(from - 1, found - from));
    position = found + separator.size();
  } else {
    part.assign(from <= text.size() ? text.substr(from - 1) : std::string_view());
    position = text.size() + 1;
  }
  return position > old;
}

std::string Str_Trim(std::string_view text) {
  std::size_t b = 0, e = text.size();
  while (b < e && static_cast<unsigned char>(text[b]) <= 32) ++b;
  while (e > b && static_cast<unsigned char>(text[e - 1]) <= 32) --e;
  return std::string(text.substr(b, e - b));
}

namespace {

struct format_spec {
  bool left = false;
  int width = -1;
  int precision = -1;
  char type = 0;
};

[[noreturn]] void FormatFail(const char* why) {
  throw std::invalid_argument(why);
}

int ReadFormatNumber(std::string_view f, std::size_t& i) {
  int v = 0;
  bool any = false;
  while (i < f.size() && IsDigit(f[i])) {
    v = v * 10 + (f[i] - '0');
    if (v > 1000) FormatFail("Format width too large");
    ++i;
    any = true;
  }
  return any ? v : -1;
}

std::int64_t IntArg(const kest_value& v) {
  if (const auto* i = std::get_if<std::int64_t>(&v)) return *i;
  FormatFail("Format argument is not an integer");
}

double NumberArg(const kest_value& v) {
  if (const auto* d = std::get_if<double>(&v)) return *d;
  if (const auto* i = std::get_if<std::int64_t>(&v)) return static_cast<double>(*i);
  FormatFail("Format argument is not a number");
}

std::string FormatOne(const format_spec& s, const kest_value& arg) {
  char buf[400];
  std::to_chars_result r{};
  switch (s.type) {
    case 'd':
    case 'u':
    case 'x': {
      const std::int64_t v = IntArg(arg);
      const bool negative = s.type == 'd' && v < 0;
      std::string digits;
      if (s.type == 'd') {
        r = std::to_chars(buf, buf + sizeof buf, v);
      } else {
        r = std::to_chars(buf, buf + sizeof buf, static_cast<std::uint64_t>(v),
                          s.type == 'x' ? 16 : 10);
      }
      digits.assign(buf + (negative ? 1 : 0), r.ptr);
      if (s.type == 'x')
        std::transform(digits.begin(), digits.end(), digits.begin(),
                       [](char c) { return (c >= 'a' && c <= 'f') ? c - 'a' + 'A' : c; });
      if (s.precision > static_cast<int>(digits.size()))
        digits.insert(0, static_cast<std::size_t>(s.precision) - digits.size(), '0');
      return negative ? "-" + digits : digits;
    }
    case 'f':
      return Float_Format(NumberArg(arg), s.precision < 0 ? 2 : s.precision);
    case 'e':
      r = std::to_chars(buf, buf + sizeof buf, NumberArg(arg), std::chars_format::scientific,
                        std::clamp(s.precision < 0 ? 14 : s.precision - 1, 0, 50));
      return std::string(buf, r.ptr);
    case 'g':
      r = std::to_chars(buf, buf + sizeof buf, NumberArg(arg), std::chars_format::general,
                        std::clamp(s.precision < 0 ? 15 : s.precision, 1, 50));
      return std::string(buf, r.ptr);
    case 's': {
      const auto* str = std::get_if<std::string>(&arg);
      if (!str) FormatFail("Format argument is not a string");
      if (s.precision >= 0 && static_cast<std::size_t>(s.precision) < str->size())
        return str->substr(0, static_cast<std::size_t>(s.precision));
      return *str;
    }
    default:
      FormatFail("Unknown format type");
  }
}

std::string FormatText(std::string_view f, const std::vector<kest_value>& args) {
  std::string out;
  std::size_t next_arg = 0;
  for (std::size_t i = 0; i < f.size();) {
    const std::size_t pct = f.find('%', i);
    if (pct == std::string_view::npos) {
      out.append(f.substr(i));
      break;
    }
    out.append(f.substr(i, pct - i));
    i = pct + 1;
    if (i < f.size() && f[i] == '%') {
      out += '%';
      ++i;
      continue;
    }
    format_spec s;
    std::size_t mark = i;
    const int index = ReadFormatNumber(f, i);
    if (index >= 0 && i < f.size() && f[i] == ':') {
      next_arg = static_cast<std::size_t>(index);
      ++i;
    } else {
      i = mark;
    }
    if (i < f.size() && f[i] == '-') {
      s.left = true;
      ++i;
    }
    s.width = ReadFormatNumber(f, i);
    if (i < f.size() && f[i] == '.') {
      ++i;
      s.precision = ReadFormatNumber(f, i);
      if (s.precision < 0) FormatFail("Format precision missing");
    }
    if (i >= f.size()) FormatFail("Format ends inside a field");
    s.type = AsciiLower(f[i++]);
    if (next_arg >= args.size()) FormatFail("Format argument missing");
    std::string field = FormatOne(s, args[next_arg++]);
    if (s.width > static_cast<int>(field.size())) {
      const std::string pad(static_cast<std::size_t>(s.width) - field.size(), ' ');
      field = s.left ? field + pad : pad + field;
    }
    out += field;
  }
  return out;
}

}  // namespace

std::string Str_FormatSafe(std::string_view format, const std::vector<kest_value>& args) {
  try {
    return FormatText(format, args);
  } catch (...) {
    std::string message;
    ReportError(false, "Str_FormatSafe", "string_utils.cpp", message, "");
    return "(error)";
  }
}

std::string Str_EnsureTrailing(std::string_view text, char c) {
  std::string out(text);
  if (!out.empty() && out.back() != c) out += c;
  return out;
}

void Str_AppendSep(std::string& text, std::string_view separator, std::string_view item) {
  if (!text.empty()) text.append(separator);
  text.append(item);
}

std::string Str_Quote(std::string_view text) {
  if (text.empty() || text[0] == '"') return std::string(text);
  std::string out;
  out.reserve(text.size() + 2);
  out.append(1, '"').append(text).append(1, '"');
  return out;
}

std::string Bin_ToHex(const void* bytes, std::ptrdiff_t count) {
  if (!bytes || count <= 0) return {};
  static constexpr char kDigits[] = "0123456789ABCDEF";
  const auto* p = static_cast<const std::uint8_t*>(bytes);
  std::string out(static_cast<std::size_t>(count) * 2, '0');
  for (std::size_t i = 0; i < static_cast<std::size_t>(count); ++i) {
    out[2 * i] = kDigits[p[i] >> 4];
    out[2 * i + 1] = kDigits[p[i] & 0x0F];
  }
  return out;
}

bool Hex_ToBin(std::string_view text, std::uint8_t* dest, std::size_t maximum) {
  try {
    const std::size_t pairs = std::min(text.size() / 2, maximum);
    if (pairs > 0 && !dest) throw std::invalid_argument("No destination for the bytes");
    for (std::size_t i = 0; i < pairs; ++i) {
      const int hi = HexDigit(text[2 * i]), lo = HexDigit(text[2 * i + 1]);
      dest[i] = static_cast<std::uint8_t>((std::max(hi, 0) << 4) | std::max(lo, 0));
      if (hi < 0 || lo < 0) return false;
    }
    return true;
  } catch (...) {
    std::string message;
    ReportError(false, "Hex_ToBin", "string_utils.cpp", message, "");
    return false;
  }
}

char Char_LowerAscii(char c) {
  return AsciiLower(c);
}

std::string Str_LowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = AsciiLower(c);
  return out;
}

bool Str_SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}
