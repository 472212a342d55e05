#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "toolkit/gui_themes.h"

namespace {

constexpr std::uint32_t kRed = Theme_Hex(0xFF0000);
constexpr std::uint32_t kBlue = Theme_Hex(0x0000FF);
constexpr std::uint32_t kGreen = Theme_Hex(0x00FF00);

QImage Paint(const kx_rect_colors& colors, const kx_rect_shape& shape, QRect rect,
             QSize size = QSize(40, 40)) {
  QImage image(size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  ThemeRect_Paint(colors, shape, rect, p);
  return image;
}

kx_rect_colors Bands(double split) {
  kx_rect_colors c;
  c.fill_style = 2;
  c.color1 = kRed;
  c.color2 = kRed;
  c.color3 = kBlue;
  c.color4 = kBlue;
  c.split = split;
  c.border_color = 0;
  return c;
}

}  // namespace

TEST(GuiThemes, HexNotationPutsRedInTheLowestByte) {
  EXPECT_EQ(Theme_Hex(0x112233), 0xFF332211u);
  EXPECT_EQ(Theme_Hex(0x917054, 160), 0xA0547091u);
  EXPECT_EQ(Theme_QColor(Theme_Hex(0x112233, 128)), QColor(0x11, 0x22, 0x33, 128));
}

TEST(GuiThemes, TwoBandSplitIsAnAbsoluteRow) {
  struct row_case {
    double split;
    int top;           // rectangle top; the band border is h * split, not added to it
    QRgb first, last;  // colours of the first and the last row
  };
  const std::vector<row_case> cases = {
      {1.0, 0, qRgb(255, 0, 0), qRgb(255, 0, 0)},  // only the upper band
      {0.0, 0, qRgb(0, 0, 255), qRgb(0, 0, 255)},  // only the lower band
      {0.5, 0, qRgb(255, 0, 0), qRgb(0, 0, 255)},
      {0.5, 20, qRgb(0, 0, 255), qRgb(0, 0, 255)},  // border at y = 10 lies above the rect
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "split " << c.split << " top " << c.top);
    const QImage image =
        Paint(Bands(c.split), kx_rect_shape{}, QRect(0, c.top, 40, 21), QSize(40, 60));
    EXPECT_EQ(image.pixel(20, c.top), c.first);
    EXPECT_EQ(image.pixel(20, c.top + 20), c.last);
    if (c.split == 1.0 || c.split == 0.0) {
      for (int y = c.top; y < c.top + 21; ++y) EXPECT_EQ(image.pixel(5, y), c.first) << y;
    }
  }
  // With the split in the middle, the border between the bands lies at row 10.
  const QImage half = Paint(Bands(0.5), kx_rect_shape{}, QRect(0, 0, 40, 21));
  EXPECT_EQ(half.pixel(3, 9), qRgb(255, 0, 0));
  EXPECT_EQ(half.pixel(3, 10), qRgb(0, 0, 255));
}

