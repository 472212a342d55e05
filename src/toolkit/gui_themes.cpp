#include "toolkit/gui_themes.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <vector>

QColor Theme_QColor(kx_color colour) {
  return QColor(static_cast<int>(colour & 0xFFu), static_cast<int>((colour >> 8) & 0xFFu),
                static_cast<int>((colour >> 16) & 0xFFu), static_cast<int>(colour >> 24));
}

kx_color Theme_FromQColor(const QColor& colour) {
  const QColor c = colour.toRgb();
  return static_cast<std::uint32_t>(c.red()) | (static_cast<std::uint32_t>(c.green()) << 8) |
         (static_cast<std::uint32_t>(c.blue()) << 16) |
         (static_cast<std::uint32_t>(c.alpha()) << 24);
}

void Shape_SetCorners(kx_rect_shape& shape, std::int32_t corner_style) {
  shape.corners.fill(corner_style);
}

// ---------------------------------------------------------------------------------------------
// Fonts

void FontInfo_LoadFrom(kx_font_info& info, const QFont& font, const QColor& colour) {
  info.name = font.family().toStdString();
  int px = font.pixelSize();
  if (px <= 0) px = static_cast<int>(std::lround(font.pointSizeF() * 96.0 / 72.0));
  info.height = std::abs(px);
  info.style = (font.bold() ? kx_font_bold : 0u) | (font.italic() ? kx_font_italic : 0u) |
               (font.underline() ? kx_font_underline : 0u) |
               (font.strikeOut() ? kx_font_strikeout : 0u);
  info.color = Theme_FromQColor(colour) | 0xFF000000u;
}

QFont FontInfo_Font(const kx_font_info& info, const QFont& base) {
  QFont f = base;
  if (!info.name.empty()) f.setFamily(QString::fromStdString(info.name));
  if (info.height != -1) f.setPixelSize(std::max(1, info.height));
  f.setBold((info.style & kx_font_bold) != 0);
  f.setItalic((info.style & kx_font_italic) != 0);
  f.setUnderline((info.style & kx_font_underline) != 0);
  f.setStrikeOut((info.style & kx_font_strikeout) != 0);
  // An image with alpha cannot take sub-pixel text, so every fine quality is greyscale
  // antialiasing; quality 0 leaves the choice to the system.
  f.setStyleStrategy(info.quality == 0 ? QFont::PreferDefault : QFont::PreferAntialias);
  return f;
}

void FontInfo_Apply(const kx_font_info& info, QPainter& painter) {
  painter.setFont(FontInfo_Font(info, painter.font()));
  painter.setRenderHint(QPainter::TextAntialiasing, true);
}

// ---------------------------------------------------------------------------------------------
// Painting

