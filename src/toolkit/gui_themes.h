#pragma once
// Theme records and the painting helpers of the owner-drawn controls.
//
// Colours are 32-bit values: red in the lowest byte, then green, then blue, and
// alpha on top (0 transparent, 255 opaque).
#include <QColor>
#include <QFont>
#include <QRect>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "foundation/graph_utils.h"

class QPainter;

// A theme colour from the #RRGGBB notation plus alpha.
constexpr kx_color Theme_Hex(std::uint32_t rrggbb, std::uint32_t alpha = 255) {
  return ((rrggbb >> 16) & 0xFFu) | (rrggbb & 0xFF00u) | ((rrggbb & 0xFFu) << 16) |
         ((alpha & 0xFFu) << 24);
}
QColor Theme_QColor(kx_color colour);
kx_color Theme_FromQColor(const QColor& colour);

struct kx_rect_colors {
  // 0 flat, 1 vertical gradient color1 -> color4, 2 two bands, other: no fill.
  std::int32_t fill_style = 2;
  kx_color color1 = Theme_Hex(0xF5F5F5);
  kx_color color2 = Theme_Hex(0xC8C8C8);
  kx_color color3 = Theme_Hex(0xBEBEBE);
  kx_color color4 = Theme_Hex(0xAAAAAA);
  double split = 0.5;
  kx_color border_color = Theme_Hex(0xA0A0A0);
  kx_color inner_color = 0;

  void Assign(const kx_rect_colors& source) { *this = source; }
  bool operator==(const kx_rect_colors&) const = default;
};

enum : std::int32_t { kx_corner_round = 0, kx_corner_bevel = 1, kx_corner_square = 2 };

struct kx_rect_shape {
  // top-left, top-right, bottom-left, bottom-right
  std::array<std::int32_t, 4> corners{kx_corner_square, kx_corner_square, kx_corner_square,
                                      kx_corner_square};
  std::int32_t radius = 0;

  void Assign(const kx_rect_shape& source) { *this = source; }
  bool operator==(const kx_rect_shape&) const = default;
};

void Shape_SetCorners(kx_rect_shape& shape, std::int32_t corner_style);

enum : std::uint32_t {
  kx_font_bold = 1,
  kx_font_italic = 2,
  kx_font_underline = 4,
  kx_font_strikeout = 8
};

struct kx_font_info {
  std::string name;          // empty keeps the surface's family
  std::int32_t height = -1;  // pixels; -1 keeps the surface's height
  std::uint32_t style = 0;   // kx_font_* bits
  kx_color color = Theme_Hex(0x000000);
  // 0 system rendering, 1 system ClearType, 2 fine antialiasing, 3/4 fine ClearType
  std::int32_t quality = 0;

  void Assign(const kx_font_info& source) { *this = source; }
  bool operator==(const kx_font_info&) const = default;
};

// Family, absolute pixel height and style of a platform font; the colour made opaque.
void FontInfo_LoadFrom(kx_font_info& info, const QFont& font, const QColor& colour);
// Puts the description onto the painter's font; empty name and height -1 keep those.
void FontInfo_Apply(const kx_font_info& info, QPainter& painter);
// The font that FontInfo_Apply would give a painter that currently uses `base`.
QFont FontInfo_Font(const kx_font_info& info, const QFont& base);

// Paints one themed rectangle (left, top, right, bottom; right and bottom exclusive):
// the fill, then the outline and the inner outline, antialiased, blended onto the target.
void ThemeRect_Paint(const kx_rect_colors& colors, const kx_rect_shape& shape, const QRect& rect,
                     QPainter& target);

class kx_basic_theme {
 public:
  kx_basic_theme() = default;
  virtual ~kx_basic_theme() = default;
  kx_basic_theme(const kx_basic_theme&) = delete;
  kx_basic_theme& operator=(const kx_basic_theme&) = delete;

  virtual void SetStyle(std::int32_t style);
  // A new default theme of the same class (controls pick their theme class through it).
  [[nodiscard]] virtual std::unique_ptr<kx_basic_theme> Create() const;
  // Re-applies the current style and restores the class's other defaults.
  virtual void Reset();
  virtual void Assign(const kx_basic_theme& source);

  std::int32_t style = -1;
  std::function<void(kx_basic_theme&)> on_change;

 protected:
  void Changed();
};

class kx_panel_theme : public kx_basic_theme {
 public:
  kx_panel_theme();
  void SetStyle(std::int32_t style) override;
  [[nodiscard]] std::unique_ptr<kx_basic_theme> Create() const override;
  void Reset() override;
  void Assign(const kx_basic_theme& source) override;

  kx_rect_colors colors;
  kx_rect_shape shape;

 protected:
  void ApplyPanelStyle(std::int32_t style);
};

class kx_toolbar_theme : public kx_panel_theme {
 public:
  kx_toolbar_theme();
  void SetStyle(std::int32_t style) override;
  [[nodiscard]] std::unique_ptr<kx_basic_theme> Create() const override;
};

enum : std::int32_t {
  kx_state_normal = 0,
  kx_state_hot = 1,
  kx_state_pressed = 2,
  kx_state_disabled = 3
};

class kx_button_theme : public kx_basic_theme {
 public:
  kx_button_theme();
  void SetStyle(std::int32_t style) override;
  [[nodiscard]] std::unique_ptr<kx_basic_theme> Create() const override;
  void Reset() override;
  void Assign(const kx_basic_theme& source) override;

  std::array<kx_rect_colors, 4> state_colors;  // by kx_state_*
  std::array<kx_color, 4> text_colors{};
  kx_font_info font;
  kx_rect_shape shape;
  bool flat = false;  // background only while hot or pressed
  // 0 picture above the caption, 1 picture at the left edge, 2 picture and caption
  // centred as a group, other: picture at the right edge
  std::int32_t glyph_layout = 0;

 private:
  void ApplyButtonStyle(std::int32_t style);
};

class kx_progress_theme : public kx_basic_theme {
 public:
  kx_progress_theme();
  [[nodiscard]] std::unique_ptr<kx_basic_theme> Create() const override;
  void Reset() override;
  void Assign(const kx_basic_theme& source) override;

  // Painting uses the first set of each; the other two hold copies of it.
  std::array<kx_rect_colors, 3> back_colors;
  std::array<kx_rect_colors, 3> bar_colors;
  kx_font_info font;
  kx_rect_shape shape;

 private:
  void ApplyDefaults();
};
