// fake_ffmpeg: a stand-in for the encoder that prints scripted console text, so the runner,
// the probe, the job and the batch driver can be tested fast and deterministically.
//
// Settings, each from an environment variable FAKE_FFMPEG_<NAME> or an argument
// --fake-<name>=VALUE with the name in lower case, '-' or '_' between words (--fake-delay-ms=20;
// without "=VALUE" the value is "1"). Arguments win; --fake-* arguments are not seen as encoder
// arguments. A script or rules file that cannot be read ends the fake with status 99.
//
//   SCRIPT          file whose bytes are printed as they are
//   TEXT            text printed after the script; escapes \n \r \t \\ \xHH
//   EXIT            exit status (default 0)
//   STREAM          stderr (default), stdout, or both (chunks alternate, stderr first)
//   CHUNK           bytes per write, or "line" (up to and including each \n or \r);
//                   default: everything in one write
//   DELAY_MS        pause between two writes
//   START_DELAY_MS  silence before the first write
//   HOLD_MS         pause after the last write, before exiting
//   OUTPUT          file to write: a path, or "last" = the last argument when it is neither an
//                   option (starts with '-') nor the value of -i; created (emptied) at start,
//                   filled just before exiting
//   OUTPUT_FROM     copy this file into the output (else OUTPUT_BYTES bytes of filler)
//   OUTPUT_BYTES    filler size, default 1024
//   ARGS_FILE       receives every encoder argument, each followed by a NUL byte
//   INFO_FILE       receives lines "pid=N", "pgid=N", "ppid=N", "stdin=eof|data|open|error",
//                   "fds=N" (open descriptors besides 0, 1 and 2) and, with SPAWN_CHILD, "child=N"
//   SPAWN_CHILD     "1": leave a child process sleeping for 60 s in the group
//   RULES           rules file, see below
//
// Rules let one fake answer several kinds of call (a probe, an encoder list query, option
// help, a conversion). Each line: PATTERN <tab> SCRIPT [<tab> EXIT [<tab> SETTINGS]]; empty
// lines and lines starting with '#' are skipped. The first rule whose PATTERN matches the
// encoder arguments joined by single spaces is used: "*" matches anything, "^text" matches at
// the start, "=text" matches the whole, anything else matches anywhere. SCRIPT is a file
// relative to the rules file ("-" prints nothing) and replaces SCRIPT; EXIT replaces EXIT;
// SETTINGS is "name=value;name=value" (lower-case names from the list above) and replaces
// those. With no matching rule the other settings apply unchanged.

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/types.h>
#include <time.h>
#include <unistd.h>

#include <cctype>
#include <charconv>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

using settings = std::map<std::string, std::string>;

const char* const kNames[] = {"script",    "text",        "exit",           "stream",
                              "chunk",     "delay_ms",    "start_delay_ms", "hold_ms",
                              "output",    "output_from", "output_bytes",   "args_file",
                              "info_file", "spawn_child", "rules"};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::string msg = "fake_ffmpeg: cannot read " + path + "\n";
    (void)!write(2, msg.data(), msg.size());
    std::exit(99);
  }
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::string& data) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << data;
}

long ToLong(const std::string& s, long fallback) {
  long v = fallback;
  const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
  return r.ec == std::errc() ? v : fallback;
}

void SleepMs(long ms) {
  if (ms <= 0) return;
  timespec ts{ms / 1000, (ms % 1000) * 1000000L};
  while (nanosleep(&ts, &ts) != 0) {
  }
}

std::string Unescape(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 >= s.size()) {
      out += s[i];
      continue;
    }
    const char c = s[++i];
    if (c == 'n') {
      out += '\n';
    } else if (c == 'r') {
      out += '\r';
    } else if (c == 't') {
      out += '\t';
    } else if (c == 'x' && i + 2 < s.size()) {
      int v = 0;
      std::from_chars(s.data() + i + 1, s.data() + i + 3, v, 16);
      out += static_cast<char>(v);
      i += 2;
    } else {
      out += c;
    }
  }
  return out;
}

