// The batch driver with the scripted fake encoder and a fake window.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "encoder/ffmpeg_caps.h"
#include "encoder/ffmpeg_tools.h"
#include "foundation/graph_utils.h"
#include "foundation/kest_errors.h"
#include "profiles/output_profile_list.h"
#include "workflow/app_settings.h"
#include "workflow/app_startup.h"
#include "workflow/batch_driver.h"
#include "workflow_fakes.h"

namespace fs = std::filesystem;

namespace {

std::string ProbeText(const std::string& duration, bool video, bool audio) {
  std::string t = "Input #0, matroska,webm, from 'x':\n  Duration: " + duration +
                  ", start: 0.000000, bitrate: 900 kb/s\n";
  if (video)
    t += "    Stream #0:0: Video: h264 (High), yuv420p(progressive), 640x360 [SAR 1:1 DAR 16:9], "
         "25 fps, 25 tbr, 1k tbn\n";
  if (audio) t += "    Stream #0:1: Audio: aac (LC), 48000 Hz, stereo, fltp, 128 kb/s\n";
  return t + "At least one output file must be specified\n";
}

std::string Progress(const std::vector<std::string>& times) {
  std::string t;
  int kb = 0;
  for (const auto& time : times) {
    kb += 64;
    t += "frame=   10 fps=0.0 q=28.0 size=" + std::to_string(kb) + "kB time=" + time +
         " bitrate= 100.0kbits/s speed=1x\r";
  }
  return t;
}

class WorkflowDriver : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/flenmark_drvXXXXXX";
    root_ = mkdtemp(tmpl);
    root_ += "/";
    in_ = root_ + "in/";
    out_ = root_ + "out/";
    fs::create_directories(in_);
    fs::create_directories(root_ + "s");
    encoder_path = FLENMARK_FAKE_FFMPEG;
    Ffmpeg_SetInstalledCaps(Ffmpeg_CapsFull());
    setenv("FAKE_FFMPEG_RULES", (root_ + "s/rules").c_str(), 1);
    Script("av10", ProbeText("00:00:10.00", true, true));
    Script("a200", ProbeText("00:03:20.00", false, true));
    Script("v200", ProbeText("00:03:20.00", true, false));
    Script("av2", ProbeText("00:00:02.00", true, true));
    Script("ok", Progress({"00:00:01.00", "00:00:02.00"}));
    Script("half", Progress({"00:00:05.00"}));
    Script("100s", Progress({"00:01:40.00"}));
    Script("long", Progress({"00:00:05.00"}));
    profiles_ = ProfileList_Create();
    settings_.SetLastOutputFolder(out_);
    settings_.program_folder = "/opt/flenmark/";
    driver_ = std::make_unique<batch_driver>(*profiles_, settings_, view_);
    driver_->SetSelectedProfile(0);  // MPEG-4, extension mp4
  }
  void TearDown() override {
    driver_.reset();
    unsetenv("FAKE_FFMPEG_RULES");
    Tick_SetSource(nullptr);
    fs::remove_all(root_);
  }

  void Script(const std::string& name, const std::string& text) {
    std::ofstream(root_ + "s/" + name, std::ios::binary) << text;
  }
  // Rules: pattern, script, exit status, settings; probes of unknown files print nothing.
  void Rules(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& l : lines) text += l + "\n";
    text += "^-i \t-\t1\n";
    std::ofstream(root_ + "s/rules", std::ios::binary) << text;
  }
  std::string In(const std::string& name) {
    std::ofstream(in_ + name) << "x";
    return in_ + name;
  }
  std::vector<std::string> OutFiles() {
    std::vector<std::string> names;
    if (fs::exists(out_))
      for (const auto& e : fs::directory_iterator(out_)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
  bool Has(const std::vector<std::string>& v, const std::string& s) {
    return std::find(v.begin(), v.end(), s) != v.end();
  }

  std::string root_, in_, out_;
  std::unique_ptr<profile_list> profiles_;
  app_settings settings_;
  fake_view view_;
  fake_msg_host messages_;
  msg_dlg_host_guard guard_{&messages_};
  std::unique_ptr<batch_driver> driver_;
};

}  // namespace