namespace {

// The shape's outline, `inset` pixels inside the rectangle [l, r) x [t, b), with the
// corner cut-outs shrunk so that the curves stay concentric with the outer edge.
QPainterPath ShapePath(const kx_rect_shape& shape, double l, double t, double r, double b,
                       double inset) {
  QPainterPath path;
  const double x0 = l + inset, y0 = t + inset, x1 = r - inset, y1 = b - inset;
  if (x1 <= x0 || y1 <= y0) return path;
  const double full = std::min(r - l, b - t) / 2.0;
  const double radius = std::min(static_cast<double>(shape.radius), full);
  if (radius <= 0) {
    path.addRect(QRectF(x0, y0, x1 - x0, y1 - y0));
    return path;
  }
  const double half = std::min(x1 - x0, y1 - y0) / 2.0;
  // A 45-degree cut moved inwards by d is shorter by d * (2 - sqrt 2) along each side.
  const double round = std::clamp(radius - inset, 0.0, half);
  const double bevel = std::clamp(radius - inset * (2.0 - std::sqrt(2.0)), 0.0, half);
  auto size_of = [&](int corner) {
    switch (shape.corners[static_cast<std::size_t>(corner)]) {
      case kx_corner_round:
        return round;
      case kx_corner_bevel:
        return bevel;
      default:
        return 0.0;
    }
  };
  auto is_round = [&](int corner) {
    return shape.corners[static_cast<std::size_t>(corner)] == kx_corner_round;
  };
  const double tl = size_of(0), tr = size_of(1), bl = size_of(2), br = size_of(3);

  path.moveTo(x0, y0 + tl);
  if (tl > 0 && is_round(0))
    path.arcTo(QRectF(x0, y0, 2 * tl, 2 * tl), 180, -90);
  else
    path.lineTo(x0 + tl, y0);
  path.lineTo(x1 - tr, y0);
  if (tr > 0 && is_round(1))
    path.arcTo(QRectF(x1 - 2 * tr, y0, 2 * tr, 2 * tr), 90, -90);
  else
    path.lineTo(x1, y0 + tr);
  path.lineTo(x1, y1 - br);
  if (br > 0 && is_round(3))
    path.arcTo(QRectF(x1 - 2 * br, y1 - 2 * br, 2 * br, 2 * br), 0, -90);
  else
    path.lineTo(x1 - br, y1);
  path.lineTo(x0 + bl, y1);
  if (bl > 0 && is_round(2))
    path.arcTo(QRectF(x0, y1 - 2 * bl, 2 * bl, 2 * bl), 270, -90);
  else
    path.lineTo(x0, y1 - bl);
  path.closeSubpath();
  return path;
}

// The fill as one brush. Colour positions are pixel rows: row y is sampled at y + 0.5.
QBrush FillBrush(const kx_rect_colors& c, int top, int bottom_incl) {
  std::vector<std::pair<double, std::uint32_t>> stops;
  switch (c.fill_style) {
    case 0:
      return QBrush(Theme_QColor(c.color1));
    case 1:
      stops = {{top + 0.5, c.color1}, {bottom_incl + 0.5, c.color4}};
      break;
    case 2: {
      const int h = bottom_incl - top;
      // The band border is an absolute y coordinate, not an offset from the top.
      const double s = std::nearbyint(h * c.split);
      if (s > top) {
        stops.push_back({top + 0.5, c.color1});
        stops.push_back({s, c.color2});
      }
      if (c.split < 1 && s <= bottom_incl) {
        const double from = stops.empty() ? s : s + 1e-3;
        stops.push_back({from, c.color3});
        stops.push_back({std::max(bottom_incl + 0.5, from + 1e-3), c.color4});
      }
      break;
    }
    default:
      return QBrush(Qt::NoBrush);
  }
  if (stops.empty()) return QBrush(Qt::NoBrush);
  const double y0 = stops.front().first, y1 = stops.back().first;
  if (y1 - y0 < 1e-6) return QBrush(Theme_QColor(stops.front().second));
  QLinearGradient gradient(0, y0, 0, y1);
  gradient.setSpread(QGradient::PadSpread);
  QGradientStops qstops;
  double last = -1;
  for (const auto& [y, colour] : stops) {
    const double pos = std::clamp((y - y0) / (y1 - y0), last + 1e-6, 1.0);
    qstops.push_back({pos, Theme_QColor(colour)});
    last = pos;
  }
  gradient.setStops(qstops);
  return QBrush(gradient);
}

}  // namespace

void ThemeRect_Paint(const kx_rect_colors& colors, const kx_rect_shape& shape, const QRect& rect,
                     QPainter& target) {
  // rect: left, top as given; right() + 1 and bottom() + 1 are the exclusive edges.
  const int l = rect.left(), t = rect.top(), r = rect.right() + 1, b = rect.bottom() + 1;
  if (r <= l || b <= t) return;
  target.save();
  target.setRenderHint(QPainter::Antialiasing, true);
  target.setPen(Qt::NoPen);

  const QBrush fill = FillBrush(colors, t, b - 1);
  if (fill.style() != Qt::NoBrush) {
    target.setBrush(fill);
    target.drawPath(ShapePath(shape, l, t, r, b, 0.0));
  }
  // A 1-pixel line is the ring between the shape and the same shape a pixel further in:
  // filled, not stroked, so that its edges and corners land exactly on pixel borders.
  auto outline = [&](std::uint32_t colour, double inset) {
    QPainterPath ring = ShapePath(shape, l, t, r, b, inset);
    if (ring.isEmpty()) return;
    ring.addPath(ShapePath(shape, l, t, r, b, inset + 1.0));
    ring.setFillRule(Qt::OddEvenFill);
    target.setPen(Qt::NoPen);
    target.setBrush(Theme_QColor(colour));
    target.drawPath(ring);
  };
  if ((colors.border_color >> 24) != 0) outline(colors.border_color, 0.0);
  if ((colors.inner_color >> 24) != 0) outline(colors.inner_color, 1.0);
  target.restore();
}

// ---------------------------------------------------------------------------------------------
// Themes

void kx_basic_theme::Changed() {
  if (on_change) on_change(*this);
}

void kx_basic_theme::SetStyle(std::int32_t new_style) {
  style = new_style;
  Changed();
}

std::unique_ptr<kx_basic_theme> kx_basic_theme::Create() const {
  return std::make_unique<kx_basic_theme>();
}

void kx_basic_theme::Reset() {
  SetStyle(style);
}

