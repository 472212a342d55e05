#include "foundation/os_utils.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <system_error>
#include <vector>

#include "foundation/kest_errors.h"
#include "foundation/platform/os_platform.h"
#include "foundation/platform/process.h"
#include "foundation/string_utils.h"

namespace {

constexpr const char* kSourceFile = "os_utils.cpp";

std::string WithSlash(std::string s) {
  if (!s.empty() && s.back() != '/') s += '/';
  return s;
}

bool EntryExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::lstat(path.c_str(), &st) == 0;
}

// Folder part of a path including its last "/"; empty when there is none.
std::string FolderPart(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Position of the extension's "." in path, or npos; a name's leading "." starts
// no extension.
size_t ExtensionDot(const std::string& path) {
  const size_t name_start = path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1;
  const size_t dot = path.rfind('.');
  return dot != std::string::npos && dot > name_start ? dot : std::string::npos;
}

[[noreturn]] void ThrowErrno(const std::string& what) {
  throw std::system_error(errno, std::generic_category(), what);
}

std::string LoadBody(const std::string& path) {
  if (path.empty()) return {};
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT || errno == ENOTDIR) return {};
    ThrowErrno("cannot open " + path);
  }
  struct fd_closer {
    int fd;
    ~fd_closer() { ::close(fd); }
  } closer{fd};
  struct stat st {};
  if (::fstat(fd, &st) != 0) ThrowErrno("cannot query " + path);
  if (!S_ISREG(st.st_mode) || st.st_size <= 0 || st.st_size >= kFileLoadLimit) return {};
  std::string text(static_cast<size_t>(st.st_size), '\0');
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::read(fd, text.data() + done, text.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowErrno("cannot read " + path);
    }
    if (n == 0) return {};  // the file shrank while being read
    done += static_cast<size_t>(n);
  }
  return text;
}

std::string TempSuffix() {
  static std::mt19937 rng(std::random_device{}());
  static const char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::string s;
  for (int i = 0; i < 8; ++i) s += kChars[rng() % (sizeof kChars - 1)];
  return s;
}

bool SaveBufBody(const std::string& path, const void* data, std::int64_t length) {
  std::string target = path;
  // Saving through a symbolic link replaces the file it points to and keeps the
  // link.
  struct stat lst {};
  if (::lstat(path.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode)) {
    if (char* real = ::realpath(path.c_str(), nullptr)) {
      target = real;
      std::free(real);
    }
  }
  const std::string folder = FolderPart(target);
  if (!folder.empty() && !Folder_Force(folder)) return false;
  if (length <= 0) return false;
  const std::string name = target.substr(folder.size());
  if (name.empty()) return false;

  std::string temp;
  int fd = -1;
  for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
    temp = folder + "." + name + "." + TempSuffix() + ".tmp";
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) ThrowErrno("cannot create " + temp);
  }
  if (fd < 0) ThrowErrno("cannot create a temporary file in " + folder);

  // Until the rename succeeded the temporary file goes away on every way out.
  struct temp_guard {
    const std::string& path;
    int fd;
    bool keep = false;
    ~temp_guard() {
      if (fd >= 0) ::close(fd);
      if (!keep) ::unlink(path.c_str());
    }
  } guard{temp, fd};

  struct stat old {};
  if (::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode))
    ::fchmod(fd, (old.st_mode & 07777) | S_IWUSR);

  const char* p = static_cast<const char*>(data);
  auto left = static_cast<std::uint64_t>(length);
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowErrno("cannot write " + temp);
    }
    p += n;
    left -= static_cast<std::uint64_t>(n);
  }
  if (::fsync(fd) != 0) ThrowErrno("cannot flush " + temp);
  const int closing = guard.fd;
  guard.fd = -1;
  if (::close(closing) != 0) ThrowErrno("cannot close " + temp);
  if (::rename(temp.c_str(), target.c_str()) != 0) ThrowErrno("cannot replace " + target);
  guard.keep = true;

  // Make the new directory entry itself durable.
  const int dir_fd =
      ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir_fd >= 0) {
    ::fsync(dir_fd);
    ::close(dir_fd);
  }
  return true;
}

void ReportSilently(std::string_view fn) {
  std::string message;
  ReportError(false, fn, kSourceFile, message, "");
}

std::vector<std::string>& ParamList() {
  static std::vector<std::string> list;
  static bool filled = false;
  if (!filled) {
    filled = true;
    if (list.empty()) {
      const std::string cmdline = LoadBody("/proc/self/cmdline");
      size_t i = 0;
      while (i < cmdline.size()) {
        const size_t z = cmdline.find('\0', i);
        list.push_back(cmdline.substr(i, z == std::string::npos ? std::string::npos : z - i));
        if (z == std::string::npos) break;
        i = z + 1;
      }
    }
  }
  return list;
}

