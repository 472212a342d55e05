// The configuration tree: path walk, lookups, the kind rules and the cursor.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>

#include "config/kest_config.h"
#include "config_test_dump.h"

namespace {

using ck = config_kind;

const kest_value v_none{};
const kest_value v_bool{true};
const kest_value v_int{std::int64_t{7}};
const kest_value v_real{2.5};
const kest_value v_str{std::string("s")};
const kest_value v_bin{kest_bytes{1, 2}};

TEST(ConfigTree, KindOfValueFollowsTheAlternative) {
  EXPECT_EQ(config_node::KindOfValue(v_none), ck::none);
  EXPECT_EQ(config_node::KindOfValue(v_bool), ck::boolean);
  EXPECT_EQ(config_node::KindOfValue(v_int), ck::integer);
  EXPECT_EQ(config_node::KindOfValue(v_real), ck::real);
  EXPECT_EQ(config_node::KindOfValue(v_str), ck::str);
  EXPECT_EQ(config_node::KindOfValue(v_bin), ck::bin);
}

TEST(ConfigTree, KindsCompatibleMatrix) {
  // Rows: kind of the offered value; columns: kind of the node (none .. bin).
  const std::array<std::array<bool, 6>, 6> accepted = {{
      {false, false, false, false, false, false},  // none
      {false, true, false, false, false, false},   // bool
      {false, false, true, true, false, false},    // int: int or real
      {false, false, false, true, false, false},   // real
      {false, false, false, false, true, false},   // str
      {false, false, false, false, false, false},  // bin: not even bin
  }};
  for (int v = 0; v < 6; ++v)
    for (int n = 0; n < 6; ++n)
      EXPECT_EQ(config_node::KindsCompatible(static_cast<ck>(v), static_cast<ck>(n)),
                accepted[v][n])
          << "value kind " << v << ", node kind " << n;
}

TEST(ConfigTree, NodeSetValueKeepsKindAndDropsIncompatible) {
  struct row {
    ck node_kind;
    kest_value offered;
    bool stored;
  };
  const row rows[] = {
      {ck::real, v_int, true},     {ck::integer, v_real, false}, {ck::boolean, v_str, false},
      {ck::str, v_str, true},      {ck::bin, v_bin, false},      {ck::integer, v_none, false},
      {ck::boolean, v_bool, true}, {ck::str, v_bool, false},
  };
  for (const auto& r : rows) {
    config_node n("k", std::string("old"), r.node_kind);
    n.SetValue(r.offered);
    EXPECT_EQ(n.kind, r.node_kind);
    EXPECT_EQ(DumpValue(n.value), r.stored ? DumpValue(r.offered) : "'old'")
        << "node kind " << static_cast<int>(r.node_kind) << " offered " << DumpValue(r.offered);
  }
  // A container takes whatever comes, and its kind.
  for (const auto& v : {v_bool, v_int, v_real, v_str, v_bin}) {
    config_node n("k");
    n.SetValue(v);
    EXPECT_EQ(n.kind, config_node::KindOfValue(v));
    EXPECT_EQ(DumpValue(n.value), DumpValue(v));
  }
}

// Root "Config" { a { b }, Dup:int=1, dup:int=2 }
struct ConfigPaths : ::testing::Test {
  config_list list{"Config"};
  config_node* a = nullptr;
  config_node* b = nullptr;
  void SetUp() override {
    list.AddChild("a");
    a = list.cursor();
    list.AddChild("b");
    b = list.cursor();
    list.ResetCursor();
    list.AddValue("Dup", std::int64_t{1}, ck::integer);
    list.AddValue("dup", std::int64_t{2}, ck::integer);
  }
};

TEST_F(ConfigPaths, PathsResolve) {
  struct row {
    const char* path;
    bool from_b;  // cursor at b instead of the root
    config_node* ConfigPaths::*expected;
  };
  config_node* ConfigPaths::*none = nullptr;
  const row rows[] = {
      {"a", false, &ConfigPaths::a},
      {"a//b", false, &ConfigPaths::a},
      {"a/", false, &ConfigPaths::a},
      {"a/b", false, &ConfigPaths::b},
      {"A/B", false, &ConfigPaths::b},
      {"a/b/", false, &ConfigPaths::b},
      {"/a", true, &ConfigPaths::a},
      {"/a/b", true, &ConfigPaths::b},
      {"a", true, none},
      {"a/x", false, none},
      {"", false, none},
      {"", true, none},
      {"x/a", false, none},
  };
  for (const auto& r : rows) {
    list.ResetCursor();
    if (r.from_b) {
      ASSERT_TRUE(list.SelectPath("a/b", false));
    }
    config_node* expected = r.expected ? this->*r.expected : nullptr;
    EXPECT_EQ(list.FindNode(r.path), expected) << "path '" << r.path << "'";
  }
  list.ResetCursor();
  EXPECT_EQ(list.FindNode("/"), list.root());
  ASSERT_TRUE(list.SelectPath("a/b", false));
  EXPECT_EQ(list.FindNode("/"), list.root());
  EXPECT_EQ(list.FindNode("//a"), list.root());
}

TEST_F(ConfigPaths, DuplicateNamesOnlyFirstReachable) {
  EXPECT_EQ(list.root()->IndexOfChild("DUP"), 1);
  EXPECT_EQ(list.root()->IndexOfChild(""), -1);
  EXPECT_EQ(DumpValue(list.GetValue("dup", std::int64_t{0})), "i1");
  list.SetValue("dup", std::int64_t{5});
  EXPECT_EQ(Dump(*list.root()), "Config{a{b},Dup:2=i5,dup:2=i2}");
}

TEST_F(ConfigPaths, FindNodeCreatesMissingTailAndReportsIt) {
  bool created = true;
  EXPECT_EQ(list.FindNode("a/b", true, created), b);
  EXPECT_FALSE(created);
  config_node* made = list.FindNode("a/x/y", true, created);
  ASSERT_NE(made, nullptr);
  EXPECT_TRUE(created);
  EXPECT_EQ(made->name, "y");
  EXPECT_EQ(made->kind, ck::none);
  EXPECT_EQ(DumpValue(made->value), "i0");
  EXPECT_EQ(a->Child(1)->name, "x");  // appended after b
  // A made container answers its integer 0 to an int or real default, not to a bool one.
  EXPECT_EQ(DumpValue(list.GetValue("a/x", 3.5)), "i0");
  EXPECT_EQ(DumpValue(list.GetValue("a/x", true)), "1");
  EXPECT_EQ(list.FindNode("", true, created), nullptr);
  EXPECT_FALSE(created);
}

TEST(ConfigTree, GetValueOnEmptyTreeCreatesNothingSetValueCreatesPath) {
  config_list list("Config");
  EXPECT_EQ(DumpValue(list.GetValue("Settings/PlaySound", true)), "1");
  EXPECT_EQ(list.root()->ChildCount(), 0);
  list.AddValue("Other", std::int64_t{1}, ck::integer);
  list.SetValue("Settings/PlaySound", false);
  EXPECT_EQ(Dump(*list.root()), "Config{Other:2=i1,Settings{PlaySound:1=0}}");
  EXPECT_EQ(DumpValue(list.GetValue("settings/playsound", true)), "0");
}

TEST(ConfigTree, GetValueComparesStoredKindWithDefaultKind) {
  struct row {
    kest_value stored;
    kest_value fallback;
    bool stored_returned;
  };
  const row rows[] = {
      {v_int, 1.5, true},
      {v_int, std::int64_t{0}, true},
      {v_real, std::int64_t{0}, false},
      {v_real, 1.5, true},
      {v_bool, true, true},
      {v_bool, std::int64_t{0}, false},
      {v_str, std::string(), true},
      {v_str, true, false},
      {v_bin, v_bin, false},
      {v_int, v_none, false},
  };
  for (const auto& r : rows) {
    config_list list("Config");
    list.AddValue("k", r.stored, config_node::KindOfValue(r.stored));
    EXPECT_EQ(DumpValue(list.GetValue("k", r.fallback)),
              DumpValue(r.stored_returned ? r.stored : r.fallback))
        << DumpValue(r.stored) << " / " << DumpValue(r.fallback);
  }
}

TEST(ConfigTree, BinaryChangesOnlyThroughSetDataOrAddValue) {
  config_list list("Config");
  config_node* n = list.AddValue("Blob", kest_bytes{1}, ck::bin);
  list.SetValue("Blob", kest_bytes{2});
  n->SetValue(kest_bytes{3});
  EXPECT_EQ(DumpValue(n->value), "x01");
  n->SetData("Blob", kest_bytes{4}, ck::bin);
  EXPECT_EQ(DumpValue(n->value), "x04");
  n->SetNameValue("Text", std::string("t"));
  EXPECT_EQ(Dump(*n), "Text:4='t'");
}

TEST(ConfigTree, ReadNodeAndWriteNode) {
  config_list list("Config");
  list.SelectPath("Settings", true);
  auto missing = list.ReadNode("LastInputFolder", std::string());
  ASSERT_NE(missing, nullptr);
  EXPECT_EQ(missing->ParentNode(), nullptr);
  EXPECT_EQ(Dump(*missing), "LastInputFolder:4=''");
  EXPECT_EQ(list.cursor()->ChildCount(), 0);  // nothing created

  // Stored value and kind are copied as they are, even against the default's kind.
  list.AddValue("Rate", std::int64_t{25}, ck::real);
  auto rate = list.ReadNode("Rate", std::string("x"));
  EXPECT_EQ(Dump(*rate), "Rate:3=i25");
  auto deep = list.ReadNode("/Settings/Rate", 1.0);
  EXPECT_EQ(Dump(*deep), "/Settings/Rate:3=i25");

  // The node's name is a path from the cursor of the moment of writing.
  missing->SetValue(std::string("/home/u"));
  list.ResetCursor();
  list.SelectPath("Other", true);
  list.WriteNode(missing, true);
  EXPECT_EQ(missing, nullptr);
  // From the root, "Rate" is a new node that takes the kind of the value.
  rate->SetValue(std::int64_t{30});
  list.ResetCursor();
  list.WriteNode(rate, false);
  ASSERT_NE(rate, nullptr);
  deep->SetValue(50.0);
  list.WriteNode(*deep);
  EXPECT_EQ(Dump(*list.root()),
            "Config{Settings{Rate:3=d50},Other{LastInputFolder:4='/home/u'},Rate:2=i30}");
}

TEST(ConfigTree, CursorMovesAndClears) {
  config_list list("Config");
  list.GoUp();
  EXPECT_EQ(list.cursor(), list.root());
  list.AddChild("P");
  list.AddChild("P");  // never looks for an existing child
  EXPECT_EQ(list.cursor()->ParentNode()->name, "P");
  list.AddValue("v", std::int64_t{1}, ck::integer);
  config_node* inner = list.cursor();
  list.ClearChildren();
  EXPECT_EQ(list.cursor(), inner);
  EXPECT_EQ(inner->ChildCount(), 0);
  list.GoUp();
  list.GoUp();
  EXPECT_EQ(list.cursor(), list.root());
  EXPECT_FALSE(list.SelectPath("P/missing", false));
  list.SelectPath("P", false);
  config_node* p = list.cursor();
  EXPECT_FALSE(list.SelectPath("nope", false));
  EXPECT_EQ(list.cursor(), p);
  EXPECT_FALSE(list.SelectPath("", true));
  list.Clear();
  EXPECT_EQ(list.cursor(), list.root());
  EXPECT_EQ(Dump(*list.root()), "Config");
}

TEST(ConfigTree, StripHeader) {
  struct row {
    const char* text;
    const char* header;
    bool match;
    const char* left;
  };
  const row rows[] = {
      {"<!-- Flenmark -->\r\n<Config>", "<!-- FLENMARK -->", true, "\r\n<Config>"},
      {"abc", "", true, "abc"},
      {"", "", true, ""},
      {"ab", "abc", false, "ab"},
      {"xbc", "abc", false, "xbc"},
  };
  for (const auto& r : rows) {
    std::string text = r.text;
    EXPECT_EQ(config_list::StripHeader(text, r.header, false), r.match) << r.text;
    EXPECT_EQ(text, r.text);
    EXPECT_EQ(config_list::StripHeader(text, r.header, true), r.match);
    EXPECT_EQ(text, r.left);
  }
}

TEST(ConfigTree, CloneAndAssignCopyTheWholeSubtree) {
  config_list list("Config");
  list.AddChild("S");
  list.AddValue("b", true, ck::boolean);
  list.AddValue("x", kest_bytes{9}, ck::bin);
  const config_node& s = *list.cursor();
  std::unique_ptr<base_node> copy = base_node::Clone(s);
  auto* c = dynamic_cast<config_node*>(copy.get());
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(Dump(*c), "S{b:1=1,x:5=x09}");
  ASSERT_NE(dynamic_cast<config_node*>(c->Child(0)), nullptr);
  EXPECT_NE(c->Child(0), s.Child(0));

  config_node shallow("old", std::int64_t{1}, ck::integer);
  shallow.AppendChild(std::make_unique<config_node>("gone"));
  shallow.Assign(s, false);
  EXPECT_EQ(Dump(shallow), "S");
}

}  // namespace
