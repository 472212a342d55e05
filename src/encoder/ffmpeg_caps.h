#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What the installed encoder offers, learned once per run. The argument text names codecs and
// options of an older encoder; newer ones dropped libvo_aacenc, -sameq and (from 6.0) -vol.
// The text builder adapts just those pieces to what is present here.
struct ffmpeg_caps {
  bool all_encoders = true;           // every encoder the argument text can name is present
  std::vector<std::string> encoders;  // the encoder list, used when all_encoders is false
  bool has_sameq = true;
  bool has_vol = true;
};

// An encoder with every codec and option the argument text names: the text stays unadapted.
ffmpeg_caps Ffmpeg_CapsFull();
// Reads the text of "-hide_banner -encoders" and of "-hide_banner -h long".
ffmpeg_caps Ffmpeg_CapsFromText(std::string_view encoders_text, std::string_view help_text);
// Runs the encoder at `exe` twice and reads its answers; false when it printed no encoder list
// (out is then left alone). A start error of the encoder reaches the caller.
bool Ffmpeg_CapsDetect(const std::string& exe, ffmpeg_caps& out);

// The capabilities of the encoder at encoder_path, detected on first use and kept for the rest
// of the run. When detection fails nothing is kept (the next call tries again) and the full set
// is returned, so the text stays as described.
const ffmpeg_caps& Ffmpeg_InstalledCaps();
// Replaces the kept capabilities (tests, or a program that detected them itself); nullopt
// forgets them so that the next Ffmpeg_InstalledCaps detects again.
void Ffmpeg_SetInstalledCaps(std::optional<ffmpeg_caps> caps);

bool Ffmpeg_CapsHasEncoder(const ffmpeg_caps& caps, std::string_view name);
// The encoder name to pass for `name` (already lower-cased): a missing encoder with a stand-in
// the encoder does have gives the stand-in (libvo_aacenc -> aac); otherwise the name itself.
std::string Ffmpeg_CapsEncoderName(const ffmpeg_caps& caps, std::string_view name);
