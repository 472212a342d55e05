#include <gtest/gtest.h>

#include <clocale>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "encoder/ffmpeg_job.h"

namespace {

using setup_fn = std::function<void(ffmpeg_handle)>;

struct job_deleter {
  void operator()(ffmpeg_handle job) const { Ffmpeg_Free(job); }
};
using job_ptr = std::unique_ptr<ffmpeg_rec, job_deleter>;

job_ptr NewJob() {
  return job_ptr(Ffmpeg_Create());
}

std::string Build(const setup_fn& setup, const ffmpeg_caps& caps = Ffmpeg_CapsFull()) {
  job_ptr job = NewJob();
  setup(job.get());
  return Ffmpeg_BuildArgs(job.get(), caps);
}

std::string ReadFixture(const char* name) {
  std::ifstream in(std::string(FLENMARK_FIXTURES_DIR) + "/encoder_caps/" + name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Debian 12's encoder, from its recorded answers: no libvo_aacenc, no -sameq, still -vol.
ffmpeg_caps Debian12Caps() {
  return Ffmpeg_CapsFromText(ReadFixture("ffmpeg-5.1-encoders.txt"),
                             ReadFixture("ffmpeg-5.1-help-long.txt"));
}

// A newer encoder that also dropped -vol.
ffmpeg_caps NoVolCaps() {
  ffmpeg_caps caps = Debian12Caps();
  caps.has_vol = false;
  return caps;
}

// The single-file job of the H.264 HD mobile format, filled as the batch driver fills it.
void MobileHdJob(ffmpeg_handle job) {
  Ffmpeg_AddInput(job, "in.mkv");
  Ffmpeg_SetOutputFile(job, "out.mp4");
  Ffmpeg_SetFormatId(job, 28);
  Ffmpeg_SetContainer(job, "mp4");
  Ffmpeg_SetVideoCodec(job, "libx264");
  Ffmpeg_SetVideoBitrate(job, -1);
  Ffmpeg_SetWidth(job, 1280);
  Ffmpeg_SetHeight(job, 720);
  Ffmpeg_SetFrameRate(job, 29.97);
  Ffmpeg_SetSpeed(job, 1);
  Ffmpeg_SetAudioCodec(job, "libvo_aacenc");
  Ffmpeg_SetSampleRate(job, 48000);
  Ffmpeg_SetChannels(job, 2);
  Ffmpeg_SetAudioBitrate(job, -1);
  Ffmpeg_SetVolume(job, 100);
}

// Two AVI inputs merged with deinterlacing, starting 5 s in.
void MergeJob(ffmpeg_handle job) {
  Ffmpeg_AddInput(job, "1.avi");
  Ffmpeg_AddInput(job, "2.avi");
  Ffmpeg_SetOutputFile(job, "out.avi");
  Ffmpeg_SetFormatId(job, 3);
  Ffmpeg_SetContainer(job, "avi");
  Ffmpeg_SetVideoCodec(job, "xvid");
  Ffmpeg_SetVideoBitrate(job, 1000);
  Ffmpeg_SetWidth(job, 640);
  Ffmpeg_SetHeight(job, 480);
  Ffmpeg_SetFrameRate(job, 25);
  Ffmpeg_SetDeinterlace(job, true);
  Ffmpeg_SetAudioCodec(job, "libmp3lame");
  Ffmpeg_SetSampleRate(job, 44100);
  Ffmpeg_SetChannels(job, 2);
  Ffmpeg_SetAudioBitrate(job, 128);
  Ffmpeg_SetVolume(job, 100);
  Ffmpeg_SetStart(job, 5);
}

TEST(Job, WorkedExampleSingleFile) {
  job_ptr job = NewJob();
  MobileHdJob(job.get());
  EXPECT_EQ(Ffmpeg_BuildArgs(job.get(), Ffmpeg_CapsFull()),
            "-y  -i \"in.mkv\"   -f mp4 -s 1280x720 -r 29.97 -c:v libx264 -b:v 2664k -preset "
            "medium -c:a libvo_aacenc -b:a 160k -ar 48000 -ac 2 -vol 256 \"out.mp4\"");
  // The automatic audio choice is stored back; the bit rate itself stays automatic.
  EXPECT_EQ(job->output.audio.sample_rate, 48000);
  EXPECT_EQ(job->output.audio.channels, 2);
  EXPECT_EQ(job->output.audio.bitrate_kbps, -1);
  EXPECT_TRUE(job->video_on);
  EXPECT_TRUE(job->audio_on);
}

TEST(Job, WorkedExampleMerge) {
  job_ptr job = NewJob();
  MergeJob(job.get());
  const std::string args = Ffmpeg_BuildArgs(job.get(), Ffmpeg_CapsFull());
  const std::string inputs =
      "-i \"1.avi\" -i \"2.avi\"  -filter_complex \"[0:v] [0:a] [1:v] [1:a] "
      "concat=n=2:unsafe=1:v=1:a=1 [cv] [a]; [cv]yadif=1[v]\" -map \"[v]\" -map \"[a]\"";
  EXPECT_EQ(job->inputs, inputs);
  EXPECT_EQ(args, "-y  " + inputs +
                      "  -ss 5.00 -f avi -s 640x480 -r 25.00 -vtag xvid -c:v mpeg4 -b:v 1000k "
                      "-c:a libmp3lame -b:a 128k -ar 44100 -ac 2 -vol 256 \"out.avi\"");
}

TEST(Job, AdaptedToInstalledEncoders) {
  // Debian 12: the AAC encoder is the built-in one; -vol is still there.
  EXPECT_EQ(Build(MobileHdJob, Debian12Caps()),
            "-y  -i \"in.mkv\"   -f mp4 -s 1280x720 -r 29.97 -c:v libx264 -b:v 2664k -preset "
            "medium -c:a aac -b:a 160k -ar 48000 -ac 2 -vol 256 \"out.mp4\"");
  // Without -vol, 100 % needs nothing at all.
  EXPECT_EQ(Build(MobileHdJob, NoVolCaps()),
            "-y  -i \"in.mkv\"   -f mp4 -s 1280x720 -r 29.97 -c:v libx264 -b:v 2664k -preset "
            "medium -c:a aac -b:a 160k -ar 48000 -ac 2 \"out.mp4\"");
  // ... and another volume becomes the volume filter.
  EXPECT_EQ(Build(
                [](ffmpeg_handle job) {
                  MobileHdJob(job);
                  Ffmpeg_SetVolume(job, 150);
                },
                NoVolCaps()),
            "-y  -i \"in.mkv\"   -f mp4 -s 1280x720 -r 29.97 -c:v libx264 -b:v 2664k -preset "
            "medium -c:a aac -b:a 160k -ar 48000 -ac 2 -filter:a volume=1.5 \"out.mp4\"");
  // In a merge the volume filter joins the graph after concat.
  EXPECT_EQ(Build(
                [](ffmpeg_handle job) {
                  MergeJob(job);
                  Ffmpeg_SetVolume(job, 50);
                },
                NoVolCaps()),
            "-y  -i \"1.avi\" -i \"2.avi\"  -filter_complex \"[0:v] [0:a] [1:v] [1:a] "
            "concat=n=2:unsafe=1:v=1:a=1 [cv] [ca]; [cv]yadif=1[v]; [ca]volume=0.5[a]\" -map "
            "\"[v]\" -map \"[a]\"  -ss 5.00 -f avi -s 640x480 -r 25.00 -vtag xvid -c:v mpeg4 "
            "-b:v 1000k -c:a libmp3lame -b:a 128k -ar 44100 -ac 2 \"out.avi\"");
  // -sameq has no replacement: the encoder keeps its default quality.
  const auto no_format = [](ffmpeg_handle job) {
    Ffmpeg_AddInput(job, "a");
    Ffmpeg_SetOutputFile(job, "o");
    Ffmpeg_SetVideoCodec(job, "mpeg4");
    Ffmpeg_SetVideoBitrate(job, -1);
  };
  EXPECT_EQ(Build(no_format, Ffmpeg_CapsFull()), "-y  -i \"a\"   -c:v mpeg4 -sameq -an \"o\"");
  EXPECT_EQ(Build(no_format, Debian12Caps()), "-y  -i \"a\"   -c:v mpeg4 -an \"o\"");
}

struct text_case {
  const char* name;
  setup_fn setup;
  std::string expected;
};

TEST(Job, ArgumentTexts) {
  const text_case cases[] = {
      {"no inputs: range before the missing inputs",
       [](ffmpeg_handle j) {
         Ffmpeg_SetStart(j, 12.5);
         Ffmpeg_SetDuration(j, 30);
         Ffmpeg_SetOutputFile(j, "o");
       },
       "-y  -ss 12.50 -t 30.00   -vn -an \"o\""},
      {"one input: range before -i",
       [](ffmpeg_handle j) {
         Ffmpeg_AddInput(j, "a");
         Ffmpeg_SetStart(j, 12.5);
         Ffmpeg_SetDuration(j, 30);
         Ffmpeg_SetOutputFile(j, "o");
       },
       "-y  -ss 12.50 -t 30.00 -i \"a\"   -vn -an \"o\""},
      {"audio-only merge: range after the filter",
       [](ffmpeg_handle j) {
         Ffmpeg_AddInput(j, "a");
         Ffmpeg_AddInput(j, "b");
         Ffmpeg_SetStart(j, 12.5);
         Ffmpeg_SetDuration(j, 30);
         Ffmpeg_SetAudioCodec(j, "mp2");
         Ffmpeg_SetOutputFile(j, "o");
       },
       "-y  -i \"a\" -i \"b\"  -filter_complex \"[0:a] [1:a] concat=n=2:unsafe=1:v=0:a=1 [a]\" "
       "-map \"[a]\"  -ss 12.50 -t 30.00 -vn -c:a mp2 \"o\""},
      {"video-only merge without deinterlacing",
       [](ffmpeg_handle j) {
         Ffmpeg_AddInput(j, "a");
         Ffmpeg_AddInput(j, "b");
         Ffmpeg_AddInput(j, "c");
         Ffmpeg_SetVideoCodec(j, "mpeg4");
         Ffmpeg_SetOutputFile(j, "o");
       },
       "-y  -i \"a\" -i \"b\" -i \"c\"  -filter_complex \"[0:v] [1:v] [2:v] "
       "concat=n=3:unsafe=1:v=1:a=0 [v]\" -map \"[v]\"  -c:v mpeg4 -an \"o\""},
      {"DVD size is fixed, frame rate and bit rate clamped",
       [](ffmpeg_handle j) {
         Ffmpeg_SetFormatId(j, 40);
         Ffmpeg_SetVideoCodec(j, "mpeg2video");
         Ffmpeg_SetWidth(j, 640);
         Ffmpeg_SetHeight(j, 480);
         Ffmpeg_SetFrameRate(j, 23.976);
         Ffmpeg_SetVideoBitrate(j, 9000);
         Ffmpeg_SetOutputFile(j, "o");
       },
       "-y    -s 720x576 -r 23.98 -c:v mpeg2video -b:v 8000k -an \"o\""},
      {"automatic video bit rate of format 0",
       [](ffmpeg_handle j) {
         Ffmpeg_SetFormatId(j, 0);
         Ffmpeg_SetVideoCodec(j, "libx264");
         Ffmpeg_SetVideoBitrate(j, -1);
         Ffmpeg_SetWidth(j, 640);
         Ffmpeg_SetHeight(j, 360);
         Ffmpeg_SetFrameRate(j, 25);
         Ffmpeg_SetOutputFile(j, "o");
       },
       "-y    -s 640x360 -r 25.00 -c:v libx264 -b:v 833k -an \"o\""},
      {"automatic video bit rate without a format row",
       [](ffmpeg_handle j) {
         Ffmpeg_SetFormatId(j, 43);
         Ffmpeg_SetVideoCodec(j, "libx264");
         Ffmpeg_SetVideoBitrate(j, -1);
         Ffmpeg_SetOutputFile(j, "o");
       },
       "-y    -c:v libx264 -sameq -an \"o\""},
      {"video bit rate 0 and other negatives give no piece",
       [](ffmpeg_handle j) {
         Ffmpeg_SetFormatId(j, 0);
         Ffmpeg_SetVideoCodec(j, "libx264");
         Ffmpeg_SetVideoBitrate(j, -2);
         Ffmpeg_SetOutputFile(j, "o");
       },
       "-y    -c:v libx264 -an \"o\""},
      {"codec names: xvid tag, speed looked up as set",
       [](ffmpeg_handle j) {
         Ffmpeg_SetVideoCodec(j, "LIBX264");
         Ffmpeg_SetSpeed(j, 1);
         Ffmpeg_SetOutputFile(j, "o");
       },
       "-y    -c:v libx264 -an \"o\""},
      {"XviD", [](ffmpeg_handle j) { Ffmpeg_SetVideoCodec(j, "XviD"); },
       "-y    -vtag xvid -c:v mpeg4 -an \"\""},
      {"divx", [](ffmpeg_handle j) { Ffmpeg_SetVideoCodec(j, "divx"); },
       "-y    -vtag divx -c:v mpeg4 -an \"\""},
      {"libvpx maximum speed",
       [](ffmpeg_handle j) {
         Ffmpeg_SetVideoCodec(j, "libvpx");
         Ffmpeg_SetSpeed(j, 8);
       },
       "-y    -c:v libvpx -quality realtime -speed 16 -an \"\""},
      {"libvpx slow and libx264 fast",
       [](ffmpeg_handle j) {
         Ffmpeg_SetVideoCodec(j, "libvpx");
         Ffmpeg_SetSpeed(j, 2);
       },
       "-y    -c:v libvpx -quality good -cpu-used 0 -an \"\""},
      {"libx264 speed 4",
       [](ffmpeg_handle j) {
         Ffmpeg_SetVideoCodec(j, "libx264");
         Ffmpeg_SetSpeed(j, 4);
       },
       "-y    -c:v libx264 -preset faster -an \"\""},
      {"unknown speed code",
       [](ffmpeg_handle j) {
         Ffmpeg_SetVideoCodec(j, "libx264");
         Ffmpeg_SetSpeed(j, 3);
       },
       "-y    -c:v libx264 -an \"\""},
      {"deinterlacing a single input",
       [](ffmpeg_handle j) {
         Ffmpeg_AddInput(j, "a");
         Ffmpeg_SetVideoCodec(j, "mpeg4");
         Ffmpeg_SetDeinterlace(j, true);
       },
       "-y  -i \"a\"   -c:v mpeg4 -filter:v yadif -an \"\""},
      {"pcm never gets a bit rate",
       [](ffmpeg_handle j) {
         Ffmpeg_SetFormatId(j, 13);
         Ffmpeg_SetAudioCodec(j, "pcm");
         Ffmpeg_SetAudioBitrate(j, 320);
         Ffmpeg_SetSampleRate(j, 44100);
         Ffmpeg_SetChannels(j, 2);
       },
       "-y    -vn -c:a pcm_s16le -ar 44100 -ac 2 \"\""},
      {"FLAC without a format row",
       [](ffmpeg_handle j) {
         Ffmpeg_SetAudioCodec(j, "FLAC");
         Ffmpeg_SetAudioBitrate(j, 320);
       },
       "-y    -vn -c:a flac \"\""},
      {"flash MP3 moves to an allowed rate",
       [](ffmpeg_handle j) {
         Ffmpeg_SetFormatId(j, 11);
         Ffmpeg_SetAudioCodec(j, "libmp3lame_flv");
         Ffmpeg_SetAudioBitrate(j, -1);
         Ffmpeg_SetSampleRate(j, 48000);
         Ffmpeg_SetChannels(j, 2);
       },
       "-y    -vn -c:a libmp3lame -b:a 160k -ar 44100 -ac 2 \"\""},
      {"AC-3 at 22050 Hz moves to 32000 Hz",
       [](ffmpeg_handle j) {
         Ffmpeg_SetFormatId(j, 20);
         Ffmpeg_SetAudioCodec(j, "ac3_fixed");
         Ffmpeg_SetAudioBitrate(j, -1);
         Ffmpeg_SetSampleRate(j, 22050);
         Ffmpeg_SetChannels(j, 1);
       },
       "-y    -vn -c:a ac3_fixed -b:a 64k -ar 32000 -ac 1 \"\""},
      {"given audio bit rate is not clamped",
       [](ffmpeg_handle j) {
         Ffmpeg_SetFormatId(j, 15);
         Ffmpeg_SetAudioCodec(j, "libmp3lame");
         Ffmpeg_SetAudioBitrate(j, 999);
       },
       "-y    -vn -c:a libmp3lame -b:a 999k \"\""},
      {"automatic audio without source values gives no bit rate",
       [](ffmpeg_handle j) {
         Ffmpeg_SetFormatId(j, 15);
         Ffmpeg_SetAudioCodec(j, "libmp3lame");
         Ffmpeg_SetAudioBitrate(j, -1);
       },
       "-y    -vn -c:a libmp3lame \"\""},
      {"volume 150 %",
       [](ffmpeg_handle j) {
         Ffmpeg_SetAudioCodec(j, "mp2");
         Ffmpeg_SetVolume(j, 150);
       },
       "-y    -vn -c:a mp2 -vol 384 \"\""},
      {"volume below 0 %",
       [](ffmpeg_handle j) {
         Ffmpeg_SetAudioCodec(j, "mp2");
         Ffmpeg_SetVolume(j, -5);
       },
       "-y    -vn -c:a mp2 -vol 0 \"\""},
      {"volume not given", [](ffmpeg_handle j) { Ffmpeg_SetAudioCodec(j, "mp2"); },
       "-y    -vn -c:a mp2 \"\""},
  };
  for (const text_case& c : cases) EXPECT_EQ(Build(c.setup), c.expected) << c.name;
}

TEST(Job, ClampsAreStoredBack) {
  job_ptr job = NewJob();
  Ffmpeg_SetFormatId(job.get(), 40);  // DVD PAL: 720 x 576 only
  Ffmpeg_SetVideoCodec(job.get(), "mpeg2video");
  Ffmpeg_SetWidth(job.get(), 640);  // height left at 0: no size piece, width still clamped
  Ffmpeg_SetFrameRate(job.get(), 100);
  Ffmpeg_SetVideoBitrate(job.get(), 10);
  const std::string args = Ffmpeg_BuildArgs(job.get(), Ffmpeg_CapsFull());
  EXPECT_EQ(args.find(" -s "), std::string::npos);
  EXPECT_EQ(job->output.video.width, 720);
  EXPECT_EQ(job->output.video.height, 0);
  EXPECT_EQ(job->output.video.fps, 60.0);
  EXPECT_EQ(job->output.video.bitrate_kbps, 2500);

  // A job keeps what a conversion left in it; a merge filter is built once.
  Ffmpeg_AddInput(job.get(), "a");
  Ffmpeg_AddInput(job.get(), "b");
  Ffmpeg_BuildArgs(job.get(), Ffmpeg_CapsFull());
  EXPECT_EQ(job->inputs,
            "-i \"a\" -i \"b\"  -filter_complex \"[0:v] [1:v] concat=n=2:unsafe=1:v=1:a=0 [v]\" "
            "-map \"[v]\"");
  Ffmpeg_ClearInputs(job.get());
  EXPECT_EQ(job->inputs, "");
  EXPECT_EQ(job->input_count, 0);
}

TEST(Job, CreateAndSetters) {
  job_ptr job = NewJob();
  EXPECT_EQ(job->format_id, -1);
  EXPECT_EQ(job->volume, -1);
  EXPECT_TRUE(job->video_on);
  EXPECT_TRUE(job->audio_on);
  EXPECT_EQ(job->input_count, 0);
  EXPECT_EQ(job->output.video.width, 0);
  EXPECT_EQ(job->output.audio.codec, "");
  EXPECT_FALSE(job->deinterlace);

  const std::pair<int, int> channels[] = {{6, 2}, {2, 2}, {1, 1}, {0, 1}, {-3, 1}};
  for (auto [in, out] : channels) {
    Ffmpeg_SetChannels(job.get(), in);
    EXPECT_EQ(job->output.audio.channels, out) << in;
  }
  const std::pair<int, int> volumes[] = {{100, 256}, {150, 384}, {400, 1024}, {401, 1024},
                                         {-5, 0},    {0, 0},     {1, 3},      {33, 84}};
  for (auto [in, out] : volumes) {
    Ffmpeg_SetVolume(job.get(), in);
    EXPECT_EQ(job->volume, out) << in;
  }
  Ffmpeg_SetVideoBitrate(job.get(), -1);
  EXPECT_EQ(job->output.video.bitrate_kbps, -1);
  Ffmpeg_SetAudioBitrate(job.get(), -1);
  EXPECT_EQ(job->output.audio.bitrate_kbps, -1);

  const std::string long_name(300, 'x');
  Ffmpeg_SetContainer(job.get(), long_name);
  Ffmpeg_SetVideoCodec(job.get(), long_name);
  Ffmpeg_SetAudioCodec(job.get(), long_name);
  EXPECT_EQ(job->output.container.size(), 255u);
  EXPECT_EQ(job->output.video.codec.size(), 255u);
  EXPECT_EQ(job->output.audio.codec.size(), 255u);

  Ffmpeg_AddInput(job.get(), "a b.mkv");
  EXPECT_EQ(job->inputs, "-i \"a b.mkv\" ");
  EXPECT_EQ(job->input_count, 1);
}

TEST(Job, AutomaticBitRates) {
  ffmpeg_preset row{};
  ASSERT_TRUE(Ffmpeg_GetPreset(Ffmpeg_PresetRowOfId(28), row));
  EXPECT_EQ(Ffmpeg_AutoVideoBitrate(row, 1280, 720, 29.97), 2664);
  EXPECT_EQ(Ffmpeg_AutoVideoBitrate(row, 64, 64, 1), 768);        // clamped up
  EXPECT_EQ(Ffmpeg_AutoVideoBitrate(row, 4096, 4096, 30), 5000);  // clamped down

  struct audio_case {
    int id, rate, channels;
    int want_kbps, want_rate, want_channels;
  };
  const audio_case cases[] = {
      {28, 48000, 2, 160, 48000, 2},  // target 168
      {26, 44100, 2, 80, 44100, 2},   // target 84
      {19, 22050, 1, 48, 22050, 1},   // MP2, target 46
      {19, 8000, 1, 32, 16000, 1},    // MP2 has nothing at 8000 Hz: moves up
      {20, 48000, 6, 192, 48000, 2},  // AC3: six channels score as the stereo candidates
      {17, 22050, 1, 32, 22050, 1},   // AAC, target 30
      {22, 44100, 2, -1, 44100, 2},   // FLAC: no choice to make
      {15, 0, 2, -1, 0, 2},           // nothing known about the source
  };
  for (const audio_case& c : cases) {
    ASSERT_TRUE(Ffmpeg_GetPreset(Ffmpeg_PresetRowOfId(c.id), row));
    int rate = c.rate, channels = c.channels;
    EXPECT_EQ(Ffmpeg_AutoAudio(rate, channels, row), c.want_kbps) << "id " << c.id;
    EXPECT_EQ(rate, c.want_rate) << "id " << c.id;
    EXPECT_EQ(channels, c.want_channels) << "id " << c.id;
  }

  // Scores: exact source match, a lower rate, one channel more, no target.
  EXPECT_EQ(Ffmpeg_AudioScore(48000, 2, 160, 48000, 2, 168), 255 * 256 + 243);
  EXPECT_EQ(Ffmpeg_AudioScore(44100, 2, 168, 48000, 2, 168), (66 + 80 + 75) * 256 + 255);
  EXPECT_EQ(Ffmpeg_AudioScore(48000, 2, 160, 48000, 1, 0), (100 + 39 + 75) * 256);
}

TEST(Job, NumbersIgnoreTheLocale) {
  const char* old = std::setlocale(LC_ALL, nullptr);
  const std::string saved = old ? old : "C";
  if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "no German locale here";
  const std::string args = Build([](ffmpeg_handle j) {
    Ffmpeg_AddInput(j, "a");
    Ffmpeg_SetStart(j, 1234.5);
    Ffmpeg_SetVideoCodec(j, "mpeg4");
    Ffmpeg_SetFrameRate(j, 23.976);
  });
  std::setlocale(LC_ALL, saved.c_str());
  EXPECT_EQ(args, "-y  -ss 1234.50 -i \"a\"   -r 23.98 -c:v mpeg4 -an \"\"");
}

}  // namespace
