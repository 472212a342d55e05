// The Linux services behind os_utils: what they would start (recorded, never run), the real
// launcher on harmless shell commands, and the freedesktop trash in temporary folders.
#include <sys/mount.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "foundation/platform/os_platform.h"
#include "test_os_utils_support.h"

namespace {

struct recording_launcher final : os_launcher {
  std::vector<std::string> log;   // "start <argv joined by |>@<folder>", "wait <argv>"
  std::vector<int> wait_results;  // answers of RunAndWait in turn; then 0
  bool start_result = true;
  static std::string Join(const std::vector<std::string>& argv) {
    std::string s;
    for (const auto& a : argv) s += (s.empty() ? "" : "|") + a;
    return s;
  }
  bool StartDetached(const std::vector<std::string>& argv, const std::string& folder) override {
    log.push_back("start " + Join(argv) + "@" + folder);
    return start_result;
  }
  int RunAndWait(const std::vector<std::string>& argv, int) override {
    log.push_back("wait " + Join(argv));
    if (wait_results.empty()) return 0;
    const int r = wait_results.front();
    wait_results.erase(wait_results.begin());
    return r;
  }
};

const std::string kGdbusItems =
    "wait gdbus|call|--session|--dest|org.freedesktop.FileManager1|--object-path|"
    "/org/freedesktop/FileManager1|--method|org.freedesktop.FileManager1.ShowItems|"
    "['file:///v/a%20b%23.mp4']|''";
const std::string kDbusSendItems =
    "wait dbus-send|--session|--print-reply|--reply-timeout=4000|"
    "--dest=org.freedesktop.FileManager1|/org/freedesktop/FileManager1|"
    "org.freedesktop.FileManager1.ShowItems|array:string:file:///v/a%20b%23.mp4|string:";

TEST(os_platform_services, FileManagerCallsAndFallbacks) {
  struct row {
    std::vector<int> wait_results;
    std::vector<std::string> log;
  };
  for (const row& r : {
           row{{0}, {kGdbusItems}},
           row{{-1, 0}, {kGdbusItems, kDbusSendItems}},    // no gdbus installed
           row{{1}, {kGdbusItems, "start xdg-open|/v@"}},  // no file manager answered
           row{{-1, -2}, {kGdbusItems, kDbusSendItems, "start xdg-open|/v@"}},
       }) {
    recording_launcher launcher;
    launcher.wait_results = r.wait_results;
    system_os_services services(launcher);
    services.ShowItem("/v/a b#.mp4");
    EXPECT_EQ(launcher.log, r.log);
  }
  recording_launcher launcher;
  launcher.wait_results = {1};
  system_os_services services(launcher);
  services.ShowFolder("/v/out dir/");
  ASSERT_EQ(launcher.log.size(), 2u);
  EXPECT_NE(launcher.log[0].find("ShowFolders|['file:///v/out%20dir']"), std::string::npos);
  EXPECT_EQ(launcher.log[1], "start xdg-open|/v/out dir/@");
}

TEST(os_platform_services, OpenRunAndPowerOffArguments) {
  recording_launcher launcher;
  system_os_services services(launcher);
  EXPECT_TRUE(services.OpenDocument("https://example.org/a?b=c"));
  EXPECT_TRUE(services.OpenDocument("-name.mp4"));
  EXPECT_FALSE(services.OpenDocument(""));
  EXPECT_TRUE(services.RunProgram("prog", {"a b", ""}, "/w"));
  services.PowerOff();
  EXPECT_EQ(launcher.log,
            (std::vector<std::string>{"start xdg-open|https://example.org/a?b=c@",
                                      "start xdg-open|./-name.mp4@", "start prog|a b|@/w",
                                      "start systemctl|poweroff@"}));
  launcher.start_result = false;
  EXPECT_FALSE(services.OpenDocument("/v/a.mp4"));
}

TEST(os_platform_services, FileUriEscapesEverythingButUnreservedBytes) {
  EXPECT_EQ(Platform_FileUri("/v/a b/\xC3\xBC#%,'.mp4"), "file:///v/a%20b/%C3%BC%23%25%2C%27.mp4");
  EXPECT_EQ(Platform_FileUri("/A-z_0.9~/"), "file:///A-z_0.9~/");
}

using os_launcher_real = os_temp_test;

// Waits up to two seconds for a detached program to leave its mark.
std::string WaitForFile(const std::string& path) {
  for (int i = 0; i < 200 && !std::filesystem::exists(path); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST_F(os_launcher_real, StartsDetachedInTheFolderAndReportsFailures) {
  os_launcher& launcher = OsLauncher_System();
  EXPECT_TRUE(launcher.StartDetached({"sh", "-c", "pwd > mark.tmp && mv mark.tmp mark"}, dir_));
  EXPECT_EQ(WaitForFile(Path("mark")), std::filesystem::canonical(dir_).string() + "\n");
  EXPECT_FALSE(launcher.StartDetached({"flenmark-no-such-program"}, ""));
  EXPECT_FALSE(launcher.StartDetached({"sh", "-c", "true"}, Path("missing-folder")));
  EXPECT_FALSE(launcher.StartDetached({}, ""));
}

TEST(os_launcher_wait, ExitStatusTimeoutAndMissingProgram) {
  os_launcher& launcher = OsLauncher_System();
  EXPECT_EQ(launcher.RunAndWait({"sh", "-c", "echo chatter; exit 3"}, 5000), 3);
  EXPECT_EQ(launcher.RunAndWait({"true"}, 5000), 0);
  const auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(launcher.RunAndWait({"sleep", "10"}, 100), -2);
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(5));
  EXPECT_EQ(launcher.RunAndWait({"flenmark-no-such-program"}, 1000), -1);
}

using os_trash = os_temp_test;

TEST_F(os_trash, MovesIntoHomeTrashWithInfo) {
  const std::string home = Path("data");
  Write("videos/a b.mp4", "1");
  ASSERT_TRUE(Platform_Trash(Path("videos/a b.mp4"), home));
  Write("videos/a b.mp4", "2");
  ASSERT_TRUE(Platform_Trash(Path("videos/a b.mp4"), home));
  Write("videos/sub/c.mp4", "3");
  ASSERT_TRUE(Platform_Trash(Path("videos/sub"), home));

  EXPECT_TRUE(Entries("videos").empty());
  EXPECT_EQ(Entries("data/Trash/files"), (std::vector<std::string>{"a b.mp4", "a b.mp4.2", "sub"}));
  EXPECT_EQ(Read(Path("data/Trash/files/a b.mp4.2")), "2");
  EXPECT_EQ(Read(Path("data/Trash/files/sub/c.mp4")), "3");
  const std::string info = Read(Path("data/Trash/info/a b.mp4.2.trashinfo"));
  const std::string escaped = Platform_FileUri(Path("videos/a b.mp4")).substr(7);
  EXPECT_EQ(info.substr(0, info.find("DeletionDate=")), "[Trash Info]\nPath=" + escaped + "\n");
  EXPECT_EQ(info.size(), info.find("DeletionDate=") + 13 + 19 + 1);  // YYYY-MM-DDThh:mm:ss\n

  EXPECT_FALSE(Platform_Trash(Path("videos/missing"), home));
  EXPECT_EQ(Entries("data/Trash/info").size(), 3u);
}

TEST_F(os_trash, OtherFileSystemUsesTrashAtItsTop) {
  const std::string mnt = Path("mnt");
  std::filesystem::create_directory(mnt);
  if (::mount("tmpfs", mnt.c_str(), "tmpfs", 0, "size=1m") != 0)
    GTEST_SKIP() << "no permission to mount a file system here";
  struct unmount_guard {
    std::string at;
    ~unmount_guard() { ::umount2(at.c_str(), MNT_DETACH); }
  } guard{mnt};
  Write("mnt/dir/clip.mp4", "x");
  ASSERT_TRUE(Platform_Trash(mnt + "/dir/clip.mp4", Path("data")));
  const std::string trash = mnt + "/.Trash-" + std::to_string(::getuid());
  EXPECT_EQ(Read(trash + "/files/clip.mp4"), "x");
  EXPECT_EQ(Read(trash + "/info/clip.mp4.trashinfo").substr(0, 31),
            "[Trash Info]\nPath=dir/clip.mp4\n");
}

}  // namespace
