#include <gtest/gtest.h>

#include <set>
#include <string>

#include "encoder/ffmpeg_presets.h"

namespace {

TEST(Presets, RowOrderAndIds) {
  ASSERT_EQ(Ffmpeg_PresetCount(), 43);
  std::set<int> ids;
  for (int row = 0; row < 43; ++row) {
    ffmpeg_preset p{};
    ASSERT_TRUE(Ffmpeg_GetPreset(row, p));
    const int expected = row < 15 ? row : (row == 15 ? 42 : row - 1);
    EXPECT_EQ(p.id, expected) << "row " << row;
    EXPECT_EQ(Ffmpeg_PresetRowOfId(p.id), row);
    ids.insert(p.id);
  }
  EXPECT_EQ(ids.size(), 43u);
  ffmpeg_preset p{};
  EXPECT_FALSE(Ffmpeg_GetPreset(43, p));
  EXPECT_FALSE(Ffmpeg_GetPreset(-1, p));
  EXPECT_EQ(Ffmpeg_PresetRowOfId(43), -1);
  ASSERT_TRUE(Ffmpeg_GetPreset(15, p));
  EXPECT_EQ(p.name, "MOV");
  EXPECT_EQ(p.description, "Apple ProRes 4:2:2, AAC audio");
  EXPECT_EQ(p.video_codec, "prores_ks");
}

// Spot checks of rows whose values stand out, with the stored doubles compared exactly.
TEST(Presets, StoredValues) {
  ffmpeg_preset p{};
  ASSERT_TRUE(Ffmpeg_GetPreset(42, p));  // DVD NTSC
  EXPECT_EQ(p.id, 41);
  EXPECT_EQ(p.fps, 30000.0 / 1001);
  EXPECT_EQ(p.fps, 29.97002997002997);
  EXPECT_EQ(p.min_fps, 24000.0 / 1001);
  EXPECT_EQ(p.min_fps, 23.976023976023978);
  EXPECT_EQ(p.max_fps, 60.0);
  EXPECT_EQ(p.width, 720);
  EXPECT_EQ(p.min_height, 480);
  EXPECT_EQ(p.max_height, 480);
  EXPECT_EQ(p.video_bitrate, 6000);
  EXPECT_EQ(p.audio_codec, "ac3_fixed");
  EXPECT_EQ(p.audio_class, kAudioClassAc3);

  ASSERT_TRUE(Ffmpeg_GetPreset(25, p));  // 3GP Minimal
  EXPECT_EQ(p.name, "3GP Minimal");
  EXPECT_EQ(p.width, 128);
  EXPECT_EQ(p.height, 96);
  EXPECT_EQ(p.resize_mode, 1);
  EXPECT_EQ(p.fps, 12.0);
  EXPECT_EQ(p.video_bitrate, 32);
  EXPECT_EQ(p.video_bitrate_factor, 0.2170138888888889);
  EXPECT_EQ(p.sample_rate, 16000);
  EXPECT_EQ(p.channels, 1);
  EXPECT_EQ(p.audio_bitrate_factor, 0.5);

  ASSERT_TRUE(Ffmpeg_GetPreset(29, p));  // H.264 HD (Mobile)
  EXPECT_EQ(p.id, 28);
  EXPECT_EQ(p.video_bitrate_factor, 0.09645061728395062);
  EXPECT_EQ(p.audio_bitrate_factor, 0.8333333333333334);
  EXPECT_EQ(p.speed_mask, 15);
  EXPECT_EQ(p.speed, 1);

  ASSERT_TRUE(Ffmpeg_GetPreset(11, p));  // FLV
  EXPECT_EQ(p.audio_codec, "libmp3lame_flv");
  EXPECT_EQ(p.audio_class, kAudioClassMp3Flv);

  ASSERT_TRUE(Ffmpeg_GetPreset(2, p));
  EXPECT_EQ(p.container, "matroska");
  EXPECT_EQ(p.extension, "mkv");
}

// Invariants that catch a mistyped row anywhere in the table.
TEST(Presets, EveryRowIsConsistent) {
  for (const ffmpeg_preset& p : Ffmpeg_Presets()) {
    SCOPED_TRACE(std::string(p.name) + " id " + std::to_string(p.id));
    if (p.video_codec.empty()) {
      EXPECT_EQ(p.category, 2);
      for (int v : {p.width, p.height, p.min_width, p.min_height, p.max_width, p.max_height,
                    p.resize_mode, p.video_bitrate, p.min_video_bitrate, p.max_video_bitrate})
        EXPECT_EQ(v, -1);
      EXPECT_EQ(p.fps, -1.0);
      EXPECT_EQ(p.speed_mask, 0);
    } else {
      EXPECT_LE(p.min_width, p.max_width);
      EXPECT_LE(p.min_fps, p.max_fps);
      EXPECT_LT(p.min_video_bitrate, p.max_video_bitrate);
      if (p.width != -1) {
        EXPECT_TRUE(p.width >= p.min_width && p.width <= p.max_width);
      }
      if (p.fps != -1) {
        EXPECT_TRUE(p.fps >= p.min_fps && p.fps <= p.max_fps);
      }
      EXPECT_EQ(p.speed_mask != 0, p.speed == 1);
      EXPECT_GT(p.video_bitrate_factor, 0);
    }
    EXPECT_EQ(p.audio_class == -1, p.audio_codec == "pcm" || p.audio_codec == "flac");
    EXPECT_EQ(p.audio_bitrate, -1);
    if (p.audio_class >= 0) {
      EXPECT_LT(p.min_audio_bitrate, p.max_audio_bitrate);
    }
    // A format's own default audio settings are always a valid combination.
    if (p.sample_rate > 0) {
      EXPECT_TRUE(Ffmpeg_IsAudioComboValid(p.audio_codec, p.sample_rate, p.channels, -1));
    }
  }
}

TEST(Presets, ListsAndIndices) {
  EXPECT_EQ(Ffmpeg_SampleRateIndex(8000), 0);
  EXPECT_EQ(Ffmpeg_SampleRateIndex(22050), 3);
  EXPECT_EQ(Ffmpeg_SampleRateIndex(48000), 7);
  EXPECT_EQ(Ffmpeg_SampleRateIndex(44000), -1);
  EXPECT_EQ(Ffmpeg_AudioBitrateIndex(8), 0);
  EXPECT_EQ(Ffmpeg_AudioBitrateIndex(128), 9);
  EXPECT_EQ(Ffmpeg_AudioBitrateIndex(112), 10);
  EXPECT_EQ(Ffmpeg_AudioBitrateIndex(640), 20);
  EXPECT_EQ(Ffmpeg_AudioBitrateIndex(-1), -1);
  EXPECT_EQ(Ffmpeg_AudioBitrateIndex(100), -1);
  EXPECT_EQ(Ffmpeg_AudioBitrates().size(), 21u);
  EXPECT_EQ(Ffmpeg_SampleRates().size(), 8u);
}

struct combo_case {
  const char* codec;
  int hz, channels, kbps;
  bool valid;
};

TEST(Presets, AudioCombinations) {
  const combo_case cases[] = {
      {"LibVorbis", 44100, 2, 448, true},
      {"libvorbis", 44100, 2, 512, false},
      {"libvorbis", 8000, 1, 32, true},
      {"libvorbis", 8000, 1, 48, false},
      {"libvorbis", 8000, 2, 8, false},
      {"libvorbis", 22050, 1, 80, true},
      {"libvorbis", 22050, 1, 96, false},
      {"libvorbis", 44100, 5, 448, true},   // above 2 channels: stereo column
      {"libvorbis", 44100, 0, 448, false},  // 0 channels: mono column (up to 224)
      {"libvorbis", 44100, 0, 224, true},
      {"mp2", 11025, 1, -1, false},
      {"mp2", 22050, 2, 12, false},
      {"mp2", 22050, 2, 16, true},
      {"mp2", 22050, 2, 192, false},
      {"mp2", 48000, 2, 384, true},
      {"mp2", 48000, 2, 24, false},
      {"FLAC", 12345, 9, 7, true},
      {"pcm", 8000, 1, 8, true},
      {"libmp3lame_flv", 48000, 2, 128, false},
      {"libmp3lame_flv", 44100, 2, 128, true},
      {"libmp3lame_flv", 22050, 1, -1, true},
      {"opus", 44100, 2, -1, false},
      {"wmav2", 44100, 2, 16, false},
      {"wmav2", 44100, 2, 24, true},
      {"libvo_aacenc", 8000, 1, 8, true},
      {"libmp3lame", 48000, 2, 100, false},  // not in the bit-rate list
      // AC-3 is limited to the three rates its encoder takes.
      {"ac3_fixed", 22050, 1, -1, false},
      {"ac3_fixed", 24000, 2, 192, false},
      {"ac3_fixed", 32000, 1, 64, true},
      {"ac3_fixed", 44100, 2, -1, true},
      {"AC3_FIXED", 48000, 2, 640, true},
  };
  for (const combo_case& c : cases)
    EXPECT_EQ(Ffmpeg_IsAudioComboValid(c.codec, c.hz, c.channels, c.kbps), c.valid)
        << c.codec << " " << c.hz << " Hz " << c.channels << " ch " << c.kbps << " kbit/s";
}

struct normalize_case {
  const char* codec;
  int w, h;
  double fps;
  int kbps;
  int want_w, want_h;
  double want_fps;
  int want_kbps;
};

TEST(Presets, NormalizeVideo) {
  const normalize_case cases[] = {
      {"mpeg2video", 721, 577, 15, 5, 724, 580, 24000.0 / 1001, 64},
      {"libx264", 4097, 63, 75, 50000, 4096, 64, 60, 40000},
      {"mpeg1video", -1, -1, -1, -1, -1, -1, -1, -1},
      {"libx264", 641, 361, 0.05, 4, 642, 362, 0.1, 8},
      {"libvpx", 640, 360, 25, 40001, 640, 360, 25, 40000},
      {"mjpeg", 100, 100, 30, 999, 100, 100, 30, 1000},
      {"mjpeg", 100, 100, 30, 200001, 100, 100, 30, 200000},
      {"mpeg4", 4095, 4093, 61, 20001, 4096, 4094, 60, 20000},
      {"mpeg1video", 4095, 64, 23, 63, 4096, 64, 24000.0 / 1001, 64},
      {"rv20", 333, 187, 30, 500, 336, 188, 30, 500},  // rv20 needs multiples of 4
      {"LIBX264", 100, 100, 25, 8, 100, 100, 25, 64},  // compared case-sensitively
  };
  for (const normalize_case& c : cases) {
    int w = c.w, h = c.h, kbps = c.kbps;
    double fps = c.fps;
    Ffmpeg_NormalizeVideo(c.codec, w, h, fps, kbps);
    SCOPED_TRACE(c.codec);
    EXPECT_EQ(w, c.want_w);
    EXPECT_EQ(h, c.want_h);
    EXPECT_EQ(fps, c.want_fps);
    EXPECT_EQ(kbps, c.want_kbps);
  }
}

}  // namespace
