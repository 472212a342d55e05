// Every built-in format against the real encoder, with the job filled the way a batch fills it.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "encoder/ffmpeg_caps.h"
#include "encoder/ffmpeg_job.h"
#include "encoder/ffmpeg_presets.h"
#include "foundation/graph_utils.h"

namespace {

namespace fs = std::filesystem;

struct clip {
  std::string name;
  fs::path path;
  media_info info;
};

bool Collect(std::string_view chunk, void* data) {
  static_cast<std::string*>(data)->append(chunk);
  return true;
}

class RealEncoder : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    encoder_path = Ffmpeg_DefaultPath();
    Ffmpeg_SetInstalledCaps(std::nullopt);
    char templ[] = "/tmp/flenmark_matrix_XXXXXX";
    ASSERT_NE(mkdtemp(templ), nullptr);
    dir_ = new fs::path(templ);
    video_ = new clip{"video", *dir_ / "video.mp4", {}};
    audio_ = new clip{"audio", *dir_ / "audio.wav", {}};
    Make(
        *video_,
        "-f lavfi -i testsrc2=size=640x360:rate=25 -f lavfi -i sine=frequency=440:sample_rate=48000"
        " -t 2 -c:v libx264 -pix_fmt yuv420p -c:a aac -ac 2");
    Make(*audio_, "-f lavfi -i sine=frequency=440:sample_rate=22050 -t 2 -ac 1");
  }
  static void TearDownTestSuite() {
    fs::remove_all(*dir_);
    delete dir_;
    delete video_;
    delete audio_;
    Ffmpeg_SetInstalledCaps(std::nullopt);
  }

  static void Make(clip& c, const std::string& args) {
    std::string log;
    ASSERT_TRUE(Ffmpeg_Run(encoder_path,
                           "-y -hide_banner " + args + " " + Ffmpeg_QuotePath(c.path.string()),
                           Collect, &log))
        << log;
    ASSERT_TRUE(Ffmpeg_Probe(c.path.string(), c.info));
  }

  // Fills the job from a fresh copy of the format and the input's own values, in the order
  // and with the resolution rules of the batch driver.
  static void FillJob(ffmpeg_handle job, const ffmpeg_preset& format,
                      const std::vector<const clip*>& inputs, const fs::path& output,
                      bool deinterlace, int volume_pct) {
    const media_info& in = inputs.front()->info;
    Ffmpeg_ClearInputs(job);
    for (const clip* c : inputs) Ffmpeg_AddInput(job, c->path.string());
    Ffmpeg_SetOutputFile(job, output.string());
    Ffmpeg_SetFormatId(job, format.id);
    Ffmpeg_SetContainer(job, format.container);
    if (in.video.present && !format.video_codec.empty()) {
      std::int32_t w = format.width, h = format.height, kbps = format.video_bitrate;
      double fps = format.fps;
      const std::int32_t W = in.video.width, H = in.video.height;
      if (w == -1 && h == -1) {
        w = W;
        h = H;
      } else if (h == -1) {
        h = H * w / W;
      } else if (w == -1) {
        w = W * h / H;
      } else if ((W != w || H != h) && (format.resize_mode == 2 || format.resize_mode == 3)) {
        const kx_size fit = Fit_Resize_Calc(kx_size{W, H}, kx_size{w, h}, format.resize_mode == 3);
        w = fit.cx;
        h = fit.cy;
      }
      if (std::abs(fps + 1) < 1e-6) fps = in.video.fps;
      Ffmpeg_NormalizeVideo(format.video_codec, w, h, fps, kbps);
      Ffmpeg_SetVideoCodec(job, format.video_codec);
      Ffmpeg_SetVideoBitrate(job, kbps);
      Ffmpeg_SetWidth(job, w);
      Ffmpeg_SetHeight(job, h);
      Ffmpeg_SetFrameRate(job, fps);
      Ffmpeg_SetSpeed(job, format.speed);
      Ffmpeg_SetDeinterlace(job, deinterlace);
    }
    if (in.audio.present && !format.audio_codec.empty()) {
      const std::int32_t rate =
          format.sample_rate == -1 ? in.audio.sample_rate : format.sample_rate;
      const std::int32_t channels = format.channels == -1 ? in.audio.channels : format.channels;
      Ffmpeg_SetAudioCodec(job, format.audio_codec);
      Ffmpeg_SetSampleRate(job, rate);
      Ffmpeg_SetChannels(job, channels);
      Ffmpeg_SetAudioBitrate(job, format.audio_bitrate);
      Ffmpeg_SetVolume(job, volume_pct);
    }
    Ffmpeg_SetStart(job, 0);
    Ffmpeg_SetDuration(job, 0);
  }

  // Runs the job like the batch: into the temporary name, then moved to the final name.
  // Returns the probed output, with a failure recorded when anything went wrong.
  static bool RunAndProbe(ffmpeg_handle job, const fs::path& final_path, media_info& out) {
    const fs::path tmp = *dir_ / "_flmk_output.tmp";
    std::string log;
    const std::string args = Ffmpeg_BuildArgs(job, Ffmpeg_InstalledCaps());
    const bool ok = Ffmpeg_RunArgs(job, args, &log);
    EXPECT_TRUE(ok) << args << "\n" << log.substr(log.size() > 3000 ? log.size() - 3000 : 0);
    if (!ok || !fs::exists(tmp) || fs::file_size(tmp) == 0) {
      EXPECT_TRUE(fs::exists(tmp)) << args;
      fs::remove(tmp);
      return false;
    }
    fs::rename(tmp, final_path);
    const bool probed = Ffmpeg_Probe(final_path.string(), out);
    EXPECT_TRUE(probed) << final_path;
    return ok && probed;
  }

  // Length of the decoded content: the last progress position of a full decode.
  static double DecodedSeconds(const fs::path& path) {
    std::string log;
    Ffmpeg_Run(encoder_path, "-hide_banner -i " + Ffmpeg_QuotePath(path.string()) + " -f null -",
               Collect, &log);
    const std::size_t at = log.rfind("time=");
    return at == std::string::npos ? 0 : Ffmpeg_ParseTime(log.substr(at + 5, 11));
  }

  // Mean loudness of the audio in dB, measured by the encoder's volumedetect filter.
  static double MeanVolumeDb(const fs::path& path) {
    std::string log;
    Ffmpeg_Run(
        encoder_path,
        "-hide_banner -i " + Ffmpeg_QuotePath(path.string()) + " -vn -af volumedetect -f null -",
        Collect, &log);
    return Ffmpeg_ParseReal(
        Ffmpeg_ValueAfter("mean_volume:", Ffmpeg_FirstLine(log.substr(
                                              std::min(log.find("mean_volume:"), log.size())))),
        1000);
  }

  // The output's length within `tolerance` of `want`. The duration line is the container's
  // own estimate; an MPEG program stream holding only audio puts its last time stamp at the
  // start of a pack of several frames, so its estimate falls short by up to one pack. Then
  // the decoded length decides.
  static bool LengthMatches(const fs::path& path, const media_info& out, double want,
                            double tolerance) {
    if (std::abs(out.video.duration - want) <= tolerance) return true;
    const double decoded = DecodedSeconds(path);
    std::printf("%s: duration line %.2f s, decoded %.2f s\n", path.filename().c_str(),
                out.video.duration, decoded);
    EXPECT_NEAR(decoded, want, tolerance) << path;
    return std::abs(decoded - want) <= tolerance;
  }

  static fs::path* dir_;
  static clip* video_;
  static clip* audio_;
};

