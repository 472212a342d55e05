// flenmark-cli end to end with the real encoder: media made at test time, every built-in format,
// merging, ranges, volume, hostile file names, Ctrl+C and the exit statuses.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "encoder/ffmpeg_presets.h"
#include "workflow_cli_support.h"

namespace fs = std::filesystem;
using cli_test::Ffmpeg;
using cli_test::Probe;

namespace {

struct input_clip {
  const char* name;
  bool video;
  bool audio;
  std::vector<std::string> make;  // encoder arguments before the output name
};

const double kClip = 1.2;

const std::vector<input_clip>& Clips() {
  static const std::vector<input_clip> clips = {
      {"av.mp4",
       true,
       true,
       {"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25:duration=1.2", "-f", "lavfi", "-i",
        "sine=frequency=440:sample_rate=44100:duration=1.2", "-ac", "2", "-c:v", "libx264",
        "-preset", "ultrafast", "-pix_fmt", "yuv420p", "-c:a", "aac", "-shortest"}},
      {"video only.mkv",
       true,
       false,
       {"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25:duration=1.2", "-c:v", "libx264",
        "-preset", "ultrafast", "-pix_fmt", "yuv420p"}},
      {"mono22k.wav",
       false,
       true,
       {"-f", "lavfi", "-i", "sine=frequency=330:sample_rate=22050:duration=1.2", "-ac", "1",
        "-c:a", "pcm_s16le"}},
      {"surround.ac3",
       false,
       true,
       {"-f", "lavfi", "-i", "sine=frequency=220:sample_rate=48000:duration=1.2", "-af",
        "pan=5.1|c0=c0|c1=c0|c2=c0|c3=c0|c4=c0|c5=c0", "-c:a", "ac3"}},
      {"odd.mkv",
       true,
       true,
       {"-f", "lavfi", "-i", "testsrc=size=333x187:rate=24000/1001:duration=1.2", "-f", "lavfi",
        "-i", "sine=frequency=550:sample_rate=48000:duration=1.2", "-ac", "2", "-c:v", "ffv1",
        "-c:a", "flac", "-shortest"}},
      {"interlaced.mpg",
       true,
       true,
       {"-f",       "lavfi",       "-i",   "testsrc=size=720x576:rate=25:duration=1.2",
        "-f",       "lavfi",       "-i",   "sine=frequency=660:sample_rate=48000:duration=1.2",
        "-ac",      "2",           "-c:v", "mpeg2video",
        "-flags",   "+ilme+ildct", "-top", "1",
        "-b:v",     "4M",          "-c:a", "mp2",
        "-shortest"}},
  };
  return clips;
}

// The six inputs are made once per build tree and shared by every test process: made in a
// scratch folder, then renamed into place (the loser of a race uses the winner's folder).
std::string SharedInputs() {
  const std::string final_dir = std::string(WORKFLOW_MEDIA_DIR) + "/inputs-v1/";
  if (fs::exists(final_dir + "done")) return final_dir;
  fs::create_directories(WORKFLOW_MEDIA_DIR);
  std::string scratch = std::string(WORKFLOW_MEDIA_DIR) + "/making-XXXXXX";
  if (!mkdtemp(scratch.data())) return {};
  scratch += "/";
  for (const auto& c : Clips()) {
    auto args = c.make;
    args.push_back(scratch + c.name);
    if (!Ffmpeg(args, scratch + "log")) return {};
  }
  std::ofstream(scratch + "done") << "ok";
  std::error_code ec;
  fs::rename(scratch, final_dir, ec);
  if (ec) fs::remove_all(scratch, ec);
  return fs::exists(final_dir + "done") ? final_dir : std::string();
}

class CliEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    inputs_ = SharedInputs();
    ASSERT_FALSE(inputs_.empty()) << "could not make the test media";
    char tmpl[] = "/tmp/flenmark_e2eXXXXXX";
    dir_ = mkdtemp(tmpl);
    dir_ += "/";
    fs::create_directories(dir_ + "in");
    for (const auto& c : Clips()) fs::copy_file(inputs_ + c.name, In(c.name));
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::vector<std::string> Cli(std::vector<std::string> args) const {
    args.insert(args.begin(), {FLENMARK_CLI, "--config", dir_ + "none.xml"});
    return args;
  }
  std::string In(const std::string& name) const { return dir_ + "in/" + name; }

  std::string inputs_;
  std::string dir_;
};

// One built-in format (by its row) against every input that has something for it.
class CliEveryFormat : public CliEndToEnd, public ::testing::WithParamInterface<int> {};

}  // namespace

