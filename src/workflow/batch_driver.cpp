#include "workflow/batch_driver.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <exception>
#include <random>
#include <set>

#include "encoder/ffmpeg_job.h"
#include "foundation/graph_utils.h"
#include "foundation/kest_errors.h"
#include "foundation/os_utils.h"
#include "foundation/string_utils.h"
#include "profiles/output_profile_list.h"
#include "workflow/app_settings.h"
#include "workflow/msg_dlg.h"
#include "workflow/output_files.h"

namespace {

std::string IntText(long long v) {
  char buf[24];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, end);
}

std::string WithSlash(std::string folder) {
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

std::string FileNamePart(const std::string& path) {
  auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Every status but "Done earlier" (and the merge inputs): what a batch still has to handle
// or has handled. At the start of a batch this is exactly the files waiting to be converted.
constexpr std::uint32_t kBatchMask = StatusMask(status_convert) | StatusMask(status_converting) |
                                     StatusMask(status_done) | StatusMask(status_interrupted) |
                                     StatusMask(status_error);

struct job_holder {
  ffmpeg_handle job = Ffmpeg_Create();
  ~job_holder() { Ffmpeg_Free(job); }
};

// The encoder runner's idle handler for the length of one operation.
struct idle_handler_scope {
  explicit idle_handler_scope(ffmpeg_idle_handler idle) { Ffmpeg_SetIdleHandler(std::move(idle)); }
  ~idle_handler_scope() { Ffmpeg_SetIdleHandler(nullptr); }
};

}  // namespace

batch_driver::batch_driver(profile_list& profiles, app_settings& settings, batch_view& view)
    : profiles_(profiles), settings_(settings), view_(view) {
  random_ = [] {
    static std::minstd_rand gen{std::random_device{}()};
    return static_cast<int>(gen() % 3);
  };
}

batch_driver::~batch_driver() = default;

void batch_driver::SetWindowMode(int mode) {
  window_mode_ = mode;
  view_.SetWindowMode(mode);
}

// ---- adding files ----

void batch_driver::AddFiles(const std::vector<std::string>& paths) {
  stop_request_ = stop_none;
  if (paths.empty()) return;
  view_.HideBalloon();
  view_.HideProgressPanel();
  SetWindowMode(window_mode_adding);
  std::vector<std::string> errors;
  // A probe always runs to its end; a stop request is honoured after it.
  idle_handler_scope idle([this] {
    view_.ProcessEvents();
    return true;
  });
  try {
    for (const auto& given : paths) {
      std::string path = Shortcut_Resolve(given);
      current_name_ = path;
      view_.SetRowCount(files_.Count() + 1);
      if (files_.Count() == 0) view_.RefreshActions();
      view_.ProcessEvents();
      if (File_IsExcludedExtension(path)) continue;
      int r = files_.Add(path);
      if (r == 1)
        errors.push_back("Program error. Please reinstall the application.");
      else if (r == 2)
        errors.push_back(path);
      if (stop_request_ != stop_none) break;
    }
    RecomputeMergeItem();
    view_.SetRowCount(files_.Count());
    view_.SelectRow(files_.Count() - 1);
    view_.RepaintList();
  } catch (...) {
    SetWindowMode(window_mode_idle);
    throw;
  }
  SetWindowMode(window_mode_idle);
  if (!errors.empty() && stop_request_ != stop_and_exit)
    ShowFileListMessage("Error opening files:", errors);
  if (stop_request_ == stop_and_exit) view_.CloseWindow();
}

// ---- stop and close ----

void batch_driver::RequestStop() {
  if (window_mode_ == window_mode_converting) {
    if (Msg_YesNo("Stop current conversion?", msg_result_no) == msg_result_yes)
      stop_request_ = stop_request;
  } else if (window_mode_ == window_mode_adding) {
    stop_request_ = stop_request;
  }
}

bool batch_driver::CloseRequest() {
  if (window_mode_ == window_mode_idle) return true;
  if (stop_request_ == stop_and_exit) return true;
  if (Msg_YesNo("Abort current operation and exit?", msg_result_no) == msg_result_yes)
    stop_request_ = stop_and_exit;
  return false;
}

// ---- list operations ----

int batch_driver::CountWithStatus(std::uint32_t mask) const {
  int n = 0;
  for (int i = 0; i < files_.Count(); ++i) {
    int s = files_.Item(i).status;
    if (s >= 0 && s < 32 && (mask & StatusMask(s))) ++n;
  }
  return n;
}

void batch_driver::SetAllStatus(int status) {
  for (int i = 0; i < files_.Count(); ++i) files_.Item(i).status = status;
}

bool batch_driver::AnyConverted() const {
  return CountWithStatus(StatusMask(status_done) | StatusMask(status_done_earlier)) > 0;
}

void batch_driver::RecomputeMergeItem() {
  file_count_ = files_.Count();
  if (file_count_ == 0) {
    merge_item_.Init();
    merge_possible_ = false;
    merge_chosen_ = false;
    return;
  }
  const bool keep_range = std::fabs(merge_item_.start_sec) > 0.5 ||
                          std::fabs(merge_item_.end_sec - merge_item_.file_duration_sec) > 0.5;
  bool all_video = true, all_audio = true, any_video = false, any_audio = false;
  double sum = 0;
  for (int i = 0; i < file_count_; ++i) {
    const auto& f = files_.Item(i);
    bool v = f.media.video.present && f.media.video.supported;
    bool a = f.media.audio.present && f.media.audio.supported;
    all_video = all_video && v;
    all_audio = all_audio && a;
    any_video = any_video || v;
    any_audio = any_audio || a;
    sum += f.file_duration_sec;
  }
  merge_possible_ = file_count_ > 1 && ((all_video && all_audio) || (all_video && !any_audio) ||
                                        (all_audio && !any_video));
  merge_chosen_ = merge_chosen_ && merge_possible_;
  merge_item_.SetInputPath(files_.Item(0).input_path);
  merge_item_.media_kind = (all_video || !all_audio) ? 0 : 1;
  merge_item_.media = files_.Item(0).media;
  merge_item_.file_duration_sec = sum;
  if (keep_range) {
    merge_item_.Reclamp();
  } else {
    merge_item_.SetStart(0);
    merge_item_.SetEnd(sum);
  }
  merge_item_.ResetOutput();
  merge_item_.is_merged_output = true;
  merge_item_.media.video.present = any_video;
  merge_item_.media.audio.present = any_audio;
}

// ---- the steps of Convert ----

bool batch_driver::EnsureOutputFolder() {
  for (;;) {
    std::string folder = settings_.LastOutputFolder();
    if (Folder_Force(folder)) return true;
    Msg_Warning("Output folder \"" + folder +
                "\" cannot be created. Please choose another folder to save converted files.");
    std::string chosen;
    if (!view_.ChooseOutputFolder(folder, chosen)) return false;
    chosen = WithSlash(chosen);
    if (chosen == folder) return false;
    settings_.SetLastOutputFolder(chosen);
  }
}

bool batch_driver::ShowOutputDialog() {
  if (files_.Count() == 0) return false;
  RecomputeMergeItem();
  output_format_rec rec;
  rec.folder = settings_.LastOutputFolder();
  rec.start = false;
  rec.profile_index = selected_profile_;
  rec.profiles = &profiles_;
  rec.merge_possible = merge_possible_;
  rec.merge = merge_chosen_;
  rec.merge_item = &merge_item_;
  rec.start = view_.ShowOutputDialog(rec);
  settings_.SetLastOutputFolder(rec.folder);
  selected_profile_ = rec.profile_index;
  if (const profile_item* p = ProfileList_Get(profiles_, selected_profile_)) {
    settings_.SetLastProfileId(p->data.preset.id);
    settings_.SetLastProfileDesc(std::string(p->data.preset.description));
  }
  merge_chosen_ = rec.merge;
  RecomputeMergeItem();
  reconvert_ = true;
  if (rec.start && AnyConverted() && !merge_chosen_)
    reconvert_ = Msg_YesNo("Some files were already converted. Convert them again?",
                           msg_result_no) == msg_result_yes;
  return rec.start;
}

void batch_driver::PrepareForBatch() {
  for (int i = 0; i < files_.Count(); ++i) {
    auto& f = files_.Item(i);
    if (reconvert_ || (f.status != status_done && f.status != status_done_earlier))
      f.ResetOutput();
    else
      f.status = status_done_earlier;
  }
}

std::string batch_driver::OutputBasePath(const std::string& input_path,
                                         const std::string& extension) const {
  std::string name = File_ChangeExt(FileNamePart(input_path), extension);
  if (merging_) name = "Merged " + name;
  return WithSlash(settings_.LastOutputFolder()) + name;
}

std::string batch_driver::MakeOutputName(const std::string& input_path,
                                         const std::string& extension) const {
  return Output_UniqueName(OutputBasePath(input_path, extension));
}

bool batch_driver::FinalizeOutput() {
  file_item& item = *current_item_;
  // Never replaces a file: one that appeared during the conversion pushes the output to the
  // next free number, even when it appears between the check and the move.
  std::string final_path = Output_MoveNoReplace(item.output_short_path, item.output_path);
  if (final_path.empty()) return false;
  if (final_path != item.output_path) {
    std::string temp = item.output_short_path;
    item.SetOutputPath(final_path);
    item.output_short_path = temp;
  }
  return true;
}

void batch_driver::RecomputeTotal() {
  total_length_ = merging_ ? merge_item_.SelectedLength() : files_.TotalSelectedLength(kBatchMask);
}

void batch_driver::StartProgress() {
  RecomputeTotal();
  predictor_.SetTotal(total_length_);
  batch_state_ = batch_initialising;
  done_length_ = 0;
  fraction_ = 0;
  elapsed_ = 0;
  current_name_.clear();
  final_text_.clear();
  view_.HideBalloon();
  view_.SetProgressBar(0);
  view_.ShowHidePanelCommand(false);
  view_.ShowShutdownBox(true, true);
  view_.ShowProgressPanel();
  view_.SetProgressLabel(progress_label::input, "Initializing...");
  view_.SetProgressLabel(progress_label::output, "");
  view_.SetProgressLabel(progress_label::profile, "");
  UpdateProgress(0, 0, 0);
  view_.ProcessEvents();
  batch_state_ = batch_running;
  predictor_.Reset();
}

void batch_driver::UpdateProgress(double fraction, double elapsed, double remaining) {
  view_.SetProgressBar(fraction);
  title_ = "(" + IntText(static_cast<long long>(std::nearbyint(fraction * 100))) + "%) Flenmark";
  view_.SetTitle(title_);
  view_.SetProgressLabel(progress_label::elapsed,
                         elapsed > 0.5 ? Duration_ToText(elapsed, false) : std::string());
  view_.SetProgressLabel(progress_label::remaining,
                         remaining > 0.5 ? Duration_ToText(remaining, false) : std::string());
}

void batch_driver::FinishProgress() {
  elapsed_ = predictor_.Elapsed();
  view_.ShowShutdownBox(false, false);
  view_.ShowHidePanelCommand(true);
  if ((stop_request_ == stop_request || stop_request_ == stop_and_exit) && fraction_ < 1) {
    batch_state_ = batch_interrupted;
  } else {
    batch_state_ = batch_finished;
    fraction_ = 1;
  }
  UpdateProgress(fraction_, elapsed_, 0);
  title_ = "Flenmark";
  view_.SetTitle(title_);
  final_text_ =
      batch_state_ == batch_interrupted ? "Conversion interrupted" : "Conversion finished";
  view_.SetProgressLabel(progress_label::remaining, final_text_);
  view_.ProcessEvents();
}

void batch_driver::ShowResults(std::vector<std::string>& errors) {
  view_.ShowBalloon(converted_count_ > 0
                        ? "Done. Click the right-hand set of Play / Explore buttons to view the "
                          "new files."
                        : "No files converted.");
  if (batch_state_ == batch_finished && elapsed_ > 30 && settings_.PlaySound())
    view_.PlaySound(WithSlash(settings_.program_folder) + "done.wav");
  if (AnyConverted() && settings_.AutoExplore()) {
    int row = view_.SelectedRow();
    if (row >= 0 && row < files_.Count() && !files_.Item(row).output_path.empty())
      view_.ExploreFile(files_.Item(row).output_path);
    else
      view_.ExploreFolder(settings_.LastOutputFolder());
  }
  if (!errors.empty()) {
    if (merging_)
      Msg_Error("Merging failed. Input files were too different.");
    else
      ShowFileListMessage("Error converting these input files:", errors);
  }
}

// ---- progress ----

bool batch_driver::OnProgress(double t, std::int64_t size_kb) {
  if (!current_item_) return stop_request_ == stop_none;
  file_item& item = *current_item_;
  const bool invalid_length = t > item.SelectedLength() + 1;
  if (invalid_length) {
    const bool at_end = item.file_duration_sec <= item.end_sec + 0.5;
    item.file_duration_sec = t + item.start_sec;
    if (at_end) item.SetEnd(item.file_duration_sec);
    RecomputeTotal();
    predictor_.SetTotal(total_length_);
  }
  const double p = t + done_length_;
  fraction_ = total_length_ > 0 ? p / total_length_ : 1;
  if (invalid_length) fraction_ = std::min(fraction_, 0.95 + random_() / 100.0);
  elapsed_ = predictor_.Elapsed();
  const std::int64_t previous = item.output_size;
  const std::int64_t estimate =
      t == 0 ? 0
             : static_cast<std::int64_t>(item.SelectedLength() * static_cast<double>(size_kb) / t);
  item.output_size = estimate * 1024;
  if (item.output_size > 0 && std::llabs(item.output_size - previous) >= previous / 1000)
    view_.RepaintList();
  UpdateProgress(fraction_, elapsed_, predictor_.GetRemainingRounded(p));
  if (invalid_length)
    view_.SetProgressLabel(
        progress_label::remaining,
        "This file reported invalid length... please wait until conversion ends...");
  view_.ProcessEvents();
  return stop_request_ == stop_none;
}

bool batch_driver::OnIdle() {
  view_.ProcessEvents();
  return stop_request_ == stop_none;
}

// ---- one job ----

namespace {

// Output picture size and frame rate of the working profile for an input.
void ResolveVideo(ffmpeg_preset& p, const media_video& in) {
  const int W = in.width, H = in.height;
  if (p.width == -1 && p.height == -1) {
    p.width = W;
    p.height = H;
  } else if (p.height == -1) {
    p.height = W > 0 ? static_cast<int>(static_cast<long long>(H) * p.width / W) : H;
  } else if (p.width == -1) {
    p.width = H > 0 ? static_cast<int>(static_cast<long long>(W) * p.height / H) : W;
  } else if ((W != p.width || H != p.height) && (p.resize_mode == 2 || p.resize_mode == 3)) {
    kx_size fit = Fit_Resize_Calc(kx_size{W, H}, kx_size{p.width, p.height}, p.resize_mode == 3);
    p.width = fit.cx;
    p.height = fit.cy;
  }
  if (std::fabs(p.fps - -1.0) < 1e-6) p.fps = in.fps;
}

}  // namespace

void batch_driver::FillJob(ffmpeg_handle job, profile_item& work, file_item& item) {
  ffmpeg_preset& p = work.data.preset;
  Ffmpeg_SetOutputFile(job, item.output_short_path);
  Ffmpeg_SetFormatId(job, p.id);
  Ffmpeg_SetContainer(job, p.container);
  if (item.media.video.present && work.data.has_video) {
    ResolveVideo(p, item.media.video);
    Profile_Normalize(work);
    Ffmpeg_SetVideoCodec(job, p.video_codec);
    Ffmpeg_SetVideoBitrate(job, p.video_bitrate);
    Ffmpeg_SetWidth(job, p.width);
    Ffmpeg_SetHeight(job, p.height);
    Ffmpeg_SetFrameRate(job, p.fps);
    Ffmpeg_SetSpeed(job, p.speed);
    Ffmpeg_SetDeinterlace(job, item.deinterlace);
  }
  if (item.media.audio.present && work.data.has_audio) {
    if (p.sample_rate == -1) p.sample_rate = item.media.audio.sample_rate;
    if (p.channels == -1) p.channels = item.media.audio.channels;
    Ffmpeg_SetAudioCodec(job, p.audio_codec);
    Ffmpeg_SetSampleRate(job, p.sample_rate);
    Ffmpeg_SetChannels(job, p.channels);
    Ffmpeg_SetAudioBitrate(job, p.audio_bitrate);
    Ffmpeg_SetVolume(job, item.volume_pct);
  }
  Ffmpeg_SetStart(job, item.start_sec);
  Ffmpeg_SetDuration(job, item.end_sec >= item.file_duration_sec ? 0 : item.SelectedLength());
}

// ---- Convert ----

void batch_driver::Convert() {
  try {
    stop_request_ = stop_none;
    current_item_ = nullptr;
    if (!EnsureOutputFolder()) return;
    if (!ShowOutputDialog()) return;
    PrepareForBatch();
    view_.RepaintList();
    if (CountWithStatus(StatusMask(status_convert)) == 0) return;
    SetWindowMode(window_mode_converting);
    std::vector<std::string> errors;
    converted_count_ = 0;
    merging_ = merge_chosen_;
    std::exception_ptr escaped;
    try {
      RunJobs(errors);
    } catch (...) {
      escaped = std::current_exception();
    }
    current_item_ = nullptr;
    if (merging_) SetAllStatus(merge_item_.status);
    FinishProgress();
    view_.RepaintList();
    SetWindowMode(window_mode_idle);
    bool powered_off = false;
    if (view_.ShutdownTicked() && batch_state_ == batch_finished) {
      if (Msg_OkCancel("Turning computer off in a few seconds. Press CANCEL if you don't want to "
                       "turn the computer off.",
                       msg_result_ok, 15) == msg_result_ok) {
        powered_off = true;
        view_.PowerOff();
        view_.CloseWindow();
      }
    }
    if (!powered_off && stop_request_ != stop_and_exit) ShowResults(errors);
    if (stop_request_ == stop_and_exit) view_.CloseWindow();
    merging_ = false;
    if (escaped) std::rethrow_exception(escaped);
  } catch (...) {
    merging_ = false;
    if (window_mode_ != window_mode_idle) SetWindowMode(window_mode_idle);
    std::string message;
    ReportError(true, "Convert", "", message, "");
  }
}

void batch_driver::RunJobs(std::vector<std::string>& errors) {
  auto work = std::make_unique<profile_item>();
  job_holder holder;
  ffmpeg_handle job = holder.job;
  Ffmpeg_SetProgressCallback(job, [this](double t, std::int64_t kb) { return OnProgress(t, kb); });
  idle_handler_scope idle([this] { return OnIdle(); });
  const std::string out_dir = WithSlash(Path_Safe(settings_.LastOutputFolder()));

  int n = files_.Count();
  if (merging_) {
    for (int i = 0; i < files_.Count(); ++i) {
      Ffmpeg_AddInput(job, files_.Item(i).input_short_path);
      files_.Item(i).status = status_merging;
    }
    n = std::fabs(merge_item_.file_duration_sec) < 1e-6 ? 0 : 1;
    current_item_ = &merge_item_;
  }
  StartProgress();

  for (int i = 0; i < n; ++i) {
    const profile_item* chosen = ProfileList_Get(profiles_, selected_profile_);
    if (!chosen) throw std::runtime_error("No output profile is selected.");
    Profile_CopyData(*work, *chosen);
    if (!merging_) {
      current_item_ = &files_.Item(i);
      if (current_item_->status != status_convert) continue;
      Ffmpeg_ClearInputs(job);
      Ffmpeg_AddInput(job, current_item_->input_short_path);
    }
    file_item& item = *current_item_;
    item.SetOutputPath(MakeOutputName(item.input_path, std::string(work->data.preset.extension)));
    // The temporary file is claimed at once so that no other conversion writes it too.
    item.output_short_path = Output_ReserveTemp(out_dir + std::string(temp_output_name));
    if (item.output_short_path.empty())
      throw std::runtime_error("Cannot create a temporary file in " + out_dir + ".");
    const std::string temp = item.output_short_path;
    running_temp_ = temp;
    if (merging_)
      for (int k = 0; k < files_.Count(); ++k)
        if (files_.Item(k).status == status_merging) files_.Item(k).SetOutputPath(item.output_path);
    current_name_ = item.input_path;
    bool ok = false;
    try {
      FillJob(job, *work, item);
      if (merging_) {
        view_.SetProgressLabel(progress_label::input,
                               IntText(files_.Count()) + " input files merged");
        view_.SetProgressLabel(progress_label::output, merge_item_.output_path);
      } else {
        item.status = status_converting;
        view_.SetProgressLabel(progress_label::input, item.input_path);
        view_.SetProgressLabel(progress_label::output, item.output_path);
      }
      view_.SetProgressLabel(progress_label::profile, Profile_DisplayName(*work, false));
      view_.SelectRow(i);
      view_.ProcessEvents();
      ok = Ffmpeg_Convert(job);
    } catch (...) {
      // A job that cannot even start leaves nothing behind either.
      running_temp_.clear();
      Output_Remove(temp);
      item.status = status_error;
      item.SetOutputPath("");
      item.output_size = 0;
      errors.push_back(item.input_path);
      throw;
    }
    if (!ok) {
      item.status = stop_request_ == stop_none ? status_error : status_interrupted;
    } else if (FinalizeOutput()) {
      item.status = status_done;
      ++converted_count_;
      // A merged output that had to take the next number: its inputs name that file, not the
      // one that took its place.
      if (merging_)
        for (int k = 0; k < files_.Count(); ++k)
          if (files_.Item(k).status == status_merging)
            files_.Item(k).SetOutputPath(item.output_path);
    } else {
      item.status = status_error;
    }
    // Whatever went wrong, no temporary file stays behind.
    if (item.status != status_done) Output_Remove(temp);
    running_temp_.clear();
    if (item.status == status_done) {
      item.output_size = File_Size(item.output_path);
    } else {
      item.SetOutputPath("");
      item.output_size = 0;
    }
    if (item.status == status_error) errors.push_back(item.input_path);
    done_length_ += item.SelectedLength();
    view_.RepaintList();
    if (stop_request_ != stop_none) break;
  }
}

// ---- planning without running ----

std::vector<planned_job> batch_driver::PlanJobs() {
  std::vector<planned_job> plan;
  const profile_item* chosen = ProfileList_Get(profiles_, selected_profile_);
  if (!chosen) return plan;
  auto work = std::make_unique<profile_item>();
  job_holder holder;
  ffmpeg_handle job = holder.job;
  const std::string out_dir = WithSlash(Path_Safe(settings_.LastOutputFolder()));
  merging_ = merge_chosen_;
  // Nothing is written while planning, so names given to earlier jobs count as taken.
  std::set<std::string> planned;
  auto take_name = [&](const std::string& base) {
    std::string name = Output_UniqueName(base, &planned);
    planned.insert(name);
    return name;
  };
  const std::string temp = Output_UniqueName(out_dir + std::string(temp_output_name));
  auto plan_one = [&](file_item& item, const std::string& input) {
    Profile_CopyData(*work, *chosen);
    file_item copy;
    copy.Assign(item);
    copy.SetOutputPath(
        take_name(OutputBasePath(copy.input_path, std::string(work->data.preset.extension))));
    const std::string output = copy.output_path;
    copy.output_short_path = temp;
    FillJob(job, *work, copy);
    // Built on a copy: building changes the job the way a conversion does.
    ffmpeg_rec copy_job = *job;
    plan.push_back({input, output, Ffmpeg_BuildArgs(&copy_job, Ffmpeg_InstalledCaps())});
  };
  if (merging_) {
    for (int i = 0; i < files_.Count(); ++i) Ffmpeg_AddInput(job, files_.Item(i).input_short_path);
    if (std::fabs(merge_item_.file_duration_sec) >= 1e-6)
      plan_one(merge_item_, merge_item_.input_path);
  } else {
    for (int i = 0; i < files_.Count(); ++i) {
      file_item& f = files_.Item(i);
      if (f.status != status_convert) continue;
      Ffmpeg_ClearInputs(job);
      Ffmpeg_AddInput(job, f.input_short_path);
      plan_one(f, f.input_path);
    }
  }
  merging_ = false;
  return plan;
}
