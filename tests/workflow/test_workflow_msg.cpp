#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "workflow/msg_dlg.h"

namespace {

// Keeps a copy of the last request and presses a scripted button (or none).
class capture_host final : public msg_dlg_host {
 public:
  void Execute(msg_dlg_rec& r) override {
    ++shows;
    last = r;
    flag_seen = r.show_flag ? std::optional<bool>(*r.show_flag) : std::nullopt;
    if (press) MsgDlg_Click(r, *press, tick_dont_show);
  }
  int shows = 0;
  msg_dlg_rec last;
  std::optional<bool> flag_seen;
  std::optional<int> press;
  bool tick_dont_show = false;
};

struct button_want {
  const char* caption;
  int result;
  bool is_default;
  bool is_cancel;
};

struct op_case {
  const char* name;
  std::function<int()> run;
  const char* title;
  int kind;
  bool beep;
  std::vector<button_want> buttons;
  int preset;
  int timeout;
};

}  // namespace

TEST(WorkflowMsg, ReadyMadeOperationsFillTheRequestExactly) {
  const std::vector<button_want> ok = {{"OK", 3, true, true}};
  const std::vector<button_want> yes_no = {{"&Yes", 1, true, false}, {"&No", 2, false, true}};
  const std::vector<button_want> ok_cancel = {{"&OK", 3, true, false}, {"&Cancel", 4, false, true}};
  const std::vector<op_case> cases = {
      {"show",
       [] {
         Msg_Show("T", "x", 5, false);
         return 0;
       },
       "T", 5, false, ok, 3, 0},
      {"warning",
       [] {
         Msg_Warning("x");
         return 0;
       },
       "Warning", 2, true, ok, 3, 0},
      {"error",
       [] {
         Msg_Error("x");
         return 0;
       },
       "Error", 3, true, ok, 3, 0},
      {"yesno", [] { return Msg_YesNo("x", 2); }, "Question", 4, false, yes_no, 2, 0},
      {"okcancel", [] { return Msg_OkCancel("x", 3, 15); }, "Question", 4, false, ok_cancel, 3, 15},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    capture_host host;
    msg_dlg_host_guard guard(&host);
    int answer = c.run();
    ASSERT_EQ(host.shows, 1);
    EXPECT_EQ(host.last.title, c.title);
    EXPECT_EQ(host.last.text, "x");
    EXPECT_EQ(host.last.kind, c.kind);
    EXPECT_EQ(host.last.beep, c.beep);
    EXPECT_EQ(host.last.result, c.preset);
    EXPECT_EQ(host.last.timeout_sec, c.timeout);
    ASSERT_EQ(host.last.button_count, static_cast<int>(c.buttons.size()));
    for (std::size_t i = 0; i < c.buttons.size(); ++i) {
      EXPECT_EQ(host.last.buttons[i].caption, c.buttons[i].caption);
      EXPECT_EQ(host.last.buttons[i].result, c.buttons[i].result);
      EXPECT_EQ(host.last.buttons[i].is_default, c.buttons[i].is_default);
      EXPECT_EQ(host.last.buttons[i].is_cancel, c.buttons[i].is_cancel);
      EXPECT_EQ(host.last.buttons[i].width_pct, 100);
    }
    // Closed without a button: the preset answer stands.
    if (c.kind == 4) {
      EXPECT_EQ(answer, c.preset);
    }
    EXPECT_EQ(MsgDlg_FocusButton(host.last), c.preset == 2 ? 1 : 0);
  }
}

TEST(WorkflowMsg, ShowFlagAndRememberedAnswer) {
  capture_host host;
  msg_dlg_host_guard guard(&host);

  // A switched-off warning shows nothing and leaves the flag alone.
  bool show = false;
  Msg_Warning("w", &show);
  EXPECT_EQ(host.shows, 0);
  EXPECT_FALSE(show);

  // A switched-off question with a remembered answer answers from memory.
  int remembered = 1;
  EXPECT_EQ(Msg_YesNo("q", 2, &show, &remembered), 1);
  EXPECT_EQ(host.shows, 0);

  // Without a remembered answer it is shown, with the box ticked (flag false).
  EXPECT_EQ(Msg_YesNo("q", 2, &show, nullptr), 2);
  EXPECT_EQ(host.shows, 1);
  EXPECT_EQ(host.flag_seen, std::optional<bool>(false));
  EXPECT_FALSE(show);  // closed without a button: nothing written

  // Unticking the box and pressing a button switches the message on again.
  host.press = 1;
  host.tick_dont_show = false;
  EXPECT_EQ(Msg_YesNo("q", 2, &show, nullptr), 1);
  EXPECT_TRUE(show);

  // A press with the box ticked switches it off; the answer is stored whatever the tick says.
  host.press = 2;
  host.tick_dont_show = true;
  EXPECT_EQ(Msg_YesNo("q", 1, &show, &remembered), 2);
  EXPECT_FALSE(show);
  EXPECT_EQ(remembered, 2);
  const int shows_before = host.shows;
  EXPECT_EQ(Msg_YesNo("q", 1, &show, &remembered), 2);
  EXPECT_EQ(host.shows, shows_before);
}

TEST(WorkflowMsg, ClearKeepsButtonsAndGuardRestoresHost) {
  msg_dlg_rec r;
  bool flag = true;
  int rem = 0;
  r.title = "t";
  r.text = "x";
  r.kind = 3;
  r.button_count = 1;
  r.buttons[0].caption = "OK";
  r.timeout_sec = 5;
  r.beep = true;
  r.result = 3;
  r.show_flag = &flag;
  r.remembered_result = &rem;
  MsgDlg_Clear(r);
  EXPECT_TRUE(r.title.empty() && r.text.empty());
  EXPECT_EQ(r.kind + r.button_count + r.timeout_sec + r.result, 0);
  EXPECT_FALSE(r.beep);
  EXPECT_EQ(r.show_flag, nullptr);
  EXPECT_EQ(r.remembered_result, nullptr);
  EXPECT_EQ(r.buttons[0].caption, "OK");

  msg_dlg_host* before = MsgDlg_GetHost();
  {
    capture_host host;
    msg_dlg_host_guard guard(&host);
    EXPECT_EQ(MsgDlg_GetHost(), &host);
  }
  EXPECT_EQ(MsgDlg_GetHost(), before);
}
