// The probe on real media made here with the real encoder, field by field against what
// ffprobe reports for the same file.

#include <gtest/gtest.h>

#include <cmath>
#include <nlohmann/json.hpp>

#include "encoder/ffmpeg_tools.h"
#include "ffmpeg_tools_test_util.h"
#include "foundation/platform/process.h"

using namespace ffmpeg_test;
using nlohmann::json;

namespace {

bool Collect(std::string_view chunk, void* data) {
  static_cast<std::string*>(data)->append(chunk);
  return true;
}

struct sample {
  const char* name;  // file name; odd characters on purpose
  const char* args;  // encoder arguments before the output path
};

// Two-second clips from the encoder's own test sources.
const sample kSamples[] = {
    {"h264 aac \"bt709\".mp4",
     "-f lavfi -i testsrc2=size=640x360:rate=25:duration=2 -f lavfi -i "
     "sine=frequency=440:sample_rate=48000:duration=2 -c:v libx264 -pix_fmt yuv420p "
     "-color_primaries bt709 -color_trc bt709 -colorspace bt709 -c:a aac -ac 2 -shortest"},
    {"mono.wav", "-f lavfi -i sine=frequency=440:sample_rate=22050:duration=1.5 -ac 1"},
    {"cover art.mp3",
     "-f lavfi -i sine=sample_rate=44100:duration=2 -f lavfi -i color=c=red:size=64x64:duration=1 "
     "-map 0:a -map 1:v -c:a libmp3lame -c:v mjpeg -frames:v 1 -disposition:v attached_pic "
     "-id3v2_version 3"},
    {"surround 5.1.ac3",
     "-f lavfi -i sine=sample_rate=48000:duration=2 -af "
     "\"pan=5.1|c0=c0|c1=c0|c2=c0|c3=c0|c4=c0|c5=c0\" -c:a ac3"},
    {"surround 7.1.m4a",
     "-f lavfi -i sine=sample_rate=48000:duration=2 -af "
     "\"pan=7.1|c0=c0|c1=c0|c2=c0|c3=c0|c4=c0|c5=c0|c6=c0|c7=c0\" -c:a aac"},
    {"vp8 vorbis.webm",
     "-f lavfi -i testsrc=size=320x240:rate=30:duration=2 -f lavfi -i "
     "sine=sample_rate=44100:duration=2 -c:v libvpx -b:v 200k -c:a libvorbis -shortest"},
};

double Number(const json& j, const char* key, double fallback) {
  if (!j.contains(key)) return fallback;
  const std::string text = j[key].get<std::string>();
  return Ffmpeg_ParseReal(text, fallback);
}

double Ratio(const json& j, const char* key, char separator) {
  const std::string text = j.value(key, std::string());
  const auto p = text.find(separator);
  if (p == std::string::npos) return 0;
  const double den = Ffmpeg_ParseReal(text.substr(p + 1), 0);
  return den == 0 ? 0 : Ffmpeg_ParseReal(text.substr(0, p), 0) / den;
}

class RealProbe : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new temp_dir;
    ffmpeg_ = Process_FindOnPath("ffmpeg");
    ffprobe_ = Process_FindOnPath("ffprobe");
    ASSERT_FALSE(ffmpeg_.empty());
    ASSERT_FALSE(ffprobe_.empty());
    for (const auto& s : kSamples) {
      std::string log;
      ASSERT_TRUE(Ffmpeg_Run(
          ffmpeg_, std::string("-y -v error ") + s.args + " " + Ffmpeg_QuotePath(*dir_ / s.name),
          Collect, &log))
          << s.name << ": " << log;
    }
    WriteAll(*dir_ / "text.mp4", "This is a text file, not a video.\n");
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }

  static json FfprobeJson(const std::string& path) {
    std::string text;
    Ffmpeg_Run(ffprobe_, "-v quiet -of json -show_streams -show_format " + Ffmpeg_QuotePath(path),
               Collect, &text);
    return json::parse(text);
  }

  static inline temp_dir* dir_ = nullptr;
  static inline std::string ffmpeg_;
  static inline std::string ffprobe_;
};

}  // namespace

TEST_F(RealProbe, EveryFieldMatchesWhatFfprobeReports) {
  const std::string saved = encoder_path;
  encoder_path = ffmpeg_;
  for (const auto& s : kSamples) {
    SCOPED_TRACE(s.name);
    const std::string path = *dir_ / s.name;
    media_info m;
    ASSERT_TRUE(Ffmpeg_Probe(path, m));
    const json probe = FfprobeJson(path);
    const json& format = probe["format"];
    const double duration = Number(format, "duration", 0);
    ASSERT_GT(duration, 0);

    json video;
    json audio;
    for (const auto& st : probe["streams"]) {
      const std::string type = st.value("codec_type", "");
      const bool cover = st.contains("disposition") && st["disposition"].value("attached_pic", 0);
      if (type == "video" && !cover && video.is_null()) video = st;
      if (type == "audio" && audio.is_null()) audio = st;
    }

    // The console prints the duration in hundredths and rates in kbit/s.
    EXPECT_NEAR(m.video.duration, duration, 0.0051);
    EXPECT_EQ(m.bitrate_kbps, static_cast<std::int64_t>(Number(format, "bit_rate", 0)) / 1000);

    EXPECT_EQ(m.video.present, !video.is_null());
    if (!video.is_null()) {
      EXPECT_EQ(m.video.codec, video["codec_name"].get<std::string>());
      EXPECT_EQ(m.video.width, video["width"].get<int>());
      EXPECT_EQ(m.video.height, video["height"].get<int>());
      const double fps = Ratio(video, "r_frame_rate", '/');
      EXPECT_NEAR(m.video.fps, fps, 0.01);
      EXPECT_NEAR(static_cast<double>(m.video.frame_count), fps * duration, 1.0);
      const double dar = Ratio(video, "display_aspect_ratio", ':');
      EXPECT_NEAR(m.video.aspect, dar > 0 ? dar : 1.0, 1e-9);
      EXPECT_EQ(m.video.bitrate_kbps,
                static_cast<std::int64_t>(Number(video, "bit_rate", 0)) / 1000);
      EXPECT_TRUE(m.video.supported);
    } else {
      EXPECT_EQ(m.video.frame_count, 0);
    }

    EXPECT_EQ(m.audio.present, !audio.is_null());
    if (!audio.is_null()) {
      EXPECT_EQ(m.audio.codec, audio["codec_name"].get<std::string>());
      EXPECT_EQ(m.audio.sample_rate, static_cast<int>(Number(audio, "sample_rate", 0)));
      EXPECT_EQ(m.audio.channels, audio["channels"].get<int>());
      EXPECT_EQ(m.audio.bitrate_kbps,
                static_cast<std::int64_t>(Number(audio, "bit_rate", 0)) / 1000);
      EXPECT_EQ(m.audio.sample_count,
                static_cast<std::int64_t>(m.audio.sample_rate * m.video.duration));
      EXPECT_TRUE(m.audio.supported);
    }
  }
  encoder_path = saved;
}

TEST_F(RealProbe, TextFileNamedLikeAVideoIsNoMedia) {
  const std::string saved = encoder_path;
  encoder_path = ffmpeg_;
  media_info m;
  m.video.width = 5;
  EXPECT_FALSE(Ffmpeg_Probe(*dir_ / "text.mp4", m));
  EXPECT_EQ(m.video.width, 0);
  EXPECT_FALSE(m.audio.present);
  encoder_path = saved;
}
