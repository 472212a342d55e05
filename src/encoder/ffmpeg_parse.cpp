// Console parsers: the media probe's stream lines and the progress lines of a conversion.

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "encoder/ffmpeg_tools.h"
#include "foundation/string_utils.h"

namespace {

constexpr std::size_t kMaxText = 255;

std::string_view Trim(std::string_view t) {
  while (!t.empty() && static_cast<unsigned char>(t.front()) <= 32) t.remove_prefix(1);
  while (!t.empty() && static_cast<unsigned char>(t.back()) <= 32) t.remove_suffix(1);
  return t;
}

std::string Cut(std::string s) {
  if (s.size() > kMaxText) s.resize(kMaxText);
  return s;
}

const std::string& PartAt(const std::vector<std::string>& parts, int i) {
  static const std::string empty;
  return i >= 0 && static_cast<std::size_t>(i) < parts.size() ? parts[static_cast<std::size_t>(i)]
                                                              : empty;
}

std::int32_t ToInt32(std::int64_t v) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(
      v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

// Channel count of the first audio stream line's parts. "stereo", "mono" and "N channels"
// come first as always; then the layout name itself, so that "quad", "7.1" or "5.0(side)"
// give their real count instead of none (which made every such file a mono conversion).
int AudioChannels(const std::vector<std::string>& parts) {
  if (Ffmpeg_FindPart(parts, " stereo") >= 0) return 2;
  if (Ffmpeg_FindPart(parts, " mono") >= 0) return 1;
  if (const int i = Ffmpeg_FindPart(parts, " channels"); i >= 0)
    return static_cast<int>(Ffmpeg_ParseInt(Ffmpeg_ValueBefore(" channels", PartAt(parts, i))));
  for (std::size_t i = 1; i < parts.size(); ++i)
    if (const int n = Ffmpeg_LayoutChannels(Trim(parts[i])); n > 0) return n;
  if (Ffmpeg_FindPart(parts, "5.1") >= 0) return 6;
  return 0;
}

// Start of the first video stream line that is a picture stream rather than cover art:
// an attached picture is part of an audio file, not a video to convert.
std::size_t FindVideoLine(std::string_view text) {
  constexpr std::string_view key = ": Video: ";
  std::size_t pos = text.find(key);
  while (pos != std::string_view::npos) {
    std::size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = text.size();
    if (text.substr(pos, end - pos).find("(attached pic)") == std::string_view::npos) return pos;
    pos = text.find(key, end);
  }
  return pos;
}

}  // namespace

std::string Ffmpeg_FirstLine(std::string_view t) {
  std::size_t end = t.find('\n');
  if (end != std::string_view::npos) {
    const std::size_t cr = t.find('\r');
    if (cr != std::string_view::npos && cr < end) end = cr;
  } else {
    end = t.size();
  }
  return std::string(Trim(t.substr(0, end)));
}

std::vector<std::string> Ffmpeg_SplitParts(std::string_view t) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = t.find(',', start);
    if (comma == std::string_view::npos) {
      parts.emplace_back(t.substr(start));
      return parts;
    }
    parts.emplace_back(t.substr(start, comma - start));
    start = comma + 1;
  }
}

int Ffmpeg_FindPart(const std::vector<std::string>& parts, std::string_view key) {
  for (std::size_t i = 0; i < parts.size(); ++i)
    if (parts[i].find(key) != std::string::npos) return static_cast<int>(i);
  return -1;
}

std::string Ffmpeg_ValueAfter(std::string_view key, std::string_view t) {
  const std::size_t p = t.find(key);
  if (p == std::string_view::npos) return {};
  std::string_view rest = Trim(t.substr(p + key.size()));
  return std::string(rest.substr(0, rest.find(' ')));
}

std::string Ffmpeg_ValueBefore(std::string_view key, std::string_view t) {
  const std::size_t p = t.find(key);
  if (p == std::string_view::npos) return {};
  std::string_view head = Trim(t.substr(0, p));
  const std::size_t space = head.rfind(' ');
  return std::string(space == std::string_view::npos ? head : head.substr(space + 1));
}

