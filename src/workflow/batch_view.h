#pragma once
// What the conversion workflow needs from a window. The main window implements it, and so do
// flenmark-cli and the tests; the workflow itself never draws or asks anything directly.
#include <string>

class file_item;
class profile_list;

// The record exchanged with the output settings dialog.
struct output_format_rec {
  std::string folder;                // in: current output folder; out: the folder chosen
  bool start = false;                // out: "Start Conversion" was pressed
  int profile_index = 0;             // in/out
  profile_list* profiles = nullptr;  // the dialog may add and delete custom profiles
  bool merge_possible = false;
  bool merge = false;               // in/out
  file_item* merge_item = nullptr;  // edited by "Overall Adjustments..."
};

// The value labels of the progress panel.
enum class progress_label { input, output, profile, elapsed, remaining };

// Window modes: commands are enabled from them.
inline constexpr int window_mode_adding = 0;
inline constexpr int window_mode_converting = 1;
inline constexpr int window_mode_idle = 2;

class batch_view {
 public:
  virtual ~batch_view() = default;

  // The mode changed: refresh the enablement of the commands (and the cursor).
  virtual void SetWindowMode(int mode) = 0;
  // Rows of the list view; a row at or beyond the file count is the file being opened.
  virtual void SetRowCount(int count) = 0;
  // Clamps to the rows, makes it the current row, scrolls it into view and repaints.
  virtual void SelectRow(int row) = 0;
  // The current row, or -1.
  virtual int SelectedRow() const = 0;
  virtual void RepaintList() = 0;
  virtual void RefreshActions() = 0;
  // Lets the window handle what is pending (repaint, Stop, close).
  virtual void ProcessEvents() = 0;

  virtual void SetTitle(const std::string& title) = 0;
  virtual void SetProgressLabel(progress_label which, const std::string& text) = 0;
  virtual void SetProgressBar(double fraction) = 0;
  virtual void ShowProgressPanel() = 0;
  virtual void HideProgressPanel() = 0;
  virtual void ShowHidePanelCommand(bool visible) = 0;
  // The "Shut down computer when done" box; shown unticked when a batch starts.
  virtual void ShowShutdownBox(bool visible, bool untick) = 0;
  virtual bool ShutdownTicked() const = 0;

  virtual void ShowBalloon(const std::string& text) = 0;
  virtual void HideBalloon() = 0;

  // The output settings dialog: true when "Start Conversion" was pressed; the record is
  // written back in every case.
  virtual bool ShowOutputDialog(output_format_rec& rec) = 0;
  // The folder chooser "Select Output Folder": true and the folder (with a trailing
  // delimiter) when one was chosen.
  virtual bool ChooseOutputFolder(const std::string& start, std::string& chosen) = 0;

  // Plays a sound file without waiting.
  virtual void PlaySound(const std::string& path) = 0;
  // Opens the file manager on a folder, or on a file's folder with the file selected.
  virtual void ExploreFolder(const std::string& folder) = 0;
  virtual void ExploreFile(const std::string& path) = 0;
  // Powers the computer off.
  virtual void PowerOff() = 0;
  // Closes the main window (the end of life runs from there).
  virtual void CloseWindow() = 0;
};
