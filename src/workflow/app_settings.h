#pragma once
// The settings file and the program's settings: where config.xml lives, its keys with their
// defaults, reading it at start-up and writing it at close.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "config/kest_config.h"

class profile_list;

inline constexpr std::string_view settings_file_name = "config.xml";
inline constexpr std::string_view settings_header = "<!-- Flenmark: Configuration File -->";
inline constexpr std::string_view settings_created_by = " Flenmark 2015";

// Where the settings are read and written.
struct settings_location {
  std::string program_folder;  // the executable's folder, trailing "/"
  std::string data_folder;     // program folder + "../../Data/" when that exists, else the
                               // program folder
  std::string user_folder;     // the user's configuration folder + "Flenmark/"

  std::string SettingsFile() const { return data_folder + std::string(settings_file_name); }
  std::string FallbackFile() const { return user_folder + std::string(settings_file_name); }
};

// The folders for a program that lives in program_folder (a trailing "/" is added).
settings_location Settings_Locate(const std::string& program_folder);
// The folders of the running program.
settings_location Settings_LocateProgram();

class app_settings {
 public:
  app_settings();
  ~app_settings();

  config_list& Tree() { return *tree_; }

  // Reads the settings file (or, when the data folder holds none, the one the fallback
  // writing left in the user folder) and the custom profiles into `profiles`, then makes the
  // two remembered folders usable.
  void Load(const settings_location& where, profile_list& profiles);
  // Writes every setting and the custom profiles; returns the file written, or empty.
  std::string Save(const settings_location& where, const profile_list& profiles);
  // Loads from a given file (flenmark-cli --config): no fallback.
  void LoadFile(const std::string& file, profile_list& profiles);

  std::string LastInputFolder() const;
  void SetLastInputFolder(const std::string& folder);
  std::string LastOutputFolder() const;
  void SetLastOutputFolder(const std::string& folder);
  std::int64_t LastProfileId() const;
  void SetLastProfileId(std::int64_t id);
  std::string LastProfileDesc() const;
  void SetLastProfileDesc(const std::string& desc);
  bool WarnMergeParams() const;
  void SetWarnMergeParams(bool on);
  bool AutoExplore() const;
  void SetAutoExplore(bool on);
  bool PlaySound() const;
  void SetPlaySound(bool on);
  double InstallDate() const;

  // The folder of the running program (for done.wav).
  std::string program_folder;

 private:
  void ReadFile(const std::string& file, profile_list& profiles);
  void ResolveFolders();

  std::unique_ptr<config_list> tree_;
  std::unique_ptr<config_node> install_date_;
  std::unique_ptr<config_node> last_input_folder_;
  std::unique_ptr<config_node> last_output_folder_;
  std::unique_ptr<config_node> last_profile_id_;
  std::unique_ptr<config_node> last_profile_desc_;
  std::unique_ptr<config_node> warn_merge_params_;
  std::unique_ptr<config_node> auto_explore_;
  std::unique_ptr<config_node> play_sound_;
};

// The start profile: the last one used (same id and description, else the same id), else the
// first of category 1; -1 when there is none.
int SelectStartProfile(const profile_list& profiles, std::int64_t last_id,
                       const std::string& last_desc);

// The paths named on the program's command line (Param_Get): every parameter after the program
// path that is no switch; switches ("/name", "/name=value") are parsed and ignored.
std::vector<std::string> CommandLine_Files();

// The address OpenLink opens for a link id.
std::string OpenLink_Address(std::string_view link_id);
// Opens the address in the default browser.
void OpenLink(std::string_view link_id);
