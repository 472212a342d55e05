// Writes pictures of every themed control in every state and style to <build>/gallery, at
// 96 and at 192 pixels per inch, for people to look at:
//   buttons-1x.png / -2x.png   the five button styles: plain, hot, pressed, disabled, toggled
//                              down, split (hot and pressed drop-down), flat, caption only,
//                              and the picture layouts
//   panels-1x.png / -2x.png    panels and tool bars in the five styles
//   progress-1x.png / -2x.png  the progress bar at several positions
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include "toolkit/gui_themed_button.h"
#include "toolkit/gui_themed_control.h"
#include "toolkit/gui_themed_progress.h"

namespace {

const QString kGallery = QStringLiteral(FLENMARK_GALLERY_DIR);

// A 32-pixel picture: a blue disc with a white play triangle, drawn at the given ratio.
QImage Glyph(qreal ratio) {
  QImage image(QSize(32, 32) * ratio, QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(ratio);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(0x1D, 0x5F, 0xA8), 1.0));
  p.setBrush(QColor(0x3A, 0x8E, 0xE6));
  p.drawEllipse(QRectF(2.5, 2.5, 27, 27));
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawPolygon(QPolygonF({QPointF(12, 9), QPointF(24, 16), QPointF(12, 23)}));
  return image;
}

void Send(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButton button) {
  const Qt::MouseButtons buttons = type == QEvent::MouseButtonPress ? button : Qt::NoButton;
  QMouseEvent event(type, pos, w->mapToGlobal(pos), button, buttons, Qt::NoModifier);
  QCoreApplication::sendEvent(w, &event);
}

void Label(QPainter& p, int x, int y, const QString& text) {
  p.setPen(QColor(0x30, 0x30, 0x30));
  QFont font(QStringLiteral("Liberation Sans"));
  font.setPixelSize(11);
  p.setFont(font);
  p.drawText(QPoint(x, y), text);
}

QImage Sheet(QSize size, qreal ratio) {
  QImage sheet(size * ratio, QImage::Format_ARGB32_Premultiplied);
  sheet.setDevicePixelRatio(ratio);
  sheet.fill(Qt::white);
  return sheet;
}

bool Save(const QImage& sheet, const QString& name) {
  QDir().mkpath(kGallery);
  return sheet.save(kGallery + QLatin1Char('/') + name);
}

void TemplateTheme(kx_button_theme& theme, int style) {
  // The look the main window gives its tool bar: rounded corners, 13-pixel caption.
  theme.SetStyle(style);
  Shape_SetCorners(theme.shape, kx_corner_round);
  theme.shape.radius = 3;
  theme.font.name = "Liberation Sans";
  theme.font.height = 13;
  theme.font.quality = 1;
}

