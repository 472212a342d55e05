// Files: loading limits, crash-safe saving, names, the trash and permanent
// deletion.
#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

#include <system_error>

#include "foundation/os_utils.h"
#include "test_os_utils_support.h"

namespace {

using os_files = os_temp_test;

void MakeSized(const std::string& path, std::int64_t size) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::ftruncate(fd, size), 0);
  ::close(fd);
}

TEST_F(os_files, LoadReadsOnlyFilesBelowTheLimit) {
  struct row {
    std::int64_t size;
    bool read;
  };
  for (const row r :
       {row{0, false}, row{1, true}, row{kFileLoadLimit - 1, true}, row{kFileLoadLimit, false}}) {
    SCOPED_TRACE(r.size);
    MakeSized(Path("f"), r.size);
    EXPECT_EQ(File_Load(Path("f")).size(), r.read ? static_cast<size_t>(r.size) : 0u);
  }
  EXPECT_EQ(File_Load(Path("missing")), "");
  EXPECT_EQ(File_Load(Path("missing"), false), "");
  EXPECT_EQ(File_Load(dir_), "");
  EXPECT_EQ(File_Load(""), "");
  const std::string binary("a\0b\r\nc", 6);
  Write("binary", binary);
  EXPECT_EQ(File_Load(Path("binary")), binary);
}

