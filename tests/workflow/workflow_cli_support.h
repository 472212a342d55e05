#pragma once
// Running flenmark-cli and the real encoder from tests: argv without a shell (hostile file
// names stay intact), captured output, and what ffprobe says about a file.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <charconv>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace cli_test {

struct run_result {
  int status = -1;  // exit status, or 128 + signal
  std::string out;
  std::string err;
};

inline std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Starts argv with stdout and stderr in files; `env` replaces the environment when not empty.
inline pid_t Start(const std::vector<std::string>& argv, const std::string& out_file,
                   const std::string& err_file, const std::vector<std::string>& env = {},
                   const std::string& cwd = {}) {
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  if (!cwd.empty()) posix_spawn_file_actions_addchdir_np(&fa, cwd.c_str());
  posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 1, out_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&fa, 2, err_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<char*> args, envp;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawnp(&pid, argv[0].c_str(), &fa, nullptr, args.data(),
                   env.empty() ? environ : envp.data()) != 0)
    pid = -1;
  posix_spawn_file_actions_destroy(&fa);
  return pid;
}

inline int Wait(pid_t pid) {
  int st = 0;
  if (waitpid(pid, &st, 0) != pid) return -1;
  return WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
}

inline run_result Run(const std::vector<std::string>& argv, const std::string& scratch,
                      const std::vector<std::string>& env = {}, const std::string& cwd = {}) {
  run_result r;
  const std::string o = scratch + ".out", e = scratch + ".err";
  pid_t pid = Start(argv, o, e, env, cwd);
  if (pid < 0) return r;
  r.status = Wait(pid);
  r.out = ReadAll(o);
  r.err = ReadAll(e);
  return r;
}

// Runs the real encoder quietly; true on success.
inline bool Ffmpeg(std::vector<std::string> args, const std::string& scratch) {
  args.insert(args.begin(), {"ffmpeg", "-hide_banner", "-loglevel", "error", "-y"});
  return Run(args, scratch).status == 0;
}

inline double Number(const std::string& text, std::size_t at) {
  while (at < text.size() && text[at] == ' ') ++at;
  double v = 0;
  std::from_chars(text.data() + at, text.data() + text.size(), v);
  return v;
}

struct probed {
  bool ok = false;
  bool video = false;
  bool audio = false;
  double duration = 0;
};

// Stream kinds and container duration, from ffprobe.
inline probed Probe(const std::string& file, const std::string& scratch) {
  probed p;
  run_result r = Run({"ffprobe", "-v", "error", "-show_entries",
                      "format=duration:stream=codec_type", "-of", "default=nw=1", file},
                     scratch);
  if (r.status != 0) return p;
  p.ok = true;
  p.video = r.out.find("codec_type=video") != std::string::npos;
  p.audio = r.out.find("codec_type=audio") != std::string::npos;
  auto d = r.out.find("duration=");
  if (d != std::string::npos) p.duration = Number(r.out, d + 9);
  return p;
}

// Mean volume in dB from the encoder's volumedetect filter.
inline double MeanVolume(const std::string& file, const std::string& scratch) {
  run_result r = Run(
      {"ffmpeg", "-hide_banner", "-nostats", "-i", file, "-af", "volumedetect", "-f", "null", "-"},
      scratch);
  auto p = r.err.find("mean_volume:");
  return p == std::string::npos ? 1e9 : Number(r.err, p + 12);
}

// Whether a running process has `text` in its command line (zombies have none).
inline bool AnyProcessMentions(const std::string& text) {
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator("/proc", ec)) {
    const std::string name = e.path().filename();
    if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
    if (ReadAll(e.path().string() + "/cmdline").find(text) != std::string::npos) return true;
  }
  return false;
}

inline bool WaitFor(const std::function<bool()>& cond, int timeout_ms) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (std::chrono::steady_clock::now() < end) {
    if (cond()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return cond();
}

}  // namespace cli_test
