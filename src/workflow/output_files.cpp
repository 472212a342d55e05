#include "workflow/output_files.h"

#include <cerrno>
#include <charconv>

#include "foundation/platform/file_ops.h"

namespace {

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

}  // namespace

std::string Output_UniqueName(const std::string& path, const std::set<std::string>* also_taken) {
  for (int k = 1; k < kMaxTries; ++k) {
    std::string c = Candidate(path, k);
    if (!Platform_PathTaken(c) && !(also_taken && also_taken->count(c))) return c;
  }
  return path;
}

std::string Output_ReserveTemp(const std::string& path) {
  for (int k = 1; k < kMaxTries; ++k) {
    std::string c = Candidate(path, k);
    if (Platform_PathTaken(c)) continue;
    const int err = Platform_CreateExclusive(c);
    if (err == 0) return c;
    if (err != EEXIST) return {};
  }
  return {};
}

std::string Output_MoveNoReplace(const std::string& temp, const std::string& target) {
  if (temp == target) return target;
  for (int k = 1; k < kMaxTries; ++k) {
    std::string c = Candidate(target, k);
    if (Platform_PathTaken(c)) continue;
    const int err = Platform_RenameNoReplace(temp, c);
    if (err == 0) return c;
    if (err != EEXIST) return {};
  }
  return {};
}

bool Output_Remove(const std::string& path) {
  if (path.empty()) return true;
  return Platform_RemoveFile(path);
}
