#pragma once
// Sizes, rectangles, colours and the millisecond stopwatch.
#include <cstdint>
#include <string>

// Sizes and points: pairs of 32-bit integers, width or x first.
struct kx_size {
  std::int32_t cx = 0;
  std::int32_t cy = 0;
  bool operator==(const kx_size&) const = default;
};

struct kx_point {
  std::int32_t x = 0;
  std::int32_t y = 0;
  bool operator==(const kx_point&) const = default;
};

struct kx_rect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
  bool operator==(const kx_rect&) const = default;
};

// The picture size when `source` is resized to fit `box`, with the offset that centres it. Without
// `enlarge` a source that already fits keeps its size. Results are clamped into 4 … 32,000.
// A zero or negative component (when scaling is needed) gives changed false, offset (0, 0) and
// result = box.
void Fit_Resize_Calc(kx_size source, kx_size box, bool enlarge, kx_size& result, kx_point& offset,
                     bool& changed);
// The result size alone.
kx_size Fit_Resize_Calc(kx_size source, kx_size box, bool enlarge);

void Size_Clamp(kx_size& size, std::int32_t low, std::int32_t high);
void Size_Max(kx_size& size, kx_size other);
void Size_Min(kx_size& size, kx_size other);
// "640x480".
std::string Dims_ToText(kx_size size);

// Inclusive size: right - left + 1 and bottom - top + 1, each at least 0.
kx_size Rect_Size(const kx_rect& r);
// Moved (not resized) on each axis so that it lies inside `bounds`; when it is larger, its
// start is at the bounds' start.
kx_rect Rect_KeepInside(const kx_rect& r, const kx_rect& bounds);
// The rectangle's size centred in `bounds`.
kx_rect Rect_Center(const kx_rect& r, const kx_rect& bounds);
// The rectangle's size (right - left, bottom - top) reduced to fit `bounds`, with `keep_aspect`
// scaling the other side by the same factor; centred or at the bounds' top-left. An empty
// rectangle when a size is not positive.
kx_rect Rect_Fit(const kx_rect& r, const kx_rect& bounds, bool center, bool keep_aspect);
// count 0 when total <= 0 or count <= 0; else start clamped into 0 … total - 1 and count cut
// to total - start.
void Range_Clip(std::int32_t& start, std::int32_t& count, std::int32_t total);

// a × b div 100 (truncated toward zero).
std::int64_t Percent_Of(std::int64_t a, std::int64_t b);
// step × round(value / step), halves to even; value itself for step 0.
double Round_To_Step(double step, double value);
// target when |value - target| < tolerance, else value.
std::int32_t Snap_To(std::int32_t tolerance, std::int32_t target, std::int32_t value);

// Colours: red in the lowest byte, then green, then blue; alpha (or a flag) on top.
using kx_color = std::uint32_t;

// (red × 19595 + green × 38470 + blue × 7471) >> 16, 0 … 255.
int Luminance(kx_color c);
// Each channel plus its delta, clamped into 0 … 255; the top byte unchanged.
kx_color Colour_AddChannels(kx_color c, int red, int green, int blue);
// Per byte (all four): a × (1 − t) + b × t, rounded, halves to even, clamped into 0 … 255.
kx_color Colour_Blend(kx_color a, kx_color b, double t);
// `c` when its luminance is at least `distance` away from the reference's; else lightened by
// the missing levels, or darkened when lightening does not get far enough.
kx_color Colour_Contrast(kx_color c, kx_color reference, int distance);
kx_color Colour_SetAlpha(kx_color c, std::uint8_t alpha);
// Alpha byte = round(255 × alpha) clamped into 0 … 255 (NaN gives 0).
kx_color Colour_SetAlphaF(kx_color c, double alpha);

// The system's millisecond tick as a 32-bit counter: it wraps about every 49.7 days.
std::uint32_t Tick_Count();
// Replaces the tick source (for tests); nullptr restores the monotonic clock.
void Tick_SetSource(std::uint32_t (*source)());

struct stopwatch {
  std::uint32_t start = 0;
};
void Stopwatch_Start(stopwatch& watch);
// Seconds since Stopwatch_Start, across a wrap of the tick counter too.
double Stopwatch_Seconds(const stopwatch& watch);
