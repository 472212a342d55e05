#pragma once
// Temporary folders, environment overrides and recording stand-ins for the desktop services,
// shared by the os_utils tests. Installing recording_services keeps every test away from real
// file managers, browsers and power-offs.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "foundation/platform/os_platform.h"

struct recording_services final : os_services {
  std::vector<std::string> calls;  // "open <t>", "run <p>|<a1>|<a2>@<folder>", ...
  bool result = true;
  bool OpenDocument(const std::string& target) override {
    calls.push_back("open " + target);
    return result;
  }
  bool RunProgram(const std::string& program, const std::vector<std::string>& args,
                  const std::string& folder) override {
    std::string call = "run " + program;
    for (const auto& a : args) call += "|" + a;
    calls.push_back(call + "@" + folder);
    return result;
  }
  void ShowFolder(const std::string& folder) override { calls.push_back("folder " + folder); }
  void ShowItem(const std::string& path) override { calls.push_back("item " + path); }
  bool MoveToTrash(const std::string& path) override {
    calls.push_back("trash " + path);
    return result;
  }
  void PowerOff() override { calls.push_back("poweroff"); }
};

// Sets an environment variable for one scope; restores the old value afterwards.
class env_override {
 public:
  env_override(const char* name, const std::string& value) : name_(name) {
    if (const char* old = ::getenv(name)) old_ = old;
    ::setenv(name, value.c_str(), 1);
  }
  ~env_override() {
    if (old_)
      ::setenv(name_, old_->c_str(), 1);
    else
      ::unsetenv(name_);
  }
  env_override(const env_override&) = delete;
  env_override& operator=(const env_override&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// A fresh folder per test (path ends without "/"), removed afterwards; the recording services
// are installed for the test's duration.
class os_temp_test : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "flenmark-os-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    OsServices_Set(&services_);
  }
  void TearDown() override {
    OsServices_Set(nullptr);
    std::error_code ec;
    std::filesystem::permissions(dir_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(dir_, ec);
  }
  std::string Path(const std::string& rel) const { return dir_ + "/" + rel; }
  void Write(const std::string& rel, const std::string& text) const {
    std::filesystem::create_directories(std::filesystem::path(Path(rel)).parent_path());
    std::ofstream(Path(rel), std::ios::binary) << text;
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::vector<std::string> Entries(const std::string& rel = "") const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(rel.empty() ? dir_ : Path(rel)))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  std::string dir_;
  recording_services services_;
};
