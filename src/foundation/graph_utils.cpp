#include "foundation/graph_utils.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <stdexcept>

#include "foundation/kest_errors.h"
#include "foundation/platform/clock.h"

namespace {

std::int32_t ClampToInt32(std::int64_t v) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
}

// Rounds halves to even and clamps into lo … hi before converting (NaN gives lo).
std::int32_t RoundClamp(double v, std::int32_t lo, std::int32_t hi) {
  if (!(v >= lo)) return lo;
  if (v > hi) return hi;
  return static_cast<std::int32_t>(std::nearbyint(v));
}

std::atomic<std::uint32_t (*)()> tick_source{nullptr};

}  // namespace

void Fit_Resize_Calc(kx_size source, kx_size box, bool enlarge, kx_size& result, kx_point& offset,
                     bool& changed) {
  changed = false;
  offset = {};
  result = box;
  try {
    const std::int64_t sw = source.cx, sh = source.cy, bw = box.cx, bh = box.cy;
    if (!enlarge && bw >= sw && bh >= sh) {
      result = source;
      offset = {ClampToInt32((bw - sw) / 2), ClampToInt32((bh - sh) / 2)};
      return;
    }
    if (source == box) return;
    if (sw <= 0 || sh <= 0 || bw <= 0 || bh <= 0)
      throw std::invalid_argument("Picture sizes must be positive");
    constexpr std::int32_t kMin = 4, kMax = 32000;
    kx_size r;
    if (static_cast<double>(sw) / static_cast<double>(bw) >
        static_cast<double>(sh) / static_cast<double>(bh)) {
      r = {ClampToInt32(bw), RoundClamp(static_cast<double>(bw * sh) / static_cast<double>(sw),
                                        INT32_MIN, INT32_MAX)};
    } else {
      r = {RoundClamp(static_cast<double>(bh * sw) / static_cast<double>(sh), INT32_MIN, INT32_MAX),
           ClampToInt32(bh)};
    }
    r.cx = std::clamp(r.cx, kMin, kMax);
    r.cy = std::clamp(r.cy, kMin, kMax);
    result = r;
    offset = {ClampToInt32(std::abs(bw - r.cx) / 2), ClampToInt32(std::abs(bh - r.cy) / 2)};
    changed = !(r == source);
  } catch (...) {
    changed = false;
    offset = {};
    std::string message;
    ReportError(false, "Fit_Resize_Calc", "graph_utils.cpp", message, "");
  }
}

kx_size Fit_Resize_Calc(kx_size source, kx_size box, bool enlarge) {
  kx_size result;
  kx_point offset;
  bool changed = false;
  Fit_Resize_Calc(source, box, enlarge, result, offset, changed);
  return result;
}

void Size_Clamp(kx_size& size, std::int32_t low, std::int32_t high) {
  size.cx = std::max(low, std::min(size.cx, high));
  size.cy = std::max(low, std::min(size.cy, high));
}

void Size_Max(kx_size& size, kx_size other) {
  size.cx = std::max(size.cx, other.cx);
  size.cy = std::max(size.cy, other.cy);
}

void Size_Min(kx_size& size, kx_size other) {
  size.cx = std::min(size.cx, other.cx);
  size.cy = std::min(size.cy, other.cy);
}

std::string Dims_ToText(kx_size size) {
  return std::to_string(size.cx) + "x" + std::to_string(size.cy);
}

kx_size Rect_Size(const kx_rect& r) {
  return {ClampToInt32(std::max<std::int64_t>(std::int64_t{r.right} - r.left + 1, 0)),
          ClampToInt32(std::max<std::int64_t>(std::int64_t{r.bottom} - r.top + 1, 0))};
}

namespace {

// One axis of Rect_KeepInside: the new start of [start, end] kept inside [lo, hi].
std::int64_t KeepInside(std::int64_t start, std::int64_t end, std::int64_t lo, std::int64_t hi) {
  if (start < lo) {
    end += lo - start;
    start = lo;
  }
  if (end > hi) start = std::max(start - (end - hi), lo);
  return start;
}

}  // namespace

kx_rect Rect_KeepInside(const kx_rect& r, const kx_rect& bounds) {
  const std::int64_t left = KeepInside(r.left, r.right, bounds.left, bounds.right);
  const std::int64_t top = KeepInside(r.top, r.bottom, bounds.top, bounds.bottom);
  return {ClampToInt32(left), ClampToInt32(top),
          ClampToInt32(left + (std::int64_t{r.right} - r.left)),
          ClampToInt32(top + (std::int64_t{r.bottom} - r.top))};
}

kx_rect Rect_Center(const kx_rect& r, const kx_rect& bounds) {
  const std::int64_t w = std::int64_t{r.right} - r.left, h = std::int64_t{r.bottom} - r.top;
  const std::int64_t bw = std::int64_t{bounds.right} - bounds.left;
  const std::int64_t bh = std::int64_t{bounds.bottom} - bounds.top;
  const std::int64_t left = bounds.left + (bw - w) / 2, top = bounds.top + (bh - h) / 2;
  return {ClampToInt32(left), ClampToInt32(top), ClampToInt32(left + w), ClampToInt32(top + h)};
}

