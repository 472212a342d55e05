#include "profiles/output_profile_list.h"
#include "foundation/string_utils.h"

#include <algorithm>

namespace {

struct category_row {
  const char* caption;
  std::int32_t code;
};
constexpr category_row kCategories[] = {
    {"Video", 1}, {"For Video Editing", 6},   {"Audio", 2}, {"Mobile", 3}, {"Web", 4},
    {"DVD", 5},   {"Custom", kCategoryCustom}};

}  // namespace

// profile_item_data

profile_item_data::profile_item_data(const ffmpeg_preset& values, std::int32_t builtin)
    : is_builtin(builtin) {
  SetPreset(values);
}

profile_item_data::profile_item_data(const profile_item_data& other)
    : is_builtin(other.is_builtin), has_video(other.has_video), has_audio(other.has_audio) {
  SetPreset(other.preset);
}

profile_item_data& profile_item_data::operator=(const profile_item_data& other) {
  if (this != &other) {
    is_builtin = other.is_builtin;
    has_video = other.has_video;
    has_audio = other.has_audio;
    SetPreset(other.preset);
  }
  return *this;
}

void profile_item_data::SetDescription(std::string_view text) {
  description_.assign(text.data(), text.size());
  preset.description = description_;
}

void profile_item_data::SetPreset(const ffmpeg_preset& values) {
  const std::string_view description = values.description;
  preset = values;
  // The source may view this object's own text: copy before re-pointing.
  std::string copy(description);
  description_ = std::move(copy);
  preset.description = description_;
}

// profile_list

std::unique_ptr<profile_list> ProfileList_Create() {
  auto list = std::make_unique<profile_list>();
  list->categories.Init(2);
  for (const auto& c : kCategories)
    list->categories.AddRow({std::string(c.caption), std::int64_t{c.code}});
  for (const ffmpeg_preset& row : Ffmpeg_Presets())
    ProfileList_Add(*list, std::make_unique<profile_item>(row, -1));
  return list;
}

void ProfileList_Free(std::unique_ptr<profile_list>& list) {
  if (list) ProfileList_Clear(*list);
  list.reset();
}

void ProfileList_Clear(profile_list& list) {
  list.items.clear();
}

int ProfileList_Count(const profile_list& list) {
  return static_cast<int>(list.items.size());
}

profile_item* ProfileList_Get(const profile_list& list, int index) {
  if (index < 0 || index >= ProfileList_Count(list)) return nullptr;
  return list.items[static_cast<size_t>(index)].get();
}

int ProfileList_Insert(profile_list& list, int index, std::unique_ptr<profile_item> item) {
  if (!item || index < 0 || index > ProfileList_Count(list)) return -1;
  const ffmpeg_preset& p = item->data.preset;
  const int existing = ProfileList_Find(list, p.id, p.description, true);
  if (existing >= 0) return existing;
  item->data.has_video = !p.video_codec.empty();
  item->data.has_audio = !p.audio_codec.empty();
  list.items.insert(list.items.begin() + index, std::move(item));
  return index;
}

int ProfileList_Add(profile_list& list, std::unique_ptr<profile_item> item) {
  return ProfileList_Insert(list, ProfileList_Count(list), std::move(item));
}

int ProfileList_AddCustom(profile_list& list, std::unique_ptr<profile_item> item) {
  if (!item || item->data.preset.category != kCategoryCustom) return -1;
  const ffmpeg_preset& p = item->data.preset;
  const int existing = ProfileList_Find(list, p.id, p.description, true);
  if (existing >= 0) return existing;
  return ProfileList_Insert(list, ProfileList_FirstNonCustom(list), std::move(item));
}

void ProfileList_Delete(profile_list& list, int index) {
  const profile_item* item = ProfileList_Get(list, index);
  if (item == nullptr || item->data.is_builtin != 0) return;
  list.items.erase(list.items.begin() + index);
}

int ProfileList_FindBuiltin(const profile_list& list, std::int32_t id) {
  for (int i = 0; i < ProfileList_Count(list); ++i) {
    const auto& d = list.items[static_cast<size_t>(i)]->data;
    if (d.is_builtin != 0 && d.preset.id == id) return i;
  }
  return -1;
}

