#include "workflow/kest_time_predictor.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "foundation/kest_errors.h"

time_predictor::time_predictor() {
  SetCapacity(kDefaultCapacity);
}

void time_predictor::ClearRing() {
  progress_deltas_.assign(static_cast<size_t>(capacity_), 0.0);
  time_deltas_.assign(static_cast<size_t>(capacity_), 0.0);
  ring_pos_ = 0;
  progress_sum_ = 0;
  time_sum_ = 0;
}

void time_predictor::SetCapacity(int n) {
  capacity_ = std::clamp(n, kMinCapacity, kMaxCapacity);
  ClearRing();
}

void time_predictor::Reset() {
  ClearRing();
  sample_count_ = 0;
  last_progress_ = 0;
  last_time_ = 0;
  Stopwatch_Start(watch_);
}

void time_predictor::SetTotal(double x) {
  total_ = x < 0 ? 0 : x;
}

double time_predictor::Elapsed() const {
  return Stopwatch_Seconds(watch_);
}

double time_predictor::GetRemainingTime(double progress) {
  try {
    if (!(total_ > 0)) return 0;
    const double now = Elapsed();
    const double dp = progress - last_progress_;
    const double dt = now - last_time_;
    if (dp > 0 || dt > 0) {
      // The first two samples after a reset only fix the reference point.
      if (sample_count_ > 1) {
        const auto slot = static_cast<size_t>(ring_pos_);
        progress_sum_ += dp - progress_deltas_.at(slot);
        time_sum_ += dt - time_deltas_.at(slot);
        progress_deltas_[slot] = dp;
        time_deltas_[slot] = dt;
        if (++ring_pos_ >= capacity_) ring_pos_ = 0;
      }
      ++sample_count_;
      last_progress_ = progress;
      last_time_ = now;
    }
    if (sample_count_ > 2 && progress_sum_ > 0) {
      const double remaining = time_sum_ / progress_sum_ * (total_ - progress);
      return remaining < 0 ? 0 : remaining;
    }
    return 0;
  } catch (...) {
    std::string message;
    ReportError(false, "time_predictor.GetRemainingTime", "kest_time_predictor.cpp", message, "");
    return 0;
  }
}

double time_predictor::RoundForDisplay(double x) {
  auto to_multiple = [x](double m) { return std::nearbyint(x / m) * m; };
  if (x > 3600) return to_multiple(60);
  if (x > 600) return to_multiple(10);
  if (x > 60) return to_multiple(5);
  if (x > 0.5) return to_multiple(1);
  return 0;
}