TEST_P(CliEveryFormat, ConvertsEveryInput) {
  const int row = GetParam();
  const ffmpeg_preset& p = Ffmpeg_Presets()[static_cast<std::size_t>(row)];
  const bool format_video = !p.video_codec.empty();
  std::vector<std::string> files;
  std::vector<const input_clip*> used;
  for (const auto& c : Clips()) {
    // An audio format has nothing to take from a file without audio.
    if (!format_video && !c.audio) continue;
    files.push_back(In(c.name));
    used.push_back(&c);
  }
  const std::string out = dir_ + "out/";
  std::vector<std::string> args = {"--format", std::to_string(row), "-o", out, "--json", "--"};
  args.insert(args.end(), files.begin(), files.end());
  auto r = cli_test::Run(Cli(args), dir_ + "run");
  auto results = nlohmann::json::parse(r.out, nullptr, false);
  ASSERT_TRUE(results.is_array()) << r.out << r.err;
  ASSERT_EQ(results.size(), files.size());
  int done = 0;
  for (std::size_t i = 0; i < files.size(); ++i) {
    const auto& res = results[i];
    const input_clip& c = *used[i];
    SCOPED_TRACE(std::string(p.name) + " <" + std::string(p.description) + "> from " + c.name);
    if (res["status"] != "Done") {
      ADD_FAILURE() << "status " << res["status"] << "\n" << r.err;
      continue;
    }
    const std::string output = res["output"];
    auto probe = Probe(output, dir_ + "probe");
    ASSERT_TRUE(probe.ok) << output;
    EXPECT_EQ(probe.video, format_video && c.video);
    EXPECT_EQ(probe.audio, !p.audio_codec.empty() && c.audio);
    EXPECT_NEAR(probe.duration, kClip, 0.3);
    EXPECT_EQ(res["output_size"], fs::file_size(output));
    ++done;
  }
  EXPECT_EQ(r.status, 0) << r.err;
  std::cout << p.name << " <" << p.description << ">: " << done << "/" << files.size()
            << " conversions Done and probed back\n";
}

INSTANTIATE_TEST_SUITE_P(AllBuiltInFormats, CliEveryFormat, ::testing::Range(0, 43),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return "row" + std::to_string(info.param);
                         });

TEST_F(CliEndToEnd, MergeRangeAndVolume) {
  // Two clips merged: one output, as long as both together.
  ASSERT_TRUE(Ffmpeg({"-i", In("av.mp4"), "-c", "copy", In("second.mp4")}, dir_ + "make"));
  auto r = cli_test::Run(Cli({"--format", "MPEG-4", "--merge", "-o", dir_ + "merge", "--quiet",
                              In("av.mp4"), In("second.mp4")}),
                         dir_ + "run");
  EXPECT_EQ(r.status, 0) << r.err;
  auto merged = Probe(dir_ + "merge/Merged av.mp4", dir_ + "probe");
  EXPECT_TRUE(merged.video && merged.audio);
  EXPECT_NEAR(merged.duration, 2 * kClip, 0.3);

  // --start 1 --end 3 of a 4-second clip: 2 seconds.
  ASSERT_TRUE(Ffmpeg(
      {"-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100:duration=4", In("four.wav")},
      dir_ + "make"));
  r = cli_test::Run(Cli({"--format", "id:22", "--start", "1", "--end", "00:00:03", "-o",
                         dir_ + "range", "--quiet", In("four.wav")}),
                    dir_ + "run");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NEAR(Probe(dir_ + "range/four.flac", dir_ + "probe").duration, 2.0, 0.1);

  // --volume 200 doubles the amplitude: about 6 dB louder.
  ASSERT_TRUE(Ffmpeg({"-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100:duration=2", "-af",
                      "volume=0.1", In("quiet.wav")},
                     dir_ + "make"));
  r = cli_test::Run(
      Cli({"--format", "WAV", "--volume", "200", "-o", dir_ + "vol", "--quiet", In("quiet.wav")}),
      dir_ + "run");
  EXPECT_EQ(r.status, 0) << r.err;
  const double before = cli_test::MeanVolume(In("quiet.wav"), dir_ + "vd");
  const double after = cli_test::MeanVolume(dir_ + "vol/quiet.wav", dir_ + "vd");
  EXPECT_NEAR(after - before, 6.02, 0.5) << before << " -> " << after;
}

