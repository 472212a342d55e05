// The built-in output formats and the audio tables: constant data, read without allocation.
#include "encoder/ffmpeg_presets.h"
#include "foundation/string_utils.h"

#include <array>

namespace {

constexpr double kNtscFilm = 23.976023976023978;  // 24000/1001

// clang-format off
constexpr std::array<ffmpeg_preset, 43> kPresets{{
    {0, "MPEG-4", "H.264 AVC video, AAC audio", 1, "mp4", "mp4", "libx264", -1, -1, 64, 64, 4096, 4096, 3, -1.0, 0.1, 60.0, -1, 8, 40000, 0.14467592592592593, 15, 1, "libvo_aacenc", -1, -1, -1, 32, 320, 0.6666666666666666, 2},  // row 0
    {1, "WebM", "VP8 video, Vorbis audio", 1, "webm", "webm", "libvpx", -1, -1, 64, 64, 4096, 4096, 3, -1.0, 0.1, 60.0, -1, 8, 40000, 0.14467592592592593, 15, 1, "libvorbis", -1, -1, -1, 45, 500, 0.6666666666666666, 1},  // row 1
    {2, "MKV", "H.264 AVC video, Vorbis audio", 1, "mkv", "matroska", "libx264", -1, -1, 64, 64, 4096, 4096, 3, -1.0, 0.1, 60.0, -1, 8, 40000, 0.14467592592592593, 15, 1, "libvorbis", -1, -1, -1, 45, 500, 0.6666666666666666, 1},  // row 2
    {3, "AVI", "XVID video, MP3 audio", 1, "avi", "avi", "xvid", -1, -1, 64, 64, 4096, 4096, 3, -1.0, 0.1, 60.0, -1, 64, 20000, 0.28935185185185186, 0, 0, "libmp3lame", -1, -1, -1, 32, 320, 0.8333333333333334, 0},  // row 3
    {4, "AVI", "DIVX video, MP3 audio", 1, "avi", "avi", "divx", -1, -1, 64, 64, 4096, 4096, 3, -1.0, 0.1, 60.0, -1, 64, 20000, 0.28935185185185186, 0, 0, "libmp3lame", -1, -1, -1, 32, 320, 0.8333333333333334, 0},  // row 4
    {5, "MOV", "H.263 video, AAC audio", 1, "mov", "mov", "mpeg4", -1, -1, 64, 64, 4096, 4096, 3, -1.0, 0.1, 60.0, -1, 64, 20000, 0.28935185185185186, 0, 0, "libvo_aacenc", -1, -1, -1, 32, 320, 0.6666666666666666, 2},  // row 5
    {6, "3GP", "H.263 video, AAC audio", 1, "3gp", "3gp", "mpeg4", -1, -1, 64, 64, 4096, 4096, 3, -1.0, 0.1, 60.0, -1, 64, 20000, 0.28935185185185186, 0, 0, "libvo_aacenc", -1, -1, -1, 32, 320, 0.6666666666666666, 2},  // row 6
    {7, "OGV", "Theora video, Vorbis audio", 1, "ogv", "ogg", "libtheora", -1, -1, 64, 64, 4096, 4096, 3, -1.0, 0.1, 60.0, -1, 64, 20000, 0.28935185185185186, 0, 0, "libvorbis", -1, -1, -1, 45, 500, 0.6666666666666666, 1},  // row 7
    {8, "WMV 7", "WMV-1 video, WMA-2 audio", 1, "wmv", "asf", "wmv1", -1, -1, 64, 64, 4096, 4096, 3, -1.0, 0.1, 60.0, -1, 64, 20000, 0.28935185185185186, 0, 0, "wmav2", -1, -1, -1, 32, 256, 0.8333333333333334, 3},  // row 8
    {9, "MPEG-1", "MPEG-1 video, MP2 audio", 1, "mpg", "mpeg", "mpeg1video", -1, -1, 64, 64, 4096, 4096, 3, -1.0, 23.976023976023978, 60.0, -1, 64, 20000, 0.4050925925925926, 0, 0, "mp2", -1, -1, -1, 32, 320, 1.0, 4},  // row 9
    {10, "MPEG-2", "MPEG-2 video, MP2 audio", 1, "mpg", "vob", "mpeg2video", -1, -1, 64, 64, 4096, 4096, 3, -1.0, 23.976023976023978, 60.0, -1, 64, 20000, 0.4050925925925926, 0, 0, "mp2", -1, -1, -1, 32, 320, 1.0, 4},  // row 10
    {11, "FLV", "Flash video, MP3 audio", 1, "flv", "flv", "flv", -1, -1, 64, 64, 4096, 4096, 3, -1.0, 0.1, 60.0, -1, 64, 20000, 0.28935185185185186, 0, 0, "libmp3lame_flv", -1, -1, -1, 32, 320, 0.8333333333333334, 6},  // row 11
    {12, "RealMedia", "RV 2.0 video, AC3 audio", 1, "rm", "rm", "rv20", -1, -1, 64, 64, 4096, 4096, 3, -1.0, 0.1, 60.0, -1, 64, 20000, 0.28935185185185186, 0, 0, "ac3_fixed", -1, -1, -1, 32, 640, 1.0, 5},  // row 12
    {13, "AVI", "M-JPEG video, PCM audio", 6, "avi", "avi", "mjpeg", -1, -1, 64, 64, 4096, 4096, 3, -1.0, 0.1, 60.0, -1, 1000, 200000, 1.9290123456790123, 0, 0, "pcm", -1, -1, -1, -1, -1, -1.0, -1},  // row 13
    {14, "AVI", "M-JPEG video, MP3 audio", 6, "avi", "avi", "mjpeg", -1, -1, 64, 64, 4096, 4096, 3, -1.0, 0.1, 60.0, -1, 1000, 200000, 1.9290123456790123, 0, 0, "libmp3lame", -1, -1, -1, 32, 320, 1.6666666666666667, 0},  // row 14
    {42, "MOV", "Apple ProRes 4:2:2, AAC audio", 6, "mov", "mov", "prores_ks", -1, -1, 64, 64, 4096, 4096, 3, -1.0, 0.1, 60.0, -1, 64, 20000, 0.28935185185185186, 0, 0, "libvo_aacenc", -1, -1, -1, 32, 320, 0.6666666666666666, 2},  // row 15
    {15, "MP3", "MPEG Audio Layer III", 2, "mp3", "mp3", "", -1, -1, -1, -1, -1, -1, -1, -1.0, -1.0, -1.0, -1, -1, -1, -1.0, 0, 0, "libmp3lame", -1, -1, -1, 32, 320, 0.8333333333333334, 0},  // row 16
    {16, "OGG", "Vorbis", 2, "ogg", "ogg", "", -1, -1, -1, -1, -1, -1, -1, -1.0, -1.0, -1.0, -1, -1, -1, -1.0, 0, 0, "libvorbis", -1, -1, -1, 45, 500, 0.6666666666666666, 1},  // row 17
    {17, "AAC", "Advanced Audio Coding", 2, "m4a", "mp4", "", -1, -1, -1, -1, -1, -1, -1, -1.0, -1.0, -1.0, -1, -1, -1, -1.0, 0, 0, "libvo_aacenc", -1, -1, -1, 32, 320, 0.6666666666666666, 2},  // row 18
    {18, "WMA", "Windows Media Audio 2", 2, "wma", "asf", "", -1, -1, -1, -1, -1, -1, -1, -1.0, -1.0, -1.0, -1, -1, -1, -1.0, 0, 0, "wmav2", -1, -1, -1, 32, 256, 0.8333333333333334, 3},  // row 19
    {19, "MP2", "MPEG Audio Layer II", 2, "mp2", "mp2", "", -1, -1, -1, -1, -1, -1, -1, -1.0, -1.0, -1.0, -1, -1, -1, -1.0, 0, 0, "mp2", -1, -1, -1, 32, 320, 1.0, 4},  // row 20
    {20, "AC3", "Dolby Digital compatible", 2, "ac3", "ac3", "", -1, -1, -1, -1, -1, -1, -1, -1.0, -1.0, -1.0, -1, -1, -1, -1.0, 0, 0, "ac3_fixed", -1, -1, -1, 32, 640, 1.0, 5},  // row 21
    {21, "RA", "Real Audio", 2, "ra", "rm", "", -1, -1, -1, -1, -1, -1, -1, -1.0, -1.0, -1.0, -1, -1, -1, -1.0, 0, 0, "ac3_fixed", -1, -1, -1, 32, 640, 1.0, 5},  // row 22
    {22, "FLAC", "Free Lossless Audio Codec", 2, "flac", "flac", "", -1, -1, -1, -1, -1, -1, -1, -1.0, -1.0, -1.0, -1, -1, -1, -1.0, 0, 0, "flac", -1, -1, -1, -1, -1, -1.0, -1},  // row 23
    {23, "WAV", "Windows Wave PCM", 2, "wav", "wav", "", -1, -1, -1, -1, -1, -1, -1, -1.0, -1.0, -1.0, -1, -1, -1, -1.0, 0, 0, "pcm", -1, -1, -1, -1, -1, -1.0, -1},  // row 24
    {24, "3GP Minimal", "H.263 video, AAC audio", 3, "3gp", "3gp", "mpeg4", 128, 96, 64, 64, 4096, 4096, 1, 12.0, 1.0, 30.0, 32, 8, 160, 0.2170138888888889, 0, 0, "libvo_aacenc", 16000, 1, -1, 8, 128, 0.5, 2},  // row 25
    {25, "3GP Classic", "H.263 video, AAC audio", 3, "3gp", "3gp", "mpeg4", 176, 144, 64, 64, 4096, 4096, 1, -1.0, 1.0, 30.0, -1, 8, 256, 0.20202020202020202, 0, 0, "libvo_aacenc", 16000, 1, -1, 8, 128, 0.75, 2},  // row 26
    {26, "H.264 Minimal", "H.264 AVC video, AAC audio", 3, "mp4", "mp4", "libx264", 320, 240, 64, 64, 4096, 4096, 3, -1.0, 1.0, 30.0, -1, 128, 768, 0.09645061728395062, 15, 1, "libvo_aacenc", 44100, 2, -1, 32, 128, 0.45351473922902497, 2},  // row 27
    {27, "H.264 Classic", "H.264 AVC video, AAC audio", 3, "mp4", "mp4", "libx264", 640, 480, 64, 64, 4096, 4096, 3, -1.0, 1.0, 30.0, -1, 512, 1500, 0.09645061728395062, 15, 1, "libvo_aacenc", 44100, 2, -1, 32, 192, 0.6349206349206349, 2},  // row 28
    {28, "H.264 HD", "H.264 AVC video, AAC audio", 3, "mp4", "mp4", "libx264", 1280, 720, 64, 64, 4096, 4096, 3, -1.0, 1.0, 30.0, -1, 768, 5000, 0.09645061728395062, 15, 1, "libvo_aacenc", 48000, 2, -1, 32, 192, 0.8333333333333334, 2},  // row 29
    {29, "WebM Minimal", "VP8 video, Vorbis audio", 3, "webm", "webm", "libvpx", 320, 240, 64, 64, 4096, 4096, 3, -1.0, 1.0, 30.0, -1, 128, 768, 0.09645061728395062, 15, 1, "libvorbis", 44100, 2, -1, 45, 128, 0.45351473922902497, 1},  // row 30
    {30, "WebM Classic", "VP8 video, Vorbis audio", 3, "webm", "webm", "libvpx", 480, 360, 64, 64, 4096, 4096, 3, -1.0, 1.0, 30.0, -1, 256, 1500, 0.09645061728395062, 15, 1, "libvorbis", 44100, 2, -1, 45, 192, 0.6349206349206349, 1},  // row 31
    {31, "WebM HD", "VP8 video, Vorbis audio", 3, "webm", "webm", "libvpx", 1280, 720, 64, 64, 4096, 4096, 3, -1.0, 1.0, 30.0, -1, 768, 5000, 0.09645061728395062, 15, 1, "libvorbis", 48000, 2, -1, 45, 192, 0.8333333333333334, 1},  // row 32
    {32, "YouTube 360p", "VP8 video, Vorbis audio", 4, "webm", "webm", "libvpx", 640, 360, 64, 64, 4096, 4096, 3, -1.0, 1.0, 30.0, -1, 256, 1500, 0.09645061728395062, 15, 1, "libvorbis", 44100, 2, -1, 45, 128, 0.45351473922902497, 1},  // row 33
    {33, "YouTube 480p", "VP8 video, Vorbis audio", 4, "webm", "webm", "libvpx", 854, 480, 64, 64, 4096, 4096, 3, -1.0, 1.0, 30.0, -1, 512, 2500, 0.09645061728395062, 15, 1, "libvorbis", 44100, 2, -1, 45, 192, 0.6349206349206349, 1},  // row 34
    {34, "YouTube HD", "VP8 video, Vorbis audio", 4, "webm", "webm", "libvpx", 1280, 720, 64, 64, 4096, 4096, 3, -1.0, 1.0, 30.0, -1, 768, 5000, 0.09645061728395062, 15, 1, "libvorbis", 48000, 2, -1, 45, 256, 0.8333333333333334, 1},  // row 35
    {35, "YouTube FullHD", "VP8 video, Vorbis audio", 4, "webm", "webm", "libvpx", 1920, 1080, 64, 64, 4096, 4096, 3, -1.0, 1.0, 30.0, -1, 1500, 8000, 0.09645061728395062, 15, 1, "libvorbis", 48000, 2, -1, 45, 256, 1.0, 1},  // row 36
    {36, "H.264 360p", "H.264 AVC video, AAC audio", 4, "mp4", "mp4", "libx264", 640, 360, 64, 64, 4096, 4096, 3, -1.0, 1.0, 30.0, -1, 256, 1500, 0.09645061728395062, 15, 1, "libvo_aacenc", 44100, 2, -1, 32, 128, 0.45351473922902497, 2},  // row 37
    {37, "H.264 480p", "H.264 AVC video, AAC audio", 4, "mp4", "mp4", "libx264", 854, 480, 64, 64, 4096, 4096, 3, -1.0, 1.0, 30.0, -1, 512, 2500, 0.09645061728395062, 15, 1, "libvo_aacenc", 44100, 2, -1, 32, 192, 0.6349206349206349, 2},  // row 38
    {38, "H.264 HD", "H.264 AVC video, AAC audio", 4, "mp4", "mp4", "libx264", 1280, 720, 64, 64, 4096, 4096, 3, -1.0, 1.0, 30.0, -1, 768, 5000, 0.09645061728395062, 15, 1, "libvo_aacenc", 48000, 2, -1, 32, 256, 0.8333333333333334, 2},  // row 39
    {39, "H.264 FullHD", "H.264 AVC video, AAC audio", 4, "mp4", "mp4", "libx264", 1920, 1080, 64, 64, 4096, 4096, 3, -1.0, 1.0, 30.0, -1, 1500, 8000, 0.09645061728395062, 15, 1, "libvo_aacenc", 48000, 2, -1, 32, 256, 1.0, 2},  // row 40
    {40, "DVD PAL", "MPEG-2 video, AC3 audio", 5, "mpg", "vob", "mpeg2video", 720, 576, 720, 576, 720, 576, 1, 25.0, 23.976023976023978, 60.0, 6000, 2500, 8000, 0.5787037037037037, 0, 0, "ac3_fixed", 48000, 2, -1, 32, 640, 1.0, 5},  // row 41
    {41, "DVD NTSC", "MPEG-2 video, AC3 audio", 5, "mpg", "vob", "mpeg2video", 720, 480, 720, 480, 720, 480, 1, 29.97002997002997, 23.976023976023978, 60.0, 6000, 2500, 8000, 0.5787037037037037, 0, 0, "ac3_fixed", 48000, 2, -1, 32, 640, 1.0, 5},  // row 42

}};
// clang-format on

static_assert(kPresets[15].id == 42);
static_assert(kPresets[41].min_fps == kNtscFilm && kPresets[42].fps == 29.97002997002997);

constexpr std::array<std::int32_t, kSampleRateCount> kSampleRates{8000,  11025, 16000, 22050,
                                                                  24000, 32000, 44100, 48000};

constexpr std::array<std::int32_t, kAudioBitrateCount> kAudioBitrates{
    8, 12, 16, 24, 32, 48, 64, 80, 96, 128, 112, 160, 192, 224, 256, 320, 384, 448, 512, 576, 640};

// Allowed bit rates of one (class, sample rate, channel mode): every list value from lo to hi
// inclusive, except `skip`. lo = 0 allows none.
struct kbps_span {
  std::int32_t lo, hi, skip;
};
struct rate_rule {
  kbps_span mono, stereo;
};

constexpr kbps_span kNone{0, 0, 0};
constexpr kbps_span kAll{8, 640, 0};
constexpr rate_rule kAllRates{kAll, kAll};
constexpr rate_rule kNoRates{kNone, kNone};

// Indexed by class, then by sample-rate list position (8000 .. 48000).
constexpr rate_rule kComboRules[kAudioClassCount][kSampleRateCount] = {
    // 0 MP3
    {kAllRates, kAllRates, kAllRates, kAllRates, kAllRates, kAllRates, kAllRates, kAllRates},
    // 1 Vorbis
    {{{8, 32, 0}, {12, 80, 0}},
     {{12, 48, 0}, {16, 96, 0}},
     {{16, 96, 0}, {24, 192, 0}},
     {{16, 80, 0}, {32, 160, 0}},
     {{16, 80, 0}, {32, 160, 0}},
     {{32, 160, 0}, {48, 320, 0}},
     {{32, 224, 0}, {48, 448, 0}},
     {{32, 224, 0}, {48, 448, 0}}},
    // 2 AAC
    {kAllRates, kAllRates, kAllRates, kAllRates, kAllRates, kAllRates, kAllRates, kAllRates},
    // 3 WMA version 2
    {{{24, 640, 0}, {24, 640, 0}},
     {{24, 640, 0}, {24, 640, 0}},
     {{24, 640, 0}, {24, 640, 0}},
     {{24, 640, 0}, {24, 640, 0}},
     {{24, 640, 0}, {24, 640, 0}},
     {{24, 640, 0}, {24, 640, 0}},
     {{24, 640, 0}, {24, 640, 0}},
     {{24, 640, 0}, {24, 640, 0}}},
    // 4 MPEG Layer II
    {kNoRates,
     kNoRates,
     {{8, 160, 12}, {8, 160, 12}},
     {{8, 160, 12}, {8, 160, 12}},
     {{8, 160, 12}, {8, 160, 12}},
     {{32, 384, 0}, {32, 384, 0}},
     {{32, 384, 0}, {32, 384, 0}},
     {{32, 384, 0}, {32, 384, 0}}},
    // 5 AC-3: the encoder only takes 32000, 44100 and 48000 Hz
    {kNoRates, kNoRates, kNoRates, kNoRates, kNoRates, kAllRates, kAllRates, kAllRates},
    // 6 MP3 for Flash video: 11025, 22050 and 44100 Hz only
    {kNoRates, kAllRates, kNoRates, kAllRates, kNoRates, kNoRates, kAllRates, kNoRates},
};

constexpr bool SpanAllows(const kbps_span& s, std::int32_t kbps) {
  return s.lo > 0 && kbps >= s.lo && kbps <= s.hi && kbps != s.skip;
}

bool AnyBitrateAllowed(int audio_class, int rate_index, bool stereo) {
  for (int b = 0; b < kAudioBitrateCount; ++b)
    if (Ffmpeg_AudioComboAllowed(audio_class, rate_index, stereo, b)) return true;
  return false;
}

template <typename T>
void ClampTo(T& v, T lo, T hi) {
  if (v > hi)
    v = hi;
  else if (v < lo)
    v = lo;
}

void RoundUpToStep(std::int32_t& v, std::int32_t step) {
  ClampTo<std::int32_t>(v, 64, 4096);
  v = step * ((v + step - 1) / step);
}

}  // namespace

