#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "foundation/kest_classes.h"

namespace {

// A node that records its hooks and frees into a shared log.
class probe_node : public base_node {
 public:
  std::string name;
  std::vector<std::string>* log;

  explicit probe_node(std::string n = {}, std::vector<std::string>* l = nullptr)
      : name(std::move(n)), log(l) {}
  ~probe_node() override { Note("free " + name); }

  void ParentChanged() override { Note("parent " + name); }
  void ChildInserted(int index, base_node* child) override {
    Note("inserted " + std::to_string(index) + " " + static_cast<probe_node*>(child)->name);
  }
  void ChildrenDeleted(int index, int count) override {
    Note("deleted " + std::to_string(index) + " " + std::to_string(count));
  }
  void ResetData() override { name.clear(); }
  void Assign(const base_node& source, bool deep) override {
    base_node::Assign(source, deep);
    if (auto* s = dynamic_cast<const probe_node*>(&source)) {
      name = s->name;
      log = s->log;
    }
  }

  probe_node* Kid(int i) const { return static_cast<probe_node*>(children[i].get()); }
  probe_node* Add(const std::string& n) {
    auto child = std::make_unique<probe_node>(n, log);
    probe_node* raw = child.get();
    InsertChild(ChildCount(), std::move(child));
    return raw;
  }

 protected:
  std::unique_ptr<base_node> NewInstance() const override { return std::make_unique<probe_node>(); }

 private:
  void Note(const std::string& s) {
    if (log) log->push_back(s);
  }
};

std::string Names(const base_node& n) {
  std::string s;
  for (const auto& c : n.children) {
    s += static_cast<const probe_node&>(*c).name;
    if (c->ChildCount() > 0) s += "(" + Names(*c) + ")";
    s += " ";
  }
  return s;
}

TEST(BaseNode, InsertSetsParentThenReportsTheInsert) {
  std::vector<std::string> log;
  probe_node root("root", &log);
  probe_node* a = root.Add("a");
  EXPECT_EQ(a->parent, &root);
  EXPECT_EQ(log, (std::vector<std::string>{"parent a", "inserted 0 a"}));

  // A child whose parent already is this node is not told again.
  log.clear();
  auto b = std::make_unique<probe_node>("b", &log);
  b->SetParent(&root);
  root.InsertChild(0, std::move(b));
  EXPECT_EQ(log, (std::vector<std::string>{"parent b", "inserted 0 b"}));
  EXPECT_EQ(Names(root), "b a ");

  // Out-of-range indices append or prepend instead of corrupting the list; null is ignored.
  root.InsertChild(99, std::make_unique<probe_node>("z"));
  root.InsertChild(-5, std::make_unique<probe_node>("y"));
  root.InsertChild(1, nullptr);
  EXPECT_EQ(Names(root), "y b a z ");
}

TEST(BaseNode, DeleteChildrenClipsTheRangeAndFreesLastFirst) {
  struct row {
    int index, count;
    const char* left;
    const char* freed;
  };
  const row rows[] = {
      {1, 2, "c0 c3 ", "free c2,free c1,deleted 1 2"},
      {2, 99, "c0 c1 ", "free c3,free c2,deleted 2 99"},
      {-3, 1, "c1 c2 c3 ", "free c0,deleted -3 1"},
      {9, 1, "c0 c1 c2 ", "free c3,deleted 9 1"},
      {1, 0, "c0 c1 c2 c3 ", ""},
      {1, -1, "c0 c1 c2 c3 ", ""},
  };
  for (const row& r : rows) {
    std::vector<std::string> log;
    probe_node root("root", &log);
    for (const char* n : {"c0", "c1", "c2", "c3"}) root.Add(n);
    log.clear();
    root.DeleteChildren(r.index, r.count);
    std::string joined;
    for (const auto& s : log) joined += (joined.empty() ? "" : ",") + s;
    EXPECT_EQ(Names(root), r.left) << r.index << "," << r.count;
    EXPECT_EQ(joined, r.freed) << r.index << "," << r.count;
  }
  probe_node empty;
  empty.DeleteChildren(0, 5);  // no children: nothing, no crash
  EXPECT_EQ(empty.ChildCount(), 0);
}

TEST(BaseNode, DestructionFreesTheWholeSubtreeDeepestFirst) {
  std::vector<std::string> log;
  {
    probe_node root("root", &log);
    root.Add("a")->Add("a1");
    root.Add("b");
    log.clear();
  }
  // A node's own destructor runs before the base frees its children, last child first.
  EXPECT_EQ(log, (std::vector<std::string>{"free root", "free b", "free a", "free a1"}));
}

TEST(BaseNode, CloneAndAssignCopyTheSubtreeWithItsClasses) {
  probe_node src("src");
  probe_node* a = src.Add("a");
  a->Add("a1");
  a->Add("a2");
  src.Add("b");

  std::unique_ptr<base_node> copy = base_node::Clone(src);
  auto* c = dynamic_cast<probe_node*>(copy.get());
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->name, "src");
  EXPECT_EQ(Names(*c), "a(a1 a2 ) b ");
  ASSERT_NE(dynamic_cast<probe_node*>(c->Kid(0)->Kid(1)), nullptr);
  EXPECT_NE(c->Kid(0), src.Kid(0));
  EXPECT_EQ(c->Kid(0)->parent, c);
  EXPECT_EQ(c->Kid(0)->Kid(0)->parent, c->Kid(0));

