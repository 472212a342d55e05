#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <chrono>

#include <filesystem>
#include <fstream>
#include <string>

#include "foundation/os_utils.h"
#include "profiles/output_profile_list.h"
#include "workflow/app_settings.h"
#include "workflow_fakes.h"

namespace fs = std::filesystem;

namespace {

class WorkflowSettings : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/flenmark_setXXXXXX";
    root_ = mkdtemp(tmpl);
    root_ += "/";
    fs::create_directories(root_ + "X/App/Flenmark");
    fs::create_directories(root_ + "home/Documents");
    fs::create_directories(root_ + "out");
    setenv("HOME", (root_ + "home").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (root_ + "cfg").c_str(), 1);
    unsetenv("XDG_DOCUMENTS_DIR");
    profiles_ = ProfileList_Create();
  }
  void TearDown() override { fs::remove_all(root_); }

  std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  void Write(const std::string& path, const std::string& text) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
  }
  settings_location Where() { return Settings_Locate(root_ + "X/App/Flenmark"); }

  std::string root_;
  std::unique_ptr<profile_list> profiles_;
  fake_msg_host messages_;
  msg_dlg_host_guard guard_{&messages_};
};

}  // namespace

TEST_F(WorkflowSettings, DataFolderBesideTheProgramFolder) {
  settings_location without = Where();
  EXPECT_EQ(without.program_folder, root_ + "X/App/Flenmark/");
  EXPECT_EQ(without.data_folder, root_ + "X/App/Flenmark/");
  EXPECT_EQ(without.user_folder, root_ + "cfg/Flenmark/");
  fs::create_directories(root_ + "X/Data");
  settings_location with = Where();
  EXPECT_EQ(with.data_folder, root_ + "X/Data/");
  EXPECT_EQ(with.SettingsFile(), root_ + "X/Data/config.xml");
  EXPECT_EQ(with.FallbackFile(), root_ + "cfg/Flenmark/config.xml");
}

TEST_F(WorkflowSettings, DefaultsRoundTripAndUnknownKeys) {
  fs::create_directories(root_ + "X/Data");
  // A key and a section the program does not know survive a load and a save; the header is
  // recognised whatever its letter case.
  Write(
      root_ + "X/Data/config.xml",
      "<!-- FLENMARK: configuration file -->\r\n"
      "<Config>\r\n  <Settings>\r\n"
      "    <LastOutputFolder type=\"str\">" +
          root_ +
          "out/</LastOutputFolder>\r\n"
          "    <LastProfileId type=\"int\">2</LastProfileId>\r\n"
          "    <PlaySound type=\"bool\">0</PlaySound>\r\n"
          "    <FutureKey type=\"str\">keep me</FutureKey>\r\n"
          "  </Settings>\r\n  <Other>\r\n    <A type=\"int\">7</A>\r\n  </Other>\r\n</Config>\r\n");
  app_settings s;
  s.Load(Where(), *profiles_);
  EXPECT_TRUE(messages_.shown.empty());
  EXPECT_EQ(s.LastOutputFolder(), root_ + "out/");
  EXPECT_EQ(s.LastProfileId(), 2);
  EXPECT_FALSE(s.PlaySound());
  EXPECT_TRUE(s.AutoExplore());
  EXPECT_TRUE(s.WarnMergeParams());
  EXPECT_EQ(s.LastProfileDesc(), "");
  // The input folder had no value: the documents folder.
  EXPECT_EQ(s.LastInputFolder(), root_ + "home/Documents/");

  s.SetAutoExplore(false);
  EXPECT_EQ(s.Save(Where(), *profiles_), root_ + "X/Data/config.xml");
  const std::string text = Read(root_ + "X/Data/config.xml");
  EXPECT_EQ(text.rfind("<!-- Flenmark: Configuration File -->\r\n", 0), 0u);
  EXPECT_NE(text.find("keep me"), std::string::npos);
  EXPECT_NE(text.find("<A type=\"int\">7</A>"), std::string::npos);
  EXPECT_NE(text.find("<CreatedBy type=\"str\"> Flenmark 2015</CreatedBy>"), std::string::npos);

  app_settings again;
  again.Load(Where(), *profiles_);
  EXPECT_FALSE(again.AutoExplore());
  EXPECT_FALSE(again.PlaySound());
  EXPECT_EQ(again.LastProfileId(), 2);
}

