#pragma once
// A compact, exact text of a configuration subtree for comparisons in tests:
//   name[:kind=value]{children}   e.g.  Config{Settings{Id:int=12,Play:bool=1}}
#include <charconv>
#include <string>

#include "config/kest_config.h"

inline std::string DumpValue(const kest_value& v) {
  char buf[64];
  switch (v.index()) {
    case 0:
      return "empty";
    case 1:
      return std::get<bool>(v) ? "1" : "0";
    case 2: {
      auto r = std::to_chars(buf, buf + sizeof buf, std::get<std::int64_t>(v));
      return "i" + std::string(buf, r.ptr);
    }
    case 3: {
      auto r = std::to_chars(buf, buf + sizeof buf, std::get<double>(v));
      return "d" + std::string(buf, r.ptr);
    }
    case 4: {
      std::string out = "'";
      for (unsigned char c : std::get<std::string>(v)) {
        if (c >= 32 && c < 127 && c != '\\' && c != '\'') {
          out += static_cast<char>(c);
        } else {
          static constexpr char hex[] = "0123456789ABCDEF";
          out += "\\";
          out += hex[c >> 4];
          out += hex[c & 15];
        }
      }
      return out + "'";
    }
    default: {
      std::string out = "x";
      static constexpr char hex[] = "0123456789ABCDEF";
      for (auto b : std::get<kest_bytes>(v)) {
        out += hex[b >> 4];
        out += hex[b & 15];
      }
      return out;
    }
  }
}

// Containers show no value; typed nodes show kind code and value.
inline std::string Dump(const config_node& n) {
  std::string out = n.name;
  if (n.kind != config_kind::none)
    out += ":" + std::to_string(static_cast<int>(n.kind)) + "=" + DumpValue(n.value);
  if (n.ChildCount() > 0) {
    out += "{";
    for (int i = 0; i < n.ChildCount(); ++i) {
      if (i > 0) out += ",";
      out += Dump(*n.Child(i));
    }
    out += "}";
  }
  return out;
}