TEST_F(os_files, SaveCreatesFoldersReplacesReadOnlyAndDeletesOnEmptyText) {
  const std::string deep = Path("new/sub/config.xml");
  ASSERT_TRUE(File_Save(deep, "<x/>"));
  EXPECT_EQ(Read(deep), "<x/>");

  ASSERT_EQ(::chmod(deep.c_str(), 0444), 0);
  ASSERT_TRUE(File_Save(deep, "second"));
  EXPECT_EQ(Read(deep), "second");
  struct stat st {};
  ASSERT_EQ(::stat(deep.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777,
            0644u);  // old permissions kept, writable for the owner
  EXPECT_EQ(Entries("new/sub"), std::vector<std::string>{"config.xml"});

  EXPECT_TRUE(File_Save(deep, ""));
  EXPECT_FALSE(std::filesystem::exists(deep));
  EXPECT_FALSE(File_Save(deep, ""));  // nothing left to delete
  EXPECT_FALSE(File_Save("", "text"));
  EXPECT_FALSE(File_SaveBuf(Path("zero"), "x", 0));
  EXPECT_FALSE(std::filesystem::exists(Path("zero")));
}

TEST_F(os_files, SaveThroughLinkReplacesTheTargetAndKeepsTheLink) {
  Write("real.xml", "old");
  std::filesystem::create_symlink(Path("real.xml"), Path("link.xml"));
  ASSERT_TRUE(File_Save(Path("link.xml"), "new"));
  EXPECT_TRUE(std::filesystem::is_symlink(Path("link.xml")));
  EXPECT_EQ(Read(Path("real.xml")), "new");
}

// A failed save must leave the old file as it was and no temporary file behind.
TEST_F(os_files, FailedWriteLeavesOldFileUntouched) {
  Write("config.xml", "precious");
  const std::string big(64 * 1024, 'x');

  // The file-size limit makes write() fail part-way, like a full disk.
  struct rlimit old_limit {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  const auto old_handler = ::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old_limit;
  small.rlim_cur = 1000;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool saved = File_Save(Path("config.xml"), big);
  bool threw = false;
  try {
    File_SaveBuf(Path("config.xml"), big.data(), static_cast<std::int64_t>(big.size()), false);
  } catch (const std::system_error&) {
    threw = true;
  }
  ::setrlimit(RLIMIT_FSIZE, &old_limit);
  ::signal(SIGXFSZ, old_handler);

  EXPECT_FALSE(saved);
  EXPECT_TRUE(threw);
  EXPECT_EQ(Read(Path("config.xml")), "precious");
  EXPECT_EQ(Entries(), std::vector<std::string>{"config.xml"});

  // A folder in the way: the rename fails, the folder stays, the temporary file
  // goes.
  Write("busy/inner", "x");
  EXPECT_FALSE(File_Save(Path("busy"), "text"));
  EXPECT_EQ(Entries(), (std::vector<std::string>{"busy", "config.xml"}));
}

TEST_F(os_files, FullFileSystemLeavesOldFileUntouched) {
  const std::string mnt = Path("small");
  std::filesystem::create_directory(mnt);
  if (::mount("tmpfs", mnt.c_str(), "tmpfs", 0, "size=64k") != 0)
    GTEST_SKIP() << "no permission to mount a small file system here";
  struct unmount_guard {
    std::string at;
    ~unmount_guard() { ::umount2(at.c_str(), MNT_DETACH); }
  } guard{mnt};
  const std::string file = mnt + "/config.xml";
  ASSERT_TRUE(File_Save(file, std::string(40 * 1024, 'a')));
  EXPECT_FALSE(File_Save(file, std::string(40 * 1024, 'b')));  // old + new do not fit
  EXPECT_EQ(Read(file), std::string(40 * 1024, 'a'));
  EXPECT_EQ(Entries("small"), std::vector<std::string>{"config.xml"});
}

TEST_F(os_files, SizeAndExtension) {
  Write("a.bin", "12345");
  EXPECT_EQ(File_Size(Path("a.bin")), 5);
  EXPECT_EQ(File_Size(Path("none")), 0);
  EXPECT_EQ(File_Size(dir_), 0);

  struct row {
    const char* path;
    const char* ext;
    const char* result;
  };
  for (const row r :
       {row{"/v/clip.avi", "mp3", "/v/clip.mp3"}, row{"/v/clip.avi", ".mp3", "/v/clip.mp3"},
        row{"/v/clip", "mp4", "/v/clip.mp4"}, row{"/v/a.b/clip", "mp4", "/v/a.b/clip.mp4"},
        row{"/v/clip.tar.gz", "", "/v/clip.tar"}, row{"/v/.hidden", "mp4", "/v/.hidden.mp4"}}) {
    EXPECT_EQ(File_ChangeExt(r.path, r.ext), r.result) << r.path << " " << r.ext;
  }
}

TEST_F(os_files, UniqueNameSkipsFilesAndFolders) {
  EXPECT_EQ(File_UniqueName(Path("clip.mp4")), Path("clip.mp4"));
  Write("clip.mp4", "1");
  Write("clip_2.mp4", "2");
  std::filesystem::create_directory(Path("clip_3.mp4"));
  EXPECT_EQ(File_UniqueName(Path("clip.mp4")), Path("clip_4.mp4"));
  Write("noext", "x");
  EXPECT_EQ(File_UniqueName(Path("noext")), Path("noext_2"));
  std::filesystem::create_symlink(Path("gone"), Path("dangling.mp4"));
  EXPECT_EQ(File_UniqueName(Path("dangling.mp4")), Path("dangling_2.mp4"));
}

TEST_F(os_files, RecycleGoesToTheTrashServiceUnlessPermanent) {
  Write("a.mp4", "x");
  Write("tree/sub/b.mp4", "y");
  EXPECT_TRUE(File_Recycle(" " + Path("a.mp4") + " ", false));
  EXPECT_EQ(services_.calls, std::vector<std::string>{"trash " + Path("a.mp4")});
  EXPECT_TRUE(File_Recycle(Path("tree"), true));
  EXPECT_FALSE(std::filesystem::exists(Path("tree")));
  EXPECT_TRUE(File_Recycle("  ", false));
  EXPECT_FALSE(File_Recycle(Path("missing"), true));
  EXPECT_EQ(services_.calls.size(), 1u);
}

TEST(os_text, NonAsciiAndSafePaths) {
  EXPECT_FALSE(Str_HasNonAscii("/videos/clip 1.mp4"));
  EXPECT_TRUE(Str_HasNonAscii("/videos/\xC3\xBC.mp4"));
  EXPECT_TRUE(Str_HasNonAscii("\x80"));
  EXPECT_EQ(Path_Safe("/v/\xC3\xBC.mp4"), "/v/\xC3\xBC.mp4");
}

}  // namespace
