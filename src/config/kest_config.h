#pragma once
// The configuration tree: named nodes holding one typed value each, addressed by slash paths
// that start at a movable cursor (or at the root when they begin with "/").
#include <memory>
#include <string>
#include <string_view>

#include "foundation/kest_classes.h"
#include "foundation/kest_variants_value.h"

// Value kind codes; the text form names each kind by its type name ("bool", "int", ...).
enum class config_kind : int { none = 0, boolean = 1, integer = 2, real = 3, str = 4, bin = 5 };

// A node of the tree. A node of kind none is a container; its value is then ignored.
class config_node : public base_node {
 public:
  std::string name;
  config_kind kind = config_kind::none;
  kest_value value;

  config_node() = default;
  // A container (kind none, value the integer 0) named `name`.
  explicit config_node(std::string_view node_name);
  config_node(std::string_view node_name, kest_value node_value, config_kind node_kind);

  void SetData(std::string_view node_name, kest_value node_value, config_kind node_kind);
  void SetNameValue(std::string_view node_name, kest_value node_value);
  // A container takes any value and its kind; a typed node keeps its kind and takes only a
  // compatible value, an incompatible one is dropped silently.
  void SetValue(const kest_value& new_value);
  // First child whose name equals `child_name` ignoring ASCII case; -1 for none or "".
  int IndexOfChild(std::string_view child_name) const;

  config_node* Child(int index) const;
  config_node* ParentNode() const;
  // Appends `child` as the last child and returns it.
  config_node* AppendChild(std::unique_ptr<config_node> child);

  void ResetData() override;
  void Assign(const base_node& source, bool deep) override;

  static config_kind KindOfValue(const kest_value& v);
  // Whether a node of `node_kind` accepts a value of `value_kind`.
  static bool KindsCompatible(config_kind value_kind, config_kind node_kind);

 protected:
  std::unique_ptr<base_node> NewInstance() const override;
};

class config_list {
 public:
  config_node* root() const { return root_.get(); }
  config_node* cursor() const { return cursor_; }

  explicit config_list(std::string_view root_name);
  config_list(const config_list&) = delete;
  config_list& operator=(const config_list&) = delete;
  ~config_list();

  void Clear();
  void ResetCursor() { cursor_ = root_.get(); }
  config_node* FindNode(std::string_view path, bool create, bool& created);
  config_node* FindNode(std::string_view path, bool create = false);
  bool SelectPath(std::string_view path, bool create);
  void AddChild(std::string_view name);
  void GoUp();
  void ClearChildren();
  config_node* AddValue(std::string_view name, kest_value value, config_kind kind);
  void SetValue(std::string_view path, const kest_value& value);
  kest_value GetValue(std::string_view path, const kest_value& default_value);
  // A detached node named `path` holding the stored value and kind, or the default.
  std::unique_ptr<config_node> ReadNode(std::string_view path, const kest_value& default_value);
  // Stores the node's value at the path given by its name, from the current cursor; with
  // `free` set the node is freed afterwards.
  void WriteNode(std::unique_ptr<config_node>& node, bool free);
  void WriteNode(const config_node& node);
  void SaveToText(std::string& text) const;
  std::string SaveToText() const;
  void LoadFromText(std::string_view text);

  // Whether `text` begins with `header` ignoring ASCII case; cuts it off when `remove` is set.
  static bool StripHeader(std::string& text, std::string_view header, bool remove);

 private:
  std::unique_ptr<config_node> root_;
  config_node* cursor_;
};
