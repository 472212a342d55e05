#include "foundation/platform/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <stdexcept>
#include <system_error>

#ifndef CLOSE_RANGE_CLOEXEC
#define CLOSE_RANGE_CLOEXEC (1U << 2)
#endif

std::vector<std::string> Cmd_SplitArgs(std::string_view text) {
  std::vector<std::string> args;
  std::string current;
  bool have = false;  // an argument has begun (also an empty quoted one)
  bool quoted = false;
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n) {
    const char c = text[i];
    if (c == '\\') {
      std::size_t count = 0;
      while (i < n && text[i] == '\\') {
        ++count;
        ++i;
      }
      have = true;
      if (i < n && text[i] == '"') {
        current.append(count / 2, '\\');
        if (count % 2 != 0) {  // escaped quote: literal
          current += '"';
          ++i;
        }
        // with an even count the quote itself is handled by the next turn
      } else {
        current.append(count, '\\');
      }
      continue;
    }
    if (c == '"') {
      have = true;
      if (quoted && i + 1 < n && text[i + 1] == '"') {
        current += '"';
        i += 2;
        continue;
      }
      quoted = !quoted;
      ++i;
      continue;
    }
    if (!quoted && (c == ' ' || c == '\t')) {
      if (have) {
        args.push_back(std::move(current));
        current.clear();
        have = false;
      }
      ++i;
      continue;
    }
    current += c;
    have = true;
    ++i;
  }
  if (have) args.push_back(std::move(current));
  return args;
}

std::string Cmd_QuoteInner(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t backslashes = 0;
  for (const char c : text) {
    if (c == '\\') {
      ++backslashes;
    } else if (c == '"') {
      out.append(backslashes + 1, '\\');  // double the run, then escape the quote
      backslashes = 0;
    } else {
      backslashes = 0;
    }
    out += c;
  }
  out.append(backslashes, '\\');  // a trailing run must not escape the closing quote
  return out;
}

std::string Cmd_Quote(std::string_view text) {
  return "\"" + Cmd_QuoteInner(text) + "\"";
}

std::string Process_FindOnPath(std::string_view name) {
  if (name.empty()) return {};
  const char* path_env = std::getenv("PATH");
  const std::string_view path = path_env != nullptr ? path_env : "/usr/local/bin:/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find(':', start);
    if (end == std::string_view::npos) end = path.size();
    std::string dir(path.substr(start, end - start));
    if (dir.empty()) dir = ".";
    std::string candidate = dir + "/" + std::string(name);
    struct stat st {};
    if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
        access(candidate.c_str(), X_OK) == 0)
      return candidate;
    start = end + 1;
  }
  return {};
}

namespace {

void CloseFd(int& fd) {
  if (fd >= 0) {
    close(fd);
    fd = -1;
  }
}

int PidfdOpen(int pid) {
  return static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
}

// Runs in the forked child: only async-signal-safe calls from here on.
[[noreturn]] void ChildExec(const char* exe, char* const* argv, int out_fd, int null_fd, int err_fd,
                            pid_t parent) {
  setpgid(0, 0);
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() != parent) _exit(127);  // the parent died before the death signal was armed

  struct sigaction dfl {};
  dfl.sa_handler = SIG_DFL;
  for (int sig = 1; sig < NSIG; ++sig) sigaction(sig, &dfl, nullptr);  // undo inherited SIG_IGN

  if (dup2(null_fd, 0) < 0 || dup2(out_fd, 1) < 0 || dup2(out_fd, 2) < 0) {
    const int e = errno;
    (void)!write(err_fd, &e, sizeof e);
    _exit(127);
  }
  // Descriptors the program happened to leave inheritable must not reach the encoder.
  if (syscall(SYS_close_range, 3U, ~0U, CLOSE_RANGE_CLOEXEC) != 0) {
    for (int fd = 3; fd < 4096; ++fd)
      if (fd != err_fd) fcntl(fd, F_SETFD, FD_CLOEXEC);
  }
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);

  execv(exe, argv);
  const int e = errno;
  (void)!write(err_fd, &e, sizeof e);
  _exit(127);
}

}  // namespace

child_process::~child_process() {
  Terminate();
  CloseAll();
}

void child_process::CloseAll() {
  CloseFd(pipe_fd_);
  CloseFd(pid_fd_);
}

