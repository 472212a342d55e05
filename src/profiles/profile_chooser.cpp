#include "profiles/profile_chooser.h"

#include <algorithm>

void ProfileList_FillChooser(profile_chooser& chooser, const profile_list& list) {
  chooser.Clear();
  bool first = true;
  std::int32_t category = 0;
  for (const auto& item : list.items) {
    if (first || item->data.preset.category != category) {
      category = item->data.preset.category;
      first = false;
      chooser.AddRow(ProfileList_CategoryCaption(list, category), nullptr);
    }
    chooser.AddRow("    " + Profile_DisplayName(*item, true), item.get());
  }
  chooser.SetVisibleRows(std::min(chooser.RowCount(), kChooserVisibleRows));
}

bool ProfileChooser_IsProfile(const profile_chooser& chooser, int row) {
  return chooser.RowItem(row) != nullptr;
}

profile_item* ProfileChooser_ItemAt(const profile_chooser& chooser, int row) {
  return chooser.RowItem(row);
}

int ProfileChooser_RowOfItem(const profile_chooser& chooser, const profile_item* item) {
  if (item == nullptr) return -1;
  for (int row = 0; row < chooser.RowCount(); ++row)
    if (chooser.RowItem(row) == item) return row;
  return -1;
}

int ProfileChooser_RowOf(const profile_chooser& chooser, const profile_list& list, std::int32_t id,
                         std::string_view description) {
  if (chooser.RowCount() == 0) return -1;
  return ProfileChooser_RowOfItem(
      chooser, ProfileList_Get(list, ProfileList_Find(list, id, description, false)));
}
