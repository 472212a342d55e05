#include <gtest/gtest.h>

#include <string>

#include "foundation/kest_variants.h"

namespace {

using namespace std::string_literals;

TEST(VarList, RowsKeepTheirColumnCount) {
  var_list list(3);
  list.AddRow({"a"s, std::int64_t{1}, 2.5, "dropped"s});
  list.AddRow({});
  list.AddRowIf(false, {"never"s});
  list.AddRowIf(true, {true});
  EXPECT_EQ(list.RowCount(), 3);
  EXPECT_EQ(list.data.size(), 9u);
  EXPECT_EQ(list.Cell(0, 2), kest_value(2.5));
  EXPECT_EQ(list.Cell(1, 0), kest_value());
  EXPECT_EQ(list.Cell(2, 0), kest_value(true));

  struct row {
    int columns;
    int cols;
  };
  for (const row r : {row{0, 1}, row{-5, 1}, row{1024, 1024}, row{5000, 1024}}) {
    list.Init(r.columns);
    EXPECT_EQ(list.cols, r.cols);
    EXPECT_EQ(list.RowCount(), 0);
  }
}

TEST(VarList, SetSizeKeepsTheCellsThatRemain) {
  var_list list(2);
  list.AddRow({std::int64_t{1}, std::int64_t{2}});
  list.AddRow({std::int64_t{3}, std::int64_t{4}});
  list.SetSize(3, 3);
  ASSERT_EQ(list.RowCount(), 3);
  EXPECT_EQ(list.Cell(1, 0), kest_value(std::int64_t{3}));
  EXPECT_EQ(list.Cell(1, 1), kest_value(std::int64_t{4}));
  EXPECT_EQ(list.Cell(1, 2), kest_value());
  EXPECT_EQ(list.Cell(2, 0), kest_value());
  list.SetSize(1, 1);
  ASSERT_EQ(list.RowCount(), 1);
  EXPECT_EQ(list.Cell(0, 0), kest_value(std::int64_t{1}));
  list.SetSize(-1, 0);
  EXPECT_EQ(list.RowCount(), 0);
  EXPECT_EQ(list.cols, 1);
  list.SetSize(var_list::kMaxRows + 10, 1);
  EXPECT_EQ(list.RowCount(), var_list::kMaxRows);
  list.AddRow({"over"s});
  EXPECT_EQ(list.RowCount(), var_list::kMaxRows);
}

TEST(VarList, FindRowAndLookupCompareByValue) {
  var_list list(2);
  list.AddRow({"640x480"s, 640.0});
  list.AddRow({std::int64_t{25}, "int"s});
  list.AddRow({25.0, "real"s});
  list.AddRow({true, "bool"s});
  list.AddRow({kest_bytes{1, 2}, "bytes"s});

  struct row {
    kest_value key;
    int first;
    int found;
  };
  const row rows[] = {
      {std::int64_t{25}, 0, 1},
      {25.0, 0, 1},
      {std::int64_t{25}, 2, 2},
      {25.5, 0, -1},
      {"640x480"s, 0, 0},
      {"640X480"s, 0, -1},
      {"25"s, 0, -1},
      {true, 0, 3},
      {std::int64_t{1}, 0, -1},
      {kest_bytes{1, 2}, 0, 4},
      {kest_value(), 0, -1},
      {std::int64_t{25}, -4, 1},
      {std::int64_t{25}, 9, -1},
  };
  for (const row& r : rows) EXPECT_EQ(list.FindRow(0, r.key, r.first, -1), r.found) << r.found;
  EXPECT_EQ(list.FindRow(1, std::int64_t{640}, 0, -1), 0);  // an integer key finds a real cell
  EXPECT_EQ(list.FindRow(5, "x"s, 0, -7), -7);

  EXPECT_EQ(list.Lookup(0, 25.0, 0, 1, "none"s), kest_value("int"s));
  EXPECT_EQ(list.Lookup(0, "nothing"s, 0, 1, "none"s), kest_value("none"s));
  EXPECT_EQ(list.Lookup(0, 25.0, 0, 9, "none"s), kest_value("none"s));

  // Integers and reals compare exactly, also at the ends of the integer range.
  EXPECT_FALSE(Var_Equal(std::int64_t{INT64_MAX}, 9223372036854775808.0));
  EXPECT_TRUE(Var_Equal(std::int64_t{INT64_MIN}, -9223372036854775808.0));
  EXPECT_FALSE(Var_Equal(std::int64_t{0}, std::numeric_limits<double>::quiet_NaN()));
}

}  // namespace