fs::path* RealEncoder::dir_ = nullptr;
clip* RealEncoder::video_ = nullptr;
clip* RealEncoder::audio_ = nullptr;

TEST_F(RealEncoder, EveryFormatConvertsBothClips) {
  ASSERT_TRUE(video_->info.video.present && video_->info.audio.present);
  ASSERT_FALSE(audio_->info.video.present);
  ASSERT_TRUE(audio_->info.audio.present);
  int passed = 0, total = 0;
  for (const ffmpeg_preset& format : Ffmpeg_Presets()) {
    // One job per batch, reused for the next file as the batch driver does.
    ffmpeg_handle job = Ffmpeg_Create();
    for (const clip* input : {video_, audio_}) {
      ++total;
      SCOPED_TRACE("format id " + std::to_string(format.id) + " " + std::string(format.name) +
                   " <" + std::string(format.description) + ">, " + input->name + " clip");
      FillJob(job, format, {input}, *dir_ / "_flmk_output.tmp", false, 100);
      const fs::path final_path = *dir_ / (std::to_string(format.id) + "_" + input->name + "." +
                                           std::string(format.extension));
      media_info out{};
      if (!RunAndProbe(job, final_path, out)) continue;
      const bool want_video = !format.video_codec.empty() && input->info.video.present;
      const double want = input->info.video.duration;
      EXPECT_EQ(out.video.present, want_video);
      EXPECT_TRUE(out.audio.present);
      const bool length_ok = LengthMatches(final_path, out, want, 0.2);
      if (out.video.present == want_video && out.audio.present && length_ok) ++passed;
      fs::remove(final_path);
    }
    Ffmpeg_Free(job);
  }
  std::printf("%d/%d conversions\n", passed, total);
  EXPECT_EQ(passed, total);
}

