// Remaining-time estimates on an injected millisecond clock.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "foundation/graph_utils.h"
#include "workflow/kest_time_predictor.h"

namespace {

std::uint32_t g_tick = 0;
std::uint32_t FakeTick() {
  return g_tick;
}

class time_predictor_test : public ::testing::Test {
 protected:
  void SetUp() override { Tick_SetSource(&FakeTick); }
  void TearDown() override { Tick_SetSource(nullptr); }
  // Restarts the predictor with the clock at `start` milliseconds.
  void ResetAt(std::uint32_t start) {
    g_tick = start;
    p_.Reset();
    start_ = start;
  }
  // Sets the clock to `seconds` after the reset and asks for the estimate.
  double At(double seconds, double progress) {
    g_tick = start_ + static_cast<std::uint32_t>(seconds * 1000);
    return p_.GetRemainingTime(progress);
  }
  time_predictor p_;
  std::uint32_t start_ = 0;
};

TEST_F(time_predictor_test, WorkedSequenceAlsoAcrossTheTickWrap) {
  // The second start makes the 32-bit tick counter wrap between the second and
  // third call.
  for (const std::uint32_t start : {0u, 1000u, 0xFFFFFFFFu - 2500u}) {
    SCOPED_TRACE(start);
    p_.SetTotal(100);
    ResetAt(start);
    std::vector<double> got;
    for (int i = 1; i <= 5; ++i) got.push_back(At(i, 2.0 * i));
    EXPECT_EQ(got, (std::vector<double>{0, 0, 47, 46, 45}));
    EXPECT_DOUBLE_EQ(p_.Elapsed(), 5.0);
    g_tick = start_ + 6000;
    EXPECT_EQ(p_.GetRemainingRounded(12), 44);
  }
}

TEST_F(time_predictor_test, SamplesWithoutMovementAreIgnored) {
  p_.SetTotal(100);
  ResetAt(5000);
  EXPECT_EQ(At(0, 0), 0);  // neither clock nor progress moved since the reset
  EXPECT_EQ(p_.SampleCount(), 0);
  At(1, 2);
  At(2, 4);
  EXPECT_EQ(At(3, 6), 47);
  EXPECT_EQ(At(3, 6), 47);  // the same sample again changes nothing
  EXPECT_EQ(p_.SampleCount(), 3);
  EXPECT_EQ(At(4, 6), 94);   // clock moved, progress not: 2 s for 2 media s
  EXPECT_EQ(At(5, 200), 0);  // past the total: never negative
}

TEST_F(time_predictor_test, FullWindowDropsTheOldestIncrements) {
  p_.SetCapacity(5);
  p_.SetTotal(1000);
  ResetAt(0);
  double clock = 0, progress = 0;
  double last = 0;
  for (int i = 0; i < 13; ++i) {
    clock += 1;
    progress += 2;  // 0.5 s per media second
    last = At(clock, progress);
  }
  EXPECT_DOUBLE_EQ(last, 0.5 * (1000 - progress));
  // Now 1 s per media second; after five such increments the old rate is gone
  // entirely.
  std::vector<double> got;
  for (int i = 0; i < 5; ++i) {
    clock += 1;
    progress += 1;
    got.push_back(At(clock, progress));
  }
  const double base = 1000 - progress;
  EXPECT_DOUBLE_EQ(got[0], (4 * 1 + 1) / (4 * 2.0 + 1) * (base + 4));
  EXPECT_DOUBLE_EQ(got[4], 1.0 * base);
}

TEST_F(time_predictor_test, CapacityClampsAndKeepsSamples) {
  for (const auto& [asked, slots] : std::vector<std::pair<int, int>>{
           {2, 5}, {-1, 5}, {5, 5}, {50, 50}, {1000, 1000}, {5000, 1000}}) {
    p_.SetCapacity(asked);
    EXPECT_EQ(p_.Capacity(), slots) << asked;
  }
  EXPECT_EQ(time_predictor().Capacity(), 50);

  p_.SetTotal(100);
  ResetAt(0);
  At(1, 2);
  At(2, 4);
  At(3, 6);
  p_.SetCapacity(10);  // clears the window only
  EXPECT_EQ(p_.SampleCount(), 3);
  EXPECT_EQ(At(4, 10),
            0.25 * 90);  // the next increment enters the empty window at once
}

TEST_F(time_predictor_test, NegativeTotalGivesZero) {
  p_.SetTotal(-3);
  EXPECT_EQ(p_.Total(), 0);
  ResetAt(0);
  for (int i = 1; i <= 5; ++i) EXPECT_EQ(At(i, 2.0 * i), 0);
  EXPECT_EQ(p_.SampleCount(), 0);  // nothing recorded without a total
}

TEST(time_predictor_round, RoundForDisplay) {
  struct row {
    double x, shown;
  };
  for (const row r : {row{3700, 3720}, row{3630, 3600}, row{3601, 3600}, row{3600, 3600},
                      row{700, 700}, row{605, 600}, row{615, 620}, row{600, 600}, row{62, 60},
                      row{62.5, 60}, row{67.5, 70}, row{60, 60}, row{1.5, 2}, row{2.5, 2},
                      row{0.51, 1}, row{0.5, 0}, row{0.4, 0}, row{-7, 0}}) {
    EXPECT_EQ(time_predictor::RoundForDisplay(r.x), r.shown) << r.x;
  }
}

}  // namespace