TEST_F(CliEndToEnd, HostileFileNames) {
  // Names as typed in the input folder: spaces, a double quote, non-ASCII letters, a leading
  // dash (after "--"), a backslash.
  const std::vector<std::string> names = {"with space.wav", "quote\"d.wav",
                                          "\u00f1and\u00fa \u00e9t\u00e9.wav", "-dash.wav",
                                          "back\\slash.wav"};
  std::vector<std::string> args = {"--format", "MP3", "-o", dir_ + "hostile out", "--json", "--"};
  for (const auto& n : names) {
    fs::copy_file(In("mono22k.wav"), In(n), fs::copy_options::overwrite_existing);
    args.push_back(n);
  }
  auto r = cli_test::Run(Cli(args), dir_ + "run", {}, dir_ + "in");
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  auto results = nlohmann::json::parse(r.out, nullptr, false);
  ASSERT_TRUE(results.is_array()) << r.out;
  ASSERT_EQ(results.size(), names.size());
  for (std::size_t i = 0; i < names.size(); ++i) {
    const std::string want = dir_ + "hostile out/" + fs::path(names[i]).stem().string() + ".mp3";
    EXPECT_EQ(results[i]["input"], names[i]);
    EXPECT_EQ(results[i]["status"], "Done") << names[i];
    EXPECT_EQ(results[i]["output"], want);
    EXPECT_TRUE(Probe(want, dir_ + "probe").audio) << want;
  }
  // Without "--" a leading dash is an option: a usage error, nothing converted.
  r = cli_test::Run(Cli({"--format", "MP3", "-o", dir_ + "dash", "-dash.wav"}), dir_ + "run", {},
                    dir_ + "in");
  EXPECT_EQ(r.status, 2);
  EXPECT_FALSE(fs::exists(dir_ + "dash"));
}

TEST_F(CliEndToEnd, CtrlCInterruptsAndLeavesNoTemporaryFile) {
  // A clip long enough to be stopped in the middle.
  ASSERT_TRUE(Ffmpeg({"-f", "lavfi", "-i", "testsrc=size=640x360:rate=25:duration=30", "-c:v",
                      "mpeg2video", "-q:v", "10", In("long.mpg")},
                     dir_ + "make"));
  for (int presses : {1, 2}) {
    SCOPED_TRACE(presses);
    const std::string out = dir_ + "stop" + std::to_string(presses) + "/";
    pid_t pid = cli_test::Start(Cli({"--format", "MKV", "-o", out, "--json", In("long.mpg")}),
                                dir_ + "stop.out", dir_ + "stop.err");
    ASSERT_GT(pid, 0);
    // Wait until the encoder writes its temporary file, then press Ctrl+C.
    ASSERT_TRUE(cli_test::WaitFor(
        [&] {
          return fs::exists(out + "_flmk_output.tmp") &&
                 fs::file_size(out + "_flmk_output.tmp") > 0;
        },
        30000));
    kill(pid, SIGINT);
    if (presses == 2) kill(pid, SIGINT);
    EXPECT_EQ(cli_test::Wait(pid), 130);
    EXPECT_FALSE(fs::exists(out + "_flmk_output.tmp"));
    EXPECT_FALSE(fs::exists(out + "long.mkv"));
    if (presses == 1) {
      auto results = nlohmann::json::parse(cli_test::ReadAll(dir_ + "stop.out"), nullptr, false);
      ASSERT_TRUE(results.is_array());
      EXPECT_EQ(results[0]["status"], "Interrupted");
    }
    // No encoder is left running for this output.
    EXPECT_TRUE(cli_test::WaitFor([&] { return !cli_test::AnyProcessMentions(out); }, 5000));
  }
}