TEST_F(WorkflowDriver, ConvertsEachFileAndNumbersTakenNames) {
  Rules({"^-i \tav10\t1", "^-y\thalf\t0\toutput=last;output_bytes=3000"});
  driver_->AddFiles({In("a.avi"), In("a.mkv")});
  ASSERT_EQ(driver_->Files().Count(), 2);
  EXPECT_EQ(view_.modes, (std::vector<int>{0, 2}));
  driver_->Convert();

  EXPECT_EQ(OutFiles(), (std::vector<std::string>{"a.mp4", "a_2.mp4"}));
  const file_item& a = driver_->Files().Item(0);
  const file_item& b = driver_->Files().Item(1);
  EXPECT_EQ(a.status, status_done);
  EXPECT_EQ(b.status, status_done);
  EXPECT_EQ(a.output_path, out_ + "a.mp4");
  EXPECT_EQ(b.output_path, out_ + "a_2.mp4");
  EXPECT_EQ(a.output_size, 3000);
  EXPECT_EQ(driver_->ConvertedCount(), 2);
  EXPECT_EQ(driver_->BatchState(), batch_finished);
  EXPECT_EQ(driver_->FinalText(), "Conversion finished");
  EXPECT_EQ(view_.modes, (std::vector<int>{0, 2, 1, 2}));
  EXPECT_EQ(settings_.LastProfileId(), 0);  // the format chosen is remembered
  EXPECT_EQ(settings_.LastProfileDesc(), "H.264 AVC video, AAC audio");
  EXPECT_EQ(view_.labels[progress_label::remaining], "Conversion finished");
  EXPECT_EQ(view_.labels[progress_label::profile], "MPEG-4 <H.264 AVC video, AAC audio>");
  // Progress reached the title and ended on the plain one.
  EXPECT_TRUE(Has(view_.titles, "(25%) Flenmark"));
  EXPECT_TRUE(Has(view_.titles, "(75%) Flenmark"));
  EXPECT_EQ(view_.titles.back(), "Flenmark");
  EXPECT_EQ(view_.balloons.back(),
            "Done. Click the right-hand set of Play / Explore buttons to view the new files.");
  EXPECT_TRUE(view_.sounds.empty());  // a batch of 30 s or less plays nothing
  EXPECT_EQ(view_.explored, (std::vector<std::string>{out_ + "a_2.mp4"}));
  EXPECT_TRUE(messages_.shown.empty());
  EXPECT_TRUE(view_.hide_command_visible);
  EXPECT_FALSE(view_.shutdown_box_visible);

  // Again: the question about converted files; No skips them without any message.
  messages_.answers = {msg_result_no};
  view_.balloons.clear();
  driver_->Convert();
  ASSERT_EQ(messages_.shown.size(), 1u);
  EXPECT_EQ(messages_.shown[0].text, "Some files were already converted. Convert them again?");
  EXPECT_EQ(messages_.shown[0].preset, msg_result_no);
  EXPECT_EQ(driver_->Files().Item(0).status, status_done_earlier);
  EXPECT_EQ(driver_->Files().Item(0).output_path, out_ + "a.mp4");
  EXPECT_TRUE(view_.balloons.empty());
  EXPECT_EQ(OutFiles().size(), 2u);

  // Yes converts them again under new numbers.
  messages_.answers = {msg_result_yes};
  driver_->Convert();
  EXPECT_EQ(OutFiles(), (std::vector<std::string>{"a.mp4", "a_2.mp4", "a_3.mp4", "a_4.mp4"}));
  EXPECT_EQ(driver_->Files().Item(1).status, status_done);
}

TEST_F(WorkflowDriver, AddFilesFiltersFollowsLinksAndListsFailures) {
  Rules({"^-i \tav10\t1"});
  std::vector<std::string> paths;
  for (int i = 0; i < 25; ++i) paths.push_back(In("bad" + std::to_string(i) + ".avi"));
  paths.push_back(In("notes.txt"));  // skipped silently
  paths.push_back(In("song.ra"));
  fs::create_symlink(In("real.mkv"), in_ + "link.mp4");
  paths.push_back(in_ + "link.mp4");
  // A readable file: the rules answer probes whose path lies in the input folder and is a
  // file named av10 or real.mkv.
  Rules({"^-i " + in_ + "real.mkv\tav10\t1"});
  driver_->AddFiles(paths);
  ASSERT_EQ(driver_->Files().Count(), 1);
  EXPECT_EQ(driver_->Files().Item(0).input_path, in_ + "real.mkv");
  EXPECT_DOUBLE_EQ(driver_->Files().Item(0).file_duration_sec, 10);
  EXPECT_EQ(driver_->Files().Item(0).media_kind, 0);
  ASSERT_EQ(messages_.shown.size(), 1u);
  const std::string& text = messages_.shown[0].text;
  EXPECT_EQ(messages_.shown[0].title, "Error");
  EXPECT_EQ(text.rfind("Error opening files:\r\n    " + in_ + "bad0.avi", 0), 0u);
  EXPECT_NE(text.find("bad9.avi    (...and 15 more files...)"), std::string::npos);
  EXPECT_EQ(text.find("bad10.avi"), std::string::npos);
  EXPECT_EQ(text.find("notes.txt"), std::string::npos);
  EXPECT_EQ(view_.rows, 1);
  EXPECT_EQ(view_.selected, 0);
  EXPECT_EQ(view_.modes.back(), window_mode_idle);
}

