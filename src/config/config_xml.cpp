#include "config/config_xml.h"
#include "foundation/string_utils.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <system_error>
#include <utility>

namespace {

constexpr std::array<std::string_view, 6> type_names = {"", "bool", "int", "real", "str", "bin"};

bool IsBlank(char c) {
  return static_cast<unsigned char>(c) <= 32;
}

bool IsNameChar(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

// Characters of str values written as references: controls, '#' (so that "&#" only ever
// starts a reference), the angle brackets and every byte from 127 up.
bool NeedsEscape(unsigned char c) {
  return c < 32 || c == '#' || c == '<' || c == '>' || c >= 127;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::string Num(std::size_t n) {
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof buf, n);
  return std::string(buf, r.ptr);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool ParseInt(std::string_view s, std::int64_t& out) {
  if (!s.empty() && s.front() == '+') {
    s.remove_prefix(1);
    if (!s.empty() && s.front() == '-') return false;
  }
  if (s.empty()) return false;
  auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
  return ec == std::errc() && ptr == s.data() + s.size();
}

// A decimal number: optional sign, digits with an optional ".", optional exponent. Rejects
// "inf", "nan" and hexadecimal forms, which from_chars would otherwise take.
bool ParseReal(std::string_view s, double& out) {
  bool negative = false;
  if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  std::size_t i = 0;
  std::size_t digits = 0;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t exp_digits = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++exp_digits;
    if (exp_digits == 0) return false;
  }
  if (i != s.size()) return false;
  // from_chars takes no '+' in the exponent's place either way, but does take "e+5".
  double v = 0;
  auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::general);
  if (ec != std::errc() || ptr != s.data() + s.size()) return false;
  out = negative ? -v : v;
  return true;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Writer

void config_xml_exporter::Export(const config_node& node, std::string& text) {
  buffer.Clear();
  indent = 0;
  WriteElement(node);
  text = buffer.Text();
  buffer.Clear();
}

void config_xml_exporter::WriteElement(const config_node& node) {
  if (node.name.empty()) return;
  const auto mark = buffer.length;
  buffer.WriteChars(' ', indent);
  buffer.WriteStr("<");
  buffer.WriteStr(node.name);
  const auto kind_code = static_cast<int>(node.kind);
  if (node.kind != config_kind::none) {
    buffer.WriteStr(" type=\"");
    if (kind_code >= 0 && kind_code < static_cast<int>(type_names.size()))
      buffer.WriteStr(type_names[static_cast<std::size_t>(kind_code)]);
    buffer.WriteStr("\">");
  } else {
    buffer.WriteStr(">");
  }
  const int count = node.ChildCount();
  if (count > 0) {
    buffer.WriteStr("\r\n");
    indent += 2;
    for (int i = 0; i < count; ++i) WriteElement(*node.Child(i));
    indent -= 2;
    buffer.WriteChars(' ', indent);
  } else {
    // A value whose alternative does not match the kind writes as the kind's empty text.
    switch (node.kind) {
      case config_kind::boolean:
        if (auto* b = std::get_if<bool>(&node.value)) buffer.WriteStr(*b ? "1" : "0");
        break;
      case config_kind::integer:
        if (auto* i = std::get_if<std::int64_t>(&node.value)) WriteInt(*i);
        break;
      case config_kind::real:
        if (auto* d = std::get_if<double>(&node.value))
          WriteReal(*d);
        else if (auto* i = std::get_if<std::int64_t>(&node.value))
          WriteInt(*i);
        break;
      case config_kind::str:
        if (auto* s = std::get_if<std::string>(&node.value)) WriteEscaped(*s);
        break;
      case config_kind::bin:
        if (auto* b = std::get_if<kest_bytes>(&node.value)) WriteHex(*b);
        break;
      default:
        // Nothing at all remains of an empty container.
        buffer.SetLength(mark);
        return;
    }
  }
  buffer.WriteStr("</");
  buffer.WriteStr(node.name);
  buffer.WriteStr(">\r\n");
}

void config_xml_exporter::WriteInt(std::int64_t v) {
  // The full 64-bit value: cutting it to 32 bits would corrupt a stored number.
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  buffer.Write(buf, static_cast<int>(r.ptr - buf));
}

// 15 significant digits in fixed notation, "." always, trailing zeros and a bare "." dropped:
// 29.97 -> "29.97", 25 -> "25", 0.5 -> "0.5". Small magnitudes get as many places as their
// 15 digits need, so they are not rounded away to 0.
void config_xml_exporter::WriteReal(double v) {
  if (!std::isfinite(v)) {
    char buf[16];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    buffer.Write(buf, static_cast<int>(r.ptr - buf));
    return;
  }
  char sci[40];
  auto r = std::to_chars(sci, sci + sizeof sci, v, std::chars_format::scientific, 14);
  std::string_view s(sci, static_cast<std::size_t>(r.ptr - sci));
  std::string out;
  if (s.front() == '-') {
    out += '-';
    s.remove_prefix(1);
  }
  const auto e_pos = s.find('e');
  std::string digits;
  for (char c : s.substr(0, e_pos))
    if (c != '.') digits += c;
  int exponent = 0;
  std::string_view exp_text = s.substr(e_pos + 1);
  if (!exp_text.empty() && exp_text.front() == '+') exp_text.remove_prefix(1);
  std::from_chars(exp_text.data(), exp_text.data() + exp_text.size(), exponent);

  // Rounding up past the largest double would write a number that no longer reads.
  if (exponent == 308 && digits > "179769313486231") digits = "179769313486231";
  // digits d0 d1 ... d14 stand for d0.d1...d14 x 10^exponent.
  const int n = static_cast<int>(digits.size());
  if (exponent >= 0) {
    const int int_len = exponent + 1;
    for (int i = 0; i < int_len; ++i) out += i < n ? digits[static_cast<std::size_t>(i)] : '0';
    out += '.';
    for (int i = int_len; i < n; ++i) out += digits[static_cast<std::size_t>(i)];
  } else {
    out += "0.";
    out.append(static_cast<std::size_t>(-exponent - 1), '0');
    out += digits;
  }
  while (!out.empty() && out.back() == '0') out.pop_back();
  if (!out.empty() && out.back() == '.') out.pop_back();
  if (out == "-") out = "-0";
  buffer.WriteStr(out);
}

void config_xml_exporter::WriteEscaped(std::string_view s) {
  std::size_t run = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (!NeedsEscape(c)) continue;
    if (i > run) buffer.Write(s.data() + run, static_cast<int>(i - run));
    buffer.WriteStr("&#");
    buffer.WriteStr(Num(c));
    buffer.WriteStr(";");
    run = i + 1;
  }
  if (s.size() > run) buffer.Write(s.data() + run, static_cast<int>(s.size() - run));
}

void config_xml_exporter::WriteHex(const kest_bytes& bytes) {
  static constexpr char hex[] = "0123456789ABCDEF";
  constexpr std::size_t line_bytes = 64;
  const bool multi_line = bytes.size() > line_bytes;
  char line[line_bytes * 2];
  for (std::size_t start = 0; start < bytes.size(); start += line_bytes) {
    if (multi_line) {
      buffer.WriteStr("\r\n");
      buffer.WriteChars(' ', indent + 2);
    }
    const std::size_t end = std::min(bytes.size(), start + line_bytes);
    std::size_t k = 0;
    for (std::size_t i = start; i < end; ++i) {
      line[k++] = hex[bytes[i] >> 4];
      line[k++] = hex[bytes[i] & 15];
    }
    buffer.Write(line, static_cast<int>(k));
  }
  if (multi_line) {
    buffer.WriteStr("\r\n");
    buffer.WriteChars(' ', indent);
  }
}

// ---------------------------------------------------------------------------------------------
// Reader

void config_xml_importer::Error(std::string message) {
  failed = true;
  error_message = std::move(message);
}

std::string config_xml_importer::Unescape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const auto amp = text.find("&#", i);
    if (amp == std::string_view::npos) {
      out.append(text.substr(i));
      break;
    }
    out.append(text.substr(i, amp - i));
    const auto semi = text.find(';', amp + 2);
    if (semi == std::string_view::npos) {
      Error("Invalid escape sequence. Pos: " + Num(text.size() + 1));
      return {};
    }
    const std::string_view digits = text.substr(amp + 2, semi - amp - 2);
    unsigned code = 0;
    auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), code);
    if (digits.empty() || ec != std::errc() || ptr != digits.data() + digits.size() || code > 255) {
      Error("Invalid escape code. Pos: " + Num(semi + 1));
      return {};
    }
    out += static_cast<char>(static_cast<unsigned char>(code));
    i = semi + 1;
  }
  return out;
}

