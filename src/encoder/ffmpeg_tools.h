#pragma once
// The encoder driver: where the encoder lives, running it through a pipe, probing a media file
// from its console text, and following a conversion by its progress lines.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Full path of the encoder executable: the program's folder + "ffmpeg", or, when no such file
// exists there, the first "ffmpeg" on PATH. Set at start-up; tests point it elsewhere.
extern std::string encoder_path;

// The default value of encoder_path, looked up afresh.
std::string Ffmpeg_DefaultPath();

// True when encoder_path names an existing file that is not a folder.
bool Ffmpeg_ExeExists();

// What the encoder reports about a file (and, in a job, the requested output settings).
// Texts are cut to 255 characters when stored.
struct media_video {
  std::int32_t width = 0;
  std::int32_t height = 0;
  double aspect = 0;             // display aspect ratio; 1 when the stream line gives none
  std::int64_t frame_count = 0;  // fps x duration, rounded halves to even
  double duration = 0;           // container duration in seconds (set without video too)
  double fps = 0;
  std::string codec;
  std::string codec_name;
  bool present = false;    // a usable video stream exists
  bool supported = false;  // present and the codec is not "none"
  std::int64_t bitrate_kbps = 0;
};

struct media_audio {
  std::int64_t sample_count = 0;  // sample_rate x duration, fraction dropped
  double duration = 0;
  std::int32_t sample_rate = 0;
  std::int8_t channels = 0;
  std::string codec;
  std::string codec_name;
  bool present = false;
  bool supported = false;
  std::int64_t bitrate_kbps = 0;
};

struct media_info {
  std::string container;
  std::int32_t bitrate_kbps = 0;
  media_video video;
  media_audio audio;
};

// Called with the encoded seconds and the output size in kB; returns true to go on.
using ffmpeg_progress_callback = std::function<bool(double seconds, std::int64_t size_kb)>;

// Travels with one conversion run to Ffmpeg_ParseProgress.
struct RecCB_ {
  ffmpeg_progress_callback on_progress;
  std::string log;  // every console chunk, in order
};

// Chunk handler of a run: (chunk text, caller data) -> true to continue, false to stop.
using ffmpeg_chunk_handler = bool (*)(std::string_view chunk, void* data);

// Called between waits for output (at least every 50 ms while the encoder runs); returns
// true to continue, false to stop the encoder.
using ffmpeg_idle_handler = std::function<bool()>;

// The idle handler used by runs that are not given one (probes, conversions). The window
// installs one that processes pending events and answers its stop request.
void Ffmpeg_SetIdleHandler(ffmpeg_idle_handler idle);

// Runs `exe` with the argument text `args` (split by the Windows command-line rules, no
// shell), hands every read of at most 2048 bytes to `handler` as it arrives, and drains the
// pipe after the exit. Returns true when the encoder exited with status 0 and neither the
// handler nor the idle handler stopped it; a stopped encoder is killed. Throws
// std::system_error when the encoder cannot be started (no chunk is delivered then). Without
// an idle handler (or with an empty one) the installed one is used.
bool Ffmpeg_Run(const std::string& exe, const std::string& args, ffmpeg_chunk_handler handler,
                void* data);
bool Ffmpeg_Run(const std::string& exe, const std::string& args, ffmpeg_chunk_handler handler,
                void* data, const ffmpeg_idle_handler& idle);

// The text that places `path` between double quotes in an argument text so that the argument
// split gives back exactly `path`: "\"" + path + "\"" for every path without a double quote
// and without a trailing backslash (same as Cmd_Quote).
std::string Ffmpeg_QuotePath(std::string_view path);

// Probes `path` with encoder_path and fills `info` (reset first). True when the console text
// held a duration line. Throws std::system_error when the encoder cannot be started. The path
// goes between quotes as Ffmpeg_QuotePath writes it.
bool Ffmpeg_Probe(const std::string& path, media_info& info);

// Fills `info` from a probe's console text, as Ffmpeg_Probe does after the run. The first
// video stream that is not an attached picture (cover art) and the first audio stream count.
bool Ffmpeg_ParseProbe(std::string_view text, media_info& info);

// Chunk handler of a conversion: appends the chunk to cb.log and reports the first progress
// line of the chunk to cb.on_progress. Returns what on_progress returns, or true.
bool Ffmpeg_ParseProgress(std::string_view chunk, RecCB_& cb);
// The same as a chunk handler; `data` is a RecCB_*.
bool Ffmpeg_ParseProgress(std::string_view chunk, void* data);

// Text operations of the console parsers. Positions count from 1 where any are given.
std::string Ffmpeg_FirstLine(std::string_view t);
std::vector<std::string> Ffmpeg_SplitParts(std::string_view t);
int Ffmpeg_FindPart(const std::vector<std::string>& parts, std::string_view key);
std::string Ffmpeg_ValueAfter(std::string_view key, std::string_view t);
std::string Ffmpeg_ValueBefore(std::string_view key, std::string_view t);
double Ffmpeg_ParseTime(std::string_view t);
double Ffmpeg_ParseReal(std::string_view t, double fallback);
// A plain decimal integer; 0 when empty or not entirely a number.
std::int64_t Ffmpeg_ParseInt(std::string_view t);
// Channel count of a channel-layout name as the encoder prints it ("5.1(side)" 6,
// "quad" 4, "downmix" 2, "7.1.4" 12); 0 when unknown.
int Ffmpeg_LayoutChannels(std::string_view layout);
