#include "app/cli_view.h"

#include <unistd.h>

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "foundation/graph_utils.h"

std::atomic<int> cli_interrupts{0};

namespace {

// Two buffers so the signal handler always reads a complete path.
std::array<std::array<char, 4096>, 2> temp_paths{};
std::atomic<int> temp_current{0};

void WriteErr(const std::string& s) {
  std::fwrite(s.data(), 1, s.size(), stderr);
}

std::string FileName(const std::string& path) {
  auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

void Cli_SetCurrentTemp(const std::string& path) {
  int next = 1 - temp_current.load();
  auto& buf = temp_paths[static_cast<std::size_t>(next)];
  std::size_t n = std::min(path.size(), buf.size() - 1);
  std::memcpy(buf.data(), path.data(), n);
  buf[n] = '\0';
  temp_current.store(next);
}

const char* Cli_CurrentTemp() {
  return temp_paths[static_cast<std::size_t>(temp_current.load())].data();
}

void cli_msg_host::Execute(msg_dlg_rec& request) {
  // Questions answer themselves with the preset result; messages are printed.
  if (request.kind == msg_kind_question) return;
  std::string text;
  for (std::size_t i = 0; i < request.text.size(); ++i) {
    if (request.text[i] == '\r' && i + 1 < request.text.size() && request.text[i + 1] == '\n')
      continue;
    text += request.text[i];
  }
  WriteErr(request.title + ": " + text + "\n");
}

bool cli_view::ShowOutputDialog(output_format_rec& rec) {
  if (!out_folder_.empty()) rec.folder = out_folder_;
  rec.profile_index = profile_index_;
  rec.merge = merge_ && rec.merge_possible;
  return true;
}

void cli_view::ProcessEvents() {
  if (driver_) {
    if (cli_interrupts.load() > 0 && driver_->StopRequest() == stop_none)
      driver_->SetStopRequest(stop_request);
    if (driver_->RunningTemp() != Cli_CurrentTemp()) Cli_SetCurrentTemp(driver_->RunningTemp());
  }
  Draw(false);
}

void cli_view::SetProgressLabel(progress_label which, const std::string& text) {
  switch (which) {
    case progress_label::input:
      input_ = text;
      break;
    case progress_label::elapsed:
      elapsed_ = text;
      break;
    case progress_label::remaining:
      remaining_ = text;
      break;
    default:
      break;
  }
}

void cli_view::SetProgressBar(double fraction) {
  fraction_ = fraction;
}

void cli_view::Draw(bool force) {
  if (!progress_) return;
  std::uint32_t now = Tick_Count();
  if (!force && drawn_ && now - last_draw_ < 100) return;
  last_draw_ = now;
  drawn_ = true;
  const int width = 24;
  double f = std::clamp(fraction_, 0.0, 1.0);
  int filled = static_cast<int>(f * width);
  std::string line = "\r[" + std::string(static_cast<std::size_t>(filled), '#') +
                     std::string(static_cast<std::size_t>(width - filled), '.') + "] ";
  char pct[8];
  auto [end, ec] = std::to_chars(pct, pct + sizeof pct, static_cast<int>(std::nearbyint(f * 100)));
  std::string p(pct, end);
  line += std::string(p.size() < 3 ? 3 - p.size() : 0, ' ') + p + "%  " + FileName(input_);
  if (!elapsed_.empty()) line += "  elapsed " + elapsed_;
  // The label holds a time, or a text such as "Conversion finished".
  if (!remaining_.empty())
    line += (remaining_[0] >= '0' && remaining_[0] <= '9' ? "  remaining " : "  ") + remaining_;
  line += "\033[K";
  WriteErr(line);
}

void cli_view::EndProgressLine() {
  if (!progress_ || !drawn_) return;
  Draw(true);
  WriteErr("\n");
  drawn_ = false;
}