TEST_F(CliEndToEnd, ListingsProbeDryRunAndExitStatuses) {
  auto r = cli_test::Run(Cli({"--list-formats", "--json"}), dir_ + "run");
  ASSERT_EQ(r.status, 0);
  auto list = nlohmann::json::parse(r.out);
  ASSERT_EQ(list.size(), 43u);
  EXPECT_EQ(list[0]["name"], "MPEG-4");
  EXPECT_EQ(list[0]["category"], "Video");
  EXPECT_EQ(list[15]["id"], 42);
  EXPECT_EQ(list[16]["extension"], "mp3");
  EXPECT_EQ(list[16]["custom"], false);
  r = cli_test::Run(Cli({"--list-formats"}), dir_ + "run");
  EXPECT_NE(r.out.find("0\t0\tVideo\tMPEG-4   <H.264 AVC video, AAC audio>\n"), std::string::npos);

  r = cli_test::Run(Cli({"--probe", "--json", In("av.mp4"), In("mono22k.wav")}), dir_ + "run");
  ASSERT_EQ(r.status, 0) << r.err;
  auto probes = nlohmann::json::parse(r.out);
  EXPECT_EQ(probes[0]["ok"], true);
  EXPECT_EQ(probes[0]["video"]["width"], 320);
  EXPECT_EQ(probes[0]["video"]["codec"], "h264");
  EXPECT_EQ(probes[0]["audio"]["channels"], 2);
  EXPECT_EQ(probes[1]["video"]["present"], false);
  EXPECT_EQ(probes[1]["audio"]["sample_rate"], 22050);
  EXPECT_NEAR(probes[1]["duration"].get<double>(), kClip, 0.05);

  // The dry run prints the exact text for the installed encoder and converts nothing.
  r = cli_test::Run(Cli({"--format", "id:0", "--dry-run", "--json", "-o", dir_ + "dry",
                         In("av.mp4"), In("mono22k.wav")}),
                    dir_ + "run");
  ASSERT_EQ(r.status, 0) << r.err;
  auto plan = nlohmann::json::parse(r.out);
  ASSERT_EQ(plan.size(), 2u);
  EXPECT_EQ(plan[0]["output"], dir_ + "dry/av.mp4");
  const std::string args = plan[0]["args"];
  EXPECT_EQ(args.rfind("-y  -i \"" + In("av.mp4") + "\"", 0), 0u) << args;
  EXPECT_NE(args.find(" -c:v libx264"), std::string::npos) << args;
  EXPECT_NE(args.find("_flmk_output.tmp\""), std::string::npos) << args;
  EXPECT_FALSE(fs::exists(dir_ + "dry/av.mp4"));

  // A merge is one job reading both inputs through one filter graph.
  r = cli_test::Run(Cli({"--format", "MPEG-4", "--merge", "--dry-run", "--json", "-o", dir_ + "dry",
                         In("av.mp4"), In("odd.mkv")}),
                    dir_ + "run");
  ASSERT_EQ(r.status, 0) << r.err;
  plan = nlohmann::json::parse(r.out);
  ASSERT_EQ(plan.size(), 1u);
  EXPECT_EQ(plan[0]["output"], dir_ + "dry/Merged av.mp4");
  EXPECT_NE(plan[0]["args"].get<std::string>().find("concat=n=2"), std::string::npos);

  // Video-only and video+audio files cannot be merged.
  r = cli_test::Run(Cli({"--format", "MPEG-4", "--merge", "-o", dir_ + "nomerge", In("av.mp4"),
                         In("video only.mkv")}),
                    dir_ + "run");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("cannot be merged"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(dir_ + "nomerge"));

  // What the encoder offers is cached between runs; a damaged cache is detected again and
  // gives the same text.
  const std::vector<std::string> env = {std::string("PATH=") + getenv("PATH"),
                                        std::string("HOME=") + getenv("HOME"),
                                        "XDG_CACHE_HOME=" + dir_ + "cache"};
  const std::vector<std::string> dry = {"--format", "id:0",       "--dry-run", "--json",
                                        "-o",       dir_ + "dry", In("av.mp4")};
  for (const char* damage : {"", "", "key=x\nall_encoders=1\n", "garbage"}) {
    if (damage[0]) std::ofstream(dir_ + "cache/flenmark/encoder-caps") << damage;
    r = cli_test::Run(Cli(dry), dir_ + "run", env);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(nlohmann::json::parse(r.out)[0]["args"], args);
    EXPECT_NE(cli_test::ReadAll(dir_ + "cache/flenmark/encoder-caps").find("key=/"),
              std::string::npos);
  }

  // Exit statuses: usage, a file that is no media, a missing encoder.
  r = cli_test::Run(Cli({}), dir_ + "run");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("--format"), std::string::npos);
  r = cli_test::Run(Cli({"--format", "no such format", In("av.mp4")}), dir_ + "run");
  EXPECT_EQ(r.status, 2);
  std::ofstream(In("fake.mp4")) << "not a video";
  r = cli_test::Run(Cli({"--format", "MP3", "-o", dir_ + "bad", In("fake.mp4"), In("mono22k.wav")}),
                    dir_ + "run");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Error opening files:\n    " + In("fake.mp4")), std::string::npos) << r.err;
  EXPECT_NE(r.out.find("Done\t" + In("mono22k.wav")), std::string::npos) << r.out;
  r = cli_test::Run(Cli({"--format", "MP3", In("mono22k.wav")}), dir_ + "run",
                    {"PATH=/nonexistent", "HOME=" + dir_});
  EXPECT_EQ(r.status, 3);
  EXPECT_EQ(r.err.rfind("Crucial component missing. Please reinstall.", 0), 0u) << r.err;
}