kx_rect Rect_Fit(const kx_rect& r, const kx_rect& bounds, bool center, bool keep_aspect) {
  std::int64_t w = std::int64_t{r.right} - r.left, h = std::int64_t{r.bottom} - r.top;
  const std::int64_t bw = std::int64_t{bounds.right} - bounds.left;
  const std::int64_t bh = std::int64_t{bounds.bottom} - bounds.top;
  if (w <= 0 || h <= 0 || bw <= 0 || bh <= 0) return {};
  if (keep_aspect) {
    if (w > bw) {
      h = h * bw / w;
      w = bw;
    }
    if (h > bh) {
      w = w * bh / h;
      h = bh;
    }
  } else {
    w = std::min(w, bw);
    h = std::min(h, bh);
  }
  const std::int64_t left = center ? bounds.left + (bw - w) / 2 : bounds.left;
  const std::int64_t top = center ? bounds.top + (bh - h) / 2 : bounds.top;
  return {ClampToInt32(left), ClampToInt32(top), ClampToInt32(left + w), ClampToInt32(top + h)};
}

void Range_Clip(std::int32_t& start, std::int32_t& count, std::int32_t total) {
  if (total <= 0 || count <= 0) {
    count = 0;
    return;
  }
  start = std::clamp(start, 0, total - 1);
  count = std::min(count, total - start);
}

std::int64_t Percent_Of(std::int64_t a, std::int64_t b) {
  std::int64_t product = 0;
  if (!__builtin_mul_overflow(a, b, &product)) return product / 100;
  // Past the 64-bit range: the nearest representable answer.
  return static_cast<std::int64_t>(
      std::clamp(static_cast<long double>(a) * static_cast<long double>(b) / 100,
                 static_cast<long double>(INT64_MIN), static_cast<long double>(INT64_MAX)));
}

double Round_To_Step(double step, double value) {
  if (step == 0) return value;
  return step * std::nearbyint(value / step);
}

std::int32_t Snap_To(std::int32_t tolerance, std::int32_t target, std::int32_t value) {
  return std::abs(std::int64_t{value} - target) < tolerance ? target : value;
}

int Luminance(kx_color c) {
  const std::uint32_t r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
  return static_cast<int>((r * 19595 + g * 38470 + b * 7471) >> 16);
}

kx_color Colour_AddChannels(kx_color c, int red, int green, int blue) {
  const auto channel = [c](int shift, int delta) {
    const int v = std::clamp(static_cast<int>((c >> shift) & 0xFF) + delta, 0, 255);
    return static_cast<kx_color>(v) << shift;
  };
  return (c & 0xFF000000u) | channel(0, red) | channel(8, green) | channel(16, blue);
}

kx_color Colour_Blend(kx_color a, kx_color b, double t) {
  kx_color out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const double x = static_cast<double>((a >> shift) & 0xFF) * (1 - t) +
                     static_cast<double>((b >> shift) & 0xFF) * t;
    out |= static_cast<kx_color>(RoundClamp(x, 0, 255)) << shift;
  }
  return out;
}

kx_color Colour_Contrast(kx_color c, kx_color reference, int distance) {
  const int yp = Luminance(c), yr = Luminance(reference);
  if (std::abs(yp - yr) >= distance) return c;
  int k = distance - (yp - yr);
  const kx_color lighter = Colour_AddChannels(c, k, k, k);
  const int y1 = Luminance(lighter);
  if (std::abs(y1 - yr) >= distance) return lighter;
  k = -distance - (y1 - yr);
  return Colour_AddChannels(c, k, k, k);
}

kx_color Colour_SetAlpha(kx_color c, std::uint8_t alpha) {
  return (c & 0x00FFFFFFu) | (static_cast<kx_color>(alpha) << 24);
}

kx_color Colour_SetAlphaF(kx_color c, double alpha) {
  return Colour_SetAlpha(c, static_cast<std::uint8_t>(RoundClamp(255 * alpha, 0, 255)));
}

std::uint32_t Tick_Count() {
  std::uint32_t (*source)() = tick_source.load(std::memory_order_relaxed);
  return source ? source() : Clock_TickMs();
}

void Tick_SetSource(std::uint32_t (*source)()) {
  tick_source.store(source, std::memory_order_relaxed);
}

void Stopwatch_Start(stopwatch& watch) {
  watch.start = Tick_Count();
}

double Stopwatch_Seconds(const stopwatch& watch) {
  std::int64_t diff = std::int64_t{Tick_Count()} - std::int64_t{watch.start};
  // The 32-bit counter wrapped.
  if (diff < 0) diff += std::int64_t{1} << 32;
  return static_cast<double>(diff) * 0.001;
}