TEST_F(RealEncoder, MergeWithDeinterlacing) {
  ffmpeg_preset format{};
  ASSERT_TRUE(Ffmpeg_GetPreset(0, format));
  const double want = 2 * video_->info.video.duration;
  // The installed encoder's own text, then the volume as a filter in the graph, as a newer
  // encoder without -vol needs it.
  ffmpeg_caps no_vol = Ffmpeg_InstalledCaps();
  no_vol.has_vol = false;
  for (const ffmpeg_caps& caps : {Ffmpeg_InstalledCaps(), no_vol}) {
    SCOPED_TRACE(caps.has_vol ? "-vol" : "volume filter");
    Ffmpeg_SetInstalledCaps(caps);
    ffmpeg_handle job = Ffmpeg_Create();
    FillJob(job, format, {video_, video_}, *dir_ / "_flmk_output.tmp", true, 150);
    media_info out{};
    if (RunAndProbe(job, *dir_ / "Merged video.mp4", out)) {
      EXPECT_TRUE(out.video.present);
      EXPECT_TRUE(out.audio.present);
      EXPECT_NEAR(out.video.duration, want, 0.3);
      EXPECT_NEAR(DecodedSeconds(*dir_ / "Merged video.mp4"), want, 0.3);
      // 150 % is 3.5 dB louder, by either route.
      EXPECT_NEAR(MeanVolumeDb(*dir_ / "Merged video.mp4"), MeanVolumeDb(video_->path) + 3.52, 0.5);
    }
    EXPECT_NE(job->inputs.find("yadif=1"), std::string::npos);
    Ffmpeg_Free(job);
    fs::remove(*dir_ / "Merged video.mp4");
  }
  Ffmpeg_SetInstalledCaps(std::nullopt);
}

// The adapted pieces are accepted by the real encoder: the volume filter of a single file and
// a job without a format row (no -sameq).
TEST_F(RealEncoder, AdaptedPiecesAreAccepted) {
  ffmpeg_caps no_vol = Ffmpeg_InstalledCaps();
  no_vol.has_vol = false;
  Ffmpeg_SetInstalledCaps(no_vol);
  ffmpeg_preset format{};
  ASSERT_TRUE(Ffmpeg_GetPreset(1, format));
  ffmpeg_handle job = Ffmpeg_Create();
  FillJob(job, format, {video_}, *dir_ / "_flmk_output.tmp", true, 50);
  media_info out{};
  EXPECT_TRUE(RunAndProbe(job, *dir_ / "quiet.webm", out));
  EXPECT_TRUE(out.video.present && out.audio.present);
  EXPECT_NEAR(MeanVolumeDb(*dir_ / "quiet.webm"), MeanVolumeDb(video_->path) - 6.02, 0.5);

  Ffmpeg_SetFormatId(job, -1);
  Ffmpeg_SetVideoBitrate(job, -1);
  Ffmpeg_SetAudioBitrate(job, 0);
  EXPECT_TRUE(RunAndProbe(job, *dir_ / "no_format.webm", out));
  EXPECT_TRUE(out.video.present && out.audio.present);
  Ffmpeg_Free(job);
  Ffmpeg_SetInstalledCaps(std::nullopt);
}

}  // namespace
