#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "workflow/input_file_list.h"
#include "workflow_fakes.h"

namespace {

std::unique_ptr<file_item> Item(const std::string& path, double duration, int status = 0) {
  auto item = std::make_unique<file_item>();
  item->SetInputPath(path);
  item->file_duration_sec = duration;
  item->SetStart(0);
  item->SetEnd(duration);
  item->status = status;
  return item;
}

std::string Order(file_list& list) {
  std::string s;
  for (int i = 0; i < list.Count(); ++i) s += list.Item(i).input_path;
  return s;
}

}  // namespace

TEST(WorkflowFileList, RangeAndVolumeAreClamped) {
  struct range_case {
    double start, end;  // applied in this order to a 60-second item
    double want_start, want_end, want_length;
  };
  const range_case cases[] = {
      {-5, 60, 0, 60, 60},   // before the beginning
      {70, 60, 60, 60, 0},   // past the end pulls the end along
      {20, 10, 20, 20, 0},   // an end before the start stops at the start
      {10, 30, 10, 30, 20},  // an ordinary range
      {0, 99, 0, 60, 60},    // an end past the file
  };
  for (const auto& c : cases) {
    file_item item;
    item.file_duration_sec = 60;
    item.SetEnd(60);
    item.SetStart(c.start);
    item.SetEnd(c.end);
    EXPECT_DOUBLE_EQ(item.start_sec, c.want_start) << c.start << ".." << c.end;
    EXPECT_DOUBLE_EQ(item.end_sec, c.want_end) << c.start << ".." << c.end;
    EXPECT_DOUBLE_EQ(item.SelectedLength(), c.want_length);
  }
  file_item item;
  EXPECT_EQ(item.volume_pct, 100);
  item.SetVolume(500);
  EXPECT_EQ(item.volume_pct, 400);
  item.SetVolume(-1);
  EXPECT_EQ(item.volume_pct, 0);

  // Init resets paths, range and adjustments but keeps the merge flag; Assign copies the data.
  item.is_merged_output = true;
  item.deinterlace = true;
  item.SetOutputPath("/o/x.mp4");
  item.status = status_done;
  item.Init();
  EXPECT_TRUE(item.is_merged_output);
  EXPECT_FALSE(item.deinterlace);
  EXPECT_EQ(item.volume_pct, 100);
  EXPECT_EQ(item.status, status_convert);
  EXPECT_TRUE(item.output_path.empty() && item.output_short_path.empty());
  file_item copy;
  copy.Assign(*Item("/in/a.mkv", 12));
  EXPECT_EQ(copy.input_path, "/in/a.mkv");
  EXPECT_EQ(copy.input_short_path, "/in/a.mkv");
  EXPECT_DOUBLE_EQ(copy.SelectedLength(), 12);
}

TEST(WorkflowFileList, StatusWords) {
  const std::vector<std::string> want = {"Convert",      "CONVERTING",  "MERGING", "Done",
                                         "Done earlier", "Interrupted", "ERROR"};
  for (int s = 0; s < 7; ++s) EXPECT_EQ(FileStatus_Text(s), want[static_cast<std::size_t>(s)]);
  EXPECT_EQ(FileStatus_Text(7), " ");
  EXPECT_EQ(FileStatus_Text(-1), " ");
}

TEST(WorkflowFileList, MoveUpAndDownMoveSelectedBlocks) {
  struct move_case {
    std::vector<int> selected;
    bool up;
    const char* want;
  };
  const move_case cases[] = {
      {{1, 2}, true, "XYWZ"},   // a block moves up as a whole
      {{0, 2}, true, "WXYZ"},   // first selected: nothing moves, even the others
      {{3}, false, "WXYZ"},     // last selected: nothing moves down
      {{0, 1}, false, "YWXZ"},  // a block moves down as a whole
      {{2}, false, "WXZY"},     // one item down
      {{}, true, "WXYZ"},       // nothing selected
  };
  for (const auto& c : cases) {
    file_list list;
    for (const char* n : {"W", "X", "Y", "Z"}) list.InsertItem(list.Count(), Item(n, 1));
    for (int i : c.selected) list.SetSelected(i, true);
    if (c.up)
      list.MoveUp();
    else
      list.MoveDown();
    EXPECT_EQ(Order(list), c.want);
    // The flags travel with their items.
    for (int i = 0; i < list.Count(); ++i) {
      bool was_selected = false;
      for (int s : c.selected)
        was_selected = was_selected || std::string(1, "WXYZ"[s]) == list.Item(i).input_path;
      EXPECT_EQ(list.IsSelected(i), was_selected) << c.want << " row " << i;
    }
  }
}

TEST(WorkflowFileList, DeleteAndTotalsByStatus) {
  file_list list;
  list.InsertItem(0, Item("a", 10, status_convert));
  list.InsertItem(1, Item("b", 20, status_done));
  list.InsertItem(2, Item("c", 40, status_done_earlier));
  list.InsertItem(3, Item("d", 80, status_error));
  EXPECT_DOUBLE_EQ(list.TotalSelectedLength(StatusMask(0) | StatusMask(3)), 30);
  EXPECT_DOUBLE_EQ(list.TotalSelectedLength(0), 0);
  list.DeleteRange(1, 2);
  EXPECT_EQ(Order(list), "ad");
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_DOUBLE_EQ(list.TotalSelectedLength(~0u), 0);
  EXPECT_FALSE(list.IsSelected(0));
}

TEST(WorkflowFileList, ExcludedExtensions) {
  struct ext_case {
    const char* path;
    bool skipped;
  };
  const ext_case cases[] = {
      {"/m/clip.RAR", true},   {"/m/song.ra", true},  // a piece of ".rar"
      {"/m/plan.dwg", false},                         // runs into the entry before it
      {"/m/noext", true},      {"/m/name.", true},     {"/m.d/noext", true},
      {"/m/notes.txt", true},  {"/m/a.wm", true},      {"/m/clip.mkv", false},
      {"/m/clip.MP4", false},  {"/m/song.mp3", false}, {"/m/movie.avi", false},
      {"/m/sound.wav", false}, {"/m/x.webm", false},   {"/m/setup.EXE", true},
  };
  for (const auto& c : cases) EXPECT_EQ(File_IsExcludedExtension(c.path), c.skipped) << c.path;
}

TEST(WorkflowFileList, FileListMessageShowsTenNamesOrAllEleven) {
  auto names = [](int n) {
    std::vector<std::string> v;
    for (int i = 1; i <= n; ++i) v.push_back("f" + std::to_string(i));
    return v;
  };
  std::string ten;
  for (int i = 1; i <= 10; ++i) ten += "\r\n    f" + std::to_string(i);
  EXPECT_EQ(FileListMessage_Text("H:", names(25)), "H:" + ten + "    (...and 15 more files...)");
  EXPECT_EQ(FileListMessage_Text("H:", names(11)), "H:" + ten + "\r\n    f11");
  EXPECT_EQ(FileListMessage_Text("H:", names(12)), "H:" + ten + "    (...and 2 more files...)");
  EXPECT_EQ(FileListMessage_Text("H:", names(1)), "H:\r\n    f1");

  fake_msg_host host;
  msg_dlg_host_guard guard(&host);
  auto none = names(0);
  ShowFileListMessage("Error opening files:", none);
  EXPECT_TRUE(host.shown.empty());
  auto some = names(3);
  ShowFileListMessage("Error opening files:", some);
  ASSERT_EQ(host.shown.size(), 1u);
  EXPECT_EQ(host.shown[0].title, "Error");
  EXPECT_TRUE(some.empty());  // the list is used up
}