std::span<const ffmpeg_preset> Ffmpeg_Presets() {
  return kPresets;
}
std::span<const std::int32_t> Ffmpeg_SampleRates() {
  return kSampleRates;
}
std::span<const std::int32_t> Ffmpeg_AudioBitrates() {
  return kAudioBitrates;
}

int Ffmpeg_PresetCount() {
  return static_cast<int>(kPresets.size());
}

bool Ffmpeg_GetPreset(int index, ffmpeg_preset& out) {
  if (index < 0 || index >= Ffmpeg_PresetCount()) return false;
  out = kPresets[static_cast<std::size_t>(index)];
  return true;
}

int Ffmpeg_PresetRowOfId(std::int32_t id) {
  for (std::size_t i = 0; i < kPresets.size(); ++i)
    if (kPresets[i].id == id) return static_cast<int>(i);
  return -1;
}

int Ffmpeg_SampleRateIndex(std::int32_t hz) {
  for (std::size_t i = 0; i < kSampleRates.size(); ++i)
    if (kSampleRates[i] == hz) return static_cast<int>(i);
  return -1;
}

int Ffmpeg_AudioBitrateIndex(std::int32_t kbps) {
  for (std::size_t i = 0; i < kAudioBitrates.size(); ++i)
    if (kAudioBitrates[i] == kbps) return static_cast<int>(i);
  return -1;
}