TEST(GuiThemes, FillStylesAndOutlines) {
  kx_rect_colors c;
  c.fill_style = 0;
  c.color1 = kGreen;
  c.border_color = kRed;
  c.inner_color = kBlue;
  QImage image = Paint(c, kx_rect_shape{}, QRect(0, 0, 40, 40));
  EXPECT_EQ(image.pixel(0, 20), qRgb(255, 0, 0));  // outline on the edge pixels
  EXPECT_EQ(image.pixel(39, 20), qRgb(255, 0, 0));
  EXPECT_EQ(image.pixel(1, 20), qRgb(0, 0, 255));  // inner outline one pixel further in
  EXPECT_EQ(image.pixel(38, 38), qRgb(0, 0, 255));
  EXPECT_EQ(image.pixel(2, 20), qRgb(0, 255, 0));

  c.border_color = Theme_Hex(0xFF0000, 0);  // alpha 0: no outline, whatever the colour
  c.inner_color = 0;
  image = Paint(c, kx_rect_shape{}, QRect(0, 0, 40, 40));
  EXPECT_EQ(image.pixel(0, 20), qRgb(0, 255, 0));
  EXPECT_EQ(image.pixel(1, 20), qRgb(0, 255, 0));

  c.fill_style = 1;
  c.color1 = kRed;
  c.color4 = kBlue;
  image = Paint(c, kx_rect_shape{}, QRect(0, 0, 40, 40));
  EXPECT_EQ(image.pixel(20, 0), qRgb(255, 0, 0));
  EXPECT_EQ(image.pixel(20, 39), qRgb(0, 0, 255));
  EXPECT_GT(qRed(image.pixel(20, 10)), qRed(image.pixel(20, 30)));

  c.fill_style = 7;  // no fill at all
  c.border_color = kRed;
  image = Paint(c, kx_rect_shape{}, QRect(0, 0, 40, 40));
  EXPECT_EQ(qAlpha(image.pixel(20, 20)), 0);
  EXPECT_EQ(image.pixel(0, 20), qRgb(255, 0, 0));

  // Nothing outside the rectangle; right and bottom are exclusive.
  image = Paint(c, kx_rect_shape{}, QRect(5, 5, 10, 10));
  EXPECT_EQ(qAlpha(image.pixel(15, 10)), 0);
  EXPECT_EQ(image.pixel(14, 10), qRgb(255, 0, 0));
}

TEST(GuiThemes, CornerStyles) {
  kx_rect_colors c;
  c.fill_style = 0;
  c.color1 = kGreen;
  c.border_color = 0;
  struct corner_case {
    std::int32_t style;
    std::int32_t radius;
    bool corner_covered;  // pixel (0, 0)
  };
  const std::vector<corner_case> cases = {
      {kx_corner_round, 0, true},  // radius 0 gives square corners whatever the style
      {kx_corner_bevel, 0, true},  {kx_corner_square, 8, true},
      {kx_corner_round, 8, false}, {kx_corner_bevel, 8, false},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(testing::Message() << "style " << k.style << " radius " << k.radius);
    kx_rect_shape shape;
    Shape_SetCorners(shape, k.style);
    shape.radius = k.radius;
    const QImage image = Paint(c, shape, QRect(0, 0, 40, 40));
    for (const QPoint corner : {QPoint(0, 0), QPoint(39, 0), QPoint(0, 39), QPoint(39, 39)})
      EXPECT_EQ(qAlpha(image.pixel(corner)), k.corner_covered ? 255 : 0);
    EXPECT_EQ(image.pixel(20, 0), qRgb(0, 255, 0));  // the sides stay straight and full
  }
  // A bevel is a straight 45-degree cut: (4, 4) lies inside it, (2, 2) outside.
  kx_rect_shape bevel;
  Shape_SetCorners(bevel, kx_corner_bevel);
  bevel.radius = 8;
  const QImage cut = Paint(c, bevel, QRect(0, 0, 40, 40));
  EXPECT_EQ(qAlpha(cut.pixel(4, 4)), 255);
  EXPECT_EQ(qAlpha(cut.pixel(2, 2)), 0);
  // Each corner on its own: rounded top-left, square top-right.
  bevel.corners = {kx_corner_round, kx_corner_square, kx_corner_square, kx_corner_square};
  const QImage mixed = Paint(c, bevel, QRect(0, 0, 40, 40));
  EXPECT_EQ(qAlpha(mixed.pixel(0, 0)), 0);
  EXPECT_EQ(qAlpha(mixed.pixel(39, 0)), 255);
}

TEST(GuiThemes, NewRecordsHoldTheirDefaults) {
  const kx_rect_colors c;
  EXPECT_EQ(c.fill_style, 2);
  EXPECT_EQ(c.color1, Theme_Hex(0xF5F5F5));
  EXPECT_EQ(c.color4, Theme_Hex(0xAAAAAA));
  EXPECT_EQ(c.border_color, Theme_Hex(0xA0A0A0));
  EXPECT_EQ(c.inner_color, 0u);
  const kx_font_info f;
  EXPECT_EQ(f.height, -1);
  EXPECT_EQ(f.color, 0xFF000000u);
  const kx_rect_shape s;
  EXPECT_EQ(s.radius, 0);
  EXPECT_EQ(s.corners[0], kx_corner_square);
}