double Ffmpeg_ParseReal(std::string_view t, double fallback) {
  if (!t.empty() && t.front() == '+') t.remove_prefix(1);
  if (t.empty()) return fallback;
  double v = 0;
  const auto r = std::from_chars(t.data(), t.data() + t.size(), v);
  if (r.ec != std::errc() || r.ptr != t.data() + t.size() || !std::isfinite(v)) return fallback;
  return v;
}

std::int64_t Ffmpeg_ParseInt(std::string_view t) {
  if (!t.empty() && t.front() == '+') t.remove_prefix(1);
  std::int64_t v = 0;
  const auto r = std::from_chars(t.data(), t.data() + t.size(), v);
  if (t.empty() || r.ec != std::errc() || r.ptr != t.data() + t.size()) return 0;
  return v;
}

double Ffmpeg_ParseTime(std::string_view t) {
  constexpr char separators[4] = {':', ':', '.', ','};
  double tokens[4] = {0, 0, 0, 0};
  std::size_t pos = 0;
  for (int i = 0; i < 4; ++i) {
    std::string_view rest = pos < t.size() ? t.substr(pos) : std::string_view();
    const std::size_t sep = rest.find(separators[i]);
    tokens[i] = Ffmpeg_ParseReal(Trim(rest.substr(0, sep)), 0);
    pos = sep == std::string_view::npos ? t.size() : pos + sep + 1;
  }
  return tokens[0] * 3600 + tokens[1] * 60 + tokens[2] + tokens[3] / 100;
}