void kx_basic_theme::Assign(const kx_basic_theme& source) {
  style = source.style;
  Changed();
}

namespace {

void Preset(kx_rect_colors& c, std::int32_t fill) {
  c.fill_style = fill;
  c.inner_color = 0;
  if (fill == 2) c.split = 0.5;
}

void Gradient(kx_rect_colors& c, std::uint32_t top, std::uint32_t bottom, std::uint32_t border) {
  Preset(c, 1);
  c.color1 = Theme_Hex(top);
  c.color4 = Theme_Hex(bottom);
  c.border_color = Theme_Hex(border);
}

void Bands(kx_rect_colors& c, std::uint32_t a, std::uint32_t b, std::uint32_t cc, std::uint32_t d,
           std::uint32_t border) {
  Preset(c, 2);
  c.color1 = Theme_Hex(a);
  c.color2 = Theme_Hex(b);
  c.color3 = Theme_Hex(cc);
  c.color4 = Theme_Hex(d);
  c.border_color = Theme_Hex(border);
}

std::uint32_t WithAlpha(std::uint32_t colour, std::uint32_t alpha) {
  return (colour & 0x00FFFFFFu) | (alpha << 24);
}

void SetAlphas(kx_rect_colors& c, std::uint32_t alpha) {
  for (std::uint32_t* p : {&c.color1, &c.color2, &c.color3, &c.color4, &c.border_color})
    *p = WithAlpha(*p, alpha);
}

}  // namespace

kx_panel_theme::kx_panel_theme() {
  Reset();
}

void kx_panel_theme::ApplyPanelStyle(std::int32_t s) {
  switch (s) {
    case 2:
      Gradient(colors, 0xD2F2FF, 0xA4C8DF, 0xAFC5D4);
      break;
    case 3:
      Gradient(colors, 0xDCF0DC, 0xDCF0DC, 0xC6D8C6);
      break;
    case 4:
      Gradient(colors, 0xFFE6B4, 0xFFE6B4, 0xE6CFA2);
      break;
    default:
      Gradient(colors, 0xF0F0F0, 0xBEBEBE, 0xA0A0A0);
      break;
  }
}

void kx_panel_theme::SetStyle(std::int32_t new_style) {
  ApplyPanelStyle(new_style);
  kx_basic_theme::SetStyle(new_style);
}

std::unique_ptr<kx_basic_theme> kx_panel_theme::Create() const {
  return std::make_unique<kx_panel_theme>();
}

void kx_panel_theme::Reset() {
  shape = kx_rect_shape{};
  SetStyle(style);
}

void kx_panel_theme::Assign(const kx_basic_theme& source) {
  if (const auto* panel = dynamic_cast<const kx_panel_theme*>(&source)) {
    colors = panel->colors;
    shape = panel->shape;
  }
  kx_basic_theme::Assign(source);
}

kx_toolbar_theme::kx_toolbar_theme() {
  Reset();
}

void kx_toolbar_theme::SetStyle(std::int32_t new_style) {
  ApplyPanelStyle(new_style);
  switch (new_style) {
    case 2:
      Bands(colors, 0xD2F2FF, 0xC7E1F2, 0xC2DBEC, 0xCFECFB, 0xAFC5D4);
      break;
    case 3:
      Gradient(colors, 0xDCF0DC, 0xDCF0DC, 0xC6D8C6);
      break;
    case 4:
      Gradient(colors, 0xFFE6B4, 0xFFE6B4, 0xE6CFA2);
      break;
    default:
      Bands(colors, 0xF5F5F5, 0xC8C8C8, 0xBEBEBE, 0xAAAAAA, 0xA0A0A0);
      break;
  }
  kx_basic_theme::SetStyle(new_style);
}

std::unique_ptr<kx_basic_theme> kx_toolbar_theme::Create() const {
  return std::make_unique<kx_toolbar_theme>();
}

kx_button_theme::kx_button_theme() {
  Reset();
}

