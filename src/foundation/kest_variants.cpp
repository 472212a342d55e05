#include "foundation/kest_variants.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace {

// An integer and a real are equal when the real is exactly that integer.
bool IntEqualsReal(std::int64_t i, double d) {
  if (!std::isfinite(d) || d != std::trunc(d)) return false;
  // 2^63 itself is outside the integer range.
  if (d < -9223372036854775808.0 || d >= 9223372036854775808.0) return false;
  return static_cast<std::int64_t>(d) == i;
}

}  // namespace

bool Var_Equal(const kest_value& a, const kest_value& b) {
  const auto* ai = std::get_if<std::int64_t>(&a);
  const auto* ad = std::get_if<double>(&a);
  const auto* bi = std::get_if<std::int64_t>(&b);
  const auto* bd = std::get_if<double>(&b);
  if (ai && bd) return IntEqualsReal(*ai, *bd);
  if (ad && bi) return IntEqualsReal(*bi, *ad);
  return a == b;
}

void var_list::Init(int columns) {
  data.clear();
  cols = std::clamp(columns, 1, kMaxCols);
}

void var_list::SetSize(int rows, int columns) {
  rows = std::clamp(rows, 0, kMaxRows);
  columns = std::clamp(columns, 1, kMaxCols);
  const int old_rows = RowCount();
  if (rows == old_rows && columns == cols) return;
  std::vector<kest_value> resized(static_cast<std::size_t>(rows) *
                                  static_cast<std::size_t>(columns));
  const int keep_rows = std::min(rows, old_rows);
  const int keep_cols = std::min(columns, cols);
  for (int r = 0; r < keep_rows; ++r)
    for (int c = 0; c < keep_cols; ++c)
      resized[static_cast<std::size_t>(r) * static_cast<std::size_t>(columns) +
              static_cast<std::size_t>(c)] = std::move(Cell(r, c));
  data = std::move(resized);
  cols = columns;
}

void var_list::AddRow(std::initializer_list<kest_value> values) {
  if (RowCount() >= kMaxRows) return;
  const std::size_t first = data.size();
  data.resize(first + static_cast<std::size_t>(cols));
  std::size_t i = 0;
  for (const kest_value& v : values) {
    if (i == static_cast<std::size_t>(cols)) break;
    data[first + i++] = v;
  }
}

int var_list::FindRow(int column, const kest_value& key, int first_row, int def) const {
  if (column < 0 || column >= cols) return def;
  const int rows = RowCount();
  for (int r = std::max(first_row, 0); r < rows; ++r)
    if (Var_Equal(Cell(r, column), key)) return r;
  return def;
}

kest_value var_list::Lookup(int column, const kest_value& key, int first_row, int result_column,
                            const kest_value& def) const {
  if (result_column < 0 || result_column >= cols) return def;
  const int row = FindRow(column, key, first_row, -1);
  return row < 0 ? def : Cell(row, result_column);
}
