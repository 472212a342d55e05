// Learning what the installed encoder offers, once per run.
#include "encoder/ffmpeg_caps.h"

#include <algorithm>

#include "encoder/ffmpeg_tools.h"

namespace {

// Encoders the argument text names that newer encoders dropped, with the stand-in to use.
struct encoder_standin {
  std::string_view name, standin;
};
constexpr encoder_standin kStandins[] = {
    {"libvo_aacenc", "aac"},
};

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r';
}

// Splits text into lines and each line into its first two blank-separated words.
template <typename Fn>
void ForEachLine(std::string_view text, Fn fn) {
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    std::size_t a = 0;
    while (a < line.size() && IsSpace(line[a])) ++a;
    std::size_t b = a;
    while (b < line.size() && !IsSpace(line[b])) ++b;
    std::size_t c = b;
    while (c < line.size() && IsSpace(line[c])) ++c;
    std::size_t d = c;
    while (d < line.size() && !IsSpace(line[d])) ++d;
    fn(line.substr(a, b - a), line.substr(c, d - c));
  }
}

// "V....D", "A....." and the like: the capability flags in front of each encoder.
bool IsFlagWord(std::string_view w) {
  if (w.size() != 6) return false;
  return std::all_of(w.begin(), w.end(), [](char c) { return c == '.' || (c >= 'A' && c <= 'Z'); });
}

std::optional<ffmpeg_caps>& Kept() {
  static std::optional<ffmpeg_caps> kept;
  return kept;
}

bool Collect(std::string_view chunk, void* data) {
  static_cast<std::string*>(data)->append(chunk);
  return true;
}

}  // namespace

ffmpeg_caps Ffmpeg_CapsFull() {
  return ffmpeg_caps{};
}

ffmpeg_caps Ffmpeg_CapsFromText(std::string_view encoders_text, std::string_view help_text) {
  ffmpeg_caps caps;
  caps.all_encoders = false;
  caps.has_sameq = false;
  caps.has_vol = false;
  // The legend above the "------" line uses the same flag words ("V..... = Video").
  const bool has_rule = encoders_text.find("------") != std::string_view::npos;
  bool listing = !has_rule;
  ForEachLine(encoders_text, [&](std::string_view first, std::string_view second) {
    if (!listing) {
      listing = first.starts_with("------");
      return;
    }
    if (IsFlagWord(first) && !second.empty() && second != "=") caps.encoders.emplace_back(second);
  });
  ForEachLine(help_text, [&](std::string_view first, std::string_view) {
    if (first == "-sameq") caps.has_sameq = true;
    if (first == "-vol") caps.has_vol = true;
  });
  return caps;
}

bool Ffmpeg_CapsHasEncoder(const ffmpeg_caps& caps, std::string_view name) {
  if (caps.all_encoders) return true;
  return std::find(caps.encoders.begin(), caps.encoders.end(), name) != caps.encoders.end();
}

std::string Ffmpeg_CapsEncoderName(const ffmpeg_caps& caps, std::string_view name) {
  if (!Ffmpeg_CapsHasEncoder(caps, name)) {
    for (const encoder_standin& s : kStandins)
      if (s.name == name && Ffmpeg_CapsHasEncoder(caps, s.standin)) return std::string(s.standin);
  }
  return std::string(name);
}

bool Ffmpeg_CapsDetect(const std::string& exe, ffmpeg_caps& out) {
  std::string encoders;
  std::string help;
  Ffmpeg_Run(exe, "-hide_banner -encoders", Collect, &encoders);
  ffmpeg_caps caps = Ffmpeg_CapsFromText(encoders, help);
  if (caps.encoders.empty()) return false;
  Ffmpeg_Run(exe, "-hide_banner -h long", Collect, &help);
  out = Ffmpeg_CapsFromText(encoders, help);
  return true;
}

const ffmpeg_caps& Ffmpeg_InstalledCaps() {
  std::optional<ffmpeg_caps>& kept = Kept();
  if (!kept) {
    ffmpeg_caps caps;
    try {
      if (Ffmpeg_CapsDetect(encoder_path, caps)) kept = std::move(caps);
    } catch (const std::exception&) {
      // The encoder could not be started; the conversion itself reports that.
    }
  }
  static const ffmpeg_caps full = Ffmpeg_CapsFull();
  return kept ? *kept : full;
}

void Ffmpeg_SetInstalledCaps(std::optional<ffmpeg_caps> caps) {
  Kept() = std::move(caps);
}
