// The encoder job: its setters, the automatic bit rates and the argument text.
#include "encoder/ffmpeg_job.h"
#include "foundation/string_utils.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace {

constexpr std::size_t kMaxName = 255;

std::string Cut(std::string_view text) {
  return std::string(text.substr(0, kMaxName));
}

std::string Int(std::int64_t v) {
  char buf[24];
  const auto res = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, res.ptr);
}

// Fixed point with two decimals and "." whatever the locale.
std::string Fixed2(double v) {
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 2);
  return std::string(buf, res.ptr);
}

// Shortest text that reads back as the same double, "." whatever the locale.
std::string Shortest(double v) {
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, res.ptr);
}

template <typename T, typename L>
void ClampTo(T& v, L lo, L hi) {
  if (v > static_cast<T>(hi))
    v = static_cast<T>(hi);
  else if (v < static_cast<T>(lo))
    v = static_cast<T>(lo);
}

std::int64_t RoundEven(double v) {
  return static_cast<std::int64_t>(std::nearbyint(v));
}

const ffmpeg_preset* RowOfJob(const ffmpeg_rec& job) {
  const int row = Ffmpeg_PresetRowOfId(job.format_id);
  return row < 0 ? nullptr : &Ffmpeg_Presets()[static_cast<std::size_t>(row)];
}

std::string_view SpeedOptions(std::string_view codec, std::int32_t speed) {
  struct speed_row {
    std::int32_t speed;
    std::string_view x264, vpx;
  };
  static constexpr speed_row kSpeeds[] = {
      {1, " -preset medium", " -quality good -cpu-used 3"},
      {2, " -preset slower", " -quality good -cpu-used 0"},
      {4, " -preset faster", " -quality good -cpu-used 5"},
      {8, " -preset ultrafast", " -quality realtime -speed 16"},
  };
  for (const speed_row& r : kSpeeds) {
    if (r.speed != speed) continue;
    if (codec == "libx264") return r.x264;
    if (codec == "libvpx") return r.vpx;
  }
  return {};
}

// Volume value (256 = unchanged) as a factor for the volume filter.
std::string VolumeFactor(std::int32_t volume) {
  return Shortest(volume / 256.0);
}

}  // namespace

ffmpeg_handle Ffmpeg_Create() {
  return new ffmpeg_rec();
}
void Ffmpeg_Free(ffmpeg_handle job) {
  delete job;
}

void Ffmpeg_AddInput(ffmpeg_handle job, std::string_view path) {
  // Quoted so that the argument split gives the path back whatever characters it holds.
  job->inputs += "-i " + Ffmpeg_QuotePath(path) + " ";
  ++job->input_count;
}

void Ffmpeg_ClearInputs(ffmpeg_handle job) {
  job->inputs.clear();
  job->input_count = 0;
}

void Ffmpeg_SetFormatId(ffmpeg_handle job, std::int32_t id) {
  job->format_id = id;
}
void Ffmpeg_SetProgressCallback(ffmpeg_handle job, ffmpeg_progress_fn callback) {
  job->on_progress = std::move(callback);
}
void Ffmpeg_SetStart(ffmpeg_handle job, double seconds) {
  job->start_sec = seconds;
}
void Ffmpeg_SetDuration(ffmpeg_handle job, double seconds) {
  job->duration_sec = seconds;
}
void Ffmpeg_SetOutputFile(ffmpeg_handle job, std::string_view path) {
  job->output_file = std::string(path);
}
void Ffmpeg_SetContainer(ffmpeg_handle job, std::string_view container) {
  job->output.container = Cut(container);
}
void Ffmpeg_SetVideoCodec(ffmpeg_handle job, std::string_view codec) {
  job->output.video.codec = Cut(codec);
}
void Ffmpeg_SetWidth(ffmpeg_handle job, std::int32_t width) {
  job->output.video.width = width;
}
void Ffmpeg_SetHeight(ffmpeg_handle job, std::int32_t height) {
  job->output.video.height = height;
}
void Ffmpeg_SetFrameRate(ffmpeg_handle job, double fps) {
  job->output.video.fps = fps;
}
void Ffmpeg_SetVideoBitrate(ffmpeg_handle job, std::int32_t kbps) {
  job->output.video.bitrate_kbps = kbps;
}
void Ffmpeg_SetSpeed(ffmpeg_handle job, std::int32_t speed) {
  job->speed = speed;
}
void Ffmpeg_SetDeinterlace(ffmpeg_handle job, bool on) {
  job->deinterlace = on;
}
void Ffmpeg_SetAudioCodec(ffmpeg_handle job, std::string_view codec) {
  job->output.audio.codec = Cut(codec);
}
void Ffmpeg_SetSampleRate(ffmpeg_handle job, std::int32_t hz) {
  job->output.audio.sample_rate = hz;
}
void Ffmpeg_SetChannels(ffmpeg_handle job, std::int32_t count) {
  job->output.audio.channels = static_cast<std::int8_t>(std::clamp(count, 1, 2));
}
void Ffmpeg_SetAudioBitrate(ffmpeg_handle job, std::int32_t kbps) {
  job->output.audio.bitrate_kbps = kbps;
}
void Ffmpeg_SetVolume(ffmpeg_handle job, std::int32_t percent) {
  job->volume = static_cast<std::int32_t>(RoundEven(std::clamp(percent, 0, 400) * 2.56));
}

