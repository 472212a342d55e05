#pragma once
// Child processes for the outside encoder: the argument text is split into argv by the
// Windows command-line rules and the program is started directly (never through a shell),
// with stdout and stderr in one pipe, stdin on /dev/null, its own process group, and a
// death signal so it never outlives us. Terminating kills the whole group and reaps it.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Splits an argument text into arguments the way Windows programs do: space and tab separate
// arguments outside double quotes; a quote toggles quoting and is dropped; "" inside quotes is
// one literal quote; 2n backslashes before a quote give n backslashes (the quote still acts),
// 2n+1 give n backslashes and a literal quote; other backslashes are literal. "" on its own is
// an empty argument.
std::vector<std::string> Cmd_SplitArgs(std::string_view text);

// The text to place between two double quotes so that Cmd_SplitArgs gives back exactly
// `text`: a quote becomes \" (with the backslashes before it doubled), and backslashes at the
// end are doubled. Text without quotes and without a trailing backslash is returned unchanged.
std::string Cmd_QuoteInner(std::string_view text);

// "\"" + Cmd_QuoteInner(text) + "\"".
std::string Cmd_Quote(std::string_view text);

// The first executable regular file called `name` in the folders of $PATH; empty when none.
std::string Process_FindOnPath(std::string_view name);

// One child process. Not copyable; the destructor terminates and reaps a child still running.
class child_process {
 public:
  enum class wait_result { output, exited, timeout };

  child_process() = default;
  ~child_process();
  child_process(const child_process&) = delete;
  child_process& operator=(const child_process&) = delete;

  // Starts `exe` (used as given, no PATH search) with `args` (argv[1..]). Throws
  // std::system_error carrying the reason when it cannot be started. The death signal follows
  // the thread that starts the child: start encoders from the long-lived (GUI) thread.
  void Start(const std::string& exe, const std::vector<std::string>& args);

  // Waits at most `timeout_ms` until output can be read (also when the pipe has just been
  // closed: Read then returns 0 and OutputEnded turns true) or the child has ended. Output
  // still in the pipe is reported before the end. An ended child is reaped, and anything it
  // left behind in its process group is killed.
  wait_result Wait(int timeout_ms);

  // Reads up to `size` bytes of output without blocking; 0 when nothing is there right now or
  // the output has ended (see OutputEnded).
  std::size_t Read(char* buffer, std::size_t size);

  // True once the output pipe has been closed by every writer and read empty.
  bool OutputEnded() const { return output_ended_; }

  // True while the child has not ended (checks without waiting, and reaps an ended child).
  bool IsRunning();

  // Kills the child's whole process group and reaps the child. Nothing when not running.
  void Terminate();

  // Exit code of an ended child, 128 + signal number when a signal ended it, -1 before.
  int ExitStatus() const { return exit_status_; }

  // Process id of the child (also its process group id); 0 before Start.
  int Pid() const { return pid_; }

 private:
  void Reap(bool block);
  void CloseAll();

  int pid_ = 0;
  int pipe_fd_ = -1;
  int pid_fd_ = -1;
  bool running_ = false;
  bool output_ended_ = false;
  int exit_status_ = -1;
};
