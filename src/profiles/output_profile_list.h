#pragma once
// Output profiles: the 43 built-in formats and the user's custom profiles derived from them,
// in the order they are offered (custom profiles first, then the built-ins in table order),
// with the category captions that group them and the fixed choice lists of the editor.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "encoder/ffmpeg_presets.h"
#include "foundation/kest_variants.h"

inline constexpr std::int32_t kCategoryCustom = 100;

// The values of one profile. `preset.description` always views this object's own copy of the
// description, so a profile may outlive the text it was given; change it with SetDescription
// (or SetPreset), never by assigning the view. The other texts of a preset view the constant
// format table.
class profile_item_data {
 public:
  std::int32_t is_builtin = 0;  // -1 built-in, 0 custom
  bool has_video = false;       // video_codec not empty; set when inserted into a list
  bool has_audio = false;       // audio_codec not empty; set when inserted into a list
  ffmpeg_preset preset{};

  profile_item_data() = default;
  profile_item_data(const ffmpeg_preset& values, std::int32_t builtin);
  profile_item_data(const profile_item_data& other);
  profile_item_data& operator=(const profile_item_data& other);
  ~profile_item_data() = default;

  void SetDescription(std::string_view text);
  // Copies all values, keeping an own copy of the description.
  void SetPreset(const ffmpeg_preset& values);

 private:
  std::string description_;
};

class profile_item {
 public:
  profile_item() = default;
  profile_item(const ffmpeg_preset& values, std::int32_t builtin) : data(values, builtin) {}
  profile_item_data data;
};

class profile_list {
 public:
  std::vector<std::unique_ptr<profile_item>> items;
  var_list categories;  // (caption, category code) in offer order, "Custom" last
};

// A list holding the 43 built-in profiles and the seven category rows.
std::unique_ptr<profile_list> ProfileList_Create();
void ProfileList_Free(std::unique_ptr<profile_list>& list);
void ProfileList_Clear(profile_list& list);
int ProfileList_Count(const profile_list& list);
// The item at index, nullptr outside 0..count-1.
profile_item* ProfileList_Get(const profile_list& list, int index);
// Inserts at index 0..count unless a profile with the same id and description is there (that
// one's index is returned and `item` is dropped); -1 for no item or a bad index.
int ProfileList_Insert(profile_list& list, int index, std::unique_ptr<profile_item> item);
int ProfileList_Add(profile_list& list, std::unique_ptr<profile_item> item);
// Adds a custom profile (category 100) after the custom profiles present; the index of an
// equal profile already there; -1 for no item or another category.
int ProfileList_AddCustom(profile_list& list, std::unique_ptr<profile_item> item);
// Removes a custom profile; built-in profiles stay.
void ProfileList_Delete(profile_list& list, int index);
int ProfileList_FindBuiltin(const profile_list& list, std::int32_t id);
// First item with this id and a description equal ignoring ASCII case; failing that, unless
// exact_only, the first with this id; else -1 (always -1 for a negative id).
int ProfileList_Find(const profile_list& list, std::int32_t id, std::string_view description,
                     bool exact_only);
int ProfileList_FindCategory(const profile_list& list, std::int32_t category, int start);
// Index of the first item that is not custom; the count when there is none.
int ProfileList_FirstNonCustom(const profile_list& list);
// Caption of a category code, empty when it has none.
std::string ProfileList_CategoryCaption(const profile_list& list, std::int32_t category);

// "MPEG-4   <H.264 AVC video, AAC audio>" (wide) or "MPEG-4 <...>", with "Custom  " in front
// for a custom profile.
std::string Profile_DisplayName(const profile_item& item, bool wide);
void Profile_CopyData(profile_item& target, const profile_item& source);
// Brings the video values into the ranges every codec accepts.
void Profile_Normalize(profile_item& item);

// Choice lists of the editor: (caption, width, height) with 0 x 0 rows as separators;
// (caption, resize mode); (caption, speed code) for the speeds whose bit is in speed_mask.
var_list ProfileChoices_Resolutions();
var_list ProfileChoices_ResizeModes();
var_list ProfileChoices_Speeds(std::int32_t speed_mask);
