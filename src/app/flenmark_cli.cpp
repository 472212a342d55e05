// flenmark-cli: the conversion workflow without a window. It reads the settings file (never
// writes it), adds the files as the window would, applies the adjustments and runs the batch.
#include <signal.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <charconv>
#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "app/caps_cache.h"
#include "app/cli_view.h"
#include "encoder/ffmpeg_job.h"
#include "encoder/ffmpeg_tools.h"
#include "foundation/os_utils.h"
#include "foundation/platform/os_platform.h"
#include "foundation/string_utils.h"
#include "profiles/output_profile_list.h"
#include "profiles/profile_persistence.h"
#include "workflow/app_settings.h"
#include "workflow/batch_driver.h"

namespace {

constexpr int exit_ok = 0;
constexpr int exit_failed = 1;
constexpr int exit_usage = 2;
constexpr int exit_no_encoder = 3;
constexpr int exit_interrupted = 130;

// Nothing is ever opened, played or powered off from the command line.
class quiet_os_services final : public os_services {
 public:
  bool OpenDocument(const std::string&) override { return false; }
  bool RunProgram(const std::string&, const std::vector<std::string>&,
                  const std::string&) override {
    return false;
  }
  void ShowFolder(const std::string&) override {}
  void ShowItem(const std::string&) override {}
  bool MoveToTrash(const std::string&) override { return false; }
  void PowerOff() override {}
};

void OnSignal(int sig) {
  // A second Ctrl+C (or a termination request) leaves at once, without the temporary file.
  if (sig == SIGINT && cli_interrupts.fetch_add(1) == 0) return;
  const char* temp = Cli_CurrentTemp();
  if (temp[0]) unlink(temp);
  _exit(sig == SIGINT ? exit_interrupted : 128 + sig);
}

void InstallSignals() {
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGHUP, &sa, nullptr);
}

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

std::string Trim(const std::string& s) {
  std::size_t a = s.find_first_not_of(" \t");
  if (a == std::string::npos) return {};
  std::size_t b = s.find_last_not_of(" \t");
  return s.substr(a, b - a + 1);
}

std::string CategoryCaption(const profile_list& list, int category) {
  return ProfileList_CategoryCaption(list, category);
}

// FORMAT: an index of --list-formats, "id:N", or a name or display name (any letter case).
int FindFormat(const profile_list& list, const std::string& text) {
  const int count = ProfileList_Count(list);
  int index = 0;
  auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), index);
  if (ec == std::errc() && p == text.data() + text.size())
    return index >= 0 && index < count ? index : -1;
  if (Lower(text.substr(0, 3)) == "id:") {
    std::string n = Trim(text.substr(3));
    int id = 0;
    auto [q, ec2] = std::from_chars(n.data(), n.data() + n.size(), id);
    if (ec2 != std::errc() || q != n.data() + n.size()) return -1;
    return ProfileList_Find(list, id, "", false);
  }
  const std::string wanted = Lower(Trim(text));
  for (int i = 0; i < count; ++i) {
    const profile_item& item = *ProfileList_Get(list, i);
    if (Lower(std::string(item.data.preset.name)) == wanted ||
        Lower(Trim(Profile_DisplayName(item, true))) == wanted ||
        Lower(Trim(Profile_DisplayName(item, false))) == wanted)
      return i;
  }
  return -1;
}

int ListFormats(const profile_list& list, bool json) {
  nlohmann::json out = nlohmann::json::array();
  for (int i = 0; i < ProfileList_Count(list); ++i) {
    const profile_item& item = *ProfileList_Get(list, i);
    const auto& p = item.data.preset;
    std::string category = CategoryCaption(list, p.category);
    if (json) {
      out.push_back({{"index", i},
                     {"id", p.id},
                     {"category", category},
                     {"name", std::string(p.name)},
                     {"description", std::string(p.description)},
                     {"extension", std::string(p.extension)},
                     {"custom", item.data.is_builtin == 0}});
    } else {
      std::cout << i << '\t' << p.id << '\t' << category << '\t' << Profile_DisplayName(item, true)
                << '\n';
    }
  }
  if (json) std::cout << out.dump(2) << '\n';
  return exit_ok;
}