TEST_F(WorkflowDriver, MergeNamesOneOutputAndChecksStreams) {
  Rules({"^-i " + in_ + "x\tav10\t1", "^-i " + in_ + "y\tav10\t1", "^-i " + in_ + "mute\tv200\t1",
         "^-i " + in_ + "s\ta200\t1", "^-y\tok\t0\toutput=last;output_bytes=500;chunk=line"});
  driver_->AddFiles({In("s1.mp3"), In("s2.mp3")});
  EXPECT_TRUE(driver_->MergePossible());  // two audio-only files
  driver_->Files().Clear();
  driver_->AddFiles({In("mute.mp4"), In("x.avi")});
  EXPECT_FALSE(driver_->MergePossible());  // video-only with video+audio
  driver_->Files().Clear();
  driver_->AddFiles({In("x.avi"), In("y.avi")});
  ASSERT_TRUE(driver_->MergePossible());
  EXPECT_DOUBLE_EQ(driver_->MergeItem().file_duration_sec, 20);
  EXPECT_EQ(driver_->MergeItem().input_path, in_ + "x.avi");
  EXPECT_TRUE(driver_->MergeItem().is_merged_output);
  // A narrowed merged range survives a change of the list; a full one follows the new length.
  driver_->MergeItem().SetStart(5);
  driver_->AddFiles({In("y2.avi")});
  EXPECT_DOUBLE_EQ(driver_->MergeItem().file_duration_sec, 30);
  EXPECT_DOUBLE_EQ(driver_->MergeItem().start_sec, 5);
  EXPECT_DOUBLE_EQ(driver_->MergeItem().end_sec, 20);
  driver_->MergeItem().SetStart(0);
  driver_->MergeItem().SetEnd(30);
  driver_->Files().DeleteRange(2, 1);
  driver_->RecomputeMergeItem();
  EXPECT_DOUBLE_EQ(driver_->MergeItem().file_duration_sec, 20);
  EXPECT_DOUBLE_EQ(driver_->MergeItem().end_sec, 20);
  view_.merge = true;
  driver_->Convert();
  EXPECT_TRUE(view_.merge_offered);
  EXPECT_EQ(OutFiles(), (std::vector<std::string>{"Merged x.mp4"}));
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(driver_->Files().Item(i).status, status_done);
    EXPECT_EQ(driver_->Files().Item(i).output_path, out_ + "Merged x.mp4");
  }
  EXPECT_EQ(driver_->MergeItem().output_size, 500);
  EXPECT_EQ(view_.labels[progress_label::input], "2 input files merged");
  // With merging chosen the reconvert question is not asked and everything merges again.
  driver_->Convert();
  EXPECT_TRUE(messages_.shown.empty());
  EXPECT_EQ(OutFiles(), (std::vector<std::string>{"Merged x.mp4", "Merged x_2.mp4"}));
}

