#include "profiles/profile_persistence.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <memory>

namespace {

constexpr const char* kInvalidDescription = "<invalid description>";

std::string IntText(std::int64_t n) {
  char buf[24];
  const auto r = std::to_chars(buf, buf + sizeof buf, n);
  return std::string(buf, r.ptr);
}

bool FrameRateSet(double fps) {
  return std::fabs(fps + 1) > 0.000001 && !(fps < -0.999);
}

// Leaves the profile node again however its handling ends.
struct go_up_guard {
  config_list& config;
  ~go_up_guard() { config.GoUp(); }
};

std::int32_t GetInt(config_list& config, std::string_view key, std::int32_t fallback) {
  const kest_value v = config.GetValue(key, kest_value{std::int64_t{fallback}});
  const auto* n = std::get_if<std::int64_t>(&v);
  if (n == nullptr) return fallback;
  constexpr std::int64_t lo = std::numeric_limits<std::int32_t>::min();
  constexpr std::int64_t hi = std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(*n < lo ? lo : *n > hi ? hi : *n);
}

// A real default also accepts a stored integer.
double GetReal(config_list& config, std::string_view key, double fallback) {
  const kest_value v = config.GetValue(key, kest_value{fallback});
  if (const auto* d = std::get_if<double>(&v)) return *d;
  if (const auto* n = std::get_if<std::int64_t>(&v)) return static_cast<double>(*n);
  return fallback;
}

void AddInt(config_list& config, std::string_view key, std::int32_t value) {
  config.AddValue(key, kest_value{std::int64_t{value}}, config_kind::integer);
}

}  // namespace

void Profiles_Save(const profile_list& list, config_list& config) {
  try {
    config.ClearChildren();
    int index = ProfileList_FindCategory(list, kCategoryCustom, 0);
    if (index < 0) return;
    for (int n = 1; index < ProfileList_Count(list); ++index, ++n) {
      const ffmpeg_preset& p = ProfileList_Get(list, index)->data.preset;
      if (p.category != kCategoryCustom) break;
      config.AddChild("Profile" + IntText(n));
      go_up_guard up{config};
      AddInt(config, "FormatId", p.id);
      config.AddValue("Desc", kest_value{std::string(p.description)}, config_kind::str);
      if (p.width != -1) AddInt(config, "VideoResX", p.width);
      if (p.height != -1) AddInt(config, "VideoResY", p.height);
      if (p.resize_mode != -1) AddInt(config, "VideoResizeMode", p.resize_mode);
      if (FrameRateSet(p.fps))
        config.AddValue("VideoFrameRate", kest_value{p.fps}, config_kind::real);
      if (p.video_bitrate != -1) AddInt(config, "VideoBitRate", p.video_bitrate);
      if (p.speed > 0) AddInt(config, "VideoEncodingSpeed", p.speed);
      if (p.sample_rate != -1) AddInt(config, "AudioSampleRate", p.sample_rate);
      if (p.channels != -1) AddInt(config, "AudioChannels", p.channels);
      if (p.audio_bitrate != -1) AddInt(config, "AudioBitRate", p.audio_bitrate);
    }
  } catch (...) {
    // Saving stops quietly; the profiles written so far stay.
  }
}

void Profiles_Load(profile_list& list, config_list& config) {
  try {
    for (int n = 1;; ++n) {
      if (!config.SelectPath("Profile" + IntText(n), false)) break;
      go_up_guard up{config};
      const std::int32_t id = GetInt(config, "FormatId", -1);
      const int base = id == -1 ? -1 : ProfileList_FindBuiltin(list, id);
      if (base < 0) continue;
      ffmpeg_preset p = ProfileList_Get(list, base)->data.preset;
      const kest_value desc = config.GetValue("Desc", kest_value{std::string(kInvalidDescription)});
      p.width = GetInt(config, "VideoResX", p.width);
      p.height = GetInt(config, "VideoResY", p.height);
      p.resize_mode = GetInt(config, "VideoResizeMode", p.resize_mode);
      p.fps = GetReal(config, "VideoFrameRate", p.fps);
      p.video_bitrate = GetInt(config, "VideoBitRate", p.video_bitrate);
      p.speed = GetInt(config, "VideoEncodingSpeed", p.speed);
      p.sample_rate = GetInt(config, "AudioSampleRate", p.sample_rate);
      p.channels = GetInt(config, "AudioChannels", p.channels);
      p.audio_bitrate = GetInt(config, "AudioBitRate", p.audio_bitrate);
      p.category = kCategoryCustom;
      auto item = std::make_unique<profile_item>(p, 0);
      const auto* text = std::get_if<std::string>(&desc);
      item->data.SetDescription(text != nullptr ? *text : kInvalidDescription);
      ProfileList_AddCustom(list, std::move(item));
    }
  } catch (...) {
    // Loading stops quietly; the profiles added so far stay.
  }
}

std::string Ffmpeg_ChannelsText(std::int32_t channels) {
  switch (channels) {
    case 0:
      return "-";
    case 1:
      return "mono";
    case 2:
      return "stereo";
    case 3:
      return "2.1 stereo";
    case 6:
      return "5.1 surround";
    case 7:
      return "6.1 surround";
    case 8:
      return "7.1 surround";
    default:
      return IntText(channels) + "-channels";
  }
}

std::string Ffmpeg_AudioFormatText(std::int32_t sample_rate, std::int32_t channels) {
  return IntText(sample_rate) + " Hz, " + Ffmpeg_ChannelsText(channels);
}
