#pragma once
// Message requests and the five ready-made message operations.
//
// The core fills a msg_dlg_rec and hands it to the installed msg_dlg_host; the GUI installs a
// host that shows its themed dialog, flenmark-cli one that prints and answers with the preset
// result, tests one that records and answers as scripted. The rules that do not depend on a
// window (the remembered answer, what a button press writes back) live here, so every host
// behaves the same.
#include <array>
#include <string>
#include <string_view>

// Result codes given to the buttons of the ready-made operations.
inline constexpr int msg_result_yes = 1;
inline constexpr int msg_result_no = 2;
inline constexpr int msg_result_ok = 3;
inline constexpr int msg_result_cancel = 4;

// Icon and sound kinds.
inline constexpr int msg_kind_green = 0;
inline constexpr int msg_kind_info = 1;
inline constexpr int msg_kind_warning = 2;
inline constexpr int msg_kind_error = 3;
inline constexpr int msg_kind_question = 4;
inline constexpr int msg_kind_purple = 5;

struct msg_dlg_button_rec {
  std::string caption;  // "&" marks the accelerator letter
  int result = 0;
  bool is_default = false;
  bool is_cancel = false;
  int width_pct = 100;  // of a base width of 80 pixels
};

struct msg_dlg_rec {
  std::string title;
  std::string text;
  int kind = 0;
  int button_count = 0;
  std::array<msg_dlg_button_rec, 8> buttons{};
  int timeout_sec = 0;        // 0 or less: no countdown
  bool beep = false;          // play the kind's system sound when shown
  bool* show_flag = nullptr;  // the caller's "show this message" switch
  int* remembered_result = nullptr;
  int result = 0;  // preset answer in, pressed button's code out
};

// Shows a request. A host reports a button press with MsgDlg_Click; when it returns without
// one (closed otherwise, or a host that never asks), `result` keeps its preset value.
class msg_dlg_host {
 public:
  virtual ~msg_dlg_host() = default;
  virtual void Execute(msg_dlg_rec& request) = 0;
};

// Installs the host used by MsgDlg_Execute; nullptr restores the default, which writes the
// title and text to standard error and answers with the preset result.
void MsgDlg_SetHost(msg_dlg_host* host);
msg_dlg_host* MsgDlg_GetHost();

// Installs a host for the lifetime of the guard, then puts the previous one back.
class msg_dlg_host_guard {
 public:
  explicit msg_dlg_host_guard(msg_dlg_host* host) : previous_(MsgDlg_GetHost()) {
    MsgDlg_SetHost(host);
  }
  ~msg_dlg_host_guard() { MsgDlg_SetHost(previous_); }
  msg_dlg_host_guard(const msg_dlg_host_guard&) = delete;
  msg_dlg_host_guard& operator=(const msg_dlg_host_guard&) = delete;

 private:
  msg_dlg_host* previous_;
};

// Empties title and text, zeroes kind, button count, timeout, beep and result and drops both
// addresses; the button array is left as it is.
void MsgDlg_Clear(msg_dlg_rec& request);

// With a false show flag and a remembered answer, answers from memory without showing;
// otherwise the host shows the request.
void MsgDlg_Execute(msg_dlg_rec& request);

// What pressing a button writes: the result, the caller's show flag (not the "Don't show this
// message again" tick) and the remembered answer (whatever the tick says).
void MsgDlg_Click(msg_dlg_rec& request, int button_result, bool dont_show_ticked);

// The button whose result equals the preset result (focused, pressed by the countdown), or -1.
int MsgDlg_FocusButton(const msg_dlg_rec& request);

// A box with an OK button; shows nothing when show_flag is given and false.
void Msg_Show(std::string_view title, std::string_view text, int kind, bool beep,
              bool* show_flag = nullptr);
void Msg_Warning(std::string_view text, bool* show_flag = nullptr);
void Msg_Error(std::string_view text);
int Msg_YesNo(std::string_view text, int default_result, bool* show_flag = nullptr,
              int* remembered_result = nullptr);
int Msg_OkCancel(std::string_view text, int default_result, int timeout_sec);