int Ffmpeg_LayoutChannels(std::string_view layout) {
  // "5.1(side)", "7.1(wide-side)", "quad(side)": the suffix names positions, not a count.
  if (const std::size_t paren = layout.find('('); paren != std::string_view::npos)
    layout = layout.substr(0, paren);
  static constexpr std::pair<std::string_view, int> kNamed[] = {
      {"mono", 1},      {"stereo", 2},    {"downmix", 2}, {"binaural", 2},      {"quad", 4},
      {"hexagonal", 6}, {"octagonal", 8}, {"cube", 8},    {"hexadecagonal", 16}};
  for (const auto& [name, count] : kNamed)
    if (layout == name) return count;
  // "2.1", "5.0", "7.1", "5.1.4", "22.2": the numbers add up to the channel count.
  int sum = 0;
  int groups = 0;
  std::size_t start = 0;
  for (;;) {
    const std::size_t dot = layout.find('.', start);
    const std::string_view digits = layout.substr(start, dot - start);
    if (digits.empty() || digits.size() > 2 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
      return 0;
    sum += static_cast<int>(Ffmpeg_ParseInt(digits));
    ++groups;
    if (dot == std::string_view::npos) break;
    start = dot + 1;
  }
  return groups >= 2 && groups <= 3 ? sum : 0;
}

bool Ffmpeg_ParseProbe(std::string_view text, media_info& info) {
  info = media_info{};
  const std::size_t duration_pos = text.find("  Duration: ");
  if (duration_pos == std::string_view::npos) return false;

  const auto head = Ffmpeg_SplitParts(Ffmpeg_FirstLine(text.substr(duration_pos)));
  info.video.duration = Ffmpeg_ParseTime(Ffmpeg_ValueAfter("Duration:", head[0]));
  if (const int i = Ffmpeg_FindPart(head, "bitrate:"); i >= 0)
    info.bitrate_kbps =
        std::max(0, ToInt32(Ffmpeg_ParseInt(Ffmpeg_ValueAfter("bitrate:", PartAt(head, i)))));

  media_video& v = info.video;
  if (const std::size_t vpos = FindVideoLine(text); vpos != std::string_view::npos) {
    const auto parts = Ffmpeg_SplitParts(Ffmpeg_FirstLine(text.substr(vpos)));
    v.codec = Ffmpeg_ValueAfter("Video:", parts[0]);
    if (v.codec == "mpeg4") {
      const std::string lower = Str_LowerAscii(parts[0]);
      if (lower.find("xvid") != std::string::npos)
        v.codec = "xvid";
      else if (lower.find("divx") != std::string::npos)
        v.codec = "divx";
    }
    v.codec = Cut(v.codec);
    v.codec_name = v.codec;

    // The size is usually part 2; a pixel format with its colour details in parentheses
    // ("yuv420p(tv, bt709, progressive)") pushes it further, so after parts 2, 1 and 3 the
    // remaining parts are tried in order.
    std::vector<int> order = {2, 1, 3, 0};
    for (int i = 4; i < static_cast<int>(parts.size()); ++i) order.push_back(i);
    int tried = 2;
    for (const int i : order) {
      tried = i;
      v.width = ToInt32(Ffmpeg_ParseInt(Ffmpeg_ValueBefore("x", PartAt(parts, i))));
      if (v.width != 0) break;
    }
    v.height = ToInt32(Ffmpeg_ParseInt(Ffmpeg_ValueAfter("x", PartAt(parts, tried))));

    if (const int i = Ffmpeg_FindPart(parts, " kb/s"); i >= 0)
      v.bitrate_kbps = Ffmpeg_ParseInt(Ffmpeg_ValueBefore(" kb/s", PartAt(parts, i)));
    if (const int i = Ffmpeg_FindPart(parts, " tbr"); i >= 0)
      v.fps = Ffmpeg_ParseReal(Ffmpeg_ValueBefore(" tbr", PartAt(parts, i)), 0);
    v.frame_count = static_cast<std::int64_t>(std::nearbyint(v.fps * v.duration));

    v.aspect = 1;
    if (const int i = Ffmpeg_FindPart(parts, "DAR "); i >= 0) {
      std::string d = Ffmpeg_ValueAfter("DAR ", PartAt(parts, i));
      if (!d.empty() && d.back() == ']') d.pop_back();
      const double num = Ffmpeg_ParseReal(Ffmpeg_ValueBefore(":", d), 1);
      const double den = Ffmpeg_ParseReal(Ffmpeg_ValueAfter(":", d), 1);
      // "DAR 1:0" and the like are never printed for real pictures: treat them as none.
      if (num > 0 && den > 0) v.aspect = num / den;
    }
  }

  media_audio& a = info.audio;
  if (const std::size_t apos = text.find(": Audio: "); apos != std::string_view::npos) {
    const auto parts = Ffmpeg_SplitParts(Ffmpeg_FirstLine(text.substr(apos)));
    a.codec = Cut(Ffmpeg_ValueAfter("Audio:", parts[0]));
    a.codec_name = a.codec;
    if (const int i = Ffmpeg_FindPart(parts, " Hz"); i >= 0)
      a.sample_rate = ToInt32(Ffmpeg_ParseInt(Ffmpeg_ValueBefore(" Hz", PartAt(parts, i))));
    a.channels = static_cast<std::int8_t>(std::clamp(AudioChannels(parts), 0, 127));
    a.duration = v.duration;
    a.sample_count = static_cast<std::int64_t>(a.sample_rate * a.duration);
    if (const int i = Ffmpeg_FindPart(parts, " kb/s"); i >= 0)
      a.bitrate_kbps = Ffmpeg_ParseInt(Ffmpeg_ValueBefore(" kb/s", PartAt(parts, i)));
  }

  v.present = v.frame_count > 0 && v.width > 0 && v.height > 0;
  v.supported = v.present && Str_LowerAscii(v.codec) != "none";
  a.present = a.sample_count > 0;
  a.supported = a.present && Str_LowerAscii(a.codec) != "none";
  return true;
}

bool Ffmpeg_ParseProgress(std::string_view chunk, RecCB_& cb) {
  const std::size_t t = chunk.find("time=");
  cb.log.append(chunk);
  const double seconds =
      t != std::string_view::npos ? Ffmpeg_ParseTime(chunk.substr(t + 5, 11)) : 0;
  std::int64_t size_kb = 0;
  if (const std::size_t s = chunk.find("size="); s != std::string_view::npos) {
    const std::string_view rest = chunk.substr(s + 5);
    // Newer encoders print "1024KiB" where older ones print "1024kB": the first unit counts.
    const std::size_t kb = rest.find("kB");
    const std::size_t kib = rest.find("KiB");
    size_kb = Ffmpeg_ParseInt(Ffmpeg_ValueBefore(kib < kb ? "KiB" : "kB", rest));
  }
  if (seconds > 0 && cb.on_progress) return cb.on_progress(seconds, size_kb);
  return true;
}

bool Ffmpeg_ParseProgress(std::string_view chunk, void* data) {
  return Ffmpeg_ParseProgress(chunk, *static_cast<RecCB_*>(data));
}
