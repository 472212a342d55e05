#pragma once
// The window of flenmark-cli: a progress line on standard error, messages as text, questions
// answered with their preset result, and nothing opened, played or powered off.
#include <atomic>
#include <string>

#include "workflow/batch_driver.h"
#include "workflow/batch_view.h"
#include "workflow/msg_dlg.h"

// Messages go to standard error (CR LF as plain line ends); questions keep their preset answer.
class cli_msg_host final : public msg_dlg_host {
 public:
  void Execute(msg_dlg_rec& request) override;
};

// Set from the SIGINT handler: how many times Ctrl+C was pressed.
extern std::atomic<int> cli_interrupts;

class cli_view final : public batch_view {
 public:
  cli_view(bool progress, std::string out_folder, bool merge)
      : progress_(progress), out_folder_(std::move(out_folder)), merge_(merge) {}

  void SetDriver(batch_driver* driver) { driver_ = driver; }
  void SetProfileIndex(int index) { profile_index_ = index; }
  // Ends the progress line so that later text starts on a fresh line.
  void EndProgressLine();

  void SetWindowMode(int) override {}
  void SetRowCount(int) override {}
  void SelectRow(int row) override { selected_ = row; }
  int SelectedRow() const override { return selected_; }
  void RepaintList() override {}
  void RefreshActions() override {}
  void ProcessEvents() override;
  void SetTitle(const std::string&) override {}
  void SetProgressLabel(progress_label which, const std::string& text) override;
  void SetProgressBar(double fraction) override;
  void ShowProgressPanel() override {}
  void HideProgressPanel() override {}
  void ShowHidePanelCommand(bool) override {}
  void ShowShutdownBox(bool, bool) override {}
  bool ShutdownTicked() const override { return false; }
  void ShowBalloon(const std::string&) override {}
  void HideBalloon() override {}
  bool ShowOutputDialog(output_format_rec& rec) override;
  bool ChooseOutputFolder(const std::string&, std::string&) override { return false; }
  void PlaySound(const std::string&) override {}
  void ExploreFolder(const std::string&) override {}
  void ExploreFile(const std::string&) override {}
  void PowerOff() override {}
  void CloseWindow() override {}

 private:
  void Draw(bool force);

  bool progress_;
  std::string out_folder_;
  bool merge_;
  int profile_index_ = 0;
  int selected_ = -1;
  batch_driver* driver_ = nullptr;
  double fraction_ = 0;
  std::string input_, elapsed_, remaining_;
  std::uint32_t last_draw_ = 0;
  bool drawn_ = false;
};

// The temporary file being written, for the signal handler (async-signal-safe to read).
void Cli_SetCurrentTemp(const std::string& path);
const char* Cli_CurrentTemp();
