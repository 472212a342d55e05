#pragma once
// The text form of the configuration tree: one element per node, a `type` attribute naming the
// value kind, the value as element text. The reader is a small scanner for what the writer
// produces (plus some slack), not a general XML parser.
#include <string>
#include <string_view>

#include "config/kest_config.h"
#include "foundation/kest_classes.h"

class config_xml_exporter {
 public:
  string_buffer buffer;
  int indent = 0;

  // Writes `node` with its subtree into `text` (CR LF line ends, two spaces per level).
  void Export(const config_node& node, std::string& text);

 private:
  void WriteElement(const config_node& node);
  void WriteEscaped(std::string_view s);
  void WriteHex(const kest_bytes& bytes);
  void WriteReal(double v);
  void WriteInt(std::int64_t v);
};

class config_xml_importer {
 public:
  bool failed = false;
  std::string error_message;

  // Replaces the children of `target` by the elements read from `text`. Structural errors
  // stop the reading (what was read stays); value errors drop the value and reading goes on.
  // Only the last error message is kept.
  void Import(std::string_view text, config_node& target);

  // Containers nested deeper than this below the target end the reading with a parser error,
  // so that a hostile file cannot build a tree too deep to free or write.
  static constexpr int max_depth = 1000;

 private:
  void Error(std::string message);
  bool ParseValue(config_kind kind, std::string_view text, kest_value& out);
  bool ParseHex(std::string_view text, kest_bytes& out);
  std::string Unescape(std::string_view text);
};