std::int32_t Ffmpeg_AutoVideoBitrate(const ffmpeg_preset& row, std::int32_t width,
                                     std::int32_t height, double fps) {
  std::int64_t kbps = RoundEven(width * row.video_bitrate_factor * height * fps) / 1000;
  ClampTo(kbps, row.min_video_bitrate, row.max_video_bitrate);
  return static_cast<std::int32_t>(kbps);
}

std::int64_t Ffmpeg_AudioScore(std::int32_t rate, std::int32_t channels, std::int32_t kbps,
                               std::int32_t source_rate, std::int32_t source_channels,
                               std::int32_t target_kbps) {
  std::int64_t rate_part = 100;
  if (rate != source_rate) {
    rate_part = RoundEven(100.0 / (std::abs(rate - source_rate) / 8000.0 + 1));
    if (rate < source_rate) --rate_part;
  }
  std::int64_t channel_part = 80;
  if (channels != source_channels) {
    channel_part = RoundEven(80.0 / (std::abs(channels - source_channels) + 1));
    if (channels > source_channels) --channel_part;
  }
  const std::int64_t sample_format_part = 75;  // source and output formats always agree
  std::int64_t score = (rate_part + channel_part + sample_format_part) * 256;
  if (kbps > 0 && target_kbps > 0) {
    const double b = kbps, t = target_kbps;
    score += RoundEven(255.0 / std::max(b / t, t / b));
  }
  return score;
}

std::int32_t Ffmpeg_AutoAudio(std::int32_t& sample_rate, std::int32_t& channels,
                              const ffmpeg_preset& row) {
  const auto clamp_result = [&row](std::int32_t kbps) {
    ClampTo(kbps, row.min_audio_bitrate, row.max_audio_bitrate);
    return kbps;
  };
  if (row.audio_bitrate != -1) return clamp_result(row.audio_bitrate);
  if (row.audio_class == -1 || sample_rate <= 0 || channels <= 0) return -1;

  const auto rates = Ffmpeg_SampleRates();
  const auto bitrates = Ffmpeg_AudioBitrates();
  std::int64_t best_score = 0;
  bool found = false;
  std::int32_t best_rate = 0, best_channels = 0, best_kbps = 0;
  for (int r = 0; r < kSampleRateCount; ++r) {
    const std::int32_t rate = rates[static_cast<std::size_t>(r)];
    for (std::int32_t n = 1; n <= 2; ++n) {
      const auto target = static_cast<std::int32_t>(
          RoundEven(rate * row.audio_bitrate_factor * n * 2 * 1.05) / 1000);
      for (int b = 0; b < kAudioBitrateCount; ++b) {
        if (!Ffmpeg_AudioComboAllowed(row.audio_class, r, n == 2, b)) continue;
        const std::int32_t kbps = bitrates[static_cast<std::size_t>(b)];
        const std::int64_t score = Ffmpeg_AudioScore(rate, n, kbps, sample_rate, channels, target);
        if (score >= best_score) {  // among equal scores the last one wins
          best_score = score;
          found = true;
          best_rate = rate;
          best_channels = n;
          best_kbps = kbps;
        }
      }
    }
  }
  if (!found) return -1;
  sample_rate = best_rate;
  channels = best_channels;
  return clamp_result(best_kbps);
}

