// libFuzzer target for the configuration reader: whatever the text, reading must neither crash
// nor hang, and a tree that was read must write and read back to the same tree. Containers
// left without any value and empty strings do not come back, and reals are written with 15
// digits, so the comparison leaves out the former and compares reals by their written text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "config/config_xml.h"
#include "config/kest_config.h"
#include "config_test_dump.h"

namespace {

std::string WrittenValue(const config_node& n) {
  if (!std::holds_alternative<double>(n.value)) return DumpValue(n.value);
  config_xml_exporter exporter;
  std::string text;
  exporter.Export(config_node("r", n.value, config_kind::real), text);
  return text;
}

std::string DumpWithValues(const config_node& n) {
  std::string inner;
  for (int i = 0; i < n.ChildCount(); ++i) inner += DumpWithValues(*n.Child(i));
  const auto* s = std::get_if<std::string>(&n.value);
  if (inner.empty() && (n.kind == config_kind::none || (s != nullptr && s->empty()))) return {};
  std::string out = n.name;
  if (n.kind != config_kind::none)
    out += ":" + std::to_string(static_cast<int>(n.kind)) + "=" + WrittenValue(n);
  return out + "{" + inner + "}";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  config_node target("Config");
  config_xml_importer importer;
  importer.Import(text, target);
  if (importer.failed == importer.error_message.empty()) std::abort();

  std::string written;
  config_xml_exporter exporter;
  exporter.Export(target, written);

  config_list list("Config");
  list.LoadFromText(written);
  if (DumpWithValues(*list.root()) != DumpWithValues(target)) std::abort();

  // The settings path: header check, then lookups with names taken from the input.
  std::string file(text);
  if (config_list::StripHeader(file, "<!--", true)) list.LoadFromText(file);
  const auto path = text.substr(0, text.find('\n'));
  list.SelectPath(path.substr(0, 64), false);
  list.GetValue(path.substr(0, 32), std::int64_t{0});
  auto node = list.ReadNode(path.substr(0, 16), std::string());
  list.WriteNode(node, true);
  return 0;
}
