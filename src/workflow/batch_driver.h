#pragma once
// The batch conversion driver: adds files to the list, runs the Convert command (one encoder
// job per file, or one merging all files), follows progress, honours Stop and the close
// request, and reports the result. It works on a file list, a merge item, the profile list and
// the settings, and talks to the user only through a batch_view and the message operations.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "encoder/ffmpeg_job.h"
#include "workflow/batch_view.h"
#include "workflow/input_file_list.h"
#include "workflow/kest_time_predictor.h"

class app_settings;
class profile_list;
class profile_item;

inline constexpr int stop_none = 0;
inline constexpr int stop_request = 1;
inline constexpr int stop_and_exit = 2;

inline constexpr int batch_initialising = 0;
inline constexpr int batch_running = 1;
inline constexpr int batch_interrupted = 2;
inline constexpr int batch_finished = 4;

inline constexpr std::string_view temp_output_name = "_flmk_output.tmp";

// One conversion as Convert would run it, for showing without running.
struct planned_job {
  std::string input;   // input path (the first one for a merge)
  std::string output;  // the output path
  std::string args;    // the exact argument text the encoder gets
};

class batch_driver {
 public:
  batch_driver(profile_list& profiles, app_settings& settings, batch_view& view);
  ~batch_driver();
  batch_driver(const batch_driver&) = delete;
  batch_driver& operator=(const batch_driver&) = delete;

  file_list& Files() { return files_; }
  file_item& MergeItem() { return merge_item_; }
  time_predictor& Predictor() { return predictor_; }

  // Adds the paths (shortcuts followed, excluded extensions skipped) and lists the failures.
  void AddFiles(const std::vector<std::string>& paths);
  // The whole batch (the Convert command).
  void Convert();
  // The window becomes idle (start-up).
  void SetIdle() { SetWindowMode(window_mode_idle); }
  // The Stop command.
  void RequestStop();
  // The main window's close request: true when the window may close now.
  bool CloseRequest();

  void RecomputeMergeItem();
  bool EnsureOutputFolder();
  bool ShowOutputDialog();
  void PrepareForBatch();
  std::string MakeOutputName(const std::string& input_path, const std::string& extension) const;
  bool FinalizeOutput();
  void StartProgress();
  void UpdateProgress(double fraction, double elapsed, double remaining);
  void FinishProgress();
  void ShowResults(std::vector<std::string>& errors);

  int CountWithStatus(std::uint32_t mask) const;
  void SetAllStatus(int status);
  bool AnyConverted() const;

  // The encoder's progress: t seconds written, s kilobytes; true to go on.
  bool OnProgress(double t, std::int64_t size_kb);
  // Called by the encoder runner while it waits: true to go on.
  bool OnIdle();

  // The jobs Convert would run for the files with status Convert, without running them.
  std::vector<planned_job> PlanJobs();

  // Batch state, read by the window.
  int WindowMode() const { return window_mode_; }
  int StopRequest() const { return stop_request_; }
  void SetStopRequest(int request) { stop_request_ = request; }
  int SelectedProfile() const { return selected_profile_; }
  void SetSelectedProfile(int index) { selected_profile_ = index; }
  bool MergeChosen() const { return merge_chosen_; }
  void SetMergeChosen(bool on) { merge_chosen_ = on; }
  bool MergePossible() const { return merge_possible_; }
  int ConvertedCount() const { return converted_count_; }
  double TotalLength() const { return total_length_; }
  double DoneLength() const { return done_length_; }
  const file_item* CurrentItem() const { return current_item_; }
  const std::string& CurrentName() const { return current_name_; }
  // The temporary file the encoder is writing; empty while none runs.
  const std::string& RunningTemp() const { return running_temp_; }
  double Fraction() const { return fraction_; }
  double Elapsed() const { return elapsed_; }
  int BatchState() const { return batch_state_; }
  const std::string& FinalText() const { return final_text_; }
  bool Reconvert() const { return reconvert_; }
  const std::string& Title() const { return title_; }

  // Source of the 0..2 that keeps the bar of a file with an invalid length short of the end.
  void SetRandomSource(std::function<int()> source) { random_ = std::move(source); }

 private:
  void SetWindowMode(int mode);
  std::string OutputBasePath(const std::string& input_path, const std::string& extension) const;
  void RunJobs(std::vector<std::string>& errors);
  void FillJob(ffmpeg_handle job, profile_item& work, file_item& item);
  void RecomputeTotal();

  profile_list& profiles_;
  app_settings& settings_;
  batch_view& view_;

  file_list files_;
  file_item merge_item_;
  time_predictor predictor_;

  int window_mode_ = window_mode_idle;
  int stop_request_ = stop_none;
  int selected_profile_ = 0;
  bool merge_chosen_ = false;
  bool merge_possible_ = false;
  bool merging_ = false;  // the running batch merges
  int file_count_ = 0;
  int converted_count_ = 0;
  double total_length_ = 0;
  double done_length_ = 0;
  file_item* current_item_ = nullptr;
  std::string current_name_;
  std::string running_temp_;
  double fraction_ = 0;
  double elapsed_ = 0;
  int batch_state_ = batch_finished;
  std::string final_text_;
  bool reconvert_ = true;
  std::string title_ = "Flenmark";
  std::function<int()> random_;
};