TEST_F(WorkflowDriver, FailedAndKilledEncodersLeaveNoTemporaryFile) {
  // One conversion exits with an error, one is killed mid-way; the batch goes on.
  Rules({"^-y -i " + in_ + "fail\tok\t1\toutput=last",
         "^-y -i " + in_ + "kill\tok\t0\toutput=last;info_file=" + root_ +
             "s/info;chunk=line;delay_ms=200;hold_ms=5000",
         "^-i \tav10\t1", "^-y\tok\t0\toutput=last;chunk=line"});
  driver_->AddFiles({In("fail.avi"), In("kill.avi"), In("good.avi")});
  ASSERT_EQ(driver_->Files().Count(), 3);
  bool killed = false;
  view_.on_events = [&] {
    if (killed || driver_->WindowMode() != window_mode_converting) return;
    std::ifstream info(root_ + "s/info");
    std::string line;
    if (std::getline(info, line) && line.rfind("pid=", 0) == 0) {
      kill(std::stoi(line.substr(4)), SIGKILL);
      killed = true;
    }
  };
  driver_->Convert();
  EXPECT_TRUE(killed);
  EXPECT_EQ(driver_->Files().Item(0).status, status_error);
  EXPECT_EQ(driver_->Files().Item(1).status, status_error);
  EXPECT_EQ(driver_->Files().Item(2).status, status_done);
  EXPECT_TRUE(driver_->Files().Item(0).output_path.empty());
  EXPECT_EQ(driver_->Files().Item(0).output_size, 0);
  EXPECT_EQ(OutFiles(), (std::vector<std::string>{"good.mp4"}));
  ASSERT_EQ(messages_.shown.size(), 1u);
  EXPECT_EQ(messages_.shown[0].text, "Error converting these input files:\r\n    " + in_ +
                                         "fail.avi\r\n    " + in_ + "kill.avi");

  // A failed merge has its own message.
  Rules({"^-i \tav10\t1", "^-y\tok\t1\toutput=last"});
  messages_.shown.clear();
  view_.merge = true;
  driver_->Convert();
  EXPECT_EQ(driver_->Files().Item(2).status, status_error);
  ASSERT_FALSE(messages_.shown.empty());
  EXPECT_EQ(messages_.shown.back().text, "Merging failed. Input files were too different.");
  EXPECT_EQ(view_.balloons.back(), "No files converted.");
  EXPECT_EQ(OutFiles(), (std::vector<std::string>{"good.mp4"}));
}

TEST_F(WorkflowDriver, StopDuringTheLastFileInterruptsTheBatch) {
  Rules({"^-i \tav10\t1", "^-y -i " + in_ + "one\tok\t0\toutput=last",
         "^-y\tok\t0\toutput=last;chunk=line;delay_ms=300;hold_ms=5000"});
  driver_->AddFiles({In("one.avi"), In("two.avi")});
  view_.on_events = [&] {
    // The user ticks the shut-down box and stops once the second file runs.
    if (driver_->CurrentItem() == &driver_->Files().Item(1) &&
        driver_->Files().Item(1).status == status_converting && driver_->StopRequest() == 0) {
      view_.shutdown_ticked = true;
      messages_.answers = {msg_result_yes};
      driver_->RequestStop();
    }
  };
  driver_->Convert();
  EXPECT_EQ(driver_->Files().Item(0).status, status_done);
  EXPECT_EQ(driver_->Files().Item(1).status, status_interrupted);
  EXPECT_EQ(driver_->BatchState(), batch_interrupted);
  EXPECT_EQ(driver_->FinalText(), "Conversion interrupted");
  EXPECT_EQ(messages_.Texts(), (std::vector<std::string>{"Stop current conversion?"}));
  EXPECT_EQ(view_.power_offs, 0);
  EXPECT_EQ(OutFiles(), (std::vector<std::string>{"one.mp4"}));
}

TEST_F(WorkflowDriver, ProgressFractionTitleAndInvalidLength) {
  // Two 200-second files; the encoder reports 100 s of each: the second gives 0.75.
  Rules({"^-i \ta200\t1", "^-y\t100s\t0\toutput=last"});
  driver_->AddFiles({In("p.mp3"), In("q.mp3")});
  driver_->Convert();
  EXPECT_TRUE(Has(view_.titles, "(25%) Flenmark"));
  EXPECT_TRUE(Has(view_.titles, "(75%) Flenmark"));
  EXPECT_TRUE(std::count(view_.bars.begin(), view_.bars.end(), 0.75) > 0);

  // A 2-second file whose encoder runs to 5 s: the length grows, the bar stops short.
  driver_->Files().Clear();
  Rules({"^-i \tav2\t1", "^-y\tlong\t0\toutput=last"});
  driver_->AddFiles({In("short.avi")});
  driver_->SetRandomSource([] { return 1; });
  view_.bars.clear();
  view_.remaining_texts.clear();
  driver_->Convert();
  EXPECT_TRUE(Has(view_.remaining_texts,
                  "This file reported invalid length... please wait until conversion ends..."));
  EXPECT_TRUE(Has(view_.titles, "(96%) Flenmark"));
  EXPECT_TRUE(std::count(view_.bars.begin(), view_.bars.end(), 0.96) > 0);
  EXPECT_DOUBLE_EQ(driver_->Files().Item(0).file_duration_sec, 5);
  EXPECT_DOUBLE_EQ(driver_->Files().Item(0).end_sec, 5);
}