bool IsNameChar(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

// An absolute path also begins with "/": a second "/" before any "=" or an
// existing entry of that name makes the parameter a path, not an option.
bool IsOption(const std::string& param) {
  if (param.empty() || param[0] != '/') return false;
  const size_t eq = param.find('=');
  const size_t slash = param.find('/', 1);
  if (slash != std::string::npos && (eq == std::string::npos || slash < eq)) return false;
  return !EntryExists(param);
}

}  // namespace

// Files

std::string File_Load(const std::string& path, bool handle_errors) {
  try {
    return LoadBody(path);
  } catch (...) {
    if (!handle_errors) throw;
    ReportSilently("File_Load");
    return {};
  }
}

bool File_Save(const std::string& path, std::string_view text, bool handle_errors) {
  try {
    if (path.empty()) return false;
    if (text.empty()) return ::unlink(path.c_str()) == 0;
    return File_SaveBuf(path, text.data(), static_cast<std::int64_t>(text.size()), true);
  } catch (...) {
    if (!handle_errors) throw;
    ReportSilently("File_Save");
    return false;
  }
}

bool File_SaveBuf(const std::string& path, const void* data, std::int64_t length,
                  bool handle_errors) {
  try {
    if (path.empty() || (length > 0 && data == nullptr)) return false;
    return SaveBufBody(path, data, length);
  } catch (...) {
    if (!handle_errors) throw;
    ReportSilently("File_Save");
    return false;
  }
}

std::int64_t File_Size(const std::string& path) {
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return 0;
  return st.st_size;
}

std::string File_ChangeExt(const std::string& path, std::string_view ext) {
  const size_t dot = ExtensionDot(path);
  std::string out = dot == std::string::npos ? path : path.substr(0, dot);
  if (!ext.empty() && ext[0] != '.') out += '.';
  out += ext;
  return out;
}

std::string File_UniqueName(const std::string& path) {
  if (!EntryExists(path)) return path;
  const size_t dot = ExtensionDot(path);
  const std::string base = dot == std::string::npos ? path : path.substr(0, dot);
  const std::string ext = dot == std::string::npos ? std::string() : path.substr(dot);
  for (std::uint64_t n = 2;; ++n) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, n);
    std::string candidate = base + "_" + std::string(buf, r.ptr) + ext;
    if (!EntryExists(candidate)) return candidate;
  }
}

bool File_Recycle(const std::string& path, bool permanent) {
  const std::string p = Str_Trim(path);
  if (p.empty()) return true;
  if (!EntryExists(p)) return false;
  if (!permanent) return OsServices().MoveToTrash(p);
  std::error_code ec;
  std::filesystem::remove_all(p, ec);
  return !ec && !EntryExists(p);
}

bool Str_HasNonAscii(std::string_view text) {
  for (const char c : text)
    if (static_cast<unsigned char>(c) >= 128) return true;
  return false;
}

std::string Path_Short(const std::string& path) {
  return path;
}

std::string Path_Safe(const std::string& path) {
  return Str_HasNonAscii(path) ? Path_Short(path) : path;
}

// Folders

bool Folder_Exists(const std::string& path) {
  try {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  } catch (...) {
    ReportSilently("Folder_Exists");
    return false;
  }
}

bool Folder_Force(const std::string& path) {
  try {
    if (path.empty()) return false;
    if (Folder_Exists(path)) return true;
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    return Folder_Exists(path);
  } catch (...) {
    ReportSilently("Folder_Force");
    return false;
  }
}

std::string Path_Root(const std::string& path) {
  const std::string p = Str_Trim(path);
  return !p.empty() && p[0] == '/' ? "/" : "";
}

std::string Path_Parent(const std::string& path, bool keep_root) {
  const std::string p = Str_Trim(path);
  const std::string root = Path_Root(p);
  if (root.empty()) return {};
  if (p.size() <= root.size()) return keep_root ? root : "";
  size_t end = p.size();
  if (p[end - 1] == '/') --end;
  const size_t slash = p.rfind('/', end - 1);
  if (slash == std::string::npos || slash + 1 <= root.size()) return root;
  return p.substr(0, slash + 1);
}

std::string Folder_Existing(const std::string& path) {
  if (Folder_Exists(path)) return path;
  std::string current = path;
  for (;;) {
    const std::string parent = Path_Parent(current, true);
    if (parent.empty() || parent == current) break;
    if (Folder_Exists(parent)) return parent;
    current = parent;
  }
  return SysFolder_Documents();
}

std::string Folder_Resolve(const std::string& preferred, const std::string& fallback, bool create) {
  std::string result = Str_Trim(preferred);
  if (result.empty()) result = Str_Trim(fallback);
  if (result.empty()) result = SysFolder_Documents();
  if (result.empty()) return {};
  result = WithSlash(result);
  if (!Folder_Exists(result)) {
    if (create)
      Folder_Force(result);
    else
      result = WithSlash(Folder_Existing(result));
  }
  return Folder_Exists(result) ? result : "";
}

// Special folders

namespace {

std::string ConfigHome(const std::string& home) {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg != nullptr && xdg[0] == '/') return xdg;
  return home.empty() ? "" : home + "/.config";
}

