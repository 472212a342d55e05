#include "workflow/output_files.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>

namespace {

bool Taken(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

// The k-th candidate for path: k = 1 is the path itself, then folder/base_k.ext.
std::string Candidate(const std::string& path, int k) {
  if (k <= 1) return path;
  std::size_t slash = path.find_last_of('/');
  std::size_t name_start = slash == std::string::npos ? 0 : slash + 1;
  std::size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || dot < name_start) dot = path.size();
  char buf[16];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, k);
  return path.substr(0, dot) + "_" + std::string(buf, end) + path.substr(dot);
}

constexpr int kMaxTries = 100000;

// Moves without replacing; EEXIST when the target exists.
int RenameNoReplace(const std::string& from, const std::string& to) {
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  int err = errno;
  if (err != EINVAL && err != ENOSYS && err != ENOTSUP) return err;
  // The file system cannot rename without replacing: a hard link fails on an existing name.
  if (link(from.c_str(), to.c_str()) == 0) {
    unlink(from.c_str());
    return 0;
  }
  err = errno;
  if (err == EEXIST) return err;
  // No hard links either: claim the name first, then move over the claimed empty file.
  int fd = open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return errno;
  close(fd);
  if (rename(from.c_str(), to.c_str()) == 0) return 0;
  err = errno;
  unlink(to.c_str());
  return err;
}

}  // namespace

std::string Output_UniqueName(const std::string& path, const std::set<std::string>* also_taken) {
  for (int k = 1; k < kMaxTries; ++k) {
    std::string c = Candidate(path, k);
    if (!Taken(c) && !(also_taken && also_taken->count(c))) return c;
  }
  return path;
}

std::string Output_ReserveTemp(const std::string& path) {
  for (int k = 1; k < kMaxTries; ++k) {
    std::string c = Candidate(path, k);
    if (Taken(c)) continue;
    int fd = open(c.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd >= 0) {
      close(fd);
      return c;
    }
    if (errno != EEXIST) return {};
  }
  return {};
}

std::string Output_MoveNoReplace(const std::string& temp, const std::string& target) {
  if (temp == target) return target;
  for (int k = 1; k < kMaxTries; ++k) {
    std::string c = Candidate(target, k);
    if (Taken(c)) continue;
    int err = RenameNoReplace(temp, c);
    if (err == 0) return c;
    if (err != EEXIST) return {};
  }
  return {};
}

bool Output_Remove(const std::string& path) {
  if (path.empty()) return true;
  return unlink(path.c_str()) == 0 || errno == ENOENT;
}
