#include <gtest/gtest.h>

#include <cstdint>

#include "foundation/graph_utils.h"

namespace {

TEST(FitResize, TableOfCases) {
  struct row {
    kx_size source, box;
    bool enlarge;
    kx_size result;
    kx_point offset;
    bool changed;
  };
  const row rows[] = {
      {{1920, 1080}, {640, 480}, false, {640, 360}, {0, 60}, true},
      {{320, 240}, {640, 480}, false, {320, 240}, {160, 120}, false},
      {{320, 240}, {640, 480}, true, {640, 480}, {0, 0}, true},
      {{640, 480}, {640, 480}, false, {640, 480}, {0, 0}, false},
      {{640, 480}, {640, 480}, true, {640, 480}, {0, 0}, false},
      {{1, 10000}, {100, 100}, false, {4, 100}, {48, 0}, true},
      {{720, 576}, {640, 480}, false, {600, 480}, {20, 0}, true},
      // 100 × 3 / 8 = 37.5 goes to the even 38; 100 × 5 / 8 = 62.5 to 62.
      {{800, 300}, {100, 100}, false, {100, 38}, {0, 31}, true},
      {{800, 500}, {100, 100}, false, {100, 62}, {0, 19}, true},
      {{10, 10}, {100000, 50000}, true, {32000, 32000}, {34000, 9000}, true},
      // Zero or negative sizes: no change, result = box.
      {{0, 480}, {640, 360}, false, {640, 360}, {0, 0}, false},
      {{640, 480}, {0, 0}, true, {0, 0}, {0, 0}, false},
      {{640, 480}, {-1, 480}, false, {-1, 480}, {0, 0}, false},
  };
  for (const row& r : rows) {
    kx_size result{7, 7};
    kx_point offset{7, 7};
    bool changed = !r.changed;
    Fit_Resize_Calc(r.source, r.box, r.enlarge, result, offset, changed);
    const std::string what = Dims_ToText(r.source) + " in " + Dims_ToText(r.box);
    EXPECT_EQ(result, r.result) << what << " gave " << Dims_ToText(result);
    EXPECT_EQ(offset, r.offset) << what << " offset " << offset.x << "," << offset.y;
    EXPECT_EQ(changed, r.changed) << what;
    EXPECT_EQ(Fit_Resize_Calc(r.source, r.box, r.enlarge), r.result) << what;
  }
}

TEST(Geometry, SizesAndRectangles) {
  kx_size s{5, 500};
  Size_Clamp(s, 10, 100);
  EXPECT_EQ(s, (kx_size{10, 100}));
  Size_Max(s, {20, 50});
  EXPECT_EQ(s, (kx_size{20, 100}));
  Size_Min(s, {15, 200});
  EXPECT_EQ(s, (kx_size{15, 100}));
  EXPECT_EQ(Dims_ToText({640, 480}), "640x480");
  EXPECT_EQ(Dims_ToText({-1, 0}), "-1x0");

  EXPECT_EQ(Rect_Size({10, 20, 19, 39}), (kx_size{10, 20}));
  EXPECT_EQ(Rect_Size({10, 20, 5, 20}), (kx_size{0, 1}));
  EXPECT_EQ(Rect_Size({INT32_MIN, 0, INT32_MAX, 0}), (kx_size{INT32_MAX, 1}));

  struct keep_row {
    kx_rect r, bounds, result;
  };
  const kx_rect screen{0, 0, 1000, 800};
  const keep_row keeps[] = {
      {{100, 100, 200, 200}, screen, {100, 100, 200, 200}},
      {{-50, 10, 50, 110}, screen, {0, 10, 100, 110}},
      {{950, 750, 1100, 900}, screen, {850, 650, 1000, 800}},
      {{-10, -10, 1200, 900}, screen, {0, 0, 1210, 910}},  // larger: start at the start
      {{500, 100, 1700, 200}, screen, {0, 100, 1200, 200}},
  };
  for (const keep_row& k : keeps) EXPECT_EQ(Rect_KeepInside(k.r, k.bounds), k.result);

  EXPECT_EQ(Rect_Center({0, 0, 100, 50}, {10, 10, 311, 110}), (kx_rect{110, 35, 210, 85}));
  EXPECT_EQ(Rect_Center({0, 0, 400, 50}, {0, 0, 100, 100}), (kx_rect{-150, 25, 250, 75}));

  struct fit_row {
    kx_rect r, bounds;
    bool center, keep;
    kx_rect result;
  };
  const fit_row fits[] = {
      {{0, 0, 400, 200}, {0, 0, 100, 100}, false, true, {0, 0, 100, 50}},
      {{0, 0, 400, 200}, {0, 0, 100, 100}, true, true, {0, 25, 100, 75}},
      {{0, 0, 400, 200}, {10, 10, 110, 110}, false, false, {10, 10, 110, 110}},
      {{0, 0, 50, 300}, {0, 0, 100, 100}, true, true, {42, 0, 58, 100}},
      {{0, 0, 50, 40}, {0, 0, 100, 100}, true, true, {25, 30, 75, 70}},  // never enlarged
      {{0, 0, 0, 40}, {0, 0, 100, 100}, true, true, {}},
      {{0, 0, 50, 40}, {0, 0, 100, -1}, true, true, {}},
  };
  for (const fit_row& f : fits) EXPECT_EQ(Rect_Fit(f.r, f.bounds, f.center, f.keep), f.result);

  struct clip_row {
    std::int32_t start, count, total, start_out, count_out;
  };
  const clip_row clips[] = {
      {2, 5, 10, 2, 5}, {8, 5, 10, 8, 2},  {-3, 4, 10, 0, 4}, {12, 4, 10, 9, 1},
      {2, 5, 0, 2, 0},  {2, -1, 10, 2, 0}, {2, 0, 10, 2, 0},
  };
  for (const clip_row& c : clips) {
    std::int32_t start = c.start, count = c.count;
    Range_Clip(start, count, c.total);
    EXPECT_EQ(start, c.start_out) << c.start << "," << c.count << "," << c.total;
    EXPECT_EQ(count, c.count_out) << c.start << "," << c.count << "," << c.total;
  }
}

TEST(Geometry, NumberHelpers) {
  EXPECT_EQ(Percent_Of(250, 40), 100);
  EXPECT_EQ(Percent_Of(7, 33), 2);
  EXPECT_EQ(Percent_Of(-7, 33), -2);
  EXPECT_EQ(Percent_Of(INT64_MAX, 50), INT64_MAX / 2);  // no overflow in the product
  EXPECT_DOUBLE_EQ(Round_To_Step(10, 25), 20);          // halves to even
  EXPECT_DOUBLE_EQ(Round_To_Step(10, 35), 40);
  EXPECT_DOUBLE_EQ(Round_To_Step(5, 62.4), 60);
  EXPECT_DOUBLE_EQ(Round_To_Step(0.5, 1.3), 1.5);
  EXPECT_DOUBLE_EQ(Round_To_Step(0, 1.3), 1.3);
  EXPECT_EQ(Snap_To(8, 100, 92), 92);
  EXPECT_EQ(Snap_To(8, 100, 93), 100);
  EXPECT_EQ(Snap_To(8, 100, 107), 100);
  EXPECT_EQ(Snap_To(8, 100, 108), 108);
  EXPECT_EQ(Snap_To(1, INT32_MIN, INT32_MAX), INT32_MAX);
}

constexpr kx_color Rgb(int r, int g, int b, int a = 0) {
  return static_cast<kx_color>(r) | static_cast<kx_color>(g) << 8 | static_cast<kx_color>(b) << 16 |
         static_cast<kx_color>(a) << 24;
}

TEST(Colours, ChannelsBlendAndContrast) {
  EXPECT_EQ(Luminance(Rgb(255, 255, 255)), 255);
  EXPECT_EQ(Luminance(Rgb(0, 0, 0, 255)), 0);
  EXPECT_EQ(Luminance(Rgb(255, 0, 0)), 76);
  EXPECT_EQ(Luminance(Rgb(0, 255, 0)), 149);
  EXPECT_EQ(Luminance(Rgb(0, 0, 255)), 29);

  EXPECT_EQ(Colour_AddChannels(Rgb(10, 250, 100, 0x80), -20, 20, 5), Rgb(0, 255, 105, 0x80));

  EXPECT_EQ(Colour_Blend(Rgb(0, 0, 0, 0), Rgb(255, 255, 255, 255), 0.5), Rgb(128, 128, 128, 128));
  EXPECT_EQ(Colour_Blend(Rgb(1, 0, 0), Rgb(2, 0, 0), 0.5), Rgb(2, 0, 0));  // 1.5 to even 2
  EXPECT_EQ(Colour_Blend(Rgb(10, 20, 30, 40), Rgb(90, 80, 70, 60), 0), Rgb(10, 20, 30, 40));
  EXPECT_EQ(Colour_Blend(Rgb(10, 20, 30, 40), Rgb(90, 80, 70, 60), 1), Rgb(90, 80, 70, 60));
  EXPECT_EQ(Colour_Blend(Rgb(0, 0, 0), Rgb(200, 0, 0), 2), Rgb(255, 0, 0));  // clamped

  struct contrast_row {
    kx_color c, reference;
    int distance;
    kx_color result;
  };
  const contrast_row rows[] = {
      {Rgb(255, 255, 255), Rgb(255, 255, 255), 15, Rgb(240, 240, 240)},
      {Rgb(128, 128, 128), Rgb(128, 128, 128), 15, Rgb(143, 143, 143)},
      {Rgb(0, 0, 0), Rgb(255, 255, 255), 15, Rgb(0, 0, 0)},              // far enough
      {Rgb(100, 100, 100), Rgb(110, 110, 110), 15, Rgb(125, 125, 125)},  // lighter
      // Lightening saturates at 255 (10 away): darkened from the entry colour by 15 + 10.
      {Rgb(250, 250, 250, 0x7F), Rgb(245, 245, 245), 15, Rgb(225, 225, 225, 0x7F)},
  };
  for (const contrast_row& r : rows)
    EXPECT_EQ(Colour_Contrast(r.c, r.reference, r.distance), r.result) << std::hex << r.c;

  EXPECT_EQ(Colour_SetAlpha(Rgb(1, 2, 3, 4), 200), Rgb(1, 2, 3, 200));
  struct alpha_row {
    double alpha;
    int byte;
  };
  const alpha_row alphas[] = {{1.0, 255},
                              {0.0, 0},
                              {0.5, 128},
                              {2.0, 255},
                              {-1.0, 0},
                              {0.002, 1},
                              {std::numeric_limits<double>::quiet_NaN(), 0}};
  for (const alpha_row& a : alphas)
    EXPECT_EQ(Colour_SetAlphaF(Rgb(1, 2, 3, 9), a.alpha), Rgb(1, 2, 3, a.byte)) << a.alpha;
}

std::uint32_t fake_now = 0;
std::uint32_t FakeTicks() {
  return fake_now;
}

TEST(Stopwatch, SecondsAcrossAWrapOfTheTickCounter) {
  Tick_SetSource(FakeTicks);
  struct row {
    std::uint32_t start, now;
    double seconds;
  };
  const row rows[] = {
      {1000, 3500, 2.5},
      {0xFFFFFC18u, 0xFFFFFFFFu, 0.999},  // just before the wrap
      {0xFFFFFC18u, 0, 1.0},              // at the wrap
      {0xFFFFFC18u, 1500, 2.5},           // after it
      {5, 5, 0},
  };
  for (const row& r : rows) {
    fake_now = r.start;
    stopwatch w;
    Stopwatch_Start(w);
    EXPECT_EQ(w.start, r.start);
    fake_now = r.now;
    EXPECT_DOUBLE_EQ(Stopwatch_Seconds(w), r.seconds) << r.start << " -> " << r.now;
  }
  Tick_SetSource(nullptr);

  // The real clock moves forward in milliseconds.
  stopwatch w;
  Stopwatch_Start(w);
  const double first = Stopwatch_Seconds(w);
  EXPECT_GE(first, 0);
  EXPECT_LT(first, 5);
}

}  // namespace
