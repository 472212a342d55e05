// The text form of the configuration tree: exact written layout and the reader's handling of
// good, sloppy and broken text.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "config/config_xml.h"
#include "config/kest_config.h"
#include "config_test_dump.h"

namespace {

using ck = config_kind;

std::string Export(const config_node& n) {
  config_xml_exporter exporter;
  std::string text = "stale";
  exporter.Export(n, text);
  return text;
}

// The text of a root "R" holding one leaf "v".
std::string ExportLeaf(const kest_value& value, ck kind) {
  config_node root("R");
  root.AppendChild(std::make_unique<config_node>("v", value, kind));
  return Export(root);
}

std::string LeafText(const std::string& type, const std::string& inner) {
  return "<R>\r\n  <v type=\"" + type + "\">" + inner + "</v>\r\n</R>\r\n";
}

TEST(ConfigXmlWrite, SettingsLayout) {
  config_list list("Config");
  list.SelectPath("Settings", true);
  list.SetValue("LastProfileId", std::int64_t{12});
  list.SetValue("PlaySound", true);
  EXPECT_EQ(list.SaveToText(),
            "<Config>\r\n"
            "  <Settings>\r\n"
            "    <LastProfileId type=\"int\">12</LastProfileId>\r\n"
            "    <PlaySound type=\"bool\">1</PlaySound>\r\n"
            "  </Settings>\r\n"
            "</Config>\r\n");
}

TEST(ConfigXmlWrite, ValueTexts) {
  struct row {
    kest_value value;
    ck kind;
    const char* type;
    std::string inner;
  };
  const row rows[] = {
      {true, ck::boolean, "bool", "1"},
      {false, ck::boolean, "bool", "0"},
      {std::int64_t{-2147483648}, ck::integer, "int", "-2147483648"},
      // Beyond 32 bits the whole value is kept.
      {std::int64_t{4294967296}, ck::integer, "int", "4294967296"},
      {std::numeric_limits<std::int64_t>::min(), ck::integer, "int", "-9223372036854775808"},
      {29.97, ck::real, "real", "29.97"},
      {25.0, ck::real, "real", "25"},
      {0.5, ck::real, "real", "0.5"},
      {-0.25, ck::real, "real", "-0.25"},
      {0.0, ck::real, "real", "0"},
      {0.1 + 0.2, ck::real, "real", "0.3"},
      {1.0 / 3, ck::real, "real", "0.333333333333333"},
      {2.0 / 3, ck::real, "real", "0.666666666666667"},
      {123456.1, ck::real, "real", "123456.1"},
      {99999999999999.99, ck::real, "real", "100000000000000"},
      {1e20, ck::real, "real", "100000000000000000000"},
      {1e-5, ck::real, "real", "0.00001"},
      // Small values keep their 15 digits instead of being cut to 0.
      {1.5e-20, ck::real, "real", "0.000000000000000000015"},
      {std::int64_t{3}, ck::real, "real", "3"},
      // Rounded down at the top so that the text still reads as a number.
      {-std::numeric_limits<double>::max(), ck::real, "real",
       "-179769313486231" + std::string(294, '0')},
      {std::string(" lead"), ck::str, "str", " lead"},
      {std::string("a<b"), ck::str, "str", "a&#60;b"},
      {std::string("&\"'&amp;"), ck::str, "str", "&\"'&amp;"},
      {std::string("#x>y"), ck::str, "str", "&#35;x&#62;y"},
      {std::string("\r\n\x7f"), ck::str, "str", "&#13;&#10;&#127;"},
      {std::string("\xc3\xa9"), ck::str, "str", "&#195;&#169;"},
      {std::string("\0", 1), ck::str, "str", "&#0;"},
      {std::string(), ck::str, "str", ""},
      {kest_bytes{0x00, 0xab, 0xff}, ck::bin, "bin", "00ABFF"},
  };
  for (const auto& r : rows)
    EXPECT_EQ(ExportLeaf(r.value, r.kind), LeafText(r.type, r.inner)) << DumpValue(r.value);
}

TEST(ConfigXmlWrite, EscapeSetIsExactly) {
  for (int c = 0; c < 256; ++c) {
    const bool escaped = c < 32 || c == '#' || c == '<' || c == '>' || c >= 127;
    const std::string expected =
        escaped ? "&#" + std::to_string(c) + ";" : std::string(1, static_cast<char>(c));
    EXPECT_EQ(ExportLeaf(std::string(1, static_cast<char>(c)), ck::str), LeafText("str", expected))
        << "byte " << c;
  }
}

TEST(ConfigXmlWrite, BinaryLines) {
  const std::string ab64 = [] {
    std::string s;
    for (int i = 0; i < 64; ++i) s += "AB";
    return s;
  }();
  EXPECT_EQ(ExportLeaf(kest_bytes(64, 0xab), ck::bin), LeafText("bin", ab64));
  EXPECT_EQ(ExportLeaf(kest_bytes(65, 0xab), ck::bin),
            LeafText("bin", "\r\n    " + ab64 + "\r\n    AB\r\n  "));
  EXPECT_EQ(ExportLeaf(kest_bytes(128, 0xab), ck::bin),
            LeafText("bin", "\r\n    " + ab64 + "\r\n    " + ab64 + "\r\n  "));
}

TEST(ConfigXmlWrite, StructureRules) {
  // An empty container vanishes; a nameless node is skipped with its subtree.
  config_node root("R");
  root.AppendChild(std::make_unique<config_node>("empty"));
  config_node* nameless = root.AppendChild(std::make_unique<config_node>(""));
  nameless->AppendChild(std::make_unique<config_node>("lost", std::int64_t{1}, ck::integer));
  // A typed node with children writes its type and its children, not its value.
  config_node* typed =
      root.AppendChild(std::make_unique<config_node>("t", std::int64_t{9}, ck::integer));
  typed->AppendChild(std::make_unique<config_node>("c", std::int64_t{1}, ck::integer));
  EXPECT_EQ(Export(root),
            "<R>\r\n"
            "  <t type=\"int\">\r\n"
            "    <c type=\"int\">1</c>\r\n"
            "  </t>\r\n"
            "</R>\r\n");

  EXPECT_EQ(Export(config_node("R")), "");
  EXPECT_EQ(Export(config_node("R", std::int64_t{5}, ck::integer)), "<R type=\"int\">5</R>\r\n");
  EXPECT_EQ(Export(config_node("", std::int64_t{5}, ck::integer)), "");
}

struct read_case {
  const char* label;
  std::string text;
  std::string tree;   // Dump of the target "Config" afterwards
  std::string error;  // last message, "" when none
};

TEST(ConfigXmlRead, Cases) {
  const read_case cases[] = {
      {"every kind, trimmed numbers, type name in any case",
       "<Config><a type=\"int\"> 42 </a><s type=\"str\"> x</s><r type=\"REAL\">1.5e3</r>"
       "<b type=\"Bool\">\t1\r\n</b><h type=\"bin\">0a FF\r\n10</h></Config>",
       "Config{a:2=i42,s:4=' x',r:3=d1500,b:1=1,h:5=x0AFF10}", ""},
      {"containers, closing names ignore case", "<Config><S><v type=\"int\">1</V></s></config>",
       "Config{S{v:2=i1}}", ""},
      {"root name is not compared at opening", "<Other><v type=\"int\">1</v></Config>",
       "Config{v:2=i1}", ""},
      {"text after the root's closing tag is ignored", "<Config></Config><x type=\"int\">1</x>",
       "Config", ""},
      {"text inside untyped elements is ignored",
       "<Config>junk<S>more<v type=\"int\">1</v>tail</S></Config>", "Config{S{v:2=i1}}", ""},
      {"attributes around type", "<Config><a x=\"1\" type=\"int\" y=\"2\">5</a></Config>",
       "Config{a:2=i5}", ""},
      {"empty type name is a container", "<Config><a type=\"\"><b type=\"int\">1</b></a></Config>",
       "Config{a{b:2=i1}}", ""},
      {"unknown type name is dropped, reading stays in step",
       "<Config><a type=\"date\">x</a><b type=\"int\">2</b></Config>", "Config{b:2=i2}", ""},
      {"references", "<Config><a type=\"str\">&#65;&amp;&#35;&#0065;</a></Config>",
       "Config{a:4='A&amp;#A'}", ""},
      {"comment inside a value", "<Config><a type=\"int\">1<!-- x -->2</a></Config>",
       "Config{a:2=i12}", ""},
      {"values that do not read are dropped silently",
       "<Config><s type=\"str\"></s><i type=\"int\">  </i><b type=\"bool\">2</b>"
       "<r type=\"real\">inf</r><x type=\"real\">0x1p3</x><h type=\"bin\"> </h>"
       "<n type=\"int\">9223372036854775808</n><p type=\"int\">+-1</p>"
       "<m type=\"int\">-9223372036854775808</m><q type=\"int\">+7</q></Config>",
       "Config{m:2=i-9223372036854775808,q:2=i7}", ""},

      {"closing name of a typed element", "<Config><a type=\"int\">1</b></Config>",
       "Config{a:2=i1}", "Closing name invalid. Expected \"a\", got \"b\". Pos: 27"},
      {"blank before a closing name", "<Config></ Config>", "Config",
       "Closing name invalid. Expected \"Config\", got \"\". Pos: 11"},
      {"unclosed root keeps what was read", "<Config><a type=\"int\">1</a>", "Config{a:2=i1}",
       "Parser error at position 28"},
      {"typed node with children fails at the first child",
       "<Config><t type=\"int\">\r\n<c type=\"int\">1</c>\r\n</t></Config>", "Config",
       "Parser error at position 26"},
      {"declaration", "<?xml version=\"1.0\"?><Config></Config>", "Config",
       "Parser error at position 2"},
      {"comment between elements", "<Config><!-- c --><a type=\"int\">1</a></Config>", "Config",
       "Parser error at position 10"},
      {"lone < at the end", "<Config><", "Config", "Parser error at position 10"},
      {"no element at all", "hello", "Config", "Parser error at position 6"},
      {"closing slash at the end", "<Config></", "Config", "Parser error at position 11"},
      {"self-closing tag", "<Config><a/></Config>", "Config", "Value without type. Pos: 22"},
      {"attribute without type", "<Config><a x=\"1\">1</a></Config>", "Config",
       "Value without type. Pos: 32"},
      {"untyped element with attribute takes a later type",
       "<Config><a x=\"1\"><b type=\"int\">2</b></a></Config>", "Config{a:2=i2}",
       "Closing name invalid. Expected \"a\", got \"b\". Pos: 36"},
      {"type without =", "<Config><a type \"int\">1</a></Config>", "Config",
       "Parser error at position 17"},
      {"unclosed type quote", "<Config><a type=\"int", "Config", "Parser error at position 21"},
      {"unclosed comment in a value", "<Config><a type=\"str\">ab<!-- x</a></Config>",
       "Config{a:4='ab'}", "Parser error at position 44"},

      {"escape code out of range, reading goes on",
       "<Config><a type=\"str\">x&#256;</a><b type=\"int\">1</b></Config>", "Config{a:4='',b:2=i1}",
       "Invalid escape code. Pos: 7"},
      {"escape code that does not read", "<Config><a type=\"str\">&#x41;</a></Config>",
       "Config{a:4=''}", "Invalid escape code. Pos: 6"},
      {"escape without ;", "<Config><a type=\"str\">x&#65</a></Config>", "Config{a:4=''}",
       "Invalid escape sequence. Pos: 6"},
      {"only the last message survives",
       "<Config><a type=\"str\">&#999;</a><h type=\"bin\">ABC</h></Config>", "Config{a:4=''}",
       "Odd number of hex characters detected"},
      {"hex with a stray character", "<Config><h type=\"bin\">AB-C</h></Config>", "Config",
       "Invalid char detected in \"AB-C\""},
      {"hex with a letter beyond F", "<Config><h type=\"bin\">0G</h></Config>", "Config",
       "Invalid char detected in \"0G\""},
  };
  config_xml_importer importer;
  for (const auto& c : cases) {
    config_node target("Config");
    target.AppendChild(std::make_unique<config_node>("old"));
    importer.Import(c.text, target);
    EXPECT_EQ(Dump(target), c.tree) << c.label;
    EXPECT_EQ(importer.failed, !c.error.empty()) << c.label;
    EXPECT_EQ(importer.error_message, c.error) << c.label;
  }
}

TEST(ConfigXmlRead, NestingIsCapped) {
  std::string text = "<Config>";
  for (int i = 0; i <= config_xml_importer::max_depth; ++i) text += "<a>";
  config_node target("Config");
  config_xml_importer importer;
  importer.Import(text, target);
  EXPECT_EQ(importer.error_message, "Parser error at position " +
                                        std::to_string(8 + 3 * config_xml_importer::max_depth + 3));
  int depth = 0;
  for (const config_node* n = &target; n->ChildCount() > 0; n = n->Child(0)) ++depth;
  EXPECT_EQ(depth, config_xml_importer::max_depth);

  // Far deeper input ends the same way instead of building a tree too deep to free.
  for (int i = 0; i < 200000; ++i) text += "<a>";
  config_list list("Config");
  list.LoadFromText(text);
  EXPECT_EQ(list.root()->ChildCount(), 1);
}

TEST(ConfigXmlRead, LoadFromTextKeepsNodesBeforeAnErrorAndResetsCursor) {
  config_list list("Config");
  list.SelectPath("Stale/Deep", true);
  list.LoadFromText("<Config><S><a type=\"int\">1</a><b type=\"int\">2</c></S></Config>");
  EXPECT_EQ(list.cursor(), list.root());
  EXPECT_EQ(Dump(*list.root()), "Config{S{a:2=i1,b:2=i2}}");
  list.LoadFromText("");
  EXPECT_EQ(Dump(*list.root()), "Config");
}

}  // namespace
