#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "encoder/ffmpeg_caps.h"
#include "encoder/ffmpeg_presets.h"
#include "encoder/ffmpeg_tools.h"

// Progress callback of a job: (encoded seconds, output size in kB) -> whether to go on.
using ffmpeg_progress_fn = decltype(RecCB_::on_progress);

// One conversion: one input, or several inputs merged into one output.
struct ffmpeg_rec {
  media_info output{};  // requested output settings (container, video, audio)
  std::string inputs;   // input part of the argument text
  std::int32_t input_count = 0;
  std::string output_file;
  ffmpeg_progress_fn on_progress{};
  std::int32_t format_id = -1;  // built-in format row the limits come from; -1 none
  double start_sec = 0;
  double duration_sec = 0;
  bool video_on = true;
  bool audio_on = true;
  std::int32_t speed = 0;
  bool deinterlace = false;
  std::int32_t volume = -1;  // 256 = unchanged; below 0 = not given
};

using ffmpeg_handle = ffmpeg_rec*;

ffmpeg_handle Ffmpeg_Create();
void Ffmpeg_Free(ffmpeg_handle job);

void Ffmpeg_AddInput(ffmpeg_handle job, std::string_view path);
void Ffmpeg_ClearInputs(ffmpeg_handle job);
void Ffmpeg_SetFormatId(ffmpeg_handle job, std::int32_t id);
void Ffmpeg_SetProgressCallback(ffmpeg_handle job, ffmpeg_progress_fn callback);
void Ffmpeg_SetStart(ffmpeg_handle job, double seconds);
void Ffmpeg_SetDuration(ffmpeg_handle job, double seconds);
void Ffmpeg_SetOutputFile(ffmpeg_handle job, std::string_view path);
void Ffmpeg_SetContainer(ffmpeg_handle job, std::string_view container);
void Ffmpeg_SetVideoCodec(ffmpeg_handle job, std::string_view codec);
void Ffmpeg_SetWidth(ffmpeg_handle job, std::int32_t width);
void Ffmpeg_SetHeight(ffmpeg_handle job, std::int32_t height);
void Ffmpeg_SetFrameRate(ffmpeg_handle job, double fps);
void Ffmpeg_SetVideoBitrate(ffmpeg_handle job, std::int32_t kbps);
void Ffmpeg_SetSpeed(ffmpeg_handle job, std::int32_t speed);
void Ffmpeg_SetDeinterlace(ffmpeg_handle job, bool on);
void Ffmpeg_SetAudioCodec(ffmpeg_handle job, std::string_view codec);
void Ffmpeg_SetSampleRate(ffmpeg_handle job, std::int32_t hz);
void Ffmpeg_SetChannels(ffmpeg_handle job, std::int32_t count);  // stores 1 or 2
void Ffmpeg_SetAudioBitrate(ffmpeg_handle job, std::int32_t kbps);
void Ffmpeg_SetVolume(ffmpeg_handle job, std::int32_t percent);  // 0..400 %, 100 % -> 256

// Automatic video bit rate (kbit/s) of a format row for the given size and frame rate.
std::int32_t Ffmpeg_AutoVideoBitrate(const ffmpeg_preset& row, std::int32_t width,
                                     std::int32_t height, double fps);
// Score of the audio candidate (rate, channels, kbps) against the source (sample_rate,
// channels) and the target bit rate.
std::int64_t Ffmpeg_AudioScore(std::int32_t rate, std::int32_t channels, std::int32_t kbps,
                               std::int32_t source_rate, std::int32_t source_channels,
                               std::int32_t target_kbps);
// Automatic audio bit rate of a format row; may move sample_rate and channels to the best
// allowed combination. -1 when there is no choice to make.
std::int32_t Ffmpeg_AutoAudio(std::int32_t& sample_rate, std::int32_t& channels,
                              const ffmpeg_preset& row);

// Builds the argument text for the encoder described by `caps`, changing the job the way a
// conversion does: clamped video values, pcm/flac bit rate, the automatic audio choice and the
// merge filter appended to `inputs`. To show a job's text without changing it, build on a copy.
std::string Ffmpeg_BuildArgs(ffmpeg_handle job, const ffmpeg_caps& caps);
// Runs the encoder at encoder_path with a ready argument text, passing progress to the job's
// callback. `log`, when given, receives the encoder's console text.
bool Ffmpeg_RunArgs(ffmpeg_handle job, const std::string& args, std::string* log = nullptr);
// Builds the text for the installed encoder and runs it; true when the encoder succeeded.
bool Ffmpeg_Convert(ffmpeg_handle job, std::string* log = nullptr);
