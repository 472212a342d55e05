// The child-process layer: argument split and quoting, and what a started encoder sees.

#include "foundation/platform/process.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <system_error>

#include "ffmpeg_tools_test_util.h"

using namespace ffmpeg_test;
using strings = std::vector<std::string>;

TEST(CmdSplitArgs, FollowsTheWindowsCommandLineRules) {
  const struct {
    const char* text;
    strings args;
  } cases[] = {
      {"", {}},
      {" \t ", {}},
      {"a b\tc", {"a", "b", "c"}},
      {"  a   b  ", {"a", "b"}},
      {R"(-i "my file.mp4")", {"-i", "my file.mp4"}},
      {R"("")", {""}},
      {R"(a "" b)", {"a", "", "b"}},
      {R"(a\b c\\d e\)", {R"(a\b)", R"(c\\d)", R"(e\)"}},  // no quote follows: literal
      {R"("a\"b")", {R"(a"b)"}},
      {R"("a\\"b)", {R"(a\b)"}},  // two backslashes: one, and the quote closes
      {R"("a\\\"b")", {R"(a\"b)"}},
      {R"("tail\\" x)", {R"(tail\)", "x"}},
      {R"(ab"c d"ef)", {"abc def"}},
      {R"("a""b")", {R"(a"b)"}},
      {R"("unterminated  quote)", {"unterminated  quote"}},
      {"\"new\nline\" x\ny", {"new\nline", "x\ny"}},
      // The two texts a conversion really produces: runs of spaces, a filter graph in quotes.
      {"-y  -i \"in.mkv\"   -f mp4 -s 1280x720 -c:a aac \"out.mp4\"",
       {"-y", "-i", "in.mkv", "-f", "mp4", "-s", "1280x720", "-c:a", "aac", "out.mp4"}},
      {R"(-i "1.avi" -i "2.avi"  -filter_complex "[0:v] [0:a] [1:v] [1:a] concat=n=2:unsafe=1:v=1:a=1 [cv] [a]; [cv]yadif=1[v]" -map "[v]" -map "[a]")",
       {"-i", "1.avi", "-i", "2.avi", "-filter_complex",
        "[0:v] [0:a] [1:v] [1:a] concat=n=2:unsafe=1:v=1:a=1 [cv] [a]; [cv]yadif=1[v]", "-map",
        "[v]", "-map", "[a]"}},
  };
  for (const auto& c : cases) EXPECT_EQ(Cmd_SplitArgs(c.text), c.args) << c.text;
}

TEST(CmdQuote, EveryPathComesBackExactlyAndOrdinaryPathsStayPlain) {
  const struct {
    std::string path;
    bool ordinary;  // quoted text is just the path between quotes
  } cases[] = {
      {"plain.mp4", true},
      {"/home/user/My Videos/clip (1).mkv", true},
      {R"(C:\dir\file.avi)", true},
      {"a'b$c`d;e|f&g*h.mp4", true},
      {"\xff\xfe name.mp4", true},
      {"new\nline\ttab.mp4", true},
      {"", true},
      {R"(say "hi".mp4)", false},
      {R"(quote" -y "x.mp4)", false},  // must not break out and add an argument
      {R"(end\)", false},
      {R"(end\\)", false},
      {R"(a\"b)", false},
      {R"("")", false},
  };
  for (const auto& c : cases) {
    const std::string text = "-i " + Cmd_Quote(c.path) + " out";
    EXPECT_EQ(Cmd_SplitArgs(text), (strings{"-i", c.path, "out"})) << c.path;
    if (c.ordinary) {
      EXPECT_EQ(Cmd_Quote(c.path), "\"" + c.path + "\"");
    }
  }
}

