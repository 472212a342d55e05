#pragma once
// flenmark-cli starts once per batch, and learning what the installed encoder offers costs two
// encoder runs; a small cache keyed by the encoder file's identity saves them on later runs.
#include <string>

#include "encoder/ffmpeg_caps.h"

// The cache file: $XDG_CACHE_HOME/flenmark/encoder-caps, else ~/.cache/flenmark/encoder-caps.
std::string CapsCache_Path();
// The text stored for an encoder (`key` names the encoder file: path, size, modification time).
std::string CapsCache_Text(const std::string& key, const ffmpeg_caps& caps);
// Reads the caps back when the text was stored for `key`.
bool CapsCache_Parse(const std::string& text, const std::string& key, ffmpeg_caps& caps);
// The identity of the encoder file; empty when it cannot be read.
std::string CapsCache_Key(const std::string& encoder);
// Installs cached caps for the encoder at encoder_path, or detects them and stores them.
void CapsCache_Install();
