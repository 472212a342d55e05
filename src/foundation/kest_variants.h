#pragma once
// var_list: a small table of tagged values, used for the program's choice lists.
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "foundation/kest_variants_value.h"

class var_list {
 public:
  static constexpr int kMaxRows = 1048576;
  static constexpr int kMaxCols = 1024;

  std::vector<kest_value> data;  // row-major, `cols` cells per row
  int cols = 1;

  explicit var_list(int columns = 1) { Init(columns); }

  // An empty table with `columns` clamped into 1 … kMaxCols.
  void Init(int columns);
  void Clear() { data.clear(); }
  int RowCount() const { return static_cast<int>(data.size() / static_cast<std::size_t>(cols)); }
  // Rows clamped into 0 … kMaxRows, columns into 1 … kMaxCols; cells that remain keep values.
  void SetSize(int rows, int columns);
  // Appends a row whose first cells take `values` (at most `cols`); the rest stay empty.
  // Nothing when the table already has kMaxRows rows.
  void AddRow(std::initializer_list<kest_value> values);
  void AddRowIf(bool condition, std::initializer_list<kest_value> values) {
    if (condition) AddRow(values);
  }
  // The first row from `first_row` on whose cell in `column` equals key (Var_Equal); `def`
  // when none or the column does not exist.
  int FindRow(int column, const kest_value& key, int first_row = 0, int def = -1) const;
  // The cell in `result_column` of the matching row, or `def`.
  kest_value Lookup(int column, const kest_value& key, int first_row, int result_column,
                    const kest_value& def) const;

  // The cell at (row, column); both must be in range.
  kest_value& Cell(int row, int column) {
    return data[static_cast<std::size_t>(row) * static_cast<std::size_t>(cols) +
                static_cast<std::size_t>(column)];
  }
  const kest_value& Cell(int row, int column) const {
    return data[static_cast<std::size_t>(row) * static_cast<std::size_t>(cols) +
                static_cast<std::size_t>(column)];
  }
};

// Equality by value: integers and reals numerically (exactly), booleans, strings and byte
// arrays with their own kind, empty with empty. Values of other kinds never equal each other.
bool Var_Equal(const kest_value& a, const kest_value& b);