int ProfileList_Find(const profile_list& list, std::int32_t id, std::string_view description,
                     bool exact_only) {
  if (id < 0) return -1;
  int same_id = -1;
  for (int i = 0; i < ProfileList_Count(list); ++i) {
    const ffmpeg_preset& p = list.items[static_cast<size_t>(i)]->data.preset;
    if (p.id != id) continue;
    if (Str_SameText(p.description, description)) return i;
    if (same_id < 0) same_id = i;
  }
  return exact_only ? -1 : same_id;
}

int ProfileList_FindCategory(const profile_list& list, std::int32_t category, int start) {
  for (int i = std::max(start, 0); i < ProfileList_Count(list); ++i)
    if (list.items[static_cast<size_t>(i)]->data.preset.category == category) return i;
  return -1;
}

int ProfileList_FirstNonCustom(const profile_list& list) {
  for (int i = 0; i < ProfileList_Count(list); ++i)
    if (list.items[static_cast<size_t>(i)]->data.preset.category != kCategoryCustom) return i;
  return ProfileList_Count(list);
}

std::string ProfileList_CategoryCaption(const profile_list& list, std::int32_t category) {
  const kest_value caption =
      list.categories.Lookup(1, std::int64_t{category}, 0, 0, kest_value{std::string()});
  const auto* text = std::get_if<std::string>(&caption);
  return text != nullptr ? *text : std::string();
}

std::string Profile_DisplayName(const profile_item& item, bool wide) {
  const ffmpeg_preset& p = item.data.preset;
  std::string text;
  if (p.category == kCategoryCustom) text = "Custom  ";
  text += p.name;
  text += wide ? "   <" : " <";
  text += p.description;
  text += ">";
  return text;
}

void Profile_CopyData(profile_item& target, const profile_item& source) {
  target.data = source.data;
}

void Profile_Normalize(profile_item& item) {
  ffmpeg_preset& p = item.data.preset;
  Ffmpeg_NormalizeVideo(p.video_codec, p.width, p.height, p.fps, p.video_bitrate);
}

// Choice lists

var_list ProfileChoices_Resolutions() {
  struct row {
    const char* caption;
    std::int64_t width, height;
  };
  static constexpr row kRows[] = {
      {"Original Size", -1, -1},
      {"", 0, 0},
      {"640x360  (YouTube 360p)", 640, 360},
      {"854x480  (YouTube 480p)", 854, 480},
      {"1280x720  (YouTube HD 720p)", 1280, 720},
      {"1920x800  (BluRay Film)", 1920, 800},
      {"1920x1080  (Full HD 1080p)", 1920, 1080},
      {"", 0, 0},
      {"3840x2160  (UHD 4K)", 3840, 2160},
      {"", 0, 0},
      {"720x480  (American NTSC DVD)", 720, 480},
      {"720x576  (European PAL/SECAM DVD)", 720, 576},
      {"", 0, 0},
      {"320x240", 320, 240},
      {"640x480  (VGA)", 640, 480},
      {"1024x768", 1024, 768},
  };
  var_list list;
  list.Init(3);
  for (const row& r : kRows) list.AddRow({std::string(r.caption), r.width, r.height});
  return list;
}

var_list ProfileChoices_ResizeModes() {
  var_list list;
  list.Init(2);
  list.AddRow({std::string("Best Fit  (proportionally shrink or enlarge)"), std::int64_t{3}});
  list.AddRow({std::string("Shrink to Fit  (never enlarge)"), std::int64_t{2}});
  list.AddRow({std::string("Simple Stretch  (ignore picture proportions)"), std::int64_t{1}});
  return list;
}

var_list ProfileChoices_Speeds(std::int32_t speed_mask) {
  struct row {
    const char* caption;
    std::int32_t code;
  };
  static constexpr row kRows[] = {{"Slow  (high quality)", 2},
                                  {"Normal speed  (normal quality)", 1},
                                  {"Fast  (lower quality)", 4},
                                  {"Maximum speed  (low quality)", 8}};
  var_list list;
  list.Init(2);
  for (const row& r : kRows)
    list.AddRowIf((speed_mask & r.code) != 0, {std::string(r.caption), std::int64_t{r.code}});
  return list;
}
