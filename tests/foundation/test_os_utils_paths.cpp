// Folders, special folders, links, the command line and the routing of shell
// requests.
#include <unistd.h>

#include "foundation/os_utils.h"
#include "test_os_utils_support.h"

namespace {

using os_paths = os_temp_test;

TEST(os_path_text, RootAndParent) {
  struct row {
    const char* path;
    const char* root;
    const char* parent_keep;
    const char* parent_drop;
  };
  for (const row r : {
           row{"/a/b/", "/", "/a/", "/a/"},
           row{"/a/b", "/", "/a/", "/a/"},
           row{"/a", "/", "/", "/"},
           row{"/", "/", "/", ""},
           row{"  /a/b/c.mp4 ", "/", "/a/b/", "/a/b/"},
           row{"a/b", "", "", ""},
           row{"", "", "", ""},
       }) {
    SCOPED_TRACE(r.path);
    EXPECT_EQ(Path_Root(r.path), r.root);
    EXPECT_EQ(Path_Parent(r.path, true), r.parent_keep);
    EXPECT_EQ(Path_Parent(r.path, false), r.parent_drop);
  }
}

TEST_F(os_paths, FolderExistsAndForce) {
  Write("file", "x");
  EXPECT_TRUE(Folder_Exists(dir_));
  EXPECT_FALSE(Folder_Exists(Path("file")));
  EXPECT_FALSE(Folder_Exists(""));
  EXPECT_TRUE(Folder_Force(Path("x/y/z/")));
  EXPECT_TRUE(Folder_Exists(Path("x/y/z")));
  EXPECT_FALSE(Folder_Force(Path("file/sub")));
  EXPECT_FALSE(Folder_Force(""));
}

TEST_F(os_paths, ResolveClimbsFromDeletedFoldersOrCreates) {
  env_override home("HOME", dir_);
  env_override config("XDG_CONFIG_HOME", Path("cfg"));
  std::filesystem::create_directories(Path("Videos/Old"));
  std::filesystem::remove(Path("Videos/Old"));
  struct row {
    std::string preferred, fallback;
    bool create;
    std::string result;
  };
  for (const row& r : {
           row{Path("Videos/Old/"), "", false, Path("Videos/")},
           row{Path("Videos/Old/Deeper/"), "", false, Path("Videos/")},
           row{"  " + Path("Videos") + " ", "", false, Path("Videos/")},
           row{"", Path("Videos"), false, Path("Videos/")},
           row{"", "", false, dir_ + "/"},  // no Documents folder: the home folder
           row{Path("made/here"), "", true, Path("made/here/")},
       }) {
    SCOPED_TRACE(r.preferred + "|" + r.fallback);
    EXPECT_EQ(Folder_Resolve(r.preferred, r.fallback, r.create), r.result);
  }
  EXPECT_TRUE(Folder_Exists(Path("made/here")));
  EXPECT_EQ(Folder_Existing(Path("Videos/Old/x/y")), Path("Videos/"));
  EXPECT_EQ(Folder_Existing("relative/missing"), dir_ + "/");

  Write("plain", "x");
  EXPECT_EQ(Folder_Resolve(Path("plain/sub"), "", true),
            "");  // cannot be created
  env_override no_home("HOME", Path("gone"));
  EXPECT_EQ(Folder_Resolve("", "", false),
            dir_ + "/");  // a missing home folder: its parent
}

TEST_F(os_paths, SpecialFolders) {
  env_override home("HOME", dir_);
  env_override config("XDG_CONFIG_HOME", Path("cfg"));
  EXPECT_EQ(SysFolder_AppData(), Path("cfg/"));
  EXPECT_EQ(SysFolder_Documents(), dir_ + "/");
  std::filesystem::create_directory(Path("Documents"));
  EXPECT_EQ(SysFolder_Documents(), Path("Documents/"));
  Write("cfg/user-dirs.dirs",
        "# "
        "comment\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\nXDG_DOCUMENTS_DIR=\"$HOME/"
        "Papers\"\n");
  EXPECT_EQ(SysFolder_Documents(), Path("Documents/"));  // Papers does not exist
  std::filesystem::create_directory(Path("Papers"));
  EXPECT_EQ(SysFolder_Documents(), Path("Papers/"));
  EXPECT_EQ(SysFolder_Shell(kFolderDocuments), Path("Papers/"));
  EXPECT_EQ(SysFolder_Shell(7), "");
  {
    env_override relative_config("XDG_CONFIG_HOME", "relative");
    EXPECT_EQ(SysFolder_AppData(), Path(".config/"));
  }
  char exe[4096] = {};
  ASSERT_GT(::readlink("/proc/self/exe", exe, sizeof exe - 1), 0);
  EXPECT_EQ(Program_Path(), exe);
  EXPECT_EQ(Program_Folder() + std::filesystem::path(exe).filename().string(), exe);
}

TEST_F(os_paths, ShortcutResolveFollowsSymbolicLinks) {
  Write("clip.mkv", "x");
  std::filesystem::create_symlink(Path("clip.mkv"), Path("first.lnk"));
  std::filesystem::create_symlink("first.lnk",
                                  Path("second"));  // relative, two hops
  std::filesystem::create_symlink("nowhere.mkv", Path("dangling"));
  const std::string real = std::filesystem::canonical(Path("clip.mkv")).string();
  EXPECT_EQ(Shortcut_Resolve(Path("first.lnk")), real);
  EXPECT_EQ(Shortcut_Resolve(Path("second")), real);
  EXPECT_EQ(Shortcut_Resolve(Path("clip.mkv")), Path("clip.mkv"));
  EXPECT_EQ(Shortcut_Resolve(Path("dangling")), Path("nowhere.mkv"));
  EXPECT_EQ(Shortcut_Resolve(Path("missing")), Path("missing"));
}

TEST(os_params, OptionsAndFiles) {
  ASSERT_FALSE(std::filesystem::exists("/x")) << "the switch /x must not name a real entry";
  const char* argv[] = {"/usr/bin/flenmark",
                        "/lang=de",
                        "/x",
                        "/media/u/a b.avi",
                        "a b.avi",
                        "/name = \"quoted value\" rest",
                        "/q\t=\t plain rest ",
                        "/k v",
                        "/open=\"unclosed",
                        "/tmp",
                        "/lang=de/x",
                        ""};
  Param_Init(static_cast<int>(std::size(argv)), argv);
  ASSERT_EQ(Param_Count(), static_cast<int>(std::size(argv)));
  struct row {
    int index;
    const char* key;
    const char* value;
  };
  for (const row r : {
           row{0, "", "/usr/bin/flenmark"},
           row{1, "lang", "de"},
           row{2, "x", ""},
           row{3, "", "/media/u/a b.avi"},
           row{4, "", "a b.avi"},
           row{5, "name", "quoted value"},
           row{6, "q", "plain rest "},
           row{7, "k", ""},
           row{8, "open", "unclosed"},
           row{9, "", "/tmp"},  // an existing folder is a file argument, not a switch
           row{10, "lang", "de/x"},
           row{11, "", ""},
       }) {
    SCOPED_TRACE(r.index);
    std::string key = "stale", value = "stale";
    ASSERT_TRUE(Param_Get(r.index, key, value));
    EXPECT_EQ(key, r.key);
    EXPECT_EQ(value, r.value);
  }
  std::string key, value;
  EXPECT_FALSE(Param_Get(-1, key, value));
  EXPECT_FALSE(Param_Get(Param_Count(), key, value));
}

TEST_F(os_paths, ShellRequestsGoThroughTheServices) {
  Write("out/clip.mp4", "x");
  Explorer_Select(Path("out/clip.mp4"));
  Explorer_Select(" " + Path("out/gone.mp4"));
  Explorer_Select("  ");
  Explorer_Open(Path("out") + " ");
  Explorer_Open("");
  EXPECT_TRUE(Shell_Open("https://example.org/?a=1"));
  EXPECT_FALSE(Shell_Open(""));
  EXPECT_TRUE(Shell_Run("/usr/bin/prog", R"(-a "b c" d\"e)", "/work", true));
  System_Shutdown();
  EXPECT_EQ(services_.calls,
            (std::vector<std::string>{"item " + Path("out/clip.mp4"), "folder " + Path("out/"),
                                      "folder " + Path("out"), "open https://example.org/?a=1",
                                      "run /usr/bin/prog|-a|b c|d\"e@/work", "poweroff"}));
  services_.result = false;
  EXPECT_FALSE(Shell_Open(Path("out/clip.mp4")));
}

}  // namespace