bool config_xml_importer::ParseValue(config_kind kind, std::string_view text, kest_value& out) {
  if (text.empty()) return false;
  switch (kind) {
    case config_kind::str:
      out = Unescape(text);
      return true;
    case config_kind::boolean: {
      const auto t = Trim(text);
      if (t == "1" || t == "0") {
        out = t == "1";
        return true;
      }
      return false;
    }
    case config_kind::integer: {
      std::int64_t v = 0;
      if (!ParseInt(Trim(text), v)) return false;
      out = v;
      return true;
    }
    case config_kind::real: {
      double v = 0;
      if (!ParseReal(Trim(text), v)) return false;
      out = v;
      return true;
    }
    default:
      // Unknown type names: the value does not read and is dropped.
      return false;
  }
}

bool config_xml_importer::ParseHex(std::string_view text, kest_bytes& out) {
  std::string digits;
  digits.reserve(text.size());
  for (char c : text) {
    if (c == '\t' || c == '\n' || c == '\r' || c == ' ') continue;
    // Letters beyond F never come from the writer; they make the value unreadable instead of
    // being decoded into wrong bytes.
    if (HexDigit(c) < 0) {
      Error("Invalid char detected in \"" + std::string(text) + "\"");
      return false;
    }
    digits += c;
  }
  if (digits.empty()) return false;
  if (digits.size() % 2 != 0) {
    Error("Odd number of hex characters detected");
    return false;
  }
  out.resize(digits.size() / 2);
  for (std::size_t i = 0; i < out.size(); ++i)
    out[i] = static_cast<std::uint8_t>(HexDigit(digits[2 * i]) * 16 + HexDigit(digits[2 * i + 1]));
  return true;
}