std::string Folder(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool Matches(const std::string& pattern, const std::string& joined) {
  if (pattern == "*") return true;
  if (!pattern.empty() && pattern[0] == '^') return joined.rfind(pattern.substr(1), 0) == 0;
  if (!pattern.empty() && pattern[0] == '=') return joined == pattern.substr(1);
  return joined.find(pattern) != std::string::npos;
}

void ApplyRules(settings& set, const std::string& joined) {
  const std::string rules_path = set["rules"];
  std::istringstream rules(ReadFile(rules_path));
  std::string line;
  while (std::getline(rules, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
      const auto tab = line.find('\t', start);
      fields.push_back(line.substr(start, tab == std::string::npos ? tab : tab - start));
      if (tab == std::string::npos) break;
      start = tab + 1;
    }
    if (fields.size() < 2 || !Matches(fields[0], joined)) continue;
    set["script"] = fields[1] == "-"               ? std::string()
                    : fields[1].rfind('/', 0) == 0 ? fields[1]
                                                   : Folder(rules_path) + fields[1];
    if (fields.size() > 2 && !fields[2].empty()) set["exit"] = fields[2];
    if (fields.size() > 3) {
      std::istringstream pairs(fields[3]);
      std::string pair;
      while (std::getline(pairs, pair, ';')) {
        const auto eq = pair.find('=');
        if (eq != std::string::npos) set[pair.substr(0, eq)] = pair.substr(eq + 1);
      }
    }
    return;
  }
}

std::string OutputPath(const settings& set, const std::vector<std::string>& args) {
  const std::string& out = set.at("output");
  if (out != "last") return out;
  if (args.empty()) return {};
  const std::string& last = args.back();
  if (last.empty() || last[0] == '-') return {};
  if (args.size() >= 2 && args[args.size() - 2] == "-i") return {};
  return last;
}

// Descriptors inherited beyond stdin, stdout and stderr.
int ExtraFds() {
  DIR* dir = opendir("/proc/self/fd");
  if (dir == nullptr) return -1;
  int count = 0;
  while (const dirent* entry = readdir(dir)) {
    const long fd = ToLong(entry->d_name, -1);
    if (fd > 2 && fd != dirfd(dir)) ++count;
  }
  closedir(dir);
  return count;
}

void WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = write(fd, data, size);
    if (n <= 0) return;  // reader gone: nothing more to say
    data += n;
    size -= static_cast<std::size_t>(n);
  }
}

}  // namespace

int main(int argc, char** argv) {
  settings set;
  for (const char* name : kNames) {
    std::string env = "FAKE_FFMPEG_";
    for (const char* p = name; *p != '\0'; ++p)
      env += static_cast<char>(std::toupper(static_cast<unsigned char>(*p)));
    const char* v = std::getenv(env.c_str());
    set[name] = v != nullptr ? v : "";
  }
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a.rfind("--fake-", 0) == 0) {
      const auto eq = a.find('=');
      std::string name = a.substr(7, eq == std::string::npos ? eq : eq - 7);
      for (char& c : name) c = c == '-' ? '_' : c;
      set[name] = eq == std::string::npos ? "1" : a.substr(eq + 1);
      continue;
    }
    args.push_back(a);
  }
  std::string joined;
  for (const auto& a : args) joined += (joined.empty() ? "" : " ") + a;
  if (!set["rules"].empty()) ApplyRules(set, joined);

  if (!set["args_file"].empty()) {
    std::string data;
    for (const auto& a : args) {
      data += a;
      data += '\0';
    }
    WriteFile(set["args_file"], data);
  }

  long child = 0;
  if (set["spawn_child"] == "1") {
    const pid_t pid = fork();
    if (pid == 0) {
      SleepMs(60000);
      _exit(0);
    }
    child = pid;
  }
  if (!set["info_file"].empty()) {
    // Polled, not read blindly: an inherited open stdin must show up as "open", not hang.
    pollfd in{0, POLLIN, 0};
    char byte = 0;
    const ssize_t got = poll(&in, 1, 0) > 0 ? read(0, &byte, 1) : -2;
    std::string info = "pid=" + std::to_string(getpid()) + "\npgid=" + std::to_string(getpgrp()) +
                       "\nppid=" + std::to_string(getppid()) + "\nstdin=" +
                       (got == 0    ? "eof"
                        : got > 0   ? "data"
                        : got == -2 ? "open"
                                    : "error") +
                       "\n";
    info += "fds=" + std::to_string(ExtraFds()) + "\n";
    if (child != 0) info += "child=" + std::to_string(child) + "\n";
    WriteFile(set["info_file"], info);
  }

  const std::string output = set["output"].empty() ? std::string() : OutputPath(set, args);
  if (!output.empty()) WriteFile(output, "");

  std::string text;
  if (!set["script"].empty()) text = ReadFile(set["script"]);
  text += Unescape(set["text"]);

  SleepMs(ToLong(set["start_delay_ms"], 0));
  const std::string& chunk = set["chunk"];
  const long chunk_bytes = ToLong(chunk, 0);
  const long delay = ToLong(set["delay_ms"], 0);
  const std::string& stream = set["stream"];
  bool to_stdout = stream == "stdout";
  std::size_t pos = 0;
  bool first = true;
  while (pos < text.size()) {
    std::size_t len = text.size() - pos;
    if (chunk == "line") {
      const auto end = text.find_first_of("\r\n", pos);
      if (end != std::string::npos) len = end + 1 - pos;
    } else if (chunk_bytes > 0 && static_cast<std::size_t>(chunk_bytes) < len) {
      len = static_cast<std::size_t>(chunk_bytes);
    }
    if (!first) SleepMs(delay);
    first = false;
    WriteAll(to_stdout ? 1 : 2, text.data() + pos, len);
    pos += len;
    if (stream == "both") to_stdout = !to_stdout;
  }
  SleepMs(ToLong(set["hold_ms"], 0));

  if (!output.empty()) {
    if (!set["output_from"].empty())
      WriteFile(output, ReadFile(set["output_from"]));
    else
      WriteFile(output,
                std::string(static_cast<std::size_t>(ToLong(set["output_bytes"], 1024)), 'F'));
  }
  return static_cast<int>(ToLong(set["exit"], 0));
}
