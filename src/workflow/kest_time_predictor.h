#pragma once
// Remaining-time estimate of a batch: wall-clock seconds per media second over a moving window
// of the latest progress samples, times the media seconds still to go. Also the batch's
// stopwatch for the elapsed-time display.
#include <cstdint>
#include <vector>

#include "foundation/graph_utils.h"

class time_predictor {
 public:
  static constexpr int kMinCapacity = 5;
  static constexpr int kMaxCapacity = 1000;
  static constexpr int kDefaultCapacity = 50;

  time_predictor();

  // Window size clamped to 5..1000; clears the window (not the sample count or last values).
  void SetCapacity(int n);
  // Clears the window and the samples and restarts the stopwatch.
  void Reset();
  // Media seconds of the whole batch; negative gives 0.
  void SetTotal(double x);
  // Seconds since Reset.
  double Elapsed() const;
  // Raw estimate in seconds for `progress` media seconds done; records the sample.
  double GetRemainingTime(double progress);
  double GetRemainingRounded(double progress) {
    return RoundForDisplay(GetRemainingTime(progress));
  }
  // Above an hour to whole minutes, above 10 minutes to 10 s, above a minute to 5 s, above
  // half a second to whole seconds, else 0; halves go to the even neighbour.
  static double RoundForDisplay(double x);

  double Total() const { return total_; }
  int Capacity() const { return capacity_; }
  int SampleCount() const { return sample_count_; }

 private:
  void ClearRing();

  double total_ = 0;
  int capacity_ = 0;
  std::vector<double> progress_deltas_;
  std::vector<double> time_deltas_;
  int ring_pos_ = 0;
  int sample_count_ = 0;
  double progress_sum_ = 0;
  double time_sum_ = 0;
  double last_progress_ = 0;
  double last_time_ = 0;
  stopwatch watch_{};
};