int Probe(const std::vector<std::string>& files, bool json) {
  nlohmann::json out = nlohmann::json::array();
  bool all_ok = true;
  for (const auto& path : files) {
    media_info info{};
    bool ok = false;
    try {
      ok = Ffmpeg_Probe(Path_Safe(path), info);
    } catch (const std::exception& e) {
      std::cerr << "flenmark-cli: " << e.what() << '\n';
    }
    all_ok = all_ok && ok;
    const auto& v = info.video;
    const auto& a = info.audio;
    if (json) {
      out.push_back({{"path", path},
                     {"ok", ok},
                     {"duration", v.duration},
                     {"bitrate_kbps", info.bitrate_kbps},
                     {"video",
                      {{"present", v.present},
                       {"supported", v.supported},
                       {"codec", std::string(v.codec)},
                       {"width", v.width},
                       {"height", v.height},
                       {"fps", v.fps},
                       {"aspect", v.aspect},
                       {"bitrate_kbps", v.bitrate_kbps}}},
                     {"audio",
                      {{"present", a.present},
                       {"supported", a.supported},
                       {"codec", std::string(a.codec)},
                       {"sample_rate", a.sample_rate},
                       {"channels", static_cast<int>(a.channels)},
                       {"bitrate_kbps", a.bitrate_kbps}}}});
      continue;
    }
    std::cout << path << '\n';
    if (!ok) {
      std::cout << "  not a media file\n";
      continue;
    }
    std::cout << "  duration " << Time_ToText(v.duration, 2) << ", " << info.bitrate_kbps
              << " kb/s\n";
    if (v.present)
      std::cout << "  video " << v.codec << (v.supported ? "" : " (not supported)") << ", "
                << v.width << "x" << v.height << ", " << Float_ToStr(v.fps, 2) << " fps\n";
    else
      std::cout << "  no video\n";
    if (a.present)
      std::cout << "  audio " << a.codec << (a.supported ? "" : " (not supported)") << ", "
                << Ffmpeg_AudioFormatText(a.sample_rate, a.channels) << '\n';
    else
      std::cout << "  no audio\n";
  }
  if (json) std::cout << out.dump(2) << '\n';
  return all_ok ? exit_ok : exit_failed;
}

}  // namespace

