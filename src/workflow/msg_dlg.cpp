#include "workflow/msg_dlg.h"

#include <cstdio>

namespace {

// Without a window: the text goes to standard error and the preset answer stands.
class stderr_msg_host final : public msg_dlg_host {
 public:
  void Execute(msg_dlg_rec& request) override {
    std::string line = request.title + ": " + request.text + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
  }
};

stderr_msg_host default_host;
msg_dlg_host* current_host = &default_host;

void SetButton(msg_dlg_rec& r, int i, const char* caption, int result, bool is_default,
               bool is_cancel) {
  auto& b = r.buttons[static_cast<std::size_t>(i)];
  b.caption = caption;
  b.result = result;
  b.is_default = is_default;
  b.is_cancel = is_cancel;
  b.width_pct = 100;
}

}  // namespace

void MsgDlg_SetHost(msg_dlg_host* host) {
  current_host = host ? host : &default_host;
}

msg_dlg_host* MsgDlg_GetHost() {
  return current_host;
}

void MsgDlg_Clear(msg_dlg_rec& request) {
  request.title.clear();
  request.text.clear();
  request.kind = 0;
  request.button_count = 0;
  request.timeout_sec = 0;
  request.beep = false;
  request.result = 0;
  request.show_flag = nullptr;
  request.remembered_result = nullptr;
}

void MsgDlg_Execute(msg_dlg_rec& request) {
  if (request.show_flag && !*request.show_flag && request.remembered_result) {
    request.result = *request.remembered_result;
    return;
  }
  current_host->Execute(request);
}

void MsgDlg_Click(msg_dlg_rec& request, int button_result, bool dont_show_ticked) {
  request.result = button_result;
  if (request.show_flag) *request.show_flag = !dont_show_ticked;
  if (request.remembered_result) *request.remembered_result = request.result;
}

int MsgDlg_FocusButton(const msg_dlg_rec& request) {
  for (int i = 0; i < request.button_count && i < static_cast<int>(request.buttons.size()); ++i)
    if (request.buttons[static_cast<std::size_t>(i)].result == request.result) return i;
  return -1;
}

void Msg_Show(std::string_view title, std::string_view text, int kind, bool beep, bool* show_flag) {
  if (show_flag && !*show_flag) return;
  msg_dlg_rec r;
  MsgDlg_Clear(r);
  r.title = title;
  r.text = text;
  r.kind = kind;
  r.beep = beep;
  r.show_flag = show_flag;
  r.button_count = 1;
  SetButton(r, 0, "OK", msg_result_ok, true, true);
  r.result = msg_result_ok;
  MsgDlg_Execute(r);
}

void Msg_Warning(std::string_view text, bool* show_flag) {
  Msg_Show("Warning", text, msg_kind_warning, true, show_flag);
}

void Msg_Error(std::string_view text) {
  Msg_Show("Error", text, msg_kind_error, true, nullptr);
}

namespace {

// A question with an accepting first button (the default) and a cancelling second one.
msg_dlg_rec TwoButtonQuestion(std::string_view text, int default_result, const char* accept,
                              int accept_result, const char* cancel, int cancel_result) {
  msg_dlg_rec r;
  MsgDlg_Clear(r);
  r.title = "Question";
  r.text = text;
  r.kind = msg_kind_question;
  r.beep = false;
  r.button_count = 2;
  SetButton(r, 0, accept, accept_result, true, false);
  SetButton(r, 1, cancel, cancel_result, false, true);
  r.result = default_result;
  return r;
}

}  // namespace

int Msg_YesNo(std::string_view text, int default_result, bool* show_flag, int* remembered_result) {
  msg_dlg_rec r =
      TwoButtonQuestion(text, default_result, "&Yes", msg_result_yes, "&No", msg_result_no);
  r.show_flag = show_flag;
  r.remembered_result = remembered_result;
  MsgDlg_Execute(r);
  return r.result;
}

int Msg_OkCancel(std::string_view text, int default_result, int timeout_sec) {
  msg_dlg_rec r =
      TwoButtonQuestion(text, default_result, "&OK", msg_result_ok, "&Cancel", msg_result_cancel);
  r.timeout_sec = timeout_sec;
  MsgDlg_Execute(r);
  return r.result;
}
