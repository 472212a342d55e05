#pragma once
// A window and a message dialog for driving the workflow in tests: they record what the
// workflow shows and answer as scripted.
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "workflow/batch_view.h"
#include "workflow/msg_dlg.h"

struct shown_message {
  std::string title;
  std::string text;
  int kind = 0;
  int preset = 0;
  int timeout_sec = 0;
};

// Records every request; answers questions from `answers` (front first), else with the preset.
class fake_msg_host final : public msg_dlg_host {
 public:
  void Execute(msg_dlg_rec& r) override {
    shown.push_back({r.title, r.text, r.kind, r.result, r.timeout_sec});
    if (!answers.empty()) {
      int a = answers.front();
      answers.pop_front();
      MsgDlg_Click(r, a, dont_show);
    }
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> t;
    for (const auto& m : shown) t.push_back(m.text);
    return t;
  }
  std::vector<shown_message> shown;
  std::deque<int> answers;
  bool dont_show = false;
};

class fake_view final : public batch_view {
 public:
  void SetWindowMode(int mode) override { modes.push_back(mode); }
  void SetRowCount(int count) override { rows = count; }
  void SelectRow(int row) override {
    selected = rows <= 0 ? -1 : (row < 0 ? 0 : (row >= rows ? rows - 1 : row));
    selected_rows.push_back(row);
  }
  int SelectedRow() const override { return selected; }
  void RepaintList() override { ++repaints; }
  void RefreshActions() override { ++action_refreshes; }
  void ProcessEvents() override {
    ++events;
    if (on_events) on_events();
  }
  void SetTitle(const std::string& t) override { titles.push_back(t); }
  void SetProgressLabel(progress_label which, const std::string& text) override {
    labels[which] = text;
    if (which == progress_label::remaining) remaining_texts.push_back(text);
  }
  void SetProgressBar(double f) override { bars.push_back(f); }
  void ShowProgressPanel() override { panel_visible = true; }
  void HideProgressPanel() override { panel_visible = false; }
  void ShowHidePanelCommand(bool visible) override { hide_command_visible = visible; }
  void ShowShutdownBox(bool visible, bool untick) override {
    shutdown_box_visible = visible;
    if (untick) shutdown_ticked = false;
  }
  bool ShutdownTicked() const override { return shutdown_ticked; }
  void ShowBalloon(const std::string& text) override { balloons.push_back(text); }
  void HideBalloon() override {}
  bool ShowOutputDialog(output_format_rec& rec) override {
    ++dialogs;
    rec.profile_index = profile_index;
    if (!folder.empty()) rec.folder = folder;
    rec.merge = merge && rec.merge_possible;
    merge_offered = rec.merge_possible;
    return start;
  }
  bool ChooseOutputFolder(const std::string&, std::string& chosen) override {
    ++folder_choices;
    if (chosen_folder.empty()) return false;
    chosen = chosen_folder;
    return true;
  }
  void PlaySound(const std::string& path) override { sounds.push_back(path); }
  void ExploreFolder(const std::string& f) override { explored.push_back(f); }
  void ExploreFile(const std::string& p) override { explored.push_back(p); }
  void PowerOff() override { ++power_offs; }
  void CloseWindow() override { ++closes; }

  // Script for the output dialog.
  int profile_index = 0;
  std::string folder;
  bool merge = false;
  bool start = true;
  std::string chosen_folder;
  std::function<void()> on_events;

  // What happened.
  std::vector<int> modes;
  int rows = 0;
  int selected = -1;
  std::vector<int> selected_rows;
  int repaints = 0, action_refreshes = 0, events = 0, dialogs = 0, folder_choices = 0;
  int power_offs = 0, closes = 0;
  bool merge_offered = false;
  std::vector<std::string> titles;
  std::map<progress_label, std::string> labels;
  std::vector<std::string> remaining_texts;
  std::vector<double> bars;
  bool panel_visible = false, hide_command_visible = false;
  bool shutdown_box_visible = false, shutdown_ticked = false;
  std::vector<std::string> balloons, sounds, explored;
};