TEST_F(WorkflowDriver, SoundShutdownAndExploreAfterALongBatch) {
  Rules({"^-i \tav10\t1", "^-y\tok\t0\toutput=last"});
  driver_->AddFiles({In("long.avi")});
  // A clock that moves 20 s per reading makes the batch last longer than 30 s.
  static std::uint32_t now = 0;
  now = 0;
  Tick_SetSource([] { return now += 20000; });
  driver_->Convert();
  EXPECT_EQ(view_.sounds, (std::vector<std::string>{"/opt/flenmark/done.wav"}));
  settings_.SetPlaySound(false);
  settings_.SetAutoExplore(false);
  view_.explored.clear();
  // The shut-down box ticked during the batch: OK (also the countdown's answer) powers off.
  view_.on_events = [&] {
    if (driver_->WindowMode() == window_mode_converting) view_.shutdown_ticked = true;
  };
  messages_.answers = {msg_result_yes, msg_result_ok};
  driver_->Convert();
  EXPECT_EQ(view_.sounds.size(), 1u);
  EXPECT_TRUE(view_.explored.empty());
  ASSERT_EQ(messages_.shown.size(), 2u);
  EXPECT_EQ(messages_.shown[1].text,
            "Turning computer off in a few seconds. Press CANCEL if you don't want to turn the "
            "computer off.");
  EXPECT_EQ(messages_.shown[1].preset, msg_result_ok);
  EXPECT_EQ(messages_.shown[1].timeout_sec, 15);
  EXPECT_EQ(view_.power_offs, 1);
  EXPECT_EQ(view_.closes, 1);
}

TEST_F(WorkflowDriver, StopAndCloseRequests) {
  Rules({"^-i \tav10\t1", "^-y\tok\t0\toutput=last"});
  // Idle: Stop does nothing and the window may close.
  driver_->RequestStop();
  EXPECT_EQ(driver_->StopRequest(), stop_none);
  EXPECT_TRUE(driver_->CloseRequest());
  EXPECT_TRUE(messages_.shown.empty());

  // Adding: Stop needs no question; the file announced at that moment is still added, the
  // rest are not.
  view_.on_events = [&] {
    if (driver_->WindowMode() == window_mode_adding && driver_->Files().Count() == 1)
      driver_->RequestStop();
  };
  driver_->AddFiles({In("s1.avi"), In("s2.avi"), In("s3.avi")});
  EXPECT_EQ(driver_->Files().Count(), 2);
  EXPECT_TRUE(messages_.shown.empty());

  // Converting: Stop asks; No goes on.
  view_.on_events = [&] {
    if (driver_->WindowMode() != window_mode_converting || !messages_.shown.empty()) return;
    messages_.answers = {msg_result_no};
    driver_->RequestStop();
  };
  driver_->Convert();
  EXPECT_EQ(messages_.Texts(), (std::vector<std::string>{"Stop current conversion?"}));
  EXPECT_EQ(driver_->Files().Item(0).status, status_done);

  // Closing while busy: asks, refuses either way, and Yes makes the operation close the
  // window itself when it ends; a second close request then goes ahead without a question.
  messages_.shown.clear();
  view_.on_events = [&] {
    if (driver_->WindowMode() != window_mode_adding) return;
    view_.on_events = nullptr;
    messages_.answers = {msg_result_no};
    EXPECT_FALSE(driver_->CloseRequest());
    EXPECT_EQ(driver_->StopRequest(), stop_none);
    messages_.answers = {msg_result_yes};
    EXPECT_FALSE(driver_->CloseRequest());
    EXPECT_EQ(driver_->StopRequest(), stop_and_exit);
    EXPECT_TRUE(driver_->CloseRequest());
  };
  driver_->AddFiles({In("c1.avi"), In("c2.avi")});
  EXPECT_EQ(messages_.Texts(), (std::vector<std::string>{"Abort current operation and exit?",
                                                         "Abort current operation and exit?"}));
  EXPECT_EQ(driver_->Files().Count(), 3);  // c1 only: the stop came before c2
  EXPECT_EQ(view_.closes, 1);
}

