// Console parsers: text operations, stream lines, progress chunks, and recorded probe texts
// of Debian's ffmpeg 5.1 and of newer encoders.

#include <gtest/gtest.h>
#include <locale.h>

#include <cmath>

#include "encoder/ffmpeg_tools.h"
#include "ffmpeg_tools_test_util.h"

using namespace ffmpeg_test;
using strings = std::vector<std::string>;

TEST(FfmpegText, LinesPartsAndValues) {
  EXPECT_EQ(Ffmpeg_FirstLine("  a b \r\nc"), "a b");
  EXPECT_EQ(Ffmpeg_FirstLine("a\nb\rc"), "a");            // the carriage return comes after
  EXPECT_EQ(Ffmpeg_FirstLine(" one\rtwo "), "one\rtwo");  // no line feed: the whole text
  EXPECT_EQ(Ffmpeg_FirstLine(""), "");

  EXPECT_EQ(Ffmpeg_SplitParts("a, b,,c "), (strings{"a", " b", "", "c "}));
  EXPECT_EQ(Ffmpeg_SplitParts("abc"), (strings{"abc"}));
  EXPECT_EQ(Ffmpeg_SplitParts(""), (strings{""}));
  EXPECT_EQ(Ffmpeg_FindPart({"a", "Hz x", "Hz"}, "Hz"), 1);
  EXPECT_EQ(Ffmpeg_FindPart({"a"}, "hz"), -1);

  const struct {
    const char* key;
    const char* text;
    std::string after;
    std::string before;
  } cases[] = {
      {"bitrate:", " bitrate: 1411 kb/s", "1411", ""},
      {" kb/s", " 128 kb/s (default)", "(default)", "128"},
      {"x", " 1280x720 [SAR 1:1 DAR 16:9]", "720", "1280"},
      {"x", "no such key", "", ""},
      {"Duration:", "Duration: 00:01:02.50", "00:01:02.50", ""},
      {":", "16:9", "9", "16"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Ffmpeg_ValueAfter(c.key, c.text), c.after) << c.key << " in " << c.text;
    EXPECT_EQ(Ffmpeg_ValueBefore(c.key, c.text), c.before) << c.key << " in " << c.text;
  }
}

TEST(FfmpegText, NumbersAndTimesUseAPointUnderEveryLocale) {
  // The user's locale may use a decimal comma; the encoder never does.
  const bool comma_locale = setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
  const struct {
    const char* text;
    double real;  // Ffmpeg_ParseReal with default -7
    std::int64_t integer;
  } numbers[] = {
      {"29.97", 29.97, 0}, {"25", 25, 25},   {"-3", -3, -3},   {"+4", 4, 4},
      {"90k", -7, 0},      {"", -7, 0},      {" 1", -7, 0},    {"1,5", -7, 0},
      {"nan", -7, 0},      {"1e3", 1000, 0}, {"12abc", -7, 0},
  };
  for (const auto& n : numbers) {
    EXPECT_EQ(Ffmpeg_ParseReal(n.text, -7), n.real) << n.text;
    EXPECT_EQ(Ffmpeg_ParseInt(n.text), n.integer) << n.text;
  }
  const struct {
    const char* text;
    double seconds;
  } times[] = {
      {"00:01:23.45", 83.45},
      {"01:02:03", 3723},
      {"N/A", 0},
      {"", 0},
      {"-00:00:00.0", 0},
      {"00:00:10.5", 10.05},
      {"100:00:00.0", 360000},
      {"1:2:3.4,5", 3723.04},
  };
  for (const auto& t : times) EXPECT_NEAR(Ffmpeg_ParseTime(t.text), t.seconds, 1e-9) << t.text;
  if (comma_locale) setlocale(LC_ALL, "C");
}

TEST(FfmpegText, EveryChannelLayoutNameGivesItsCount) {
  const struct {
    const char* name;
    int channels;
  } layouts[] = {
      {"mono", 1},
      {"stereo", 2},
      {"downmix", 2},
      {"2.1", 3},
      {"3.0", 3},
      {"3.0(back)", 3},
      {"quad", 4},
      {"quad(side)", 4},
      {"4.0", 4},
      {"3.1", 4},
      {"5.0", 5},
      {"5.0(side)", 5},
      {"4.1", 5},
      {"5.1", 6},
      {"5.1(side)", 6},
      {"6.0", 6},
      {"6.0(front)", 6},
      {"hexagonal", 6},
      {"6.1", 7},
      {"6.1(back)", 7},
      {"6.1(front)", 7},
      {"7.0", 7},
      {"7.0(front)", 7},
      {"7.1", 8},
      {"7.1(wide)", 8},
      {"7.1(wide-side)", 8},
      {"7.1(top)", 8},
      {"octagonal", 8},
      {"5.1.2", 8},
      {"7.1.4", 12},
      {"hexadecagonal", 16},
      {"22.2", 24},
      {"fltp", 0},
      {"s16", 0},
      {"48000 Hz", 0},
      {"1.2.3.4", 0},
      {"", 0},
      {".1", 0},
  };
  for (const auto& l : layouts) EXPECT_EQ(Ffmpeg_LayoutChannels(l.name), l.channels) << l.name;
}