  // Shallow: data copied, old children gone, none copied.
  probe_node target("old");
  target.Add("gone");
  target.Assign(src, false);
  EXPECT_EQ(target.name, "src");
  EXPECT_EQ(target.ChildCount(), 0);

  // Assigning a node to itself keeps it as it is.
  src.Assign(src, true);
  EXPECT_EQ(Names(src), "a(a1 a2 ) b ");
}

TEST(BaseNode, CopyChildrenCutsTheCountAndInsertsInOrder) {
  probe_node src;
  for (const char* n : {"s0", "s1", "s2"}) src.Add(n);
  probe_node dst;
  for (const char* n : {"d0", "d1"}) dst.Add(n);
  dst.CopyChildren(src, 1, 10, 1);
  EXPECT_EQ(Names(dst), "d0 s1 s2 d1 ");
  dst.CopyChildren(src, 3, 1, 0);  // nothing from the source index on
  dst.CopyChildren(src, -1, 1, 0);
  EXPECT_EQ(Names(dst), "d0 s1 s2 d1 ");
  // Copying a node's own children into itself.
  dst.CopyChildren(dst, 0, 4, 4);
  EXPECT_EQ(Names(dst), "d0 s1 s2 d1 d0 s1 s2 d1 ");
}

TEST(StringBuffer, WritesEndTheTextWherePositionEnds) {
  string_buffer b;
  EXPECT_EQ(b.capacity, 0);
  EXPECT_EQ(b.position, 1);
  b.WriteStr("abc");
  b.SetLength(1);
  b.WriteStr("de");
  EXPECT_EQ(b.Text(), "ade");

  b.Clear();
  b.WriteChars('-', 3);
  b.WriteSub("hello", 2, 3);
  b.WriteSub("hello", 4, 10);  // cut to the text's end
  b.WriteSub("hello", 0, 2);   // nothing
  b.WriteSub("hello", 2, 0);
  b.WriteSub("hello", 6, 1);
  b.Write("x", -1);
  EXPECT_EQ(b.Text(), "---elllo");
  EXPECT_EQ(b.length, 8);
  EXPECT_EQ(b.position, 9);

  b.position = 3;  // overwrite in the middle ends the text there
  b.WriteStr("AB");
  EXPECT_EQ(b.Text(), "--AB");
  b.SetLength(-4);
  EXPECT_EQ(b.Text(), "");
  EXPECT_EQ(b.position, 1);
}

TEST(StringBuffer, GrowsByHalfFromA512MinimumAndNeverShrinksStorage) {
  struct step {
    std::ptrdiff_t write;  // characters appended; -1 clears
    std::ptrdiff_t capacity, storage;
  };
  const step steps[] = {
      {1, 512, 512},  {511, 512, 512}, {1, 769, 769}, {9487, 15000, 15000},
      {-1, 0, 15000}, {100, 512, 512}, {-1, 0, 512},  {513, 769, 769},
  };
  string_buffer b;
  std::string expect;
  for (const step& s : steps) {
    if (s.write < 0) {
      b.Clear();
      expect.clear();
    } else {
      const std::string piece(static_cast<std::size_t>(s.write), 'x');
      b.WriteStr(piece);
      expect += piece;
    }
    EXPECT_EQ(b.capacity, s.capacity) << s.write;
    EXPECT_EQ(static_cast<std::ptrdiff_t>(b.storage.size()), s.storage) << s.write;
    EXPECT_EQ(b.Text(), expect);
  }
}

}  // namespace
