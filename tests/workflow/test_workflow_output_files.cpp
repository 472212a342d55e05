#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "workflow/output_files.h"

namespace fs = std::filesystem;

namespace {

class OutputFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/flenmark_outXXXXXX";
    dir_ = mkdtemp(tmpl);
    dir_ += "/";
  }
  void TearDown() override { fs::remove_all(dir_); }
  void Write(const std::string& name, const std::string& text) {
    std::ofstream(dir_ + name, std::ios::binary) << text;
  }
  std::string Read(const std::string& name) {
    std::ifstream in(dir_ + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::string dir_;
};

}  // namespace

TEST_F(OutputFiles, UniqueNameSkipsFilesFoldersAndPlannedNames) {
  EXPECT_EQ(Output_UniqueName(dir_ + "clip.mp4"), dir_ + "clip.mp4");
  Write("clip.mp4", "a");
  fs::create_directory(dir_ + "clip_2.mp4");
  EXPECT_EQ(Output_UniqueName(dir_ + "clip.mp4"), dir_ + "clip_3.mp4");
  std::set<std::string> planned = {dir_ + "clip_3.mp4"};
  EXPECT_EQ(Output_UniqueName(dir_ + "clip.mp4", &planned), dir_ + "clip_4.mp4");
  // A name without an extension and a folder with a dot keep the number at the end.
  Write("noext", "a");
  EXPECT_EQ(Output_UniqueName(dir_ + "noext"), dir_ + "noext_2");
}

TEST_F(OutputFiles, MoveNeverReplacesAFile) {
  // The target appeared while the encoder was writing: the output takes the next number and
  // the other file keeps its bytes.
  Write("tmp", "new");
  Write("out.mp4", "theirs");
  Write("out_2.mp4", "theirs too");
  EXPECT_EQ(Output_MoveNoReplace(dir_ + "tmp", dir_ + "out.mp4"), dir_ + "out_3.mp4");
  EXPECT_EQ(Read("out.mp4"), "theirs");
  EXPECT_EQ(Read("out_2.mp4"), "theirs too");
  EXPECT_EQ(Read("out_3.mp4"), "new");
  EXPECT_FALSE(fs::exists(dir_ + "tmp"));

  // A free target is used as it is.
  Write("tmp", "x");
  EXPECT_EQ(Output_MoveNoReplace(dir_ + "tmp", dir_ + "free.mp4"), dir_ + "free.mp4");

  // A missing temporary file is a failure, not an empty success.
  EXPECT_EQ(Output_MoveNoReplace(dir_ + "gone", dir_ + "x.mp4"), "");
  EXPECT_FALSE(fs::exists(dir_ + "x.mp4"));
}

TEST_F(OutputFiles, TemporaryNamesAreClaimedOncePerConversion) {
  std::string a = Output_ReserveTemp(dir_ + "_flmk_output.tmp");
  std::string b = Output_ReserveTemp(dir_ + "_flmk_output.tmp");
  EXPECT_EQ(a, dir_ + "_flmk_output.tmp");
  EXPECT_EQ(b, dir_ + "_flmk_output_2.tmp");
  EXPECT_TRUE(fs::exists(a));
  EXPECT_TRUE(Output_Remove(a));
  EXPECT_TRUE(Output_Remove(a));  // already gone
  EXPECT_FALSE(fs::exists(a));
  EXPECT_EQ(Output_ReserveTemp(dir_ + "missing/_flmk_output.tmp"), "");
}