TEST(GuiThemes, ButtonStyleTable) {
  kx_button_theme zero, seven;
  zero.SetStyle(0);
  seven.SetStyle(7);
  EXPECT_EQ(zero.state_colors, seven.state_colors);  // any value outside 1..4 is style 0
  EXPECT_EQ(zero.text_colors, seven.text_colors);
  EXPECT_EQ(seven.style, 7);
  EXPECT_EQ(zero.text_colors[kx_state_disabled], Theme_Hex(0xA0A0A0));
  EXPECT_EQ(zero.text_colors[kx_state_pressed], Theme_Hex(0x202020));

  // A new theme's disabled set: the record defaults at alpha 128.
  const kx_rect_colors& disabled = zero.state_colors[kx_state_disabled];
  EXPECT_EQ(disabled.color1, Theme_Hex(0xF5F5F5, 128));
  EXPECT_EQ(disabled.border_color, Theme_Hex(0xA0A0A0, 128));
  EXPECT_EQ(disabled.fill_style, 2);

  kx_button_theme t;
  t.SetStyle(1);
  EXPECT_EQ(t.state_colors[kx_state_normal].inner_color, Theme_Hex(0xEBEBEB));
  EXPECT_EQ(t.state_colors[kx_state_disabled].inner_color, Theme_Hex(0xAAAAAA));
  t.SetStyle(4);
  EXPECT_EQ(t.state_colors[kx_state_normal].fill_style, 0);
  EXPECT_EQ(t.state_colors[kx_state_pressed].color1, Theme_Hex(0x917054, 160));
  EXPECT_EQ(t.state_colors[kx_state_pressed].border_color, Theme_Hex(0x624C39, 160));
  EXPECT_EQ(t.state_colors[kx_state_normal].inner_color, 0u);  // presets clear the inner line
  // Back to style 0: the disabled set keeps the colours it had, half transparent.
  t.SetStyle(0);
  EXPECT_EQ(t.state_colors[kx_state_disabled].color1, Theme_Hex(0xF0C88C, 128));
  EXPECT_EQ(t.state_colors[kx_state_disabled].fill_style, 2);
  t.SetStyle(2);
  EXPECT_EQ(t.state_colors[kx_state_disabled].color1, Theme_Hex(0xC7E6F2, 128));
  EXPECT_EQ(t.state_colors[kx_state_hot].color2, Theme_Hex(0xE1E1FF));
}

TEST(GuiThemes, PanelAndToolbarStyleTables) {
  kx_panel_theme panel;
  kx_toolbar_theme bar;
  for (int style : {2, 3, 4}) {
    panel.SetStyle(style);
    bar.SetStyle(style);
    EXPECT_EQ(panel.colors.fill_style, 1);
  }
  panel.SetStyle(2);
  EXPECT_EQ(panel.colors.color1, Theme_Hex(0xD2F2FF));
  EXPECT_EQ(panel.colors.color4, Theme_Hex(0xA4C8DF));
  EXPECT_EQ(panel.colors.border_color, Theme_Hex(0xAFC5D4));
  bar.SetStyle(2);
  EXPECT_EQ(bar.colors.fill_style, 2);
  EXPECT_EQ(bar.colors.color3, Theme_Hex(0xC2DBEC));
  bar.SetStyle(-3);
  EXPECT_EQ(bar.colors.color1, Theme_Hex(0xF5F5F5));
  bar.SetStyle(4);
  EXPECT_EQ(bar.colors.fill_style, 1);
  EXPECT_EQ(bar.colors.border_color, Theme_Hex(0xE6CFA2));
}

