// Where the encoder lives and how it is run: one child process per call, its console text
// handed over in reads of at most 2048 bytes while it runs.

#include "encoder/ffmpeg_tools.h"

#include <array>
#include <chrono>
#include <filesystem>
#include <system_error>
#include <utility>

#include "foundation/os_utils.h"
#include "foundation/platform/process.h"

namespace {

constexpr std::size_t kChunkSize = 2048;
constexpr int kWaitMs = 50;  // longest wait without an idle call, so a window never freezes

ffmpeg_idle_handler& DefaultIdle() {
  static ffmpeg_idle_handler idle;
  return idle;
}

bool IsFile(const std::string& path) {
  std::error_code ec;
  return !path.empty() && std::filesystem::exists(path, ec) &&
         !std::filesystem::is_directory(path, ec);
}

bool AppendChunk(std::string_view chunk, void* data) {
  static_cast<std::string*>(data)->append(chunk);
  return true;
}

}  // namespace

std::string Ffmpeg_DefaultPath() {
  std::string folder = Program_Folder();
  if (!folder.empty() && folder.back() != '/') folder += '/';
  std::string local = folder + "ffmpeg";
  if (IsFile(local)) return local;
  std::string on_path = Process_FindOnPath("ffmpeg");
  return on_path.empty() ? local : on_path;
}

std::string encoder_path = Ffmpeg_DefaultPath();

bool Ffmpeg_ExeExists() {
  return IsFile(encoder_path);
}

void Ffmpeg_SetIdleHandler(ffmpeg_idle_handler idle) {
  DefaultIdle() = std::move(idle);
}

bool Ffmpeg_Run(const std::string& exe, const std::string& args, ffmpeg_chunk_handler handler,
                void* data) {
  return Ffmpeg_Run(exe, args, handler, data, DefaultIdle());
}

bool Ffmpeg_Run(const std::string& exe, const std::string& args, ffmpeg_chunk_handler handler,
                void* data, const ffmpeg_idle_handler& idle_arg) {
  // A copy: the handler may install another one while it runs.
  const ffmpeg_idle_handler idle = idle_arg ? idle_arg : DefaultIdle();
  child_process proc;  // kills and reaps the encoder on every way out, exceptions included
  proc.Start(exe, Cmd_SplitArgs(args));

  std::array<char, kChunkSize> buffer;
  using clock = std::chrono::steady_clock;
  auto last_idle = clock::now();
  for (;;) {
    const auto waited = proc.Wait(kWaitMs);
    if (waited == child_process::wait_result::exited) break;
    if (waited == child_process::wait_result::output) {
      const std::size_t n = proc.Read(buffer.data(), buffer.size());
      if (n > 0 && !handler(std::string_view(buffer.data(), n), data)) {
        proc.Terminate();
        return false;
      }
    }
    if (idle) {
      const auto now = clock::now();
      if (waited == child_process::wait_result::timeout ||
          now - last_idle >= std::chrono::milliseconds(kWaitMs)) {
        last_idle = now;
        if (!idle()) {
          proc.Terminate();
          return false;
        }
      }
    }
  }
  // The encoder has ended: whatever it wrote last is still in the pipe.
  for (;;) {
    const std::size_t n = proc.Read(buffer.data(), buffer.size());
    if (n == 0) break;
    if (!handler(std::string_view(buffer.data(), n), data)) return false;
  }
  return proc.ExitStatus() == 0;
}

std::string Ffmpeg_QuotePath(std::string_view path) {
  return Cmd_Quote(path);
}

bool Ffmpeg_Probe(const std::string& path, media_info& info) {
  info = media_info{};
  std::string text;
  Ffmpeg_Run(encoder_path, "-i " + Ffmpeg_QuotePath(path), AppendChunk, &text);
  return Ffmpeg_ParseProbe(text, info);
}