TEST_F(WorkflowSettings, FileWithoutHeaderIsIgnoredAndReplaced) {
  Write(root_ + "X/App/Flenmark/config.xml",
        "<Config><Settings><PlaySound type=\"bool\">0</PlaySound></Settings></Config>");
  app_settings s;
  s.Load(Where(), *profiles_);
  EXPECT_TRUE(messages_.shown.empty());
  EXPECT_TRUE(s.PlaySound());
  EXPECT_EQ(s.LastProfileId(), 255);
  // A first start: the output folder falls back to the documents folder itself.
  EXPECT_EQ(s.LastOutputFolder(), root_ + "home/Documents/");
  s.Save(Where(), *profiles_);
  EXPECT_EQ(Read(root_ + "X/App/Flenmark/config.xml").rfind("<!-- Flenmark", 0), 0u);
}

TEST_F(WorkflowSettings, UnreadableFileIsReportedAndDefaultsTakeOver) {
  fs::create_directories(root_ + "X/Data");
  const std::string file = root_ + "X/Data/config.xml";
  Write(file, std::string(settings_header) +
                  "\r\n<Config><Settings><PlaySound type=\"bool\">0</PlaySound></Settings>"
                  "</Config>\r\n");
  // The file exists but may not be read: without any permission, read by an unprivileged
  // user (the folders stay passable).
  chmod(file.c_str(), 0);
  chmod(root_.c_str(), 0755);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(3);
    app_settings s;
    s.Load(Where(), *profiles_);
    const bool told =
        messages_.Texts() ==
        std::vector<std::string>{"Error reading config file. Please check your disk for errors."};
    _exit(!told ? 1 : (s.PlaySound() && s.LastProfileId() == 255 ? 0 : 2));
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: no message, 2: not the defaults, 3: no user switch";
}

TEST_F(WorkflowSettings, SettingsWrittenToTheUserFolderComeBack) {
  // The program folder cannot take the file (its data folder is a plain file here, so this
  // holds for root as well): the settings go to the user folder...
  settings_location where = Where();
  Write(root_ + "blocked", "x");
  where.data_folder = root_ + "blocked/";
  app_settings s;
  s.Load(where, *profiles_);
  s.SetLastOutputFolder(root_ + "out/");
  s.SetPlaySound(false);
  EXPECT_EQ(s.Save(where, *profiles_), where.FallbackFile());
  // ...and are read from there at the next start.
  app_settings next;
  next.Load(where, *profiles_);
  EXPECT_EQ(next.LastOutputFolder(), root_ + "out/");
  EXPECT_FALSE(next.PlaySound());
  // A file in the data folder still wins.
  fs::remove(root_ + "blocked");
  fs::create_directories(root_ + "blocked");
  Write(where.SettingsFile(), std::string(settings_header) + "\r\n<Config/>\r\n");
  app_settings third;
  third.Load(where, *profiles_);
  EXPECT_TRUE(third.PlaySound());
  // An older data-folder file that could not be replaced does not hide the newer save.
  fs::last_write_time(where.SettingsFile(),
                      fs::last_write_time(where.FallbackFile()) - std::chrono::hours(1));
  app_settings fourth;
  fourth.Load(where, *profiles_);
  EXPECT_FALSE(fourth.PlaySound());
  EXPECT_EQ(fourth.LastOutputFolder(), root_ + "out/");
}

TEST_F(WorkflowSettings, StartProfileAndCommandLine) {
  const profile_list& list = *profiles_;
  EXPECT_EQ(SelectStartProfile(list, 255, ""), ProfileList_FindCategory(list, 1, 0));
  EXPECT_EQ(SelectStartProfile(list, 42, "anything"), ProfileList_FindBuiltin(list, 42));
  EXPECT_EQ(SelectStartProfile(list, -1, ""), 0);
  profile_list empty;
  EXPECT_EQ(SelectStartProfile(empty, 0, ""), -1);

  const char* argv[] = {"flenmark", "/log", "movie.avi", "/lang=de", "/tmp/a b.mkv"};
  Param_Init(5, argv);
  EXPECT_EQ(CommandLine_Files(), (std::vector<std::string>{"movie.avi", "/tmp/a b.mkv"}));
}

TEST(WorkflowLinks, AddressCarriesTheLinkId) {
  const std::string a = OpenLink_Address("home_page");
  EXPECT_NE(a.find("?app=clipfold&ver=2015&url_id=home_page"), std::string::npos) << a;
}