TEST(GuiThemes, ChangesRaiseOnChangeAndAssignCopiesOnlyItsOwnKind) {
  kx_button_theme button;
  int changes = 0;
  button.on_change = [&](kx_basic_theme& theme) {
    EXPECT_EQ(&theme, &button);
    ++changes;
  };
  button.SetStyle(3);
  button.shape.radius = 5;  // direct field changes raise nothing
  EXPECT_EQ(changes, 1);
  button.Reset();
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(button.shape.radius, 0);  // Reset restores the shape, keeps the style
  EXPECT_EQ(button.style, 3);

  kx_button_theme source;
  source.SetStyle(4);
  source.flat = true;
  source.glyph_layout = 2;
  source.font.height = 13;
  button.Assign(source);
  EXPECT_EQ(changes, 3);
  EXPECT_EQ(button.state_colors, source.state_colors);
  EXPECT_TRUE(button.flat);
  EXPECT_EQ(button.font, source.font);

  // A panel theme takes only the style from a button theme.
  kx_panel_theme panel;
  const kx_rect_colors before = panel.colors;
  panel.Assign(source);
  EXPECT_EQ(panel.style, 4);
  EXPECT_EQ(panel.colors, before);
  // ... and everything from a tool-bar theme, which is a panel theme.
  kx_toolbar_theme bar;
  bar.SetStyle(2);
  panel.Assign(bar);
  EXPECT_EQ(panel.colors, bar.colors);

  // The virtual Create makes a new theme of the same class.
  const std::unique_ptr<kx_basic_theme> made = static_cast<kx_basic_theme&>(bar).Create();
  EXPECT_NE(dynamic_cast<kx_toolbar_theme*>(made.get()), nullptr);
  EXPECT_EQ(made->style, -1);
}

TEST(GuiThemes, ProgressThemeDefaults) {
  const kx_progress_theme t;
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(t.back_colors[i].fill_style, 0);
    EXPECT_EQ(t.back_colors[i].color1, Theme_Hex(0xE7FFF2));
    EXPECT_EQ(t.bar_colors[i], t.bar_colors[0]);
  }
  EXPECT_EQ(t.back_colors[0].border_color, Theme_Hex(0x627E64));
  EXPECT_EQ(t.bar_colors[0].color2, Theme_Hex(0x32C12D));
  EXPECT_EQ(t.bar_colors[0].border_color, Theme_Hex(0x2DAE29));
  EXPECT_EQ(t.font.height, 15);
  EXPECT_EQ(t.font.style, kx_font_bold);
  EXPECT_EQ(t.font.color, Theme_Hex(0x202D20));
  EXPECT_EQ(t.shape.radius, 3);
  EXPECT_EQ(t.shape.corners[3], kx_corner_round);
}

TEST(GuiThemes, FontInfoApplyAndLoad) {
  QImage image(10, 10, QImage::Format_ARGB32_Premultiplied);
  QPainter p(&image);
  QFont base(QStringLiteral("DejaVu Sans"));
  base.setPixelSize(17);
  p.setFont(base);
  kx_font_info keep;
  keep.style = kx_font_italic | kx_font_underline;
  FontInfo_Apply(keep, p);
  EXPECT_EQ(p.font().family(), QStringLiteral("DejaVu Sans"));
  EXPECT_EQ(p.font().pixelSize(), 17);
  EXPECT_TRUE(p.font().italic());
  EXPECT_TRUE(p.font().underline());
  EXPECT_FALSE(p.font().bold());
  EXPECT_TRUE(p.testRenderHint(QPainter::TextAntialiasing));

  kx_font_info set;
  set.name = "Liberation Sans";
  set.height = 13;
  set.style = kx_font_bold;
  FontInfo_Apply(set, p);
  EXPECT_EQ(p.font().family(), QStringLiteral("Liberation Sans"));
  EXPECT_EQ(p.font().pixelSize(), 13);
  EXPECT_TRUE(p.font().bold());
  EXPECT_FALSE(p.font().italic());

  kx_font_info loaded;
  QFont font(QStringLiteral("Liberation Serif"));
  font.setPixelSize(21);
  font.setStrikeOut(true);
  FontInfo_LoadFrom(loaded, font, QColor(1, 2, 3, 40));
  EXPECT_EQ(loaded.name, "Liberation Serif");
  EXPECT_EQ(loaded.height, 21);
  EXPECT_EQ(loaded.style, kx_font_strikeout);
  EXPECT_EQ(loaded.color, 0xFF030201u);
}