TEST_F(WorkflowDriver, OutputFolderThatCannotBeCreated) {
  std::ofstream(root_ + "file") << "x";
  settings_.SetLastOutputFolder(root_ + "file/sub/");
  Rules({"^-i \tav10\t1", "^-y\tok\t0\toutput=last"});
  driver_->AddFiles({In("f.avi")});
  EXPECT_FALSE(driver_->EnsureOutputFolder());
  ASSERT_EQ(messages_.shown.size(), 1u);
  EXPECT_EQ(messages_.shown[0].title, "Warning");
  EXPECT_EQ(messages_.shown[0].text, "Output folder \"" + root_ +
                                         "file/sub/\" cannot be created. Please choose another "
                                         "folder to save converted files.");
  EXPECT_EQ(view_.folder_choices, 1);
  view_.chosen_folder = root_ + "chosen";
  EXPECT_TRUE(driver_->EnsureOutputFolder());
  EXPECT_EQ(settings_.LastOutputFolder(), root_ + "chosen/");
  EXPECT_TRUE(fs::is_directory(root_ + "chosen"));
  // With no files the output dialog is not even shown.
  driver_->Files().Clear();
  EXPECT_FALSE(driver_->ShowOutputDialog());
  EXPECT_EQ(view_.dialogs, 0);
}

TEST_F(WorkflowDriver, StartUpAndEndOfLife) {
  Rules({"^-i \tav10\t1"});
  fs::create_directories(root_ + "prog");
  settings_location where{root_ + "prog/", root_ + "prog/", root_ + "user/"};
  {
    fake_view view;
    app_core core(view);
    EXPECT_FALSE(core.Ready());
    ASSERT_TRUE(core.FirstShow(where, {In("cmd.avi")}));
    EXPECT_TRUE(core.Ready());
    EXPECT_EQ(core.Driver().Files().Count(), 1);
    EXPECT_EQ(core.Driver().SelectedProfile(), 0);  // no last profile: the first video format
    EXPECT_EQ(core.Driver().WindowMode(), window_mode_idle);
    EXPECT_TRUE(core.Close());
    EXPECT_FALSE(core.Ready());
    EXPECT_TRUE(fs::exists(root_ + "prog/config.xml"));
    fs::remove(root_ + "prog/config.xml");
    core.EndOfLife();  // once only
    EXPECT_FALSE(fs::exists(root_ + "prog/config.xml"));
  }
  // The encoder is missing: a plain error box, the window closes, no file is probed.
  std::vector<std::string> boxes;
  auto previous = SetErrorShowHandler([&](const std::string& t) { boxes.push_back(t); });
  encoder_path = root_ + "no/ffmpeg";
  fake_view view;
  app_core core(view);
  EXPECT_FALSE(core.FirstShow(where, {In("cmd.avi")}));
  SetErrorShowHandler(previous);
  EXPECT_EQ(boxes, (std::vector<std::string>{std::string(text_component_missing)}));
  EXPECT_EQ(view.closes, 1);
  EXPECT_EQ(core.Driver().Files().Count(), 0);
}

TEST_F(WorkflowDriver, AFileThatAppearsDuringTheConversionIsNeverReplaced) {
  Rules({"^-i \tav10\t1", "^-y\tok\t0\toutput=last;chunk=line;delay_ms=30;output_bytes=10"});
  driver_->AddFiles({In("race.avi")});
  view_.on_events = [&] {
    // Once the output is named and the encoder writes its temporary file.
    if (!driver_->RunningTemp().empty() && !fs::exists(out_ + "race.mp4"))
      std::ofstream(out_ + "race.mp4") << "theirs";
  };
  driver_->Convert();
  const file_item& f = driver_->Files().Item(0);
  EXPECT_EQ(f.status, status_done);
  EXPECT_EQ(f.output_path, out_ + "race_2.mp4");
  EXPECT_EQ(f.output_size, 10);
  std::ifstream theirs(out_ + "race.mp4");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(theirs), {}), "theirs");
  EXPECT_EQ(OutFiles(), (std::vector<std::string>{"race.mp4", "race_2.mp4"}));

  // A merged output pushed to the next number: every input names the file really written.
  driver_->Files().Clear();
  driver_->AddFiles({In("m1.avi"), In("m2.avi")});
  view_.merge = true;
  view_.on_events = [&] {
    if (!driver_->RunningTemp().empty() && !fs::exists(out_ + "Merged m1.mp4"))
      std::ofstream(out_ + "Merged m1.mp4") << "theirs";
  };
  driver_->Convert();
  EXPECT_EQ(driver_->MergeItem().output_path, out_ + "Merged m1_2.mp4");
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(driver_->Files().Item(i).status, status_done);
    EXPECT_EQ(driver_->Files().Item(i).output_path, out_ + "Merged m1_2.mp4");
  }
}
