#pragma once
// Small helpers shared by the runner, process and probe tests.

#include <dirent.h>
#include <stdlib.h>
#include <unistd.h>

#include <charconv>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace ffmpeg_test {

inline const std::string kFake = FLENMARK_FAKE_FFMPEG;
inline const std::string kFixtures = std::string(FLENMARK_FIXTURES_DIR) + "/encoder/";

// A fresh folder removed again at the end of the test.
class temp_dir {
 public:
  temp_dir() {
    std::string templ = (std::filesystem::temp_directory_path() / "flenmark-enc-XXXXXX").string();
    if (mkdtemp(templ.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = templ;
  }
  ~temp_dir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  temp_dir(const temp_dir&) = delete;
  temp_dir& operator=(const temp_dir&) = delete;
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

inline std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteAll(const std::string& path, const std::string& data) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << data;
}

// "key=value" lines of a fake encoder's info file.
inline long InfoValue(const std::string& info, const std::string& key) {
  const auto p = info.find(key + "=");
  if (p == std::string::npos) return -1;
  long v = -1;
  const char* start = info.data() + p + key.size() + 1;
  std::from_chars(start, info.data() + info.size(), v);
  return v;
}

inline std::string InfoText(const std::string& info, const std::string& key) {
  const auto p = info.find(key + "=");
  if (p == std::string::npos) return {};
  const auto start = p + key.size() + 1;
  return info.substr(start, info.find('\n', start) - start);
}

// The state letter of /proc/<pid>/stat ('Z' for a zombie), 0 when the process is gone.
inline char ProcState(long pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const auto paren = stat.rfind(')');
  return paren == std::string::npos || paren + 2 >= stat.size() ? 0 : stat[paren + 2];
}

// Process ids whose parent is this process (zombies included).
inline std::vector<long> ChildrenOfSelf() {
  std::vector<long> kids;
  DIR* dir = opendir("/proc");
  if (dir == nullptr) return kids;
  const long self = getpid();
  while (const dirent* e = readdir(dir)) {
    long pid = 0;
    const std::string name = e->d_name;
    if (std::from_chars(name.data(), name.data() + name.size(), pid).ec != std::errc()) continue;
    std::ifstream in("/proc/" + name + "/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto paren = stat.rfind(')');
    if (paren == std::string::npos || paren + 4 >= stat.size()) continue;
    long ppid = 0;
    const char* p = stat.data() + paren + 4;  // ") S ppid ..."
    std::from_chars(p, stat.data() + stat.size(), ppid);
    if (ppid == self) kids.push_back(pid);
  }
  closedir(dir);
  return kids;
}

// Polls `done` until it holds or `ms` have passed.
inline bool WaitFor(const std::function<bool()>& done, int ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

// A dead process: gone, or a zombie waiting for a parent that is not us.
inline bool IsDead(long pid) {
  const char s = ProcState(pid);
  return s == 0 || s == 'Z' || s == 'X';
}

}  // namespace ffmpeg_test