int main(int argc, char** argv) {
  Param_Init(argc, argv);
  CLI::App app{"Flenmark: batch converter for video and audio files (command-line front end)",
               "flenmark-cli"};
  app.set_help_flag("-h,--help", "Print this help and exit");
  bool list_formats = false, probe = false, merge = false, deinterlace = false;
  bool dry_run = false, json = false, quiet = false;
  std::string format, out_dir, start_text, end_text, config_file;
  std::optional<int> volume;
  std::vector<std::string> files;
  app.add_flag("--list-formats", list_formats, "List the output formats and exit");
  app.add_flag("--probe", probe, "Show what probing the files learns");
  app.add_option("--format", format, "Output format: an index of --list-formats, id:N, or a name");
  app.add_option("-o,--output", out_dir, "Output folder (default: the last one used)");
  app.add_flag("--merge", merge, "Merge all files into one output");
  app.add_option("--start", start_text, "Start point, e.g. 1.5 or 00:01:02.5");
  app.add_option("--end", end_text, "End point");
  app.add_option("--volume", volume, "Audio volume in percent (0..400, 100 unchanged)");
  app.add_flag("--deinterlace", deinterlace, "Deinterlace the video");
  app.add_flag("--dry-run", dry_run,
               "Print each job's output and encoder arguments; convert nothing");
  app.add_flag("--json", json, "Machine-readable output");
  app.add_flag("--quiet", quiet, "No progress line");
  app.add_option("--config", config_file, "Settings file to read instead of the default");
  app.add_option("files", files, "Input files");
  app.positionals_at_end(false);
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    std::cerr << app.help();
    return exit_usage;
  }
  auto usage = [&](const std::string& why) {
    std::cerr << "flenmark-cli: " << why << "\n\n" << app.help();
    return exit_usage;
  };
  const int modes = int{list_formats} + int{probe} + int{!format.empty()};
  if (modes != 1) return usage("choose one of --list-formats, --probe and --format");
  if (!list_formats && files.empty()) return usage("no input files");
  if (volume && (*volume < 0 || *volume > 400)) return usage("--volume must be 0..400");

  quiet_os_services no_desktop;
  OsServices_Set(&no_desktop);
  cli_msg_host messages;
  MsgDlg_SetHost(&messages);

  auto profiles = ProfileList_Create();
  app_settings settings;
  if (!config_file.empty())
    settings.LoadFile(config_file, *profiles);
  else
    settings.Load(Settings_LocateProgram(), *profiles);
  settings.program_folder = Program_Folder();

  if (list_formats) return ListFormats(*profiles, json);

  if (!Ffmpeg_ExeExists()) {
    std::cerr << "Crucial component missing. Please reinstall. If the error happens again please "
                 "report it on Tarvello web site.\n";
    return exit_no_encoder;
  }
  if (probe) return Probe(files, json);
  CapsCache_Install();

  const int profile_index = FindFormat(*profiles, format);
  if (profile_index < 0) return usage("unknown format \"" + format + "\" (see --list-formats)");
  std::optional<double> start_sec, end_sec;
  if (!start_text.empty()) {
    start_sec = Time_FromText(start_text, -1);
    if (*start_sec < 0) return usage("--start needs a time such as 1.5 or 00:01:02.5");
  }
  if (!end_text.empty()) {
    end_sec = Time_FromText(end_text, -1);
    if (*end_sec < 0) return usage("--end needs a time such as 1.5 or 00:01:02.5");
  }
  if (!out_dir.empty()) {
    if (out_dir[0] != '/') {
      char cwd[4096];
      if (getcwd(cwd, sizeof cwd)) out_dir = std::string(cwd) + "/" + out_dir;
    }
    if (out_dir.back() != '/') out_dir += '/';
    settings.SetLastOutputFolder(out_dir);
  }

  InstallSignals();
  const bool show_progress = !quiet && !json && isatty(2);
  cli_view view(show_progress, out_dir, merge);
  batch_driver driver(*profiles, settings, view);
  view.SetDriver(&driver);
  view.SetProfileIndex(profile_index);
  driver.SetSelectedProfile(profile_index);

  std::vector<std::string> paths;
  for (const auto& f : files) {
    if (File_IsExcludedExtension(Shortcut_Resolve(f)))
      std::cerr << "Skipped (not a media file type): " << f << '\n';
    paths.push_back(f);
  }
  driver.AddFiles(paths);
  if (cli_interrupts.load() > 0) return exit_interrupted;
  file_list& list = driver.Files();
  const bool all_opened = list.Count() == static_cast<int>(paths.size());
  if (list.Count() == 0) return exit_failed;

  auto adjust = [&](file_item& item) {
    if (start_sec) item.SetStart(*start_sec);
    if (end_sec) item.SetEnd(*end_sec);
    if (volume) item.SetVolume(*volume);
    if (deinterlace) item.deinterlace = true;
  };
  if (merge) {
    if (!driver.MergePossible()) {
      std::cerr << "flenmark-cli: these files cannot be merged into one (merging needs at least "
                   "two files that all have video, or all have audio only)\n";
      return exit_failed;
    }
    driver.SetMergeChosen(true);
    adjust(driver.MergeItem());
  } else {
    for (int i = 0; i < list.Count(); ++i) adjust(list.Item(i));
  }

  if (dry_run) {
    driver.SetMergeChosen(merge);
    std::vector<planned_job> plan = driver.PlanJobs();
    nlohmann::json out = nlohmann::json::array();
    for (const auto& job : plan) {
      if (json)
        out.push_back({{"input", job.input}, {"output", job.output}, {"args", job.args}});
      else
        std::cout << job.output << '\n' << "  " << job.args << '\n';
    }
    if (json) std::cout << out.dump(2) << '\n';
    return all_opened ? exit_ok : exit_failed;
  }

  driver.Convert();
  view.EndProgressLine();

  bool all_done = all_opened;
  nlohmann::json out = nlohmann::json::array();
  for (int i = 0; i < list.Count(); ++i) {
    const file_item& f = list.Item(i);
    const file_item& result = merge ? driver.MergeItem() : f;
    const bool done = f.status == status_done;
    all_done = all_done && done;
    const std::string output = done ? result.output_path : std::string();
    const std::int64_t size = done ? result.output_size : 0;
    if (json) {
      out.push_back({{"input", f.input_path},
                     {"status", std::string(FileStatus_Text(f.status))},
                     {"output", output},
                     {"output_size", size}});
    } else {
      std::cout << FileStatus_Text(f.status) << '\t' << f.input_path << '\t' << output << '\t'
                << size << '\n';
    }
  }
  if (json) std::cout << out.dump(2) << '\n';
  std::cout.flush();
  if (cli_interrupts.load() > 0 || driver.BatchState() == batch_interrupted)
    return exit_interrupted;
  return all_done ? exit_ok : exit_failed;
}