bool Ffmpeg_AudioComboAllowed(int audio_class, int rate_index, bool stereo, int bitrate_index) {
  if (audio_class < 0 || audio_class >= kAudioClassCount || rate_index < 0 ||
      rate_index >= kSampleRateCount || bitrate_index < 0 || bitrate_index >= kAudioBitrateCount)
    return false;
  const rate_rule& rule = kComboRules[audio_class][rate_index];
  return SpanAllows(stereo ? rule.stereo : rule.mono,
                    kAudioBitrates[static_cast<std::size_t>(bitrate_index)]);
}

bool Ffmpeg_IsAudioComboValid(std::string_view codec, std::int32_t hz, std::int32_t channels,
                              std::int32_t kbps) {
  if (Str_SameText(codec, "pcm") || Str_SameText(codec, "flac")) return true;
  const bool stereo = channels >= 2;
  const int rate_index = Ffmpeg_SampleRateIndex(hz);
  for (const ffmpeg_preset& row : kPresets) {
    if (!Str_SameText(codec, row.audio_codec)) continue;
    if (kbps == -1) {
      // Every row of one codec shares its class, so the first answer holds for all of them.
      return AnyBitrateAllowed(row.audio_class, rate_index, stereo);
    }
    const int b = Ffmpeg_AudioBitrateIndex(kbps);
    if (b >= 0) return Ffmpeg_AudioComboAllowed(row.audio_class, rate_index, stereo, b);
  }
  return false;
}

void Ffmpeg_NormalizeVideo(std::string_view codec, std::int32_t& width, std::int32_t& height,
                           double& fps, std::int32_t& kbps) {
  if (fps != -1) ClampTo(fps, 0.1, 60.0);
  std::int32_t step = 2;
  if (codec == "mpeg1video" || codec == "mpeg2video") {
    if (fps != -1) ClampTo(fps, kNtscFilm, 60.0);
    step = 4;
  }
  // The RealVideo 2 encoder refuses frame sizes that are not multiples of 4.
  if (codec == "rv20") step = 4;
  if (width != -1) RoundUpToStep(width, step);
  if (height != -1) RoundUpToStep(height, step);
  if (kbps != -1) {
    if (codec == "mjpeg")
      ClampTo<std::int32_t>(kbps, 1000, 200000);
    else if (codec == "libx264" || codec == "libvpx")
      ClampTo<std::int32_t>(kbps, 8, 40000);
    else
      ClampTo<std::int32_t>(kbps, 64, 20000);
  }
}