namespace {

struct expected_probe {
  bool ok;
  double duration;
  std::int32_t bitrate;
  const char* vcodec;
  int width, height;
  double fps, aspect;
  std::int64_t frames, vbitrate;
  bool vpresent, vsupported;
  const char* acodec;
  int rate, channels;
  std::int64_t abitrate;
  bool apresent, asupported;
};

void ExpectProbe(const media_info& m, const expected_probe& e, const std::string& what) {
  SCOPED_TRACE(what);
  EXPECT_NEAR(m.video.duration, e.duration, 1e-9);
  EXPECT_EQ(m.bitrate_kbps, e.bitrate);
  EXPECT_EQ(m.video.codec, e.vcodec);
  EXPECT_EQ(m.video.codec_name, e.vcodec);
  EXPECT_EQ(m.video.width, e.width);
  EXPECT_EQ(m.video.height, e.height);
  EXPECT_NEAR(m.video.fps, e.fps, 1e-9);
  EXPECT_NEAR(m.video.aspect, e.aspect, 1e-9);
  EXPECT_EQ(m.video.frame_count, e.frames);
  EXPECT_EQ(m.video.bitrate_kbps, e.vbitrate);
  EXPECT_EQ(m.video.present, e.vpresent);
  EXPECT_EQ(m.video.supported, e.vsupported);
  EXPECT_EQ(m.audio.codec, e.acodec);
  EXPECT_EQ(m.audio.codec_name, e.acodec);
  EXPECT_EQ(m.audio.sample_rate, e.rate);
  EXPECT_EQ(m.audio.channels, e.channels);
  EXPECT_EQ(m.audio.bitrate_kbps, e.abitrate);
  EXPECT_NEAR(m.audio.duration, e.apresent || e.rate > 0 ? e.duration : 0, 1e-9);
  EXPECT_EQ(m.audio.sample_count, static_cast<std::int64_t>(e.rate * m.audio.duration));
  EXPECT_EQ(m.audio.present, e.apresent);
  EXPECT_EQ(m.audio.supported, e.asupported);
}

}  // namespace

