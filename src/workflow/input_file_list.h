#pragma once
// The job list of the converter: input files with their probed properties, the part to
// convert, per-file adjustments, output name and size, and conversion status.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "encoder/ffmpeg_tools.h"

inline constexpr int status_convert = 0;
inline constexpr int status_converting = 1;
inline constexpr int status_merging = 2;
inline constexpr int status_done = 3;
inline constexpr int status_done_earlier = 4;
inline constexpr int status_interrupted = 5;
inline constexpr int status_error = 6;

// The word the Status column shows; a single space for an unknown value.
std::string_view FileStatus_Text(int status);

// Bit n stands for status n.
constexpr std::uint32_t StatusMask(int status) {
  return std::uint32_t{1} << status;
}

struct file_item_data {
  std::string input_path;
  int media_kind = 0;  // 0: has a video stream, 1: audio only (also the row icon)
  media_info media{};
  int status = status_convert;
  double start_sec = 0;
  double end_sec = 0;
  double file_duration_sec = 0;
  bool deinterlace = false;
  int volume_pct = 0;  // 0..400, 100 leaves the volume unchanged
  std::string output_path;
  std::int64_t output_size = 0;  // an estimate while converting
  bool is_merged_output = false;
  std::string input_short_path;   // input_path as handed to the encoder
  std::string output_short_path;  // during a conversion: the temporary file
};

class file_item : public file_item_data {
 public:
  file_item() { Init(); }

  media_video& video_info() { return media.video; }
  media_audio& audio_info() { return media.audio; }
  const media_video& video_info() const { return media.video; }
  const media_audio& audio_info() const { return media.audio; }

  // Paths, range and adjustments back to their defaults; media and merge flag stay.
  void Init();
  void Assign(const file_item& other) { static_cast<file_item_data&>(*this) = other; }
  void ResetOutput();
  double SelectedLength() const;
  void SetStart(double x);
  void SetEnd(double x);
  void Reclamp();
  void SetVolume(int v);
  void SetInputPath(const std::string& path);
  void SetOutputPath(const std::string& path);
};

// A path is skipped silently when its extension is empty, "." alone, or a piece of the
// excluded-extension text (a plain substring test).
bool File_IsExcludedExtension(std::string_view path);

class file_list {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  file_item& Item(int index) { return *items_.at(static_cast<std::size_t>(index)); }
  const file_item& Item(int index) const { return *items_.at(static_cast<std::size_t>(index)); }

  // Probes the file and inserts it: 0 added, 1 an unexpected error, 2 not a usable media file.
  int Insert(int index, const std::string& path);
  int Add(const std::string& path) { return Insert(Count(), path); }
  // Inserts a ready item (already probed); used by Insert and by tests.
  void InsertItem(int index, std::unique_ptr<file_item> item);
  void DeleteRange(int first, int n);
  void Clear() { DeleteRange(0, Count()); }

  bool IsSelected(int i);
  void SetSelected(int i, bool flag);
  void MoveUp();
  void MoveDown();

  double TotalSelectedLength(std::uint32_t status_mask) const;

 private:
  void SyncFlags() { flags_.resize(items_.size(), false); }

  std::vector<std::unique_ptr<file_item>> items_;
  std::vector<bool> flags_;
};

// Heading plus up to ten names (all eleven when there are eleven) and a remark for the rest.
std::string FileListMessage_Text(std::string_view heading, const std::vector<std::string>& names);
// Shows that text as an error message; nothing for an empty list.
void ShowFileListMessage(std::string_view heading, std::vector<std::string>& names);