void config_xml_importer::Import(std::string_view text, config_node& target) {
  failed = false;
  error_message.clear();
  target.DeleteChildren(0, target.ChildCount());

  const std::size_t len = text.size();
  std::size_t p = 0;  // 0-based; messages give p + 1
  auto at = [&](std::size_t i) { return i < len ? text[i] : '\0'; };
  auto parser_error = [&](std::size_t i) { Error("Parser error at position " + Num(i + 1)); };
  auto skip_blanks = [&] {
    while (p < len && IsBlank(text[p])) ++p;
  };
  auto read_name = [&] {
    const auto start = p;
    while (p < len && IsNameChar(text[p])) ++p;
    return text.substr(start, p - start);
  };
  auto closing_name_error = [&](std::string_view expected, std::string_view got) {
    Error("Closing name invalid. Expected \"" + std::string(expected) + "\", got \"" +
          std::string(got) + "\". Pos: " + Num(p + 1));
  };

  config_node* cur = &target;
  int depth = 0;
  bool first = true;
  while (p < len) {
    const auto lt = text.find('<', p);
    p = lt == std::string_view::npos ? len : lt + 1;

    if (p < len && text[p] == '/') {
      // Closing tag of a container.
      ++p;
      if (p >= len) return parser_error(p);
      const auto name = read_name();
      if (!Str_SameText(name, cur->name)) return closing_name_error(cur->name, name);
      if (at(p) != '>') return parser_error(p);
      if (cur == &target) return;
      config_node* up = cur->ParentNode();
      if (up == nullptr) return;
      cur = up;
      --depth;
      continue;
    }

    skip_blanks();
    const auto name = read_name();
    if (name.empty()) return parser_error(p);
    skip_blanks();

    int kind_code = 0;
    if (at(p) != '>') {
      const auto t = text.find("type", p);
      if (t == std::string_view::npos) return Error("Value without type. Pos: " + Num(len + 1));
      p = t + 4;
      skip_blanks();
      if (at(p) != '=') return parser_error(p);
      ++p;
      skip_blanks();
      if (at(p) != '"') return parser_error(p);
      ++p;
      const auto q = text.find('"', p);
      if (q == std::string_view::npos) return parser_error(len);
      const auto type_name = text.substr(p, q - p);
      p = q + 1;
      if (p >= len) return parser_error(len);
      kind_code = -1;
      for (std::size_t k = 0; k < type_names.size(); ++k)
        if (Str_SameText(type_name, type_names[k])) kind_code = static_cast<int>(k);
      const auto gt = text.find('>', p);
      if (gt == std::string_view::npos || gt + 1 >= len) return parser_error(len);
      p = gt + 1;
    }

    if (kind_code == 0) {
      // Untyped element: the first one stands for the target itself.
      if (first) {
        first = false;
        continue;
      }
      if (depth >= max_depth) return parser_error(p);
      cur = cur->AppendChild(std::make_unique<config_node>(name));
      ++depth;
      continue;
    }

    // Typed element: the value text runs to the next "<" that does not open a comment.
    std::string value_text;
    for (;;) {
      const auto next = text.find('<', p);
      if (next == std::string_view::npos) {
        value_text.append(text.substr(p));
        p = len;
        break;
      }
      value_text.append(text.substr(p, next - p));
      p = next;
      if (text.substr(p, 4) != "<!--") break;
      const auto end = text.find("-->", p + 4);
      if (end == std::string_view::npos) {
        // An unclosed comment runs to the end of the text; the missing closing tag below
        // records the parser error.
        p = len;
        break;
      }
      p = end + 3;
    }

    if (kind_code == static_cast<int>(config_kind::bin)) {
      kest_bytes bytes;
      if (ParseHex(value_text, bytes))
        cur->AppendChild(std::make_unique<config_node>(name, std::move(bytes), config_kind::bin));
    } else {
      kest_value v;
      if (ParseValue(static_cast<config_kind>(kind_code), value_text, v)) {
        const auto k = config_node::KindOfValue(v);
        cur->AppendChild(std::make_unique<config_node>(name, std::move(v), k));
      }
    }

    // Closing tag of the typed element.
    if (p >= len) return parser_error(len);
    ++p;
    if (at(p) != '/') return parser_error(p);
    ++p;
    if (p >= len) return parser_error(len);
    const auto closing = read_name();
    if (!Str_SameText(closing, name)) return closing_name_error(name, closing);
    if (at(p) != '>') return parser_error(p);
  }
  // Ran off the end before the target's closing tag.
  parser_error(len);
}