TEST(FfmpegParseProbe, StreamLinesAndTheirEdgeCases) {
  const std::string head =
      "Input #0, avi, from 'a.avi':\n  Duration: 00:00:10.00, start: 0.000000, bitrate: 3000 "
      "kb/s\n";
  const struct {
    const char* name;
    std::string text;
    expected_probe e;
  } cases[] = {
      {"worked example",
       head + "    Stream #0:0(und): Video: h264 (High), yuv420p, 1280x720 [SAR 1:1 DAR 16:9], "
              "2500 kb/s, 29.97 fps, 29.97 tbr, 30k tbn, 59.94 tbc\n"
              "    Stream #0:1(und): Audio: aac (LC), 44100 Hz, stereo, fltp, 128 kb/s\n",
       {true, 10, 3000, "h264", 1280, 720, 29.97, 16.0 / 9, 300, 2500, true, true, "aac", 44100, 2,
        128, true, true}},
      {"pixel format with commas, size in part 3",
       head + "  Stream #0:0: Video: hevc (Main 10), yuv420p10le(tv, bt2020nc/bt2020/smpte2084), "
              "3840x2160, 25 tbr\n",
       {true, 10, 3000, "hevc", 3840, 2160, 25, 1, 250, 0, true, true, "", 0, 0, 0, false, false}},
      {"pixel format with two commas, size in part 4",
       head + "  Stream #0:0[0x1](und): Video: h264 (High) (avc1 / 0x31637661), yuv420p(tv, bt709, "
              "progressive), 640x360 [SAR 1:1 DAR 16:9], 726 kb/s, 25 fps, 25 tbr, 12800 tbn "
              "(default)\n",
       {true, 10, 3000, "h264", 640, 360, 25, 16.0 / 9, 250, 726, true, true, "", 0, 0, 0, false,
        false}},
      {"xvid refinement and DAR 4:3",
       head + "  Stream #0:0: Video: mpeg4 (Advanced Simple Profile) (XVID / 0x44495658), yuv420p, "
              "640x480 [SAR 1:1 DAR 4:3], 25 tbr\n",
       {true, 10, 3000, "xvid", 640, 480, 25, 4.0 / 3, 250, 0, true, true, "", 0, 0, 0, false,
        false}},
      {"divx refinement, no DAR",
       head + "  Stream #0:0: Video: mpeg4 (Simple Profile) (DIVX / 0x58564944), yuv420p, 320x240, "
              "23.976 tbr\n"
              "  Stream #0:1: Audio: mp3, 48000 Hz, 6 channels, s16p\n",
       {true, 10, 3000, "divx", 320, 240, 23.976, 1, 240, 0, true, true, "mp3", 48000, 6, 0, true,
        true}},
      {"codec none: present but not supported",
       head + "  Stream #0:0: Video: none, yuv420p, 320x240, 25 tbr\n"
              "  Stream #0:1: Audio: none, 8000 Hz, mono\n",
       {true, 10, 3000, "none", 320, 240, 25, 1, 250, 0, true, false, "none", 8000, 1, 0, true,
        false}},
      {"Duration: N/A",
       "  Duration: N/A, start: 1.400000, bitrate: N/A\n"
       "  Stream #0:0: Video: h264 (Main), yuv420p, 1280x720, 25 tbr\n"
       "  Stream #0:1: Audio: mp2, 48000 Hz, stereo, s16p, 192 kb/s\n",
       {true, 0, 0, "h264", 1280, 720, 25, 1, 0, 0, false, false, "mp2", 48000, 2, 192, false,
        false}},
      {"5.1(side) and DAR 1:0",
       head + "  Stream #0:0: Video: h264, yuv420p, 720x576 [SAR 1:1 DAR 1:0], 25 tbr\n"
              "  Stream #0:1: Audio: ac3, 48000 Hz, 5.1(side), fltp, 448 kb/s\n",
       {true, 10, 3000, "h264", 720, 576, 25, 1, 250, 0, true, true, "ac3", 48000, 6, 448, true,
        true}},
      {"quad is four channels",
       head + "  Stream #0:0: Audio: pcm_s16le, 48000 Hz, quad, s16, 3072 kb/s\n",
       {true, 10, 3000, "", 0, 0, 0, 0, 0, 0, false, false, "pcm_s16le", 48000, 4, 3072, true,
        true}},
      {"cover art is not a video",
       head + "  Stream #0:0: Audio: mp3, 44100 Hz, stereo, fltp, 320 kb/s\n"
              "  Stream #0:1: Video: mjpeg (Baseline), yuvj420p(pc, bt470bg/unknown/unknown), "
              "500x500 [SAR 1:1 DAR 1:1], 25 tbr, 90k tbn (attached pic)\n",
       {true, 10, 3000, "", 0, 0, 0, 0, 0, 0, false, false, "mp3", 44100, 2, 320, true, true}},
      {"no duration line",
       "Input #0, avi\n  Stream #0:0: Video: h264, yuv420p, 640x480, 25 tbr\n",
       {false, 0, 0, "", 0, 0, 0, 0, 0, 0, false, false, "", 0, 0, 0, false, false}},
  };
  for (const auto& c : cases) {
    media_info m;
    m.container = "stale";
    m.video.width = 99;
    EXPECT_EQ(Ffmpeg_ParseProbe(c.text, m), c.e.ok) << c.name;
    EXPECT_EQ(m.container, "");
    ExpectProbe(m, c.e, c.name);
  }
}

TEST(FfmpegParseProbe, LongTextsAreCutTo255) {
  media_info m;
  const std::string codec(300, 'c');
  ASSERT_TRUE(Ffmpeg_ParseProbe(
      "  Duration: 00:00:01.00\n  Stream #0:0: Audio: " + codec + ", 8000 Hz, mono\n", m));
  EXPECT_EQ(m.audio.codec, std::string(255, 'c'));
}

