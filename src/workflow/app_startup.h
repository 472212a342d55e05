#pragma once
// Start and end of the program's life around the main window: the long-lived objects, reading
// the settings at first show, choosing the start profile, the encoder check, the files named on
// the command line, and writing the settings once at the end.
#include <memory>
#include <string>
#include <vector>

#include "profiles/output_profile_list.h"
#include "workflow/app_settings.h"
#include "workflow/batch_driver.h"

inline constexpr std::string_view text_component_missing =
    "Crucial component missing. Please reinstall. If the error happens again please report it "
    "on Tarvello web site.";
inline constexpr std::string_view text_missing_formats =
    "Missing standard output formats. Please reinstall the program.";

class app_core {
 public:
  // Creates the profile list (with the built-in formats), the settings tree, the file list, the
  // merge item and the predictor.
  explicit app_core(batch_view& view);
  ~app_core();
  app_core(const app_core&) = delete;
  app_core& operator=(const app_core&) = delete;

  // The first show of the main window: reads the settings from `where`, selects the start
  // profile, makes the window idle and ready, checks the encoder and adds `files`. False when
  // the start was abandoned (no output format, or no encoder: the window is then closed).
  bool FirstShow(const settings_location& where, const std::vector<std::string>& files);
  // The end of life, run once: writes the settings and the custom profiles.
  void EndOfLife();
  // The main window's close request: true when it may close (the end of life has then run).
  bool Close();

  // While false the list shows no cell texts.
  bool Ready() const { return ready_; }
  profile_list& Profiles() { return *profiles_; }
  app_settings& Settings() { return settings_; }
  batch_driver& Driver() { return *driver_; }

 private:
  batch_view& view_;
  std::unique_ptr<profile_list> profiles_;
  app_settings settings_;
  std::unique_ptr<batch_driver> driver_;
  settings_location where_;
  bool ready_ = false;
  bool started_ = false;
  bool ended_ = false;
};
