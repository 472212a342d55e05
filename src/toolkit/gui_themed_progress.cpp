#include "toolkit/gui_themed_progress.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "foundation/basic.h"
#include "toolkit/gui_utils.h"

kx_themed_progress::kx_themed_progress(QWidget* parent)
    : kx_themed_graphic_control(parent, std::make_unique<kx_progress_theme>()) {
  // 14 pixels at 96 pixels per inch, scaled to the screen's.
  ProgressTheme().font.height = std::max(1, 14 * logicalDpiY() / 96);
}

kx_themed_progress* kx_themed_progress::Replace(QWidget* control, bool free_old) {
  if (!control) return nullptr;
  auto* progress = new kx_themed_progress(control->parentWidget());
  progress->SetCreating(true);
  progress->SetSizeHint(control->sizeHint());
  Control_CopyLook(control, progress);
  progress->SetCreating(false);
  progress->Invalidate();
  if (free_old) delete control;
  return progress;
}

void kx_themed_progress::SetPosition(double position) {
  if (std::isnan(position)) position = 0.0;
  position = std::clamp(position, 0.0, 1.0);
  if (std::fabs(position - position_) <= 0.000001) return;
  position_ = position;
  RedrawNow();
}

QString kx_themed_progress::PercentText() const {
  return QString::fromStdString(Float_Format(position_ * 100.0, 1)) + QLatin1Char('%');
}

void kx_themed_progress::DrawThemed() {
  const kx_progress_theme& theme = ProgressTheme();
  const int W = BufferWidth(), H = BufferHeight();
  buffer_.fill(Qt::transparent);
  QPainter p(&buffer_);
  ThemeRect_Paint(theme.back_colors[0], theme.shape, QRect(0, 0, W, H), p);
  const int bar = static_cast<int>(std::nearbyint(W * position_));
  // Never narrower than its two rounded ends.
  if (bar > 0)
    ThemeRect_Paint(theme.bar_colors[0], theme.shape,
                    QRect(0, 0, std::max(bar, 2 * theme.shape.radius), H), p);
  if (!show_text) return;
  FontInfo_Apply(theme.font, p);
  const QString text = PercentText();
  const QFontMetrics fm(p.font());
  const int tw = fm.horizontalAdvance(text);
  const int th = fm.height();
  p.setPen(Theme_QColor(theme.font.color));
  p.drawText(QPoint((W - tw) / 2, (H - th) / 2 + 1 + fm.ascent()), text);
}