TEST(FfmpegParseProbe, RecordedTextsOfRealEncoders) {
  const struct {
    const char* file;
    expected_probe e;
  } cases[] = {
      {"ffmpeg51/probe_h264_aac_mp4.txt",
       {true, 2, 867, "h264", 640, 360, 25, 16.0 / 9, 50, 726, true, true, "aac", 48000, 2, 127,
        true, true}},
      {"ffmpeg51/probe_mono_wav.txt",
       {true, 1.5, 353, "", 0, 0, 0, 0, 0, 0, false, false, "pcm_s16le", 22050, 1, 352, true,
        true}},
      {"ffmpeg51/probe_cover_mp3.txt",
       {true, 2.04, 65, "", 0, 0, 0, 0, 0, 0, false, false, "mp3", 44100, 1, 64, true, true}},
      {"ffmpeg51/probe_surround51_ac3.txt",
       {true, 2.02, 448, "", 0, 0, 0, 0, 0, 0, false, false, "ac3", 48000, 6, 448, true, true}},
      {"ffmpeg51/probe_surround71_m4a.txt",
       {true, 2, 476, "", 0, 0, 0, 0, 0, 0, false, false, "aac", 48000, 8, 467, true, true}},
      {"ffmpeg51/probe_vp8_webm.txt",
       {true, 2, 212, "vp8", 320, 240, 30, 4.0 / 3, 60, 0, true, true, "vorbis", 44100, 1, 0, true,
        true}},
      {"ffmpeg51/probe_text_mp4.txt",
       {false, 0, 0, "", 0, 0, 0, 0, 0, 0, false, false, "", 0, 0, 0, false, false}},
      {"newer/probe_h264_71_mp4.txt",
       {true, 10, 5271, "h264", 1920, 1080, 30, 16.0 / 9, 300, 4877, true, true, "aac", 48000, 8,
        394, true, true}},
      {"newer/probe_hevc_hdr_50side_mkv.txt",
       {true, 83.45, 15633, "hevc", 3840, 2160, 23.98, 16.0 / 9, 2001, 0, true, true, "eac3", 48000,
        5, 640, true, true}},
      {"newer/probe_quad_wav.txt",
       {true, 3, 3072, "", 0, 0, 0, 0, 0, 0, false, false, "pcm_s16le", 48000, 4, 3072, true,
        true}},
      {"newer/probe_xvid_61_avi.txt",
       {true, 2530.04, 1180, "xvid", 720, 400, 25, 1.8, 63251, 998, true, true, "ac3", 48000, 7,
        448, true, true}},
      {"newer/probe_ts_duration_na.txt",
       {true, 0, 0, "h264", 1280, 720, 25, 16.0 / 9, 0, 0, false, false, "mp2", 48000, 2, 192,
        false, false}},
  };
  for (const auto& c : cases) {
    media_info m;
    EXPECT_EQ(Ffmpeg_ParseProbe(ReadAll(kFixtures + c.file), m), c.e.ok) << c.file;
    ExpectProbe(m, c.e, c.file);
  }
}

TEST(FfmpegParseProgress, ChunksGiveSecondsAndKilobytes) {
  const struct {
    const char* chunk;
    bool called;
    double seconds;
    std::int64_t kb;
  } cases[] = {
      {"frame=  250 fps= 50 q=28.0 size=    1024kB time=00:00:10.00 bitrate= 838.9kbits/s", true,
       10.0, 1024},
      {"frame=  250 fps= 50 q=28.0 size=    1024KiB time=00:00:10.00 bitrate= 838.9kbits/s "
       "speed=2x",
       true, 10.0, 1024},
      {"size=       0kB time=00:00:00.04 bitrate=N/A", true, 0.04, 0},
      {"frame=   50 Lsize=     782kB time=00:00:02.01 bitrate=3177.7kbits/s", true, 2.01, 782},
      {"frame=    1 size=       0KiB time=-00:00:00.05 bitrate=N/A", false, 0, 0},
      {"frame=    0 size=       0KiB time=N/A bitrate=N/A", false, 0, 0},
      {"size=N/A time=00:01:00.00 bitrate=N/A", true, 60.0, 0},
      {"time=01:00:00.00", true, 3600.0, 0},
      {"Stream mapping:\n  Stream #0:0 -> #0:0 (h264 (native) -> mpeg4 (native))\n", false, 0, 0},
      {"size=     100kB time=00:00:01.00\rframe=  2 size=     200kB time=00:00:02.00\r", true, 1.0,
       100},                                    // only the first progress line of a chunk counts
      {"e=00:00:03.00 bitrate=", false, 0, 0},  // fragment of a line cut between two chunks
  };
  for (const auto& c : cases) {
    RecCB_ cb;
    cb.log = "before|";
    bool called = false;
    double seconds = -1;
    std::int64_t kb = -1;
    cb.on_progress = [&](double s, std::int64_t k) {
      called = true;
      seconds = s;
      kb = k;
      return false;
    };
    EXPECT_EQ(Ffmpeg_ParseProgress(c.chunk, cb), !c.called) << c.chunk;
    EXPECT_EQ(called, c.called) << c.chunk;
    if (c.called) {
      EXPECT_NEAR(seconds, c.seconds, 1e-9) << c.chunk;
      EXPECT_EQ(kb, c.kb) << c.chunk;
    }
    EXPECT_EQ(cb.log, std::string("before|") + c.chunk);
  }
  RecCB_ no_callback;
  EXPECT_TRUE(Ffmpeg_ParseProgress("time=00:00:05.00 size= 1kB", no_callback));
  EXPECT_EQ(no_callback.log, "time=00:00:05.00 size= 1kB");
}
