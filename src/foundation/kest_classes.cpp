#include "foundation/kest_classes.h"

#include <algorithm>
#include <cstring>
#include <limits>

base_node::base_node() {
  AfterCreate();
  ResetData();
}

base_node::~base_node() {
  BeforeDestroy();
  Clear();
}

void base_node::Clear() {
  ResetData();
  DeleteChildren(0, ChildCount());
}

void base_node::Assign(const base_node& source, bool deep) {
  if (&source == this) return;
  Clear();
  if (deep) CopyChildren(source, 0, source.ChildCount(), 0);
}

void base_node::SetParent(base_node* node) {
  if (node == parent) return;
  parent = node;
  ParentChanged();
}

void base_node::InsertChild(int index, std::unique_ptr<base_node> child) {
  if (!child) return;
  index = std::clamp(index, 0, ChildCount());
  base_node* raw = child.get();
  children.insert(children.begin() + index, std::move(child));
  raw->SetParent(this);
  ChildInserted(index, raw);
}

void base_node::DeleteChildren(int index, int count) {
  const int n = ChildCount();
  if (n == 0 || count <= 0) return;
  const int first = std::clamp(index, 0, n - 1);
  const int cut = std::min(count, n - first);
  for (int i = first + cut - 1; i >= first; --i) {
    // Taken out of the list before it is freed, so its destruction sees a consistent parent.
    std::unique_ptr<base_node> victim = std::move(children[static_cast<std::size_t>(i)]);
    children.erase(children.begin() + i);
    victim.reset();
  }
  ChildrenDeleted(index, count);
}

void base_node::CopyChildren(const base_node& source, int source_index, int count,
                             int target_index) {
  const int n = source.ChildCount();
  if (source_index < 0 || source_index >= n || count <= 0) return;
  count = std::min(count, n - source_index);
  // Clones are made first, so copying a node's own children into it is safe.
  std::vector<std::unique_ptr<base_node>> copies;
  copies.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i)
    copies.push_back(Clone(*source.children[static_cast<std::size_t>(source_index + i)]));
  for (auto& copy : copies) InsertChild(target_index++, std::move(copy));
}

std::unique_ptr<base_node> base_node::Clone(const base_node& node) {
  std::unique_ptr<base_node> copy = node.NewInstance();
  copy->Assign(node, true);
  return copy;
}

std::unique_ptr<base_node> base_node::NewInstance() const {
  return std::make_unique<base_node>();
}

void string_buffer::MakeRoom(std::ptrdiff_t n) {
  if (capacity < n) {
    constexpr std::ptrdiff_t kMax = std::numeric_limits<std::ptrdiff_t>::max() / 3 * 2;
    capacity = n <= 512 ? 512 : (n < kMax ? n + n / 2 : n);
    storage.resize(static_cast<std::size_t>(capacity));
  } else if (capacity / 4 >= n) {
    // Shrinking never reallocates; the next growth does.
    capacity = n;
  }
}

void string_buffer::Write(const char* bytes, std::ptrdiff_t count) {
  if (count <= 0) return;
  MakeRoom(position + count - 1);
  std::memcpy(storage.data() + (position - 1), bytes, static_cast<std::size_t>(count));
  position += count;
  length = position - 1;
}

void string_buffer::WriteSub(std::string_view text, std::ptrdiff_t start, std::ptrdiff_t count) {
  const auto size = static_cast<std::ptrdiff_t>(text.size());
  if (start <= 0 || count <= 0 || start > size) return;
  Write(text.data() + (start - 1), std::min(count, size - start + 1));
}

void string_buffer::WriteChars(char c, std::ptrdiff_t count) {
  if (count <= 0) return;
  MakeRoom(position + count - 1);
  std::memset(storage.data() + (position - 1), c, static_cast<std::size_t>(count));
  position += count;
  length = position - 1;
}

void string_buffer::SetLength(std::ptrdiff_t n) {
  n = std::max<std::ptrdiff_t>(n, 0);
  if (n == length) return;
  MakeRoom(n);
  length = n;
  position = std::clamp<std::ptrdiff_t>(position, 1, length + 1);
}
