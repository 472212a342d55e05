#pragma once
// Two building blocks: base_node, the owner-tree node that the configuration tree derives
// from, and string_buffer, the growable text buffer the XML writer builds its output in.
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// A node of an owner tree: it owns its children and frees them with itself.
//
// The virtual operations are declared in their fixed order. The constructor calls AfterCreate
// and then ResetData, the destructor BeforeDestroy and then Clear; as always in C++, those calls
// reach this class's versions, so a descendant initialises its own fields in its constructor.
class base_node {
 public:
  base_node* parent = nullptr;
  std::vector<std::unique_ptr<base_node>> children;

  base_node();
  virtual ~base_node();
  base_node(const base_node&) = delete;
  base_node& operator=(const base_node&) = delete;

  virtual void AfterCreate() {}
  virtual void BeforeDestroy() {}
  virtual void ParentChanged() {}
  virtual void ChildInserted(int /*index*/, base_node* /*child*/) {}
  virtual void ChildrenDeleted(int /*index*/, int /*count*/) {}
  // Descendants reset their own fields here.
  virtual void ResetData() {}
  // ResetData, then all children freed.
  virtual void Clear();
  // Clear, then with `deep` a copy of the source's whole subtree (with the source's classes).
  // Assigning a node to itself changes nothing. The source must not lie below this node.
  virtual void Assign(const base_node& source, bool deep);

  int ChildCount() const { return static_cast<int>(children.size()); }
  // Sets the parent and calls ParentChanged, only when it differs from the current one.
  void SetParent(base_node* node);
  // Takes ownership of `child` at `index` (clamped to 0 … ChildCount()); null is ignored.
  void InsertChild(int index, std::unique_ptr<base_node> child);
  // Frees the children of the range (clipped to the existing ones), last first, then calls
  // ChildrenDeleted with the arguments as given. Nothing for no children or count <= 0.
  void DeleteChildren(int index, int count);
  // Inserts clones of `count` children of `source` from `source_index` on (count cut to what
  // the source has) at target_index, target_index + 1, …
  void CopyChildren(const base_node& source, int source_index, int count, int target_index);
  // A new node of the same class as `node` with a deep copy of it.
  static std::unique_ptr<base_node> Clone(const base_node& node);

 protected:
  // A new, empty node of this node's own class; each descendant returns its own class.
  virtual std::unique_ptr<base_node> NewInstance() const;
};

// A growable text buffer with a write position. Positions are 1-based: `position` is where the
// next write starts (1 … length + 1). Read the fields; change them only through the operations.
class string_buffer {
 public:
  std::string storage;  // its size is at least `capacity`
  std::ptrdiff_t position = 1;
  std::ptrdiff_t length = 0;
  std::ptrdiff_t capacity = 0;

  // Writes at `position`, advances it and ends the valid text there. Nothing for count <= 0.
  void Write(const char* bytes, std::ptrdiff_t count);
  void WriteStr(std::string_view text) {
    Write(text.data(), static_cast<std::ptrdiff_t>(text.size()));
  }
  // `count` characters of text from the 1-based `start`, cut to the text's end.
  void WriteSub(std::string_view text, std::ptrdiff_t start, std::ptrdiff_t count);
  void WriteChars(char c, std::ptrdiff_t count);
  // Cuts back (or extends) the valid text to n characters; position is clamped into it.
  void SetLength(std::ptrdiff_t n);
  void Clear() { SetLength(0); }
  std::string Text() const { return storage.substr(0, static_cast<std::size_t>(length)); }

 private:
  // Growth: 512 at least, else n + n / 2; a request for at most a quarter of the capacity
  // lowers the capacity without touching the storage.
  void MakeRoom(std::ptrdiff_t n);
};
