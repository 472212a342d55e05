#include "toolkit/gui_themed_control.h"

#include <QEvent>
#include <QLayout>
#include <QPaintEvent>
#include <QPainter>
#include <cmath>

#include "toolkit/gui_utils.h"

kx_themed_graphic_control::kx_themed_graphic_control(QWidget* parent,
                                                     std::unique_ptr<kx_basic_theme> theme)
    : QWidget(parent), theme_(theme ? std::move(theme) : std::make_unique<kx_basic_theme>()) {
  SetCreating(true);
  theme_->on_change = [this](kx_basic_theme&) { ThemeChanged(); };
  // Everything on screen comes from the image: no background fill, transparent pixels
  // show the parent.
  setAutoFillBackground(false);
  SetCreating(false);
}

kx_themed_graphic_control::~kx_themed_graphic_control() {
  ++update_lock_;
  theme_->on_change = nullptr;
}

void kx_themed_graphic_control::SetTheme(const kx_basic_theme& theme) {
  theme_->Assign(theme);
  Invalidate();
}

void kx_themed_graphic_control::ThemeChanged() {
  Invalidate();
}

void kx_themed_graphic_control::Invalidate() {
  if (update_lock_ > 0) return;
  dirty_ = true;
  update();
}

void kx_themed_graphic_control::BeginUpdate() {
  ++update_lock_;
}

void kx_themed_graphic_control::EndUpdate() {
  if (update_lock_ > 0 && --update_lock_ == 0) Invalidate();
}

void kx_themed_graphic_control::RedrawNow() {
  RedrawBuffer();
  repaint();
}

void kx_themed_graphic_control::RedrawBuffer(qreal pixel_ratio) {
  dirty_ = false;
  buffer_width_ = width();
  buffer_height_ = height();
  if (pixel_ratio <= 0) pixel_ratio = devicePixelRatioF();
  const QSize pixels(static_cast<int>(std::ceil(buffer_width_ * pixel_ratio)),
                     static_cast<int>(std::ceil(buffer_height_ * pixel_ratio)));
  if (buffer_.size() != pixels || buffer_.devicePixelRatio() != pixel_ratio) {
    buffer_ = pixels.isEmpty() ? QImage() : QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    buffer_.setDevicePixelRatio(pixel_ratio);
  }
  if (buffer_.isNull()) return;
  DrawThemed();
  ++redraw_count_;
  if (on_after_draw) on_after_draw(*this);
}

void kx_themed_graphic_control::DrawThemed() {
  buffer_.fill(Qt::transparent);
}

void kx_themed_graphic_control::paintEvent(QPaintEvent*) {
  if (update_lock_ > 0 || IsCreating()) return;
  QPainter painter(this);
  // The target decides the pixel ratio: a screen, or an image that a widget renders into.
  const qreal ratio = painter.device() ? painter.device()->devicePixelRatio() : 1.0;
  if (dirty_ || buffer_width_ != width() || buffer_height_ != height() ||
      (!buffer_.isNull() && buffer_.devicePixelRatio() != ratio))
    RedrawBuffer(ratio);
  if (!buffer_.isNull()) painter.drawImage(0, 0, buffer_);
}

void kx_themed_graphic_control::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (!dirty_ && (width() != buffer_width_ || height() != buffer_height_)) Invalidate();
}

void kx_themed_graphic_control::changeEvent(QEvent* event) {
  if (event->type() == QEvent::EnabledChange) Invalidate();
  QWidget::changeEvent(event);
}

// ---------------------------------------------------------------------------------------------

kx_themed_surface::kx_themed_surface(QWidget* parent, std::unique_ptr<kx_panel_theme> theme)
    : kx_themed_graphic_control(parent,
                                theme ? std::move(theme) : std::make_unique<kx_panel_theme>()) {
  Shape_SetCorners(PanelTheme().shape, kx_corner_square);
}

void kx_themed_surface::DrawThemed() {
  // Grown by a pixel on every side: the outline falls outside, the fill covers everything.
  // Cleared first, so that a theme with see-through colours does not pile up on redraws.
  buffer_.fill(Qt::transparent);
  QPainter painter(&buffer_);
  const kx_panel_theme& theme = PanelTheme();
  ThemeRect_Paint(theme.colors, theme.shape, QRect(-1, -1, BufferWidth() + 2, BufferHeight() + 2),
                  painter);
}

// ---------------------------------------------------------------------------------------------

kx_themed_panel::kx_themed_panel(QWidget* parent)
    : QWidget(parent), surface_(new kx_themed_surface(this)) {
  setContentsMargins(0, 0, 0, 0);
  surface_->setGeometry(rect());
  surface_->lower();
}

void kx_themed_panel::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  surface_->setGeometry(rect());
}

void kx_themed_panel::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::EnabledChange) surface_->setEnabled(isEnabled());
}

kx_themed_panel* kx_themed_panel::Replace(QWidget* control, bool free_old) {
  if (!control) return nullptr;
  auto* panel = new kx_themed_panel(control->parentWidget());
  panel->setFocusPolicy(control->focusPolicy());
  Control_CopyLook(control, panel);
  if (control->testAttribute(Qt::WA_SetFont)) panel->setFont(control->font());
  // The children move over: a layout takes its widgets along, the rest one by one.
  if (QLayout* layout = control->layout()) panel->setLayout(layout);
  const QObjectList children = control->children();
  for (QObject* child : children) {
    auto* w = qobject_cast<QWidget*>(child);
    if (!w || w->isWindow()) continue;
    const bool shown = !w->isHidden();
    const QRect geometry = w->geometry();
    w->setParent(panel);
    w->setGeometry(geometry);
    w->setVisible(shown);
  }
  panel->surface_->lower();
  if (free_old) delete control;
  return panel;
}