std::string Ffmpeg_BuildArgs(ffmpeg_handle job, const ffmpeg_caps& caps) {
  media_video& video = job->output.video;
  media_audio& audio = job->output.audio;
  const ffmpeg_preset* row = RowOfJob(*job);
  std::string pre_input_options;
  std::string output_options;

  job->video_on = !video.codec.empty();
  job->audio_on = !audio.codec.empty();

  // A merge's inputs share one filter graph, so its range is cut on the output side.
  std::string& range_options = job->input_count <= 1 ? pre_input_options : output_options;
  if (job->start_sec > 0) range_options += " -ss " + Fixed2(job->start_sec);
  if (job->duration_sec > 0) range_options += " -t " + Fixed2(job->duration_sec);

  if (!job->output.container.empty()) output_options += " -f " + job->output.container;

  if (job->video_on) {
    if (row) {
      if (video.width > 0) ClampTo(video.width, row->min_width, row->max_width);
      if (video.height > 0) ClampTo(video.height, row->min_height, row->max_height);
      if (video.fps > 0) ClampTo(video.fps, row->min_fps, row->max_fps);
      if (video.bitrate_kbps > 0)
        ClampTo(video.bitrate_kbps, row->min_video_bitrate, row->max_video_bitrate);
    }
    if (video.width > 0 && video.height > 0)
      output_options += " -s " + Int(video.width) + "x" + Int(video.height);
    if (video.fps > 0) output_options += " -r " + Fixed2(video.fps);

    std::string codec = Str_LowerAscii(video.codec);
    if (codec == "xvid" || codec == "divx") {
      output_options += " -vtag " + codec;
      codec = "mpeg4";
    }
    output_options += " -c:v " + Ffmpeg_CapsEncoderName(caps, codec);

    if (video.bitrate_kbps == -1) {
      if (job->format_id < 0 || job->format_id > 42) {
        // Without -sameq the encoder keeps its own default quality.
        if (caps.has_sameq) output_options += " -sameq";
      } else if (row) {
        output_options += " -b:v " +
                          Int(Ffmpeg_AutoVideoBitrate(*row, video.width, video.height, video.fps)) +
                          "k";
      }
    } else if (video.bitrate_kbps >= 1) {
      output_options += " -b:v " + Int(video.bitrate_kbps) + "k";
    }

    output_options += SpeedOptions(video.codec, job->speed);
    if (job->input_count == 1 && job->deinterlace) output_options += " -filter:v yadif";
  } else {
    output_options += " -vn";
  }

  // Without -vol the volume becomes an audio filter; inside a merge's graph it follows concat.
  const bool volume_filter =
      job->audio_on && job->volume >= 0 && !caps.has_vol && job->volume != 256;
  if (job->audio_on) {
    std::string codec = Str_LowerAscii(audio.codec);
    if (codec == "libmp3lame_flv") codec = "libmp3lame";
    if (codec == "pcm" || codec == "flac") audio.bitrate_kbps = -1;
    if (codec == "pcm") codec = "pcm_s16le";
    output_options += " -c:a " + Ffmpeg_CapsEncoderName(caps, codec);

    if (audio.bitrate_kbps == -1) {
      if (row) {
        std::int32_t rate = audio.sample_rate;
        std::int32_t channels = audio.channels;
        const std::int32_t kbps = Ffmpeg_AutoAudio(rate, channels, *row);
        audio.sample_rate = rate;
        audio.channels = static_cast<std::int8_t>(channels);
        if (kbps >= 1) output_options += " -b:a " + Int(kbps) + "k";
      }
    } else if (audio.bitrate_kbps >= 1) {
      output_options += " -b:a " + Int(audio.bitrate_kbps) + "k";
    }
    if (audio.sample_rate > 0) output_options += " -ar " + Int(audio.sample_rate);
    if (audio.channels > 0) output_options += " -ac " + Int(audio.channels);
    if (job->volume >= 0) {
      if (caps.has_vol)
        output_options += " -vol " + Int(job->volume);
      else if (volume_filter && job->input_count < 2)
        output_options += " -filter:a volume=" + VolumeFactor(job->volume);
    }
  } else {
    output_options += " -an";
  }

  if (job->input_count >= 2) {
    std::string& in = job->inputs;
    in += " -filter_complex \"";
    for (std::int32_t i = 0; i < job->input_count; ++i) {
      if (job->video_on) in += "[" + Int(i) + ":v] ";
      if (job->audio_on) in += "[" + Int(i) + ":a] ";
    }
    in += "concat=n=" + Int(job->input_count) + ":unsafe=1";
    in += job->video_on ? ":v=1" : ":v=0";
    in += job->audio_on ? ":a=1" : ":a=0";
    if (job->video_on) in += job->deinterlace ? " [cv]" : " [v]";
    if (job->audio_on) in += volume_filter ? " [ca]" : " [a]";
    if (job->video_on && job->deinterlace) in += "; [cv]yadif=1[v]";
    if (volume_filter) in += "; [ca]volume=" + VolumeFactor(job->volume) + "[a]";
    in += "\"";
    if (job->video_on) in += " -map \"[v]\"";
    if (job->audio_on) in += " -map \"[a]\"";
  }

  return "-y " + pre_input_options + " " + job->inputs + " " + output_options + " " +
         Ffmpeg_QuotePath(job->output_file);
}

bool Ffmpeg_RunArgs(ffmpeg_handle job, const std::string& args, std::string* log) {
  RecCB_ cb{};
  cb.on_progress = job->on_progress;
  const ffmpeg_chunk_handler handler = Ffmpeg_ParseProgress;
  const bool ok = Ffmpeg_Run(encoder_path, args, handler, &cb);
  if (log) *log = cb.log;
  return ok;
}

bool Ffmpeg_Convert(ffmpeg_handle job, std::string* log) {
  const std::string args = Ffmpeg_BuildArgs(job, Ffmpeg_InstalledCaps());
  return Ffmpeg_RunArgs(job, args, log);
}