void kx_button_theme::ApplyButtonStyle(std::int32_t s) {
  auto& n = state_colors[kx_state_normal];
  auto& hot = state_colors[kx_state_hot];
  auto& p = state_colors[kx_state_pressed];
  auto& d = state_colors[kx_state_disabled];
  switch (s) {
    case 2:
      Bands(n, 0xC7E6F2, 0xBDD6E6, 0xB8D0E0, 0xC5E0EE, 0x9CB1BE);
      Bands(hot, 0xFFFFFF, 0xE1E1FF, 0xD2D2E6, 0xE6E6F5, 0xA9A9BF);
      Bands(p, 0xB3CFDA, 0xAAC1CF, 0xA6BBCA, 0xB1CAD6, 0x80919B);
      Bands(d, 0xC7E6F2, 0xBDD6E6, 0xB8D0E0, 0xC5E0EE, 0x9CB1BE);
      SetAlphas(d, 128);
      break;
    case 3:
      Gradient(n, 0xD2F0D2, 0xC8F0C8, 0xA8C0A8);
      Gradient(hot, 0xE7FFE7, 0xDCFFDC, 0xA8C0A8);
      Gradient(p, 0xC7E4C7, 0xBEE4BE, 0xA8C0A8);
      Gradient(d, 0xD2F0D2, 0xC8F0C8, 0xA8C0A8);
      SetAlphas(d, 128);
      break;
    case 4:
      Preset(n, 0);
      n.color1 = Theme_Hex(0xF0C88C);
      n.border_color = Theme_Hex(0xD8B47E);
      Gradient(hot, 0xFFC378, 0xFFC356, 0xBF925A);
      Gradient(p, 0x917054, 0xC49772, 0x624C39);
      SetAlphas(p, 160);
      Preset(d, 0);
      d.color1 = Theme_Hex(0xF0C88C, 128);
      d.border_color = Theme_Hex(0xD8B47E, 128);
      break;
    default: {  // 0, 1 and every other value
      Bands(n, 0xFAFAFA, 0xEBEBEB, 0xDCDCDC, 0xC8C8C8, 0x5A5A5A);
      Bands(hot, 0xFFFFFF, 0xF0F0F0, 0xE6E6E6, 0xDCDCDC, 0x787878);
      Bands(p, 0xF5F5F5, 0xEBEBEB, 0xE1E1E1, 0xD2D2D2, 0x5A5A5A);
      if (s == 1) {
        n.inner_color = Theme_Hex(0xEBEBEB);
        hot.inner_color = Theme_Hex(0xD2D2D2);
        p.inner_color = Theme_Hex(0xA0A0A0);
        Bands(d, 0xF0F0F0, 0xE6E6E6, 0xDCDCDC, 0xD2D2D2, 0xBEBEBE);
        d.inner_color = Theme_Hex(0xAAAAAA);
      } else {
        // The disabled look keeps whatever colours the set holds, half transparent.
        Preset(d, 2);
        SetAlphas(d, 128);
      }
      break;
    }
  }
}

void kx_button_theme::SetStyle(std::int32_t new_style) {
  ApplyButtonStyle(new_style);
  text_colors = {Theme_Hex(0x202020), Theme_Hex(0x202020), Theme_Hex(0x202020),
                 Theme_Hex(0xA0A0A0)};
  kx_basic_theme::SetStyle(new_style);
}

std::unique_ptr<kx_basic_theme> kx_button_theme::Create() const {
  return std::make_unique<kx_button_theme>();
}

void kx_button_theme::Reset() {
  shape = kx_rect_shape{};
  font = kx_font_info{};
  flat = false;
  glyph_layout = 0;
  SetStyle(style);
}

void kx_button_theme::Assign(const kx_basic_theme& source) {
  if (const auto* button = dynamic_cast<const kx_button_theme*>(&source)) {
    state_colors = button->state_colors;
    text_colors = button->text_colors;
    font = button->font;
    shape = button->shape;
    flat = button->flat;
    glyph_layout = button->glyph_layout;
  }
  kx_basic_theme::Assign(source);
}

kx_progress_theme::kx_progress_theme() {
  ApplyDefaults();
}

void kx_progress_theme::ApplyDefaults() {
  for (auto& c : back_colors) {
    Preset(c, 0);
    c.color1 = Theme_Hex(0xE7FFF2);
    c.border_color = Theme_Hex(0x627E64);
  }
  for (auto& c : bar_colors) Bands(c, 0xE3FFDE, 0x32C12D, 0x3CAC38, 0x97DF8A, 0x2DAE29);
  font = kx_font_info{};
  font.color = Theme_Hex(0x202D20);
  font.style = kx_font_bold;
  font.height = 15;
  Shape_SetCorners(shape, kx_corner_round);
  shape.radius = 3;
}

std::unique_ptr<kx_basic_theme> kx_progress_theme::Create() const {
  return std::make_unique<kx_progress_theme>();
}

void kx_progress_theme::Reset() {
  ApplyDefaults();
  SetStyle(style);
}

void kx_progress_theme::Assign(const kx_basic_theme& source) {
  if (const auto* progress = dynamic_cast<const kx_progress_theme*>(&source)) {
    back_colors = progress->back_colors;
    bar_colors = progress->bar_colors;
    font = progress->font;
    shape = progress->shape;
  }
  kx_basic_theme::Assign(source);
}