QImage ButtonSheet(qreal ratio) {
  const int row_h = 76;
  QImage sheet = Sheet(QSize(1000, 24 + 6 * row_h), ratio);
  QPainter p(&sheet);
  const QStringList columns = {QStringLiteral("normal"),    QStringLiteral("hot"),
                               QStringLiteral("pressed"),   QStringLiteral("disabled"),
                               QStringLiteral("down"),      QStringLiteral("split"),
                               QStringLiteral("split hot"), QStringLiteral("drop pressed"),
                               QStringLiteral("flat"),      QStringLiteral("flat hot")};
  for (int style = 0; style < 5; ++style) {
    const int y = 24 + style * row_h;
    Label(p, 6, y + 34, QStringLiteral("style %1").arg(style));
    kx_themed_panel bar;
    bar.resize(930, 68);
    kx_toolbar_theme bar_theme;
    bar_theme.SetStyle(style);
    bar.SetTheme(bar_theme);
    kx_button_theme theme;
    TemplateTheme(theme, style);
    for (int column = 0; column < columns.size(); ++column) {
      if (style == 0) Label(p, 66 + column * 92, 16, columns[column]);
      auto* b = new kx_themed_button(&bar);
      b->SetTheme(theme);
      b->ButtonTheme().flat = column >= 8;
      b->SetCaption(column == 9 ? QStringLiteral("Caption") : QStringLiteral("Convert"));
      if (column != 9) b->SetGlyph(Glyph(ratio));
      const bool split = column >= 5 && column <= 7;
      b->setGeometry(4 + column * 92, 4, split ? 88 : 84, 60);
      if (split) b->SetButtonMode(kx_button_split);
      switch (column) {
        case 1:
        case 9:
          Send(b, QEvent::MouseMove, QPoint(20, 20), Qt::NoButton);
          break;
        case 2:
          Send(b, QEvent::MouseButtonPress, QPoint(20, 20), Qt::LeftButton);
          break;
        case 3:
          b->setEnabled(false);
          break;
        case 4:
          b->group_index = 1;
          b->SetDown(true);
          break;
        case 6:
          Send(b, QEvent::MouseMove, QPoint(80, 20), Qt::NoButton);
          break;
        case 7:
          Send(b, QEvent::MouseButtonPress, QPoint(80, 20), Qt::LeftButton);
          break;
        default:
          break;
      }
    }
    bar.render(&p, QPoint(62, y));
  }
  // Picture beside the caption: at the left edge, centred with it, at the right edge; and a
  // button that keeps the drop-down width free.
  const int y = 24 + 5 * row_h;
  Label(p, 6, y + 34, QStringLiteral("layouts"));
  kx_themed_panel bar;
  bar.resize(930, 68);
  kx_toolbar_theme bar_theme;
  bar_theme.SetStyle(2);
  bar.SetTheme(bar_theme);
  kx_button_theme theme;
  TemplateTheme(theme, 2);
  for (int layout = 1; layout <= 4; ++layout) {
    auto* b = new kx_themed_button(&bar);
    b->SetTheme(theme);
    b->ButtonTheme().glyph_layout = layout == 4 ? 0 : layout;
    b->SetCaption(QStringLiteral("Output folder"));
    b->SetGlyph(Glyph(ratio));
    b->setGeometry(4 + (layout - 1) * 170, 4, 164, 60);
    if (layout == 4) b->SetButtonMode(kx_button_reserved);
  }
  bar.render(&p, QPoint(62, y));
  return sheet;
}

QImage PanelSheet(qreal ratio) {
  QImage sheet = Sheet(QSize(560, 24 + 5 * 70), ratio);
  QPainter p(&sheet);
  Label(p, 70, 16, QStringLiteral("panel"));
  Label(p, 310, 16, QStringLiteral("tool bar"));
  for (int style = 0; style < 5; ++style) {
    const int y = 24 + style * 70;
    Label(p, 6, y + 34, QStringLiteral("style %1").arg(style));
    kx_panel_theme panel_theme;
    panel_theme.SetStyle(style);
    kx_toolbar_theme bar_theme;
    bar_theme.SetStyle(style);
    kx_themed_panel panel, bar;
    panel.resize(230, 60);
    bar.resize(230, 60);
    panel.SetTheme(panel_theme);
    bar.SetTheme(bar_theme);
    panel.render(&p, QPoint(70, y));
    bar.render(&p, QPoint(310, y));
  }
  return sheet;
}

QImage ProgressSheet(qreal ratio) {
  const std::vector<double> positions = {0.0, 0.004, 0.02, 0.1, 0.425, 0.75, 1.0};
  QImage sheet = Sheet(QSize(420, 10 + static_cast<int>(positions.size()) * 34), ratio);
  QPainter p(&sheet);
  for (std::size_t i = 0; i < positions.size(); ++i) {
    const int y = 10 + static_cast<int>(i) * 34;
    Label(p, 6, y + 15, QString::number(positions[i]));
    kx_themed_progress bar;
    bar.resize(300, 22);
    bar.SetPosition(positions[i]);
    bar.render(&p, QPoint(90, y));
  }
  return sheet;
}

}  // namespace

TEST(GuiGallery, WritesEveryControlAtBothRatios) {
  for (const qreal ratio : {1.0, 2.0}) {
    const QString suffix = ratio == 1.0 ? QStringLiteral("-1x.png") : QStringLiteral("-2x.png");
    const QImage buttons = ButtonSheet(ratio);
    const QImage panels = PanelSheet(ratio);
    const QImage progress = ProgressSheet(ratio);
    // The sheets are made at the asked ratio, pixel for pixel.
    EXPECT_EQ(buttons.width(), static_cast<int>(1000 * ratio));
    EXPECT_TRUE(Save(buttons, QStringLiteral("buttons") + suffix));
    EXPECT_TRUE(Save(panels, QStringLiteral("panels") + suffix));
    EXPECT_TRUE(Save(progress, QStringLiteral("progress") + suffix));
  }
}
