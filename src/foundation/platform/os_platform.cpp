#include "foundation/platform/os_platform.h"

#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdlib>
#include <exception>

#include "foundation/platform/process.h"

namespace {

system_os_services& SystemServices() {
  static system_os_services services(OsLauncher_System());
  return services;
}

os_services* g_services = nullptr;

// Writes the whole buffer, retrying after signals; used between fork and exec as well.
bool WriteAll(int fd, const void* data, size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(fd, p, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

// Child side after fork: standard streams on /dev/null, default signal state, then exec.
// Only async-signal-safe calls; the errno of a failure goes to err_fd.
[[noreturn]] void ExecChild(const std::string& exe, char* const* argv, const char* folder,
                            int err_fd) {
  const int null_fd = ::open("/dev/null", O_RDWR);
  if (null_fd >= 0) {
    ::dup2(null_fd, 0);
    ::dup2(null_fd, 1);
    ::dup2(null_fd, 2);
    if (null_fd > 2) ::close(null_fd);
  }
  struct sigaction dfl {};
  dfl.sa_handler = SIG_DFL;
  ::sigaction(SIGPIPE, &dfl, nullptr);
  sigset_t none;
  ::sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  if (folder != nullptr && ::chdir(folder) != 0) {
    const int e = errno;
    WriteAll(err_fd, &e, sizeof e);
    ::_exit(127);
  }
  ::execv(exe.c_str(), argv);
  const int e = errno;
  WriteAll(err_fd, &e, sizeof e);
  ::_exit(127);
}

int WaitChild(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return status;
}

// Reads the exec error report; true when the child reached exec (the pipe closed empty).
bool ExecSucceeded(int read_fd) {
  int err = 0;
  ssize_t n;
  do {
    n = ::read(read_fd, &err, sizeof err);
  } while (n < 0 && errno == EINTR);
  ::close(read_fd);
  return n == 0;
}

struct c_argv {
  std::vector<std::string> storage;
  std::vector<char*> ptrs;
  explicit c_argv(const std::vector<std::string>& argv) : storage(argv) {
    for (auto& s : storage) ptrs.push_back(s.data());
    ptrs.push_back(nullptr);
  }
};

class system_launcher final : public os_launcher {
 public:
  bool StartDetached(const std::vector<std::string>& argv, const std::string& folder) override {
    if (argv.empty()) return false;
    const std::string exe = Platform_FindProgram(argv[0]);
    if (exe.empty()) return false;
    c_argv args(argv);
    const char* dir = folder.empty() ? nullptr : folder.c_str();
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return false;
    const pid_t pid = ::fork();
    if (pid < 0) {
      ::close(fds[0]);
      ::close(fds[1]);
      return false;
    }
    if (pid == 0) {
      // The intermediate child leaves at once, so the program is adopted by init and never
      // becomes our zombie.
      ::close(fds[0]);
      ::setsid();
      const pid_t grandchild = ::fork();
      if (grandchild < 0) {
        const int e = errno;
        WriteAll(fds[1], &e, sizeof e);
        ::_exit(1);
      }
      if (grandchild > 0) ::_exit(0);
      ExecChild(exe, args.ptrs.data(), dir, fds[1]);
    }
    ::close(fds[1]);
    const int status = WaitChild(pid);
    const bool started = ExecSucceeded(fds[0]);
    return started && status >= 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }

  int RunAndWait(const std::vector<std::string>& argv, int timeout_ms) override {
    if (argv.empty()) return -1;
    const std::string exe = Platform_FindProgram(argv[0]);
    if (exe.empty()) return -1;
    child_process child;
    try {
      child.Start(exe, std::vector<std::string>(argv.begin() + 1, argv.end()));
    } catch (const std::exception&) {
      return -1;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    char discard[4096];
    for (;;) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) break;
      const auto r = child.Wait(static_cast<int>(left.count()));
      if (r == child_process::wait_result::exited) {
        const int status = child.ExitStatus();
        return status >= 0 && status < 128 ? status : -2;
      }
      if (r == child_process::wait_result::output) child.Read(discard, sizeof discard);
    }
    child.Terminate();
    return -2;
  }
};

bool IsUnreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '~' || c == '/';
}

std::string UriEscape(const std::string& path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(path.size());
  for (const char ch : path) {
    const auto c = static_cast<unsigned char>(ch);
    if (IsUnreserved(c)) {
      out += ch;
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

// Absolute form of a path without "." or ".." parts and without a trailing "/".
std::string AbsolutePath(const std::string& path) {
  std::string abs = path;
  if (abs.empty() || abs[0] != '/') {
    std::string cwd(4096, '\0');
    if (::getcwd(cwd.data(), cwd.size()) == nullptr) return {};
    cwd.resize(cwd.find('\0'));
    abs = cwd + "/" + abs;
  }
  std::vector<std::string> parts;
  size_t i = 0;
  while (i < abs.size()) {
    const size_t j = abs.find('/', i);
    const std::string part = abs.substr(i, j == std::string::npos ? std::string::npos : j - i);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    if (j == std::string::npos) break;
    i = j + 1;
  }
  std::string out;
  for (const auto& p : parts) out += "/" + p;
  return out.empty() ? "/" : out;
}

std::string ParentOf(const std::string& abs) {
  const size_t slash = abs.rfind('/');
  return slash == 0 || slash == std::string::npos ? "/" : abs.substr(0, slash);
}

bool MakeDir(const std::string& path) {
  if (::mkdir(path.c_str(), 0700) == 0) return true;
  struct stat st {};
  return errno == EEXIST && ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

void AppendPadded(std::string& out, int value, int width) {
  char buf[16];
  const auto r = std::to_chars(buf, buf + sizeof buf, value);
  for (int n = static_cast<int>(r.ptr - buf); n < width; ++n) out += '0';
  out.append(buf, r.ptr);
}

std::string DeletionDate() {
  const time_t now = ::time(nullptr);
  struct tm t {};
  ::localtime_r(&now, &t);
  std::string out;
  AppendPadded(out, t.tm_year + 1900, 4);
  out += '-';
  AppendPadded(out, t.tm_mon + 1, 2);
  out += '-';
  AppendPadded(out, t.tm_mday, 2);
  out += 'T';
  AppendPadded(out, t.tm_hour, 2);
  out += ':';
  AppendPadded(out, t.tm_min, 2);
  out += ':';
  AppendPadded(out, t.tm_sec, 2);
  return out;
}

// Puts `abs` into the trash folder `trash`; info_path is what the .trashinfo records.
bool TrashInto(const std::string& trash, const std::string& abs, const std::string& info_path) {
  if (!MakeDir(trash) || !MakeDir(trash + "/files") || !MakeDir(trash + "/info")) return false;
  const std::string name = abs.substr(abs.rfind('/') + 1);
  const std::string info_text =
      "[Trash Info]\nPath=" + UriEscape(info_path) + "\nDeletionDate=" + DeletionDate() + "\n";
  for (int n = 1; n < 100000; ++n) {
    std::string candidate = name;
    if (n > 1) {
      char buf[16];
      const auto r = std::to_chars(buf, buf + sizeof buf, n);
      candidate += "." + std::string(buf, r.ptr);
    }
    const std::string info = trash + "/info/" + candidate + ".trashinfo";
    const std::string target = trash + "/files/" + candidate;
    // The exclusive creation of the info file reserves the name.
    const int fd = ::open(info.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return false;
    }
    struct stat st {};
    if (::lstat(target.c_str(), &st) == 0) {
      ::close(fd);
      ::unlink(info.c_str());
      continue;
    }
    const bool written = WriteAll(fd, info_text.data(), info_text.size()) && ::fsync(fd) == 0;
    ::close(fd);
    if (!written || ::rename(abs.c_str(), target.c_str()) != 0) {
      ::unlink(info.c_str());
      return false;
    }
    return true;
  }
  return false;
}

}  // namespace

os_services& OsServices() {
  return g_services != nullptr ? *g_services : SystemServices();
}

void OsServices_Set(os_services* services) {
  g_services = services;
}

os_launcher& OsLauncher_System() {
  static system_launcher launcher;
  return launcher;
}

std::string Platform_FileUri(const std::string& path) {
  return "file://" + UriEscape(path);
}

std::string Platform_FindProgram(const std::string& name) {
  if (name.find('/') == std::string::npos) return Process_FindOnPath(name);
  struct stat st {};
  return ::stat(name.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(name.c_str(), X_OK) == 0
             ? name
             : "";
}

std::string Platform_Home() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') {
    std::string h = home;
    while (h.size() > 1 && h.back() == '/') h.pop_back();
    return h;
  }
  struct passwd pw {};
  struct passwd* result = nullptr;
  std::string buf(16384, '\0');
  if (::getpwuid_r(::getuid(), &pw, buf.data(), buf.size(), &result) == 0 && result != nullptr &&
      pw.pw_dir != nullptr)
    return pw.pw_dir;
  return {};
}

std::string Platform_DataHome() {
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg != nullptr && xdg[0] == '/') return xdg;
  const std::string home = Platform_Home();
  return home.empty() ? "" : home + "/.local/share";
}

bool Platform_Trash(const std::string& path, const std::string& data_home) {
  const std::string abs = AbsolutePath(path);
  struct stat entry {};
  if (abs.empty() || abs == "/" || ::lstat(abs.c_str(), &entry) != 0) return false;
  const std::string parent = ParentOf(abs);
  struct stat parent_st {};
  if (::stat(parent.c_str(), &parent_st) != 0) return false;

  // The home trash serves the file system it lies on; rename cannot cross file systems.
  if (!data_home.empty()) {
    struct stat home_st {};
    if (::stat(data_home.c_str(), &home_st) != 0) {
      for (size_t i = 1; i <= data_home.size(); ++i)
        if (i == data_home.size() || data_home[i] == '/') MakeDir(data_home.substr(0, i));
    }
    if (::stat(data_home.c_str(), &home_st) == 0 && home_st.st_dev == parent_st.st_dev)
      return TrashInto(data_home + "/Trash", abs, abs);
  }

  // Otherwise the trash at the top of the entry's own mount, recording a relative path.
  std::string top = parent;
  while (top != "/") {
    const std::string up = ParentOf(top);
    struct stat up_st {};
    if (::stat(up.c_str(), &up_st) != 0 || up_st.st_dev != parent_st.st_dev) break;
    top = up;
  }
  char uid[16];
  const auto r = std::to_chars(uid, uid + sizeof uid, ::getuid());
  const std::string trash = (top == "/" ? "" : top) + "/.Trash-" + std::string(uid, r.ptr);
  const std::string relative = abs.substr(top == "/" ? 1 : top.size() + 1);
  return TrashInto(trash, abs, relative);
}

bool system_os_services::OpenDocument(const std::string& target) {
  if (target.empty()) return false;
  // A relative name beginning with "-" would be taken for an option.
  const std::string arg = target[0] == '-' ? "./" + target : target;
  return launcher_.StartDetached({"xdg-open", arg}, "");
}

bool system_os_services::RunProgram(const std::string& program,
                                    const std::vector<std::string>& args,
                                    const std::string& folder) {
  std::vector<std::string> argv{program};
  argv.insert(argv.end(), args.begin(), args.end());
  return launcher_.StartDetached(argv, folder);
}

bool system_os_services::CallFileManager(const char* method, const std::string& path) {
  const std::string uri = Platform_FileUri(AbsolutePath(path));
  const std::string member = std::string("org.freedesktop.FileManager1.") + method;
  constexpr int kTimeoutMs = 5000;
  // The escaped address holds no quote, so it can sit in a quoted variant text as it is.
  int rc = launcher_.RunAndWait(
      {"gdbus", "call", "--session", "--dest", "org.freedesktop.FileManager1", "--object-path",
       "/org/freedesktop/FileManager1", "--method", member, "['" + uri + "']", "''"},
      kTimeoutMs);
  if (rc == -1) {
    rc = launcher_.RunAndWait(
        {"dbus-send", "--session", "--print-reply", "--reply-timeout=4000",
         "--dest=org.freedesktop.FileManager1", "/org/freedesktop/FileManager1", member,
         "array:string:" + uri, "string:"},
        kTimeoutMs);
  }
  return rc == 0;
}

void system_os_services::ShowFolder(const std::string& folder) {
  if (folder.empty()) return;
  if (!CallFileManager("ShowFolders", folder)) OpenDocument(folder);
}

void system_os_services::ShowItem(const std::string& path) {
  if (path.empty()) return;
  if (!CallFileManager("ShowItems", path)) OpenDocument(ParentOf(AbsolutePath(path)));
}

bool system_os_services::MoveToTrash(const std::string& path) {
  return Platform_Trash(path, Platform_DataHome());
}

void system_os_services::PowerOff() {
  launcher_.StartDetached({"systemctl", "poweroff"}, "");
}
