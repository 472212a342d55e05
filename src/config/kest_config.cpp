#include "config/kest_config.h"

#include <utility>

#include "config/config_xml.h"
#include "foundation/string_utils.h"

// ---------------------------------------------------------------------------------------------
// config_node

config_node::config_node(std::string_view node_name)
    : name(node_name), kind(config_kind::none), value(std::int64_t{0}) {}

config_node::config_node(std::string_view node_name, kest_value node_value, config_kind node_kind)
    : name(node_name), kind(node_kind), value(std::move(node_value)) {}

void config_node::SetData(std::string_view node_name, kest_value node_value,
                          config_kind node_kind) {
  name = node_name;
  value = std::move(node_value);
  kind = node_kind;
}

void config_node::SetNameValue(std::string_view node_name, kest_value node_value) {
  const auto k = KindOfValue(node_value);
  SetData(node_name, std::move(node_value), k);
}

void config_node::SetValue(const kest_value& new_value) {
  if (kind == config_kind::none) {
    kind = KindOfValue(new_value);
    value = new_value;
  } else if (KindsCompatible(KindOfValue(new_value), kind)) {
    value = new_value;
  }
}

int config_node::IndexOfChild(std::string_view child_name) const {
  if (child_name.empty()) return -1;
  const int count = ChildCount();
  for (int i = 0; i < count; ++i)
    if (Str_SameText(Child(i)->name, child_name)) return i;
  return -1;
}

config_node* config_node::Child(int index) const {
  return static_cast<config_node*>(children[static_cast<std::size_t>(index)].get());
}

config_node* config_node::ParentNode() const {
  return static_cast<config_node*>(parent);
}

config_node* config_node::AppendChild(std::unique_ptr<config_node> child) {
  config_node* raw = child.get();
  InsertChild(ChildCount(), std::move(child));
  return raw;
}

void config_node::ResetData() {
  kind = config_kind::none;
  value = kest_value{};
}

void config_node::Assign(const base_node& source, bool deep) {
  base_node::Assign(source, deep);
  if (auto* src = dynamic_cast<const config_node*>(&source)) {
    name = src->name;
    kind = src->kind;
    value = src->value;
  }
}

std::unique_ptr<base_node> config_node::NewInstance() const {
  return std::make_unique<config_node>();
}

config_kind config_node::KindOfValue(const kest_value& v) {
  switch (v.index()) {
    case 1:
      return config_kind::boolean;
    case 2:
      return config_kind::integer;
    case 3:
      return config_kind::real;
    case 4:
      return config_kind::str;
    case 5:
      return config_kind::bin;
    default:
      return config_kind::none;
  }
}

bool config_node::KindsCompatible(config_kind value_kind, config_kind node_kind) {
  switch (value_kind) {
    case config_kind::boolean:
      return node_kind == config_kind::boolean;
    case config_kind::integer:
      return node_kind == config_kind::integer || node_kind == config_kind::real;
    case config_kind::real:
      return node_kind == config_kind::real;
    case config_kind::str:
      return node_kind == config_kind::str;
    default:
      // Binary values and empty values are accepted by no kind.
      return false;
  }
}

// ---------------------------------------------------------------------------------------------
// config_list

config_list::config_list(std::string_view root_name)
    : root_(std::make_unique<config_node>(root_name)), cursor_(root_.get()) {}

config_list::~config_list() = default;

void config_list::Clear() {
  root_->DeleteChildren(0, root_->ChildCount());
  cursor_ = root_.get();
}

config_node* config_list::FindNode(std::string_view path, bool create, bool& created) {
  created = false;
  if (path.empty()) return nullptr;
  config_node* node = cursor_;
  if (path.front() == '/') {
    node = root_.get();
    path.remove_prefix(1);
  }
  while (!path.empty()) {
    const auto slash = path.find('/');
    const auto part = path.substr(0, slash);
    if (part.empty()) break;  // a trailing "/" or two in a row end the walk here
    const int index = node->IndexOfChild(part);
    if (index >= 0) {
      node = node->Child(index);
    } else if (!create) {
      return nullptr;
    } else {
      node = node->AppendChild(std::make_unique<config_node>(part));
      created = true;
    }
    if (slash == std::string_view::npos) break;
    path.remove_prefix(slash + 1);
  }
  return node;
}

config_node* config_list::FindNode(std::string_view path, bool create) {
  bool created = false;
  return FindNode(path, create, created);
}

bool config_list::SelectPath(std::string_view path, bool create) {
  config_node* node = nullptr;
  try {
    node = FindNode(path, create);
  } catch (...) {
    return false;
  }
  if (node == nullptr) return false;
  cursor_ = node;
  return true;
}

void config_list::AddChild(std::string_view name) {
  cursor_ = cursor_->AppendChild(std::make_unique<config_node>(name));
}

void config_list::GoUp() {
  if (config_node* up = cursor_->ParentNode()) cursor_ = up;
}

void config_list::ClearChildren() {
  cursor_->DeleteChildren(0, cursor_->ChildCount());
}

config_node* config_list::AddValue(std::string_view name, kest_value value, config_kind kind) {
  return cursor_->AppendChild(std::make_unique<config_node>(name, std::move(value), kind));
}

void config_list::SetValue(std::string_view path, const kest_value& value) {
  if (config_node* node = FindNode(path, true)) node->SetValue(value);
}

kest_value config_list::GetValue(std::string_view path, const kest_value& default_value) {
  const config_node* node = FindNode(path, false);
  if (node != nullptr && config_node::KindsCompatible(config_node::KindOfValue(node->value),
                                                      config_node::KindOfValue(default_value)))
    return node->value;
  return default_value;
}

std::unique_ptr<config_node> config_list::ReadNode(std::string_view path,
                                                   const kest_value& default_value) {
  if (const config_node* node = FindNode(path, false))
    return std::make_unique<config_node>(path, node->value, node->kind);
  return std::make_unique<config_node>(path, default_value,
                                       config_node::KindOfValue(default_value));
}

void config_list::WriteNode(std::unique_ptr<config_node>& node, bool free) {
  if (!node) return;
  WriteNode(*node);
  if (free) node.reset();
}

void config_list::WriteNode(const config_node& node) {
  SetValue(node.name, node.value);
}

void config_list::SaveToText(std::string& text) const {
  config_xml_exporter exporter;
  exporter.Export(*root_, text);
}

std::string config_list::SaveToText() const {
  std::string text;
  SaveToText(text);
  return text;
}

void config_list::LoadFromText(std::string_view text) {
  Clear();
  if (!text.empty()) {
    config_xml_importer importer;
    importer.Import(text, *root_);
  }
  cursor_ = root_.get();
}

bool config_list::StripHeader(std::string& text, std::string_view header, bool remove) {
  if (text.size() < header.size() ||
      !Str_SameText(std::string_view(text).substr(0, header.size()), header))
    return false;
  if (remove) text.erase(0, header.size());
  return true;
}
