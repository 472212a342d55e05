#pragma once
// A profile chooser without a toolkit: rows of text, each either a category header (no item)
// or a profile (its item). The output dialog adapts it to its drop-down list; the command
// line lists it as text; profile_chooser_rows keeps the rows in memory for both.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "profiles/output_profile_list.h"

class profile_chooser {
 public:
  virtual ~profile_chooser() = default;
  virtual void Clear() = 0;
  // Appends a row; `item` is nullptr for a header row.
  virtual void AddRow(const std::string& text, profile_item* item) = 0;
  // How many rows the opened drop-down shows at once.
  virtual void SetVisibleRows(int count) = 0;
  virtual int RowCount() const = 0;
  // The item of a row; nullptr for a header row or a row outside the chooser.
  virtual profile_item* RowItem(int row) const = 0;
};

// The chooser as plain rows.
class profile_chooser_rows : public profile_chooser {
 public:
  struct row {
    std::string text;
    profile_item* item = nullptr;
  };
  void Clear() override { rows_.clear(); }
  void AddRow(const std::string& text, profile_item* item) override {
    rows_.push_back({text, item});
  }
  void SetVisibleRows(int count) override { visible_rows_ = count; }
  int RowCount() const override { return static_cast<int>(rows_.size()); }
  profile_item* RowItem(int row) const override {
    return row >= 0 && row < RowCount() ? rows_[static_cast<size_t>(row)].item : nullptr;
  }
  const std::vector<row>& Rows() const { return rows_; }
  int VisibleRows() const { return visible_rows_; }

 private:
  std::vector<row> rows_;
  int visible_rows_ = 0;
};

// Most rows an opened chooser shows at once.
inline constexpr int kChooserVisibleRows = 20;

// Clears the chooser and adds, in list order, a header with the category's caption before
// every change of category and a row "    " + the wide display name for every profile.
void ProfileList_FillChooser(profile_chooser& chooser, const profile_list& list);
// Whether the row exists and carries a profile.
bool ProfileChooser_IsProfile(const profile_chooser& chooser, int row);
profile_item* ProfileChooser_ItemAt(const profile_chooser& chooser, int row);
// Row carrying `item`, -1 when none does.
int ProfileChooser_RowOfItem(const profile_chooser& chooser, const profile_item* item);
// Row of the profile ProfileList_Find(id, description, not exact only) gives; -1 when there is
// none or the chooser is empty.
int ProfileChooser_RowOf(const profile_chooser& chooser, const profile_list& list, std::int32_t id,
                         std::string_view description);
