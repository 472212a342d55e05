#include "workflow/app_settings.h"

#include <chrono>
#include <exception>
#include <filesystem>
#include <system_error>

#include "foundation/kest_errors.h"
#include "foundation/os_utils.h"
#include "foundation/string_utils.h"
#include "profiles/output_profile_list.h"
#include "profiles/profile_persistence.h"
#include "workflow/msg_dlg.h"

namespace {

// True when file a was modified after file b; false when either cannot be read.
bool IsNewer(const std::string& a, const std::string& b) {
  std::error_code ea, eb;
  const auto ta = std::filesystem::last_write_time(a, ea);
  const auto tb = std::filesystem::last_write_time(b, eb);
  return !ea && !eb && ta > tb;
}

// Date and time as days since 1899-12-30 with the time of day as the fraction.
double Now_AsDateTime() {
  using namespace std::chrono;
  double secs = duration<double>(system_clock::now().time_since_epoch()).count();
  return secs / 86400.0 + 25569.0;
}

std::string WithSlash(std::string folder) {
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

// "a/b/../../c/" -> "c/" for an absolute path, without touching the disk.
std::string Normalize(const std::string& path) {
  std::vector<std::string> parts;
  std::size_t i = 0;
  while (i <= path.size()) {
    std::size_t j = path.find('/', i);
    if (j == std::string::npos) j = path.size();
    std::string part = path.substr(i, j - i);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    i = j + 1;
  }
  std::string out = "/";
  for (const auto& p : parts) out += p + "/";
  return out;
}

bool File_Exists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

// The node's text, or an empty text when it holds none.
std::string TextOf(const config_node& n) {
  const std::string* s = std::get_if<std::string>(&n.value);
  return s ? *s : std::string();
}

}  // namespace

settings_location Settings_Locate(const std::string& program_folder) {
  settings_location where;
  where.program_folder = WithSlash(program_folder);
  std::string data = Normalize(where.program_folder + "../../Data/");
  where.data_folder = Folder_Exists(data) ? data : where.program_folder;
  std::string app_data = SysFolder_AppData();
  where.user_folder = app_data.empty() ? std::string() : WithSlash(app_data) + "Flenmark/";
  return where;
}

settings_location Settings_LocateProgram() {
  return Settings_Locate(Program_Folder());
}

app_settings::app_settings() : tree_(std::make_unique<config_list>("Config")) {
  // Defaults until Load reads the file.
  install_date_ = tree_->ReadNode("InstallDate", Now_AsDateTime());
  last_input_folder_ = tree_->ReadNode("LastInputFolder", std::string());
  last_output_folder_ = tree_->ReadNode("LastOutputFolder", std::string());
  last_profile_id_ = tree_->ReadNode("LastProfileId", std::int64_t{255});
  last_profile_desc_ = tree_->ReadNode("LastProfileDesc", std::string());
  warn_merge_params_ = tree_->ReadNode("WarnMergeParams", true);
  auto_explore_ = tree_->ReadNode("AutoExplore", true);
  play_sound_ = tree_->ReadNode("PlaySound", true);
}

app_settings::~app_settings() = default;

void app_settings::ReadFile(const std::string& file, profile_list& profiles) {
  try {
    // A file that exists but cannot be read is reported below, not taken for an empty one.
    std::string text = File_Exists(file) ? File_Load(file, false) : std::string();
    if (!text.empty() && config_list::StripHeader(text, settings_header, true))
      tree_->LoadFromText(text);
    tree_->ResetCursor();
    tree_->SelectPath("Settings", true);
    kest_value created_by = tree_->GetValue("CreatedBy", std::string(settings_created_by));
    install_date_ = tree_->ReadNode("InstallDate", Now_AsDateTime());
    const std::string* cb = std::get_if<std::string>(&created_by);
    if (!cb || Str_Trim(*cb) != Str_Trim(settings_created_by))
      install_date_->SetValue(Now_AsDateTime());
    last_input_folder_ = tree_->ReadNode("LastInputFolder", std::string());
    last_output_folder_ = tree_->ReadNode("LastOutputFolder", std::string());
    last_profile_id_ = tree_->ReadNode("LastProfileId", std::int64_t{255});
    last_profile_desc_ = tree_->ReadNode("LastProfileDesc", std::string());
    warn_merge_params_ = tree_->ReadNode("WarnMergeParams", true);
    auto_explore_ = tree_->ReadNode("AutoExplore", true);
    play_sound_ = tree_->ReadNode("PlaySound", true);
    tree_->ResetCursor();
    if (tree_->SelectPath("CustomProfiles", false)) Profiles_Load(profiles, *tree_);
    tree_->ResetCursor();
  } catch (const std::exception&) {
    Msg_Error("Error reading config file. Please check your disk for errors.");
  }
  ResolveFolders();
}

void app_settings::ResolveFolders() {
  try {
    std::string docs = SysFolder_Documents();
    SetLastInputFolder(Folder_Resolve(LastInputFolder(), docs, false));
    SetLastOutputFolder(Folder_Resolve(LastOutputFolder(), WithSlash(docs) + "Flenmark", false));
  } catch (const std::exception&) {
    Msg_Error("Error updating program settings.");
  }
}

void app_settings::Load(const settings_location& where, profile_list& profiles) {
  program_folder = where.program_folder;
  std::string file = where.SettingsFile();
  // Settings that could not be written beside the program went to the user folder: read them
  // back from there, or they would be lost at every start. That holds too when an older file
  // sits in the data folder and could not be replaced: the newer of the two is the last save.
  const std::string fallback = where.FallbackFile();
  if (File_Exists(fallback) && (!File_Exists(file) || IsNewer(fallback, file))) file = fallback;
  ReadFile(file, profiles);
}

void app_settings::LoadFile(const std::string& file, profile_list& profiles) {
  ReadFile(file, profiles);
}

std::string app_settings::Save(const settings_location& where, const profile_list& profiles) {
  tree_->ResetCursor();
  tree_->SelectPath("Settings", true);
  tree_->SetValue("CreatedBy", std::string(settings_created_by));
  for (auto* node :
       {last_input_folder_.get(), last_output_folder_.get(), last_profile_id_.get(),
        last_profile_desc_.get(), auto_explore_.get(), play_sound_.get(), warn_merge_params_.get()})
    tree_->WriteNode(*node);
  tree_->ResetCursor();
  tree_->SelectPath("CustomProfiles", true);
  Profiles_Save(profiles, *tree_);
  tree_->ResetCursor();
  std::string text = std::string(settings_header) + "\r\n" + tree_->SaveToText();
  if (File_Save(where.SettingsFile(), text, true)) return where.SettingsFile();
  if (File_Save(where.FallbackFile(), text, true)) return where.FallbackFile();
  return {};
}

std::string app_settings::LastInputFolder() const {
  return TextOf(*last_input_folder_);
}
void app_settings::SetLastInputFolder(const std::string& folder) {
  last_input_folder_->SetValue(folder);
}
std::string app_settings::LastOutputFolder() const {
  return TextOf(*last_output_folder_);
}
void app_settings::SetLastOutputFolder(const std::string& folder) {
  last_output_folder_->SetValue(folder);
}
std::int64_t app_settings::LastProfileId() const {
  if (auto* i = std::get_if<std::int64_t>(&last_profile_id_->value)) return *i;
  if (auto* d = std::get_if<double>(&last_profile_id_->value)) return static_cast<std::int64_t>(*d);
  return 255;
}
void app_settings::SetLastProfileId(std::int64_t id) {
  last_profile_id_->SetValue(id);
}
std::string app_settings::LastProfileDesc() const {
  return TextOf(*last_profile_desc_);
}
void app_settings::SetLastProfileDesc(const std::string& desc) {
  last_profile_desc_->SetValue(desc);
}

namespace {
bool AsBool(const config_node& n, bool fallback) {
  if (auto* b = std::get_if<bool>(&n.value)) return *b;
  return fallback;
}
}  // namespace

bool app_settings::WarnMergeParams() const {
  return AsBool(*warn_merge_params_, true);
}
void app_settings::SetWarnMergeParams(bool on) {
  warn_merge_params_->SetValue(on);
}
bool app_settings::AutoExplore() const {
  return AsBool(*auto_explore_, true);
}
void app_settings::SetAutoExplore(bool on) {
  auto_explore_->SetValue(on);
}
bool app_settings::PlaySound() const {
  return AsBool(*play_sound_, true);
}
void app_settings::SetPlaySound(bool on) {
  play_sound_->SetValue(on);
}
double app_settings::InstallDate() const {
  if (auto* d = std::get_if<double>(&install_date_->value)) return *d;
  if (auto* i = std::get_if<std::int64_t>(&install_date_->value)) return static_cast<double>(*i);
  return 0;
}

int SelectStartProfile(const profile_list& profiles, std::int64_t last_id,
                       const std::string& last_desc) {
  int index = -1;
  if (last_id >= 0 && last_id <= INT32_MAX)
    index = ProfileList_Find(profiles, static_cast<int>(last_id), last_desc, false);
  if (index < 0) index = ProfileList_FindCategory(profiles, 1, 0);
  return index;
}

std::vector<std::string> CommandLine_Files() {
  std::vector<std::string> files;
  std::string key, value;
  for (int i = 1; Param_Get(i, key, value); ++i)
    if (key.empty() && !value.empty()) files.push_back(value);
  return files;
}

std::string OpenLink_Address(std::string_view link_id) {
  // The maker's redirect endpoint.
  return "https://www.flenmark.net/redirect.php?" +
         Str_FormatSafe("app=%s&ver=%s&url_id=%s",
                        {kest_value(std::string("clipfold")), kest_value(std::string("2015")),
                         kest_value(std::string(link_id))});
}

void OpenLink(std::string_view link_id) {
  Shell_Open(OpenLink_Address(link_id));
}
