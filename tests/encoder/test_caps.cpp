#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "encoder/ffmpeg_caps.h"
#include "encoder/ffmpeg_job.h"

namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteText(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

const fs::path kCapsDir = fs::path(FLENMARK_FIXTURES_DIR) / "encoder_caps";

// Debian 12's encoder answers, recorded.
std::string Encoders51() {
  return ReadText(kCapsDir / "ffmpeg-5.1-encoders.txt");
}
std::string Help51() {
  return ReadText(kCapsDir / "ffmpeg-5.1-help-long.txt");
}

// The same help without the -vol lines, as newer encoders print it.
std::string HelpWithoutVol() {
  std::istringstream in(Help51());
  std::string out, line;
  while (std::getline(in, line))
    if (!line.starts_with("-vol ")) out += line + "\n";
  return out;
}

TEST(Caps, ReadsDebian12Encoder) {
  const ffmpeg_caps caps = Ffmpeg_CapsFromText(Encoders51(), Help51());
  EXPECT_FALSE(caps.all_encoders);
  EXPECT_TRUE(caps.has_vol);
  EXPECT_FALSE(caps.has_sameq);
  for (const char* name : {"libx264", "libvpx", "aac", "ac3_fixed", "prores_ks", "wmav2", "rv20",
                           "pcm_s16le", "flac", "libmp3lame", "mpeg2video"})
    EXPECT_TRUE(Ffmpeg_CapsHasEncoder(caps, name)) << name;
  // The legend above the list is no encoder.
  for (const char* name : {"libvo_aacenc", "=", "Video", "------"})
    EXPECT_FALSE(Ffmpeg_CapsHasEncoder(caps, name)) << name;
  EXPECT_EQ(Ffmpeg_CapsEncoderName(caps, "libvo_aacenc"), "aac");
  EXPECT_EQ(Ffmpeg_CapsEncoderName(caps, "libmp3lame"), "libmp3lame");
  EXPECT_EQ(Ffmpeg_CapsEncoderName(caps, "opus_unknown"), "opus_unknown");

  EXPECT_FALSE(Ffmpeg_CapsFromText(Encoders51(), HelpWithoutVol()).has_vol);
}

TEST(Caps, OlderEncoderKeepsTheTextAsIs) {
  const std::string encoders =
      "Encoders:\n V..... = Video\n ------\n V..... libx264   H.264\n"
      " A..... libvo_aacenc   Android VisualOn AAC\n";
  const std::string help =
      "-sameq              use same quantizer as source\n"
      "-vol volume         change audio volume (256=normal)\n";
  const ffmpeg_caps caps = Ffmpeg_CapsFromText(encoders, help);
  EXPECT_TRUE(caps.has_sameq);
  EXPECT_TRUE(caps.has_vol);
  EXPECT_EQ(Ffmpeg_CapsEncoderName(caps, "libvo_aacenc"), "libvo_aacenc");
  // An encoder without the stand-in keeps the name (and fails on its own).
  EXPECT_EQ(
      Ffmpeg_CapsEncoderName(Ffmpeg_CapsFromText(" ------\n V..... mpeg4 x\n", ""), "libvo_aacenc"),
      "libvo_aacenc");
  EXPECT_EQ(Ffmpeg_CapsEncoderName(Ffmpeg_CapsFull(), "libvo_aacenc"), "libvo_aacenc");
}

#ifdef FLENMARK_FAKE_FFMPEG

// A fake encoder that answers the capability queries like a newer encoder and converts.
class CapsWithFakeEncoder : public ::testing::Test {
 protected:
  void SetUp() override {
    char templ[] = "/tmp/flenmark_caps_XXXXXX";
    ASSERT_NE(mkdtemp(templ), nullptr);
    dir_ = templ;
    WriteText(dir_ / "encoders.txt", Encoders51());
    WriteText(dir_ / "help.txt", HelpWithoutVol());
    WriteText(dir_ / "progress.txt",
              "frame=   25 fps=0.0 q=28.0 size=      12kB time=00:00:01.00 bitrate= 98.3kbits/s\n");
    WriteText(dir_ / "rules",
              "^-hide_banner -encoders\tencoders.txt\n"
              "^-hide_banner -h\thelp.txt\n"
              "fail.mp4\tprogress.txt\t1\n"
              "^-y\tprogress.txt\t0\toutput=last;args_file=" +
                  (dir_ / "args").string() + "\n");
    setenv("FAKE_FFMPEG_RULES", (dir_ / "rules").c_str(), 1);
    saved_path_ = encoder_path;
    encoder_path = FLENMARK_FAKE_FFMPEG;
    Ffmpeg_SetInstalledCaps(std::nullopt);
  }
  void TearDown() override {
    unsetenv("FAKE_FFMPEG_RULES");
    encoder_path = saved_path_;
    Ffmpeg_SetInstalledCaps(std::nullopt);
    fs::remove_all(dir_);
  }

  std::vector<std::string> Args() const {
    std::vector<std::string> args;
    std::string all = ReadText(dir_ / "args"), one;
    for (char c : all) {
      if (c == '\0') {
        args.push_back(one);
        one.clear();
      } else {
        one += c;
      }
    }
    return args;
  }

  fs::path dir_;
  std::string saved_path_;
};

TEST_F(CapsWithFakeEncoder, ConvertAdaptsToTheInstalledEncoder) {
  ffmpeg_handle job = Ffmpeg_Create();
  Ffmpeg_AddInput(job, "in.mkv");
  Ffmpeg_SetOutputFile(job, (dir_ / "out.m4a").string());
  Ffmpeg_SetFormatId(job, 17);
  Ffmpeg_SetContainer(job, "mp4");
  Ffmpeg_SetAudioCodec(job, "libvo_aacenc");
  Ffmpeg_SetSampleRate(job, 44100);
  Ffmpeg_SetChannels(job, 2);
  Ffmpeg_SetAudioBitrate(job, 128);
  Ffmpeg_SetVolume(job, 150);
  std::vector<double> seconds;
  Ffmpeg_SetProgressCallback(job, [&seconds](double s, std::int64_t) {
    seconds.push_back(s);
    return true;
  });
  EXPECT_TRUE(Ffmpeg_Convert(job));
  Ffmpeg_Free(job);

  const std::vector<std::string> expected = {"-y",
                                             "-i",
                                             "in.mkv",
                                             "-f",
                                             "mp4",
                                             "-vn",
                                             "-c:a",
                                             "aac",
                                             "-b:a",
                                             "128k",
                                             "-ar",
                                             "44100",
                                             "-ac",
                                             "2",
                                             "-filter:a",
                                             "volume=1.5",
                                             (dir_ / "out.m4a").string()};
  EXPECT_EQ(Args(), expected);
  EXPECT_TRUE(fs::exists(dir_ / "out.m4a"));
  EXPECT_EQ(seconds, std::vector<double>{1.0});

  // Learned once: the kept answer holds even when the encoder no longer answers.
  encoder_path = (dir_ / "missing").string();
  EXPECT_FALSE(Ffmpeg_InstalledCaps().has_vol);
  EXPECT_FALSE(Ffmpeg_InstalledCaps().all_encoders);
}

TEST_F(CapsWithFakeEncoder, FailedDetectionIsNotKept) {
  encoder_path = (dir_ / "missing").string();
  EXPECT_TRUE(Ffmpeg_InstalledCaps().all_encoders);
  EXPECT_TRUE(Ffmpeg_InstalledCaps().has_vol);
  encoder_path = FLENMARK_FAKE_FFMPEG;
  EXPECT_FALSE(Ffmpeg_InstalledCaps().has_vol);
}

TEST_F(CapsWithFakeEncoder, EncoderFailureIsReported) {
  ffmpeg_handle job = Ffmpeg_Create();
  Ffmpeg_AddInput(job, "in.mkv");
  Ffmpeg_SetOutputFile(job, "fail.mp4");
  Ffmpeg_SetAudioCodec(job, "mp2");
  std::string log;
  EXPECT_FALSE(Ffmpeg_Convert(job, &log));
  EXPECT_NE(log.find("time=00:00:01.00"), std::string::npos);
  Ffmpeg_Free(job);
}

#endif

}  // namespace