TEST(ChildProcess, EncoderGetsExactArgvClosedStdinOwnGroupAndNoStrayDescriptors) {
  temp_dir dir;
  const strings args = {"-i",
                        "my \"odd\" file\\.mp4",
                        "",
                        "\xff\xfe",
                        "--fake-args-file=" + dir / "args",
                        "--fake-info-file=" + dir / "info"};
  child_process proc;
  proc.Start(kFake, args);
  while (proc.Wait(1000) != child_process::wait_result::exited) {
    char buf[256];
    proc.Read(buf, sizeof buf);
  }
  EXPECT_EQ(proc.ExitStatus(), 0);
  std::string expected;
  for (std::size_t i = 0; i < 4; ++i) expected += args[i] + '\0';
  EXPECT_EQ(ReadAll(dir / "args"), expected);
  const std::string info = ReadAll(dir / "info");
  EXPECT_EQ(InfoValue(info, "pgid"), proc.Pid());
  EXPECT_EQ(InfoValue(info, "pid"), proc.Pid());
  EXPECT_EQ(InfoValue(info, "ppid"), getpid());
  EXPECT_EQ(InfoText(info, "stdin"), "eof");
  EXPECT_EQ(InfoValue(info, "fds"), 0);
}

TEST(ChildProcess, StdoutAndStderrArriveInOnePipeAndTheStatusIsKept) {
  child_process proc;
  proc.Start(kFake, {"--fake-text=one\\ntwo\\nthree\\n", "--fake-chunk=line", "--fake-stream=both",
                     "--fake-exit=3"});
  std::string out;
  char buf[64];
  while (proc.Wait(1000) != child_process::wait_result::exited) {
    const auto n = proc.Read(buf, sizeof buf);
    out.append(buf, n);
  }
  while (const auto n = proc.Read(buf, sizeof buf)) out.append(buf, n);
  EXPECT_EQ(out, "one\ntwo\nthree\n");
  EXPECT_EQ(proc.ExitStatus(), 3);
  EXPECT_FALSE(proc.IsRunning());
}

TEST(ChildProcess, TerminateKillsTheWholeGroupAndReaps) {
  temp_dir dir;
  const std::string info_path = dir / "info";
  child_process proc;
  proc.Start(kFake,
             {"--fake-hold-ms=30000", "--fake-spawn-child=1", "--fake-info-file=" + info_path});
  ASSERT_TRUE(WaitFor([&] { return InfoValue(ReadAll(info_path), "child") > 0; }, 5000));
  const long pid = proc.Pid();
  const long grandchild = InfoValue(ReadAll(info_path), "child");
  EXPECT_TRUE(proc.IsRunning());
  proc.Terminate();
  EXPECT_FALSE(proc.IsRunning());
  EXPECT_EQ(proc.ExitStatus(), 128 + SIGKILL);
  EXPECT_EQ(ProcState(pid), 0) << "the encoder must be reaped, not left a zombie";
  EXPECT_TRUE(WaitFor([&] { return IsDead(grandchild); }, 2000)) << "orphan left running";
}

TEST(ChildProcess, EncoderDiesWithTheProgramThatStartedIt) {
  temp_dir dir;
  const std::string info_path = dir / "info";
  const pid_t middle = fork();
  ASSERT_GE(middle, 0);
  if (middle == 0) {
    auto* proc = new child_process;  // never destroyed: the owner vanishes without cleaning up
    proc->Start(kFake, {"--fake-hold-ms=30000", "--fake-info-file=" + info_path});
    WaitFor([&] { return InfoValue(ReadAll(info_path), "pid") > 0; }, 5000);
    _exit(0);
  }
  int status = 0;
  waitpid(middle, &status, 0);
  const long encoder = InfoValue(ReadAll(info_path), "pid");
  ASSERT_GT(encoder, 0);
  EXPECT_TRUE(WaitFor([&] { return IsDead(encoder); }, 2000));
}

TEST(ChildProcess, StartErrorsAreRaisedWithTheirReason) {
  temp_dir dir;
  const std::string not_executable = dir / "ffmpeg";
  WriteAll(not_executable, "#!/bin/sh\n");
  chmod(not_executable.c_str(), 0644);
  const struct {
    std::string exe;
    int error;
  } cases[] = {{dir / "missing", ENOENT}, {not_executable, EACCES}, {dir.path(), EACCES}};
  for (const auto& c : cases) {
    child_process proc;
    try {
      proc.Start(c.exe, {});
      ADD_FAILURE() << c.exe << " started";
    } catch (const std::system_error& e) {
      EXPECT_EQ(e.code().value(), c.error) << c.exe;
    }
  }
  EXPECT_TRUE(ChildrenOfSelf().empty());
}
