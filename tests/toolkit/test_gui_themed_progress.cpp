#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "toolkit/gui_themed_progress.h"

namespace {

// Columns at mid-height that carry the bar's colours rather than the background's.
int BarWidth(const QImage& image) {
  const QRgb back = qRgb(0xE7, 0xFF, 0xF2), back_border = qRgb(0x62, 0x7E, 0x64);
  int width = 0;
  for (int x = 0; x < image.width(); ++x) {
    const QRgb pixel = image.pixel(x, image.height() / 2);
    if (pixel != back && pixel != back_border) width = x + 1;
  }
  return width;
}

}  // namespace

TEST(ThemedProgress, BarWidthFollowsThePosition) {
  kx_themed_progress bar;
  bar.resize(100, 20);
  bar.show_text = false;
  struct bar_case {
    double position;
    int width;
  };
  const std::vector<bar_case> cases = {
      {0.0, 0},  {0.004, 0},  // 0.4 pixels round to no bar
      {0.02, 6},              // 2 pixels, widened to the two rounded ends (radius 3)
      {0.5, 50}, {1.0, 100},
  };
  for (const auto& c : cases) {
    bar.SetPosition(c.position);
    bar.RedrawNow();
    EXPECT_EQ(BarWidth(bar.Buffer()), c.width) << c.position;
  }
}

TEST(ThemedProgress, PositionIsClampedAndSmallMovesAreIgnored) {
  kx_themed_progress bar;
  bar.resize(100, 20);
  struct text_case {
    double position;
    const char* text;
  };
  const std::vector<text_case> cases = {
      {0.425, "42.5%"}, {1.5, "100.0%"},
      {-2.0, "0.0%"},   {std::numeric_limits<double>::quiet_NaN(), "0.0%"},
      {0.0004, "0.0%"},
  };
  for (const auto& c : cases) {
    bar.SetPosition(c.position);
    EXPECT_EQ(bar.PercentText().toStdString(), c.text) << c.position;
  }
  bar.SetPosition(0.5);
  const int drawn = bar.RedrawCount();
  bar.SetPosition(0.5000009);  // within 0.000001: nothing happens
  EXPECT_EQ(bar.Position(), 0.5);
  EXPECT_EQ(bar.RedrawCount(), drawn);
  bar.SetPosition(0.51);  // anything else redraws at once
  EXPECT_EQ(bar.RedrawCount(), drawn + 1);
  EXPECT_FALSE(bar.IsDirty());
}

TEST(ThemedProgress, TextAndFont) {
  kx_themed_progress bar;
  EXPECT_EQ(bar.ProgressTheme().font.height, 14);  // 14 pixels at 96 pixels per inch
  bar.resize(120, 24);
  bar.SetPosition(0.5);
  bar.RedrawNow();
  // The text sits centred, in the font colour.
  bool text_colour = false;
  for (int x = 40; x < 80; ++x)
    for (int y = 4; y < 20; ++y)
      if (bar.Buffer().pixel(x, y) == qRgb(0x20, 0x2D, 0x20)) text_colour = true;
  EXPECT_TRUE(text_colour);
  bar.show_text = false;
  bar.SetPosition(0.0);
  bar.RedrawNow();
  for (int x = 2; x < 118; ++x) EXPECT_EQ(bar.Buffer().pixel(x, 12), qRgb(0xE7, 0xFF, 0xF2));
}