// XDG_DOCUMENTS_DIR from user-dirs.dirs: "$HOME/..." or an absolute path, in
// double quotes.
std::string UserDirsDocuments(const std::string& home) {
  const std::string text = File_Load(ConfigHome(home) + "/user-dirs.dirs");
  size_t i = 0;
  while (i < text.size()) {
    size_t eol = text.find('\n', i);
    if (eol == std::string::npos) eol = text.size();
    const std::string line = Str_Trim(std::string_view(text).substr(i, eol - i));
    i = eol + 1;
    constexpr std::string_view kKey = "XDG_DOCUMENTS_DIR=";
    if (line.compare(0, kKey.size(), kKey) != 0) continue;
    std::string value = line.substr(kKey.size());
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
      value = value.substr(1, value.size() - 2);
    if (value.compare(0, 5, "$HOME") == 0)
      value = home + value.substr(5);
    else if (value.empty() || value[0] != '/')
      value = home + "/" + value;
    return value;
  }
  return {};
}

}  // namespace

std::string SysFolder_Shell(int code) {
  try {
    const std::string home = Platform_Home();
    if (code == kFolderAppData) return WithSlash(ConfigHome(home));
    if (code != kFolderDocuments || home.empty()) return {};
    const std::string docs = UserDirsDocuments(home);
    if (!docs.empty() && Folder_Exists(docs)) return WithSlash(docs);
    if (Folder_Exists(home + "/Documents")) return home + "/Documents/";
    return WithSlash(home);
  } catch (...) {
    ReportSilently("SysFolder_Shell");
    return {};
  }
}

std::string SysFolder_Documents() {
  return SysFolder_Shell(kFolderDocuments);
}

std::string SysFolder_AppData() {
  return SysFolder_Shell(kFolderAppData);
}

std::string Program_Path() {
  std::string buf(4096, '\0');
  const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
  if (n > 0 && static_cast<size_t>(n) < buf.size()) return buf.substr(0, static_cast<size_t>(n));
  return ParamList().empty() ? "" : ParamList()[0];
}

std::string Program_Folder() {
  return FolderPart(Program_Path());
}

// Shell and file manager

bool Shell_Run(const std::string& file, const std::string& parameters, const std::string& folder,
               bool /*minimized*/) {
  if (file.empty()) return false;
  if (Str_Trim(parameters).empty()) return OsServices().OpenDocument(file);
  return OsServices().RunProgram(file, Cmd_SplitArgs(parameters), folder);
}

bool Shell_Open(const std::string& file) {
  if (file.empty()) return false;
  return Shell_Run(file, "", "", false);
}

void Explorer_Open(const std::string& folder) {
  const std::string f = Str_Trim(folder);
  if (!f.empty()) OsServices().ShowFolder(f);
}

void Explorer_Select(const std::string& path) {
  const std::string p = Str_Trim(path);
  if (p.empty()) return;
  if (EntryExists(p))
    OsServices().ShowItem(p);
  else
    Explorer_Open(FolderPart(p));
}

std::string Shortcut_Resolve(const std::string& path) {
  struct stat st {};
  if (path.empty() || ::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  if (char* real = ::realpath(path.c_str(), nullptr)) {
    std::string target = real;
    std::free(real);
    return target;
  }
  // A dangling link: follow the chain as far as it goes, so the caller names
  // the missing target.
  std::string current = path;
  for (int hops = 0; hops < 40; ++hops) {
    if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) break;
    std::string link(4096, '\0');
    const ssize_t n = ::readlink(current.c_str(), link.data(), link.size());
    if (n <= 0 || static_cast<size_t>(n) >= link.size()) break;
    link.resize(static_cast<size_t>(n));
    current = link[0] == '/' ? link : FolderPart(current) + link;
  }
  return current;
}

// Command line

void Param_Init(int argc, const char* const* argv) {
  auto& list = ParamList();
  list.clear();
  for (int i = 0; i < argc; ++i) list.emplace_back(argv[i] != nullptr ? argv[i] : "");
}

int Param_Count() {
  return static_cast<int>(ParamList().size());
}

bool Param_Get(int index, std::string& key, std::string& value) {
  const auto& list = ParamList();
  if (index < 0 || static_cast<size_t>(index) >= list.size()) return false;
  const std::string& param = list[static_cast<size_t>(index)];
  key.clear();
  value.clear();
  if (!IsOption(param)) {
    value = param;
    return true;
  }
  size_t i = 1;
  while (i < param.size() && IsNameChar(param[i])) ++i;
  key = param.substr(1, i - 1);
  auto skip_blanks = [&] {
    while (i < param.size() && (param[i] == ' ' || param[i] == '\t')) ++i;
  };
  skip_blanks();
  if (i >= param.size() || param[i] != '=') return true;
  ++i;
  skip_blanks();
  if (i < param.size() && param[i] == '"') {
    const size_t close = param.find('"', i + 1);
    value = param.substr(i + 1, close == std::string::npos ? std::string::npos : close - i - 1);
  } else {
    value = param.substr(i);
  }
  return true;
}

void System_Shutdown() {
  OsServices().PowerOff();
}
