#include "foundation/platform/file_ops.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

bool Platform_PathTaken(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

int Platform_CreateExclusive(const std::string& path) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return errno;
  close(fd);
  return 0;
}

int Platform_RenameNoReplace(const std::string& from, const std::string& to) {
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
  err = Platform_CreateExclusive(to);
  if (err != 0) return err;
  if (rename(from.c_str(), to.c_str()) == 0) return 0;
  err = errno;
  unlink(to.c_str());
  return err;
}

bool Platform_RemoveFile(const std::string& path) {
  return unlink(path.c_str()) == 0 || errno == ENOENT;
}
