// The profile list: built-in order, custom profiles, lookups, display names,
// choice lists and the chooser rows.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "profiles/output_profile_list.h"
#include "profiles/profile_chooser.h"

namespace {

// A custom profile derived from the built-in format with this id.
std::unique_ptr<profile_item> Custom(std::int32_t id, const std::string& description) {
  ffmpeg_preset p{};
  EXPECT_TRUE(Ffmpeg_GetPreset(Ffmpeg_PresetRowOfId(id), p));
  p.category = kCategoryCustom;
  auto item = std::make_unique<profile_item>(p, 0);
  item->data.SetDescription(description);
  return item;
}

std::vector<std::int64_t> Codes(const var_list& list, int column) {
  std::vector<std::int64_t> codes;
  for (int row = 0; row < list.RowCount(); ++row)
    codes.push_back(std::get<std::int64_t>(list.Cell(row, column)));
  return codes;
}

std::vector<std::string> Captions(const var_list& list) {
  std::vector<std::string> captions;
  for (int row = 0; row < list.RowCount(); ++row)
    captions.push_back(std::get<std::string>(list.Cell(row, 0)));
  return captions;
}

TEST(ProfileList, FreshListHoldsTheBuiltinsInTableOrder) {
  auto list = ProfileList_Create();
  ASSERT_EQ(ProfileList_Count(*list), 43);
  std::vector<std::int32_t> category_runs;
  for (int i = 0; i < 43; ++i) {
    const profile_item_data& d = ProfileList_Get(*list, i)->data;
    EXPECT_EQ(d.is_builtin, -1);
    EXPECT_EQ(d.preset.id, i < 15 ? i : i == 15 ? 42 : i - 1);
    EXPECT_EQ(d.has_video, !d.preset.video_codec.empty());
    EXPECT_EQ(d.has_audio, !d.preset.audio_codec.empty());
    if (category_runs.empty() || category_runs.back() != d.preset.category)
      category_runs.push_back(d.preset.category);
  }
  EXPECT_EQ(category_runs, (std::vector<std::int32_t>{1, 6, 2, 3, 4, 5}));
  EXPECT_FALSE(ProfileList_Get(*list, 16)->data.has_video);  // MP3
  EXPECT_EQ(ProfileList_Get(*list, -1), nullptr);
  EXPECT_EQ(ProfileList_Get(*list, 43), nullptr);

  EXPECT_EQ(ProfileList_FindBuiltin(*list, 42), 15);
  EXPECT_EQ(ProfileList_FindBuiltin(*list, 15), 16);
  EXPECT_EQ(ProfileList_FindBuiltin(*list, 43), -1);
  EXPECT_EQ(ProfileList_FindCategory(*list, 6, 0), 13);
  EXPECT_EQ(ProfileList_FindCategory(*list, 1, 13), -1);
  EXPECT_EQ(ProfileList_FindCategory(*list, kCategoryCustom, 0), -1);
  EXPECT_EQ(ProfileList_FirstNonCustom(*list), 0);
  EXPECT_EQ(ProfileList_Find(*list, 0, "unknown text", false), 0);  // MPEG-4
  EXPECT_EQ(ProfileList_Find(*list, 0, "unknown text", true), -1);

  EXPECT_EQ(Captions(list->categories),
            (std::vector<std::string>{"Video", "For Video Editing", "Audio", "Mobile", "Web", "DVD",
                                      "Custom"}));
  EXPECT_EQ(Codes(list->categories, 1), (std::vector<std::int64_t>{1, 6, 2, 3, 4, 5, 100}));
  EXPECT_EQ(ProfileList_CategoryCaption(*list, 6), "For Video Editing");
  EXPECT_EQ(ProfileList_CategoryCaption(*list, 7), "");

  ProfileList_Clear(*list);
  EXPECT_EQ(ProfileList_Count(*list), 0);
  ProfileList_Free(list);
  EXPECT_EQ(list, nullptr);
}

TEST(ProfileList, CustomProfilesGoFirstAndDuplicatesAreRefused) {
  auto list = ProfileList_Create();
  EXPECT_EQ(ProfileList_AddCustom(*list, Custom(0, "H.264 AVC video, AAC audio, Custom #1")), 0);
  EXPECT_EQ(ProfileList_AddCustom(*list, Custom(28, "Phone")), 1);
  EXPECT_EQ(ProfileList_Get(*list, 2)->data.preset.name, "MPEG-4");
  EXPECT_EQ(ProfileList_FirstNonCustom(*list), 2);
  // Same id, description differing only in letter case: the existing one.
  EXPECT_EQ(ProfileList_AddCustom(*list, Custom(0, "h.264 avc VIDEO, aac audio, custom #1")), 0);
  EXPECT_EQ(ProfileList_Count(*list), 45);

  // A custom copy of a built-in keeping its description equals the built-in:
  // refused too.
  EXPECT_EQ(ProfileList_AddCustom(*list, Custom(42, "Apple ProRes 4:2:2, AAC audio")), 17);
  auto not_custom = Custom(1, "x");
  not_custom->data.preset.category = 1;
  EXPECT_EQ(ProfileList_AddCustom(*list, std::move(not_custom)), -1);
  EXPECT_EQ(ProfileList_AddCustom(*list, nullptr), -1);
  EXPECT_EQ(ProfileList_Insert(*list, -1, Custom(1, "y")), -1);
  EXPECT_EQ(ProfileList_Insert(*list, 46, Custom(1, "y")), -1);
  EXPECT_EQ(ProfileList_Insert(*list, 45, Custom(1, "y")),
            45);  // at the end is allowed
  EXPECT_EQ(ProfileList_Count(*list), 46);

  struct find_row {
    std::int32_t id;
    const char* description;
    bool exact;
    int index;
  };
  for (const find_row r :
       {find_row{0, "unknown text", false, 0}, find_row{0, "unknown text", true, -1},
        find_row{0, "PHONE", false, 0}, find_row{28, "phone", true, 1},
        find_row{0, "H.264 AVC video, AAC audio", true, 2}, find_row{-1, "", false, -1},
        find_row{99, "", false, -1}}) {
    EXPECT_EQ(ProfileList_Find(*list, r.id, r.description, r.exact), r.index)
        << r.id << " " << r.description << " " << r.exact;
  }

  ProfileList_Delete(*list, 2);  // built-in: stays
  ProfileList_Delete(*list, 99);
  EXPECT_EQ(ProfileList_Count(*list), 46);
  ProfileList_Delete(*list, 0);
  EXPECT_EQ(ProfileList_Count(*list), 45);
  EXPECT_EQ(ProfileList_Get(*list, 0)->data.preset.description, "Phone");
}

TEST(ProfileList, DescriptionBelongsToTheProfile) {
  auto source = Custom(0, std::string("Temporary ") + std::string(40, 'x'));
  profile_item target;
  Profile_CopyData(target, *source);
  source->data.SetDescription("changed");
  source.reset();
  EXPECT_EQ(target.data.preset.description, "Temporary " + std::string(40, 'x'));
  EXPECT_EQ(target.data.preset.name, "MPEG-4");
  profile_item copy = target;
  copy = copy;  // self-assignment keeps the text
  EXPECT_EQ(copy.data.preset.description, target.data.preset.description);
  EXPECT_NE(copy.data.preset.description.data(), target.data.preset.description.data());
}

TEST(ProfileList, DisplayNamesAndNormalize) {
  auto list = ProfileList_Create();
  ProfileList_AddCustom(*list, Custom(0, "H.264 AVC video, AAC audio, Custom #1"));
  const profile_item& custom = *ProfileList_Get(*list, 0);
  const profile_item& builtin = *ProfileList_Get(*list, 1);
  EXPECT_EQ(Profile_DisplayName(builtin, true), "MPEG-4   <H.264 AVC video, AAC audio>");
  EXPECT_EQ(Profile_DisplayName(builtin, false), "MPEG-4 <H.264 AVC video, AAC audio>");
  EXPECT_EQ(Profile_DisplayName(custom, false),
            "Custom  MPEG-4 <H.264 AVC video, AAC audio, Custom #1>");
  EXPECT_EQ(Profile_DisplayName(custom, true),
            "Custom  MPEG-4   <H.264 AVC video, AAC audio, Custom #1>");

  auto mpeg2 = Custom(10, "mine");
  ffmpeg_preset& p = mpeg2->data.preset;
  p.width = 721, p.height = 577, p.fps = 15, p.video_bitrate = 5;
  Profile_Normalize(*mpeg2);
  EXPECT_EQ(p.width, 724);
  EXPECT_EQ(p.height, 580);
  EXPECT_DOUBLE_EQ(p.fps, 24000.0 / 1001);
  EXPECT_EQ(p.video_bitrate, 64);
}

TEST(ProfileChoices, CaptionsAndSpeedMasks) {
  const var_list res = ProfileChoices_Resolutions();
  ASSERT_EQ(res.RowCount(), 16);
  EXPECT_EQ(Captions(res)[0], "Original Size");
  EXPECT_EQ(Captions(res)[4], "1280x720  (YouTube HD 720p)");
  EXPECT_EQ(Captions(res)[11], "720x576  (European PAL/SECAM DVD)");
  EXPECT_EQ(Codes(res, 1), (std::vector<std::int64_t>{-1, 0, 640, 854, 1280, 1920, 1920, 0, 3840, 0,
                                                      720, 720, 0, 320, 640, 1024}));
  EXPECT_EQ(Codes(res, 2), (std::vector<std::int64_t>{-1, 0, 360, 480, 720, 800, 1080, 0, 2160, 0,
                                                      480, 576, 0, 240, 480, 768}));
  EXPECT_EQ(Captions(res)[1], "");

  const var_list modes = ProfileChoices_ResizeModes();
  EXPECT_EQ(Captions(modes),
            (std::vector<std::string>{"Best Fit  (proportionally shrink or enlarge)",
                                      "Shrink to Fit  (never enlarge)",
                                      "Simple Stretch  (ignore picture proportions)"}));
  EXPECT_EQ(Codes(modes, 1), (std::vector<std::int64_t>{3, 2, 1}));

  struct row {
    std::int32_t mask;
    std::vector<std::int64_t> codes;
  };
  for (const row& r : {row{0, {}}, row{15, {2, 1, 4, 8}}, row{5, {1, 4}}, row{8, {8}}, row{16, {}}})
    EXPECT_EQ(Codes(ProfileChoices_Speeds(r.mask), 1), r.codes) << r.mask;
  EXPECT_EQ(Captions(ProfileChoices_Speeds(15)),
            (std::vector<std::string>{"Slow  (high quality)", "Normal speed  (normal quality)",
                                      "Fast  (lower quality)", "Maximum speed  (low quality)"}));
}

TEST(ProfileChooser, FreshListHasSixHeadersAndAllProfiles) {
  auto list = ProfileList_Create();
  profile_chooser_rows chooser;
  chooser.AddRow("stale", nullptr);
  ProfileList_FillChooser(chooser, *list);
  ASSERT_EQ(chooser.RowCount(), 49);
  std::vector<std::string> headers;
  int profiles = 0;
  for (const auto& row : chooser.Rows()) {
    if (row.item == nullptr)
      headers.push_back(row.text);
    else
      ++profiles;
  }
  EXPECT_EQ(headers, (std::vector<std::string>{"Video", "For Video Editing", "Audio", "Mobile",
                                               "Web", "DVD"}));
  EXPECT_EQ(profiles, 43);
  EXPECT_EQ(chooser.Rows()[1].text, "    MPEG-4   <H.264 AVC video, AAC audio>");
  EXPECT_EQ(chooser.VisibleRows(), 20);

  // Row operations.
  EXPECT_FALSE(ProfileChooser_IsProfile(chooser, 0));
  EXPECT_TRUE(ProfileChooser_IsProfile(chooser, 1));
  EXPECT_FALSE(ProfileChooser_IsProfile(chooser, -1));
  EXPECT_FALSE(ProfileChooser_IsProfile(chooser, 49));
  EXPECT_EQ(ProfileChooser_ItemAt(chooser, 1), ProfileList_Get(*list, 0));
  EXPECT_EQ(ProfileChooser_ItemAt(chooser, 0), nullptr);
  const int prores_row = ProfileChooser_RowOfItem(chooser, ProfileList_Get(*list, 15));
  EXPECT_EQ(prores_row, 17);  // after the Video block and the editing header
  EXPECT_EQ(ProfileChooser_RowOfItem(chooser, nullptr), -1);
  EXPECT_EQ(ProfileChooser_RowOf(chooser, *list, 42, "anything"), prores_row);
  EXPECT_EQ(ProfileChooser_RowOf(chooser, *list, 99, ""), -1);
  profile_chooser_rows empty;
  EXPECT_EQ(ProfileChooser_RowOf(empty, *list, 42, ""), -1);
}

TEST(ProfileChooser, CustomHeaderFirstAndShortLists) {
  auto list = ProfileList_Create();
  ProfileList_AddCustom(*list, Custom(0, "one"));
  ProfileList_AddCustom(*list, Custom(0, "two"));
  profile_chooser_rows chooser;
  ProfileList_FillChooser(chooser, *list);
  ASSERT_EQ(chooser.RowCount(), 52);
  EXPECT_EQ(chooser.Rows()[0].text, "Custom");
  EXPECT_EQ(chooser.Rows()[2].text, "    Custom  MPEG-4   <two>");
  EXPECT_EQ(chooser.Rows()[3].text, "Video");
  EXPECT_EQ(ProfileChooser_RowOf(chooser, *list, 0, "TWO"), 2);
  EXPECT_EQ(ProfileChooser_RowOf(chooser, *list, 0, "none"), 1);

  // A short list shows all its rows; an unknown category gets an empty header.
  profile_list small;
  auto odd = Custom(0, "odd");
  odd->data.preset.category = 7;
  ProfileList_Add(small, std::move(odd));
  ProfileList_FillChooser(chooser, small);
  ASSERT_EQ(chooser.RowCount(), 2);
  EXPECT_EQ(chooser.Rows()[0].text, "");
  EXPECT_EQ(chooser.VisibleRows(), 2);
  const profile_list empty;
  ProfileList_FillChooser(chooser, empty);
  EXPECT_EQ(chooser.RowCount(), 0);
}

}  // namespace
