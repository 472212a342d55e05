#pragma once

#include <cstdint>
#include <span>
#include <string_view>

// One built-in output format: what the user sees, what the encoder is told, the defaults a
// new profile starts from and the limits a job's values are clamped to. -1 stands for the
// input's own value (sizes, frame rates, sample rates, channels) or for an automatic choice
// (bit rates); audio-only rows hold -1 in every video limit.
struct ffmpeg_preset {
  std::int32_t id;
  std::string_view name;
  std::string_view description;
  std::int32_t category;  // 1 Video, 2 Audio, 3 Mobile, 4 Web, 5 DVD, 6 Video Editing, 100 Custom
  std::string_view extension;
  std::string_view container;
  std::string_view video_codec;  // empty: audio-only format
  std::int32_t width, height;
  std::int32_t min_width, min_height;
  std::int32_t max_width, max_height;
  std::int32_t resize_mode;  // 1 stretch, 2 shrink to fit, 3 best fit
  double fps;
  double min_fps, max_fps;
  std::int32_t video_bitrate;  // kbit/s
  std::int32_t min_video_bitrate, max_video_bitrate;
  double video_bitrate_factor;
  std::int32_t speed_mask;  // bit set of the speed codes 1, 2, 4, 8
  std::int32_t speed;
  std::string_view audio_codec;  // encoder name, "pcm" or "libmp3lame_flv"
  std::int32_t sample_rate;
  std::int32_t channels;
  std::int32_t audio_bitrate;  // kbit/s
  std::int32_t min_audio_bitrate, max_audio_bitrate;
  double audio_bitrate_factor;
  std::int32_t audio_class;  // first index of the audio combination table; -1 PCM, FLAC
};

// Audio codec classes (first index of the combination table).
enum : std::int32_t {
  kAudioClassMp3 = 0,
  kAudioClassVorbis = 1,
  kAudioClassAac = 2,
  kAudioClassWma2 = 3,
  kAudioClassMp2 = 4,
  kAudioClassAc3 = 5,
  kAudioClassMp3Flv = 6,
  kAudioClassCount = 7,
};

inline constexpr int kSampleRateCount = 8;
inline constexpr int kAudioBitrateCount = 21;

// The 43 rows in offer order (row 15 holds id 42; ids 15..41 follow at rows 16..42).
std::span<const ffmpeg_preset> Ffmpeg_Presets();
// Sample rates in Hz, ascending.
std::span<const std::int32_t> Ffmpeg_SampleRates();
// Audio bit rates in kbit/s in their stored order (128 comes before 112).
std::span<const std::int32_t> Ffmpeg_AudioBitrates();

int Ffmpeg_PresetCount();
// Copy of row `index` (0..42); false for any other index.
bool Ffmpeg_GetPreset(int index, ffmpeg_preset& out);
// Row of the first preset with this id, or -1.
int Ffmpeg_PresetRowOfId(std::int32_t id);
int Ffmpeg_SampleRateIndex(std::int32_t hz);
int Ffmpeg_AudioBitrateIndex(std::int32_t kbps);
// Entry of the combination table by indices; false for indices out of range.
bool Ffmpeg_AudioComboAllowed(int audio_class, int rate_index, bool stereo, int bitrate_index);
// Whether the encoder accepts the audio combination; kbps -1 asks whether any bit rate fits.
bool Ffmpeg_IsAudioComboValid(std::string_view codec, std::int32_t hz, std::int32_t channels,
                              std::int32_t kbps);
// Brings a profile's video values into the ranges every codec accepts; -1 passes unchanged.
void Ffmpeg_NormalizeVideo(std::string_view codec, std::int32_t& width, std::int32_t& height,
                           double& fps, std::int32_t& kbps);
