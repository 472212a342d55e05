// Custom profiles stored in the configuration and read back, through the
// configuration's text form, and the audio format texts.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "config/kest_config.h"
#include "profiles/output_profile_list.h"
#include "profiles/profile_persistence.h"

namespace {

std::unique_ptr<profile_item> Custom(std::int32_t id, const std::string& description) {
  ffmpeg_preset p{};
  EXPECT_TRUE(Ffmpeg_GetPreset(Ffmpeg_PresetRowOfId(id), p));
  p.category = kCategoryCustom;
  auto item = std::make_unique<profile_item>(p, 0);
  item->data.SetDescription(description);
  return item;
}

// Saves the list's custom profiles into a fresh configuration and returns its
// text.
std::string SaveText(const profile_list& list) {
  config_list config("Config");
  config.SelectPath("CustomProfiles", true);
  Profiles_Save(list, config);
  return config.SaveToText();
}

// Reads the configuration text into a fresh profile list; the custom profiles
// it got.
std::vector<profile_item_data> LoadText(const std::string& text) {
  config_list config("Config");
  config.LoadFromText(text);
  auto list = ProfileList_Create();
  if (config.SelectPath("CustomProfiles", false)) Profiles_Load(*list, config);
  EXPECT_EQ(config.cursor()->name,
            "CustomProfiles");  // back where loading started
  std::vector<profile_item_data> customs;
  for (int i = 0; i < ProfileList_FirstNonCustom(*list); ++i)
    customs.push_back(ProfileList_Get(*list, i)->data);
  EXPECT_EQ(ProfileList_Count(*list), 43 + static_cast<int>(customs.size()));
  return customs;
}

// A configuration text built with the tree operations (then written out as
// text).
std::string TreeText(const std::function<void(config_list&)>& fill) {
  config_list config("Config");
  config.SelectPath("CustomProfiles", true);
  fill(config);
  return config.SaveToText();
}

void AddInt(config_list& c, const char* key, std::int64_t v) {
  c.AddValue(key, kest_value{v}, config_kind::integer);
}
void AddStr(config_list& c, const char* key, const char* v) {
  c.AddValue(key, kest_value{std::string(v)}, config_kind::str);
}

TEST(ProfilePersistence, WritesTheDocumentedLayout) {
  auto list = ProfileList_Create();
  auto item = Custom(28, "H.264 AVC video, AAC audio, Custom #1");
  ffmpeg_preset& p = item->data.preset;
  p.width = 960, p.height = 540, p.resize_mode = 3, p.speed = 2;
  p.sample_rate = 48000, p.channels = 2;
  p.fps = -1, p.video_bitrate = -1, p.audio_bitrate = -1;
  ASSERT_EQ(ProfileList_AddCustom(*list, std::move(item)), 0);
  EXPECT_EQ(SaveText(*list),
            "<Config>\r\n"
            "  <CustomProfiles>\r\n"
            "    <Profile1>\r\n"
            "      <FormatId type=\"int\">28</FormatId>\r\n"
            // "#" is always written as a character reference.
            "      <Desc type=\"str\">H.264 AVC video, AAC audio, Custom &#35;1</Desc>\r\n"
            "      <VideoResX type=\"int\">960</VideoResX>\r\n"
            "      <VideoResY type=\"int\">540</VideoResY>\r\n"
            "      <VideoResizeMode type=\"int\">3</VideoResizeMode>\r\n"
            "      <VideoEncodingSpeed type=\"int\">2</VideoEncodingSpeed>\r\n"
            "      <AudioSampleRate type=\"int\">48000</AudioSampleRate>\r\n"
            "      <AudioChannels type=\"int\">2</AudioChannels>\r\n"
            "    </Profile1>\r\n"
            "  </CustomProfiles>\r\n"
            "</Config>\r\n");
}

TEST(ProfilePersistence, SavingWithoutCustomProfilesEmptiesTheSection) {
  config_list config("Config");
  config.SelectPath("CustomProfiles", true);
  config.AddChild("Profile1");
  config.GoUp();
  auto list = ProfileList_Create();
  Profiles_Save(*list, config);
  EXPECT_EQ(config.cursor()->name, "CustomProfiles");
  EXPECT_EQ(config.cursor()->Child(0), nullptr);
}

TEST(ProfilePersistence, RoundTripKeepsEveryValue) {
  auto list = ProfileList_Create();
  auto video = Custom(0, "Film, 29.97");
  {
    ffmpeg_preset& p = video->data.preset;
    p.width = 1280, p.height = 720, p.resize_mode = 2, p.fps = 29.97, p.video_bitrate = 2500;
    p.speed = 4, p.sample_rate = 44100, p.channels = 1, p.audio_bitrate = 96;
  }
  auto audio = Custom(15, "Voice <mono> & \"quotes\"");  // MP3: no speed choice
  audio->data.preset.sample_rate = 22050;
  ProfileList_AddCustom(*list, std::move(video));
  ProfileList_AddCustom(*list, std::move(audio));
  const std::string text = SaveText(*list);
  EXPECT_EQ(text.find("VideoEncodingSpeed", text.find("<Profile2>")), std::string::npos);

  const auto loaded = LoadText(text);
  ASSERT_EQ(loaded.size(), 2u);
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(i);
    const ffmpeg_preset& want = ProfileList_Get(*list, i)->data.preset;
    const ffmpeg_preset& got = loaded[static_cast<size_t>(i)].preset;
    EXPECT_EQ(loaded[static_cast<size_t>(i)].is_builtin, 0);
    EXPECT_EQ(got.id, want.id);
    EXPECT_EQ(got.description, want.description);
    EXPECT_EQ(got.category, kCategoryCustom);
    EXPECT_EQ(got.name, want.name);
    EXPECT_EQ(got.width, want.width);
    EXPECT_EQ(got.height, want.height);
    EXPECT_EQ(got.resize_mode, want.resize_mode);
    EXPECT_EQ(got.fps, want.fps);  // 29.97 exactly, not 29.969999...
    EXPECT_EQ(got.video_bitrate, want.video_bitrate);
    EXPECT_EQ(got.speed, want.speed);
    EXPECT_EQ(got.speed_mask, want.speed_mask);
    EXPECT_EQ(got.sample_rate, want.sample_rate);
    EXPECT_EQ(got.channels, want.channels);
    EXPECT_EQ(got.audio_bitrate, want.audio_bitrate);
    EXPECT_EQ(got.audio_codec, want.audio_codec);
  }
  EXPECT_EQ(loaded[0].preset.fps, 29.97);
}

