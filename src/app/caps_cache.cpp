#include "app/caps_cache.h"

#include <sys/stat.h>

#include <cstdlib>
#include <exception>

#include "encoder/ffmpeg_tools.h"
#include "foundation/os_utils.h"

namespace {

std::string Number(long long v) {
  return std::to_string(v);
}

}  // namespace

std::string CapsCache_Path() {
  const char* xdg = std::getenv("XDG_CACHE_HOME");
  if (xdg && xdg[0] == '/') return std::string(xdg) + "/flenmark/encoder-caps";
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return std::string(home) + "/.cache/flenmark/encoder-caps";
  return {};
}

std::string CapsCache_Key(const std::string& encoder) {
  struct stat st;
  if (encoder.empty() || stat(encoder.c_str(), &st) != 0) return {};
  return encoder + "|" + Number(st.st_size) + "|" + Number(st.st_mtim.tv_sec) + "." +
         Number(st.st_mtim.tv_nsec) + "|" + Number(static_cast<long long>(st.st_ino));
}

std::string CapsCache_Text(const std::string& key, const ffmpeg_caps& caps) {
  std::string text = "key=" + key + "\n";
  text += std::string("all_encoders=") + (caps.all_encoders ? "1" : "0") + "\n";
  text += std::string("has_sameq=") + (caps.has_sameq ? "1" : "0") + "\n";
  text += std::string("has_vol=") + (caps.has_vol ? "1" : "0") + "\n";
  for (const auto& e : caps.encoders) text += "encoder=" + e + "\n";
  return text;
}

bool CapsCache_Parse(const std::string& text, const std::string& key, ffmpeg_caps& caps) {
  ffmpeg_caps read;
  read.encoders.clear();
  bool key_ok = false, all = false, sameq = false, vol = false;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string::npos) return false;  // cut short
    const std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    auto eq = line.find('=');
    if (eq == std::string::npos) return false;
    const std::string name = line.substr(0, eq), value = line.substr(eq + 1);
    if (name == "key") {
      key_ok = value == key;
    } else if (name == "all_encoders") {
      read.all_encoders = value == "1";
      all = true;
    } else if (name == "has_sameq") {
      read.has_sameq = value == "1";
      sameq = true;
    } else if (name == "has_vol") {
      read.has_vol = value == "1";
      vol = true;
    } else if (name == "encoder") {
      read.encoders.push_back(value);
    }
  }
  if (!key_ok || !all || !sameq || !vol) return false;
  caps = std::move(read);
  return true;
}

void CapsCache_Install() {
  const std::string key = CapsCache_Key(encoder_path);
  const std::string path = CapsCache_Path();
  if (key.empty() || path.empty()) return;  // detected on first use as usual
  ffmpeg_caps caps;
  if (CapsCache_Parse(File_Load(path, true), key, caps)) {
    Ffmpeg_SetInstalledCaps(caps);
    return;
  }
  try {
    if (!Ffmpeg_CapsDetect(encoder_path, caps)) return;
  } catch (const std::exception&) {
    return;
  }
  Ffmpeg_SetInstalledCaps(caps);
  File_Save(path, CapsCache_Text(key, caps), true);
}