void child_process::Start(const std::string& exe, const std::vector<std::string>& args) {
  if (running_) throw std::logic_error("child_process already started");
  Terminate();
  CloseAll();
  output_ended_ = false;
  exit_status_ = -1;
  pid_ = 0;

  std::vector<char*> argv;
  argv.reserve(args.size() + 2);
  argv.push_back(const_cast<char*>(exe.c_str()));
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  int out_pipe[2] = {-1, -1};
  int err_pipe[2] = {-1, -1};
  int null_fd = -1;
  auto cleanup = [&] {
    CloseFd(out_pipe[0]);
    CloseFd(out_pipe[1]);
    CloseFd(err_pipe[0]);
    CloseFd(err_pipe[1]);
    CloseFd(null_fd);
  };
  if (pipe2(out_pipe, O_CLOEXEC) != 0 || pipe2(err_pipe, O_CLOEXEC) != 0 ||
      (null_fd = open("/dev/null", O_RDONLY | O_CLOEXEC)) < 0) {
    const int e = errno;
    cleanup();
    throw std::system_error(e, std::generic_category(), "cannot start " + exe);
  }

  // Block signals across fork so no handler of ours runs in the child before exec.
  sigset_t all;
  sigset_t old;
  sigfillset(&all);
  pthread_sigmask(SIG_SETMASK, &all, &old);
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid == 0) ChildExec(exe.c_str(), argv.data(), out_pipe[1], null_fd, err_pipe[1], parent);
  const int fork_errno = errno;
  pthread_sigmask(SIG_SETMASK, &old, nullptr);
  if (pid < 0) {
    cleanup();
    throw std::system_error(fork_errno, std::generic_category(), "cannot start " + exe);
  }
  setpgid(pid, pid);  // also done by the child; whichever runs first wins the race
  CloseFd(out_pipe[1]);
  CloseFd(err_pipe[1]);
  CloseFd(null_fd);

  int exec_errno = 0;
  ssize_t got;
  do {
    got = read(err_pipe[0], &exec_errno, sizeof exec_errno);
  } while (got < 0 && errno == EINTR);
  CloseFd(err_pipe[0]);
  if (got == static_cast<ssize_t>(sizeof exec_errno)) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    CloseFd(out_pipe[0]);
    throw std::system_error(exec_errno, std::generic_category(), "cannot start " + exe);
  }

  pid_ = pid;
  running_ = true;
  pipe_fd_ = out_pipe[0];
  fcntl(pipe_fd_, F_SETFL, fcntl(pipe_fd_, F_GETFL) | O_NONBLOCK);
  pid_fd_ = PidfdOpen(pid);  // -1 on old kernels: Wait then polls the status in short steps
  if (pid_fd_ >= 0) fcntl(pid_fd_, F_SETFD, FD_CLOEXEC);
}

void child_process::Reap(bool block) {
  if (!running_) return;
  siginfo_t info{};
  int r;
  do {
    r = waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOWAIT | (block ? 0 : WNOHANG));
  } while (r < 0 && errno == EINTR);
  if (r < 0) {  // reaped elsewhere: nothing left to wait for
    running_ = false;
    CloseFd(pid_fd_);
    return;
  }
  if (info.si_pid == 0) return;  // still running
  // The leader is a zombie now, so its group id cannot be reused yet: clear out anything
  // it left running in its group, then reap it.
  kill(-pid_, SIGKILL);
  int status = 0;
  while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status))
    exit_status_ = WEXITSTATUS(status);
  else if (WIFSIGNALED(status))
    exit_status_ = 128 + WTERMSIG(status);
  running_ = false;
  CloseFd(pid_fd_);
}

bool child_process::IsRunning() {
  Reap(false);
  return running_;
}

void child_process::Terminate() {
  if (!running_) return;
  kill(-pid_, SIGKILL);
  kill(pid_, SIGKILL);  // in case the group was never formed
  Reap(true);
}

std::size_t child_process::Read(char* buffer, std::size_t size) {
  if (pipe_fd_ < 0 || output_ended_ || size == 0) return 0;
  for (;;) {
    const ssize_t n = read(pipe_fd_, buffer, size);
    if (n > 0) return static_cast<std::size_t>(n);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return 0;
    output_ended_ = true;  // end of output, or a read error that will not go away
    return 0;
  }
}

child_process::wait_result child_process::Wait(int timeout_ms) {
  if (timeout_ms < 0) timeout_ms = 0;
  const bool watch_pipe = pipe_fd_ >= 0 && !output_ended_;
  if (!running_) {
    if (!watch_pipe) return wait_result::exited;
    pollfd p{pipe_fd_, POLLIN, 0};
    return poll(&p, 1, 0) > 0 ? wait_result::output : wait_result::exited;
  }

  if (pid_fd_ >= 0) {
    pollfd fds[2];
    nfds_t count = 0;
    if (watch_pipe) fds[count++] = pollfd{pipe_fd_, POLLIN, 0};
    const nfds_t pid_index = count;
    fds[count++] = pollfd{pid_fd_, POLLIN, 0};
    const int r = poll(fds, count, timeout_ms);
    if (r <= 0) return wait_result::timeout;  // EINTR counts as a short wait
    if (watch_pipe && fds[0].revents != 0) return wait_result::output;
    if (fds[pid_index].revents != 0) {
      Reap(true);
      return wait_result::exited;
    }
    return wait_result::timeout;
  }

  // Without a process descriptor: wait on the pipe in short steps and look at the status.
  int left = timeout_ms;
  for (;;) {
    const int step = left < 5 ? left : 5;
    if (watch_pipe) {
      pollfd p{pipe_fd_, POLLIN, 0};
      if (poll(&p, 1, step) > 0) return wait_result::output;
    } else {
      timespec ts{0, static_cast<long>(step) * 1000000L};
      nanosleep(&ts, nullptr);
    }
    if (!IsRunning()) return wait_result::exited;
    left -= step;
    if (left <= 0) return wait_result::timeout;
  }
}