TEST(ProfilePersistence, ReadingEdgeCases) {
  ffmpeg_preset mpeg4{};
  ASSERT_TRUE(Ffmpeg_GetPreset(0, mpeg4));
  struct row {
    const char* what;
    std::function<void(config_list&)> fill;
    std::vector<std::string> descriptions;  // of the profiles read, in list order
    std::function<void(const std::vector<profile_item_data>&)> check;
  };
  const std::vector<row> rows = {
      {"int frame rate is a real",
       [](config_list& c) {
         c.AddChild("Profile1");
         AddInt(c, "FormatId", 0);
         AddStr(c, "Desc", "a");
         AddInt(c, "VideoFrameRate", 25);
         c.GoUp();
       },
       {"a"},
       [](const auto& p) { EXPECT_EQ(p[0].preset.fps, 25.0); }},
      {"str width is ignored, missing Desc is marked",
       [](config_list& c) {
         c.AddChild("Profile1");
         AddInt(c, "FormatId", 0);
         AddStr(c, "VideoResX", "640");
         AddInt(c, "VideoResY", 360);
         c.GoUp();
       },
       {"<invalid description>"},
       [&mpeg4](const auto& p) {
         EXPECT_EQ(p[0].preset.width, mpeg4.width);
         EXPECT_EQ(p[0].preset.height, 360);
       }},
      {"a gap ends reading",
       [](config_list& c) {
         for (const char* name : {"Profile1", "Profile3"}) {
           c.AddChild(name);
           AddInt(c, "FormatId", 0);
           AddStr(c, "Desc", name);
           c.GoUp();
         }
       },
       {"Profile1"},
       nullptr},
      {"bad ids are skipped, numbering goes on",
       [](config_list& c) {
         c.AddChild("Profile1");
         AddStr(c, "Desc", "no id");
         c.GoUp();
         c.AddChild("Profile2");
         AddStr(c, "FormatId", "3");
         c.GoUp();
         c.AddChild("Profile3");
         AddInt(c, "FormatId", 43);
         c.GoUp();
         c.AddChild("Profile4");
         c.AddValue("FormatId", kest_value{3.0}, config_kind::real);
         c.GoUp();
         c.AddChild("Profile5");
         AddInt(c, "FormatId", 42);
         AddStr(c, "Desc", "kept");
         c.GoUp();
       },
       {"kept"},
       nullptr},
      {"case-only duplicates: the second is dropped",
       [](config_list& c) {
         int n = 1;
         for (const char* d : {"Mine", "MINE", "other"}) {
           c.AddChild("Profile" + std::to_string(n++));
           AddInt(c, "FormatId", 5);
           AddStr(c, "Desc", d);
           c.GoUp();
         }
       },
       {"Mine", "other"},
       nullptr},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.what);
    const auto loaded = LoadText(TreeText(r.fill));
    std::vector<std::string> descriptions;
    for (const auto& d : loaded) descriptions.emplace_back(d.preset.description);
    ASSERT_EQ(descriptions, r.descriptions);
    if (r.check) r.check(loaded);
  }
}

TEST(ProfilePersistence, AudioFormatTexts) {
  struct row {
    std::int32_t channels;
    const char* text;
  };
  for (const row r :
       {row{0, "-"}, row{1, "mono"}, row{2, "stereo"}, row{3, "2.1 stereo"}, row{4, "4-channels"},
        row{5, "5-channels"}, row{6, "5.1 surround"}, row{7, "6.1 surround"},
        row{8, "7.1 surround"}, row{9, "9-channels"}, row{-1, "-1-channels"}}) {
    EXPECT_EQ(Ffmpeg_ChannelsText(r.channels), r.text);
  }
  EXPECT_EQ(Ffmpeg_AudioFormatText(8000, 1), "8000 Hz, mono");
  EXPECT_EQ(Ffmpeg_AudioFormatText(44100, 2), "44100 Hz, stereo");
}

}  // namespace
