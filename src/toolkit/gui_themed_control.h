#pragma once
// Owner-drawn controls: each keeps an off-screen image with alpha, rebuilds it only when it
// is marked dirty, and blends it onto the window; transparent pixels show the parent.
#include <QImage>
#include <QWidget>
#include <functional>
#include <memory>

#include "toolkit/gui_themes.h"

class kx_themed_graphic_control : public QWidget {
  Q_OBJECT

 public:
  ~kx_themed_graphic_control() override;

  kx_basic_theme& Theme() { return *theme_; }
  const kx_basic_theme& Theme() const { return *theme_; }

  // Copies the given theme into the control's own theme (which repaints it).
  virtual void SetTheme(const kx_basic_theme& theme);
  virtual void ThemeChanged();

  // Marks the image dirty and asks for a paint, unless an update is in progress.
  void Invalidate();
  void BeginUpdate();
  void EndUpdate();
  // Rebuilds the image now and repaints at once.
  void RedrawNow();
  // Rebuilds the image for the given pixel ratio (0: the screen's) without painting.
  void RedrawBuffer(qreal pixel_ratio = 0);

  const QImage& Buffer() const { return buffer_; }
  bool IsDirty() const { return dirty_; }
  int UpdateLock() const { return update_lock_; }
  int BufferWidth() const { return buffer_width_; }
  int BufferHeight() const { return buffer_height_; }
  // How many times the image was rebuilt (lets callers see that painting stays lazy).
  int RedrawCount() const { return redraw_count_; }

  // The size a layout should give the control (the replaced control's, after Replace).
  void SetSizeHint(QSize hint) { size_hint_ = hint; }
  QSize sizeHint() const override {
    return size_hint_.isValid() ? size_hint_ : QWidget::sizeHint();
  }

  // Raised after every rebuild of the image.
  std::function<void(kx_themed_graphic_control&)> on_after_draw;

 protected:
  kx_themed_graphic_control(QWidget* parent, std::unique_ptr<kx_basic_theme> theme);

  // Paints the control into buffer_. The base clears it to transparent.
  virtual void DrawThemed();

  // True while the control is being made or copied: no painting, no reactions.
  bool IsCreating() const { return creating_ > 0; }
  void SetCreating(bool on) { creating_ += on ? 1 : -1; }

  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

  QImage buffer_;

 private:
  std::unique_ptr<kx_basic_theme> theme_;
  int buffer_width_ = 0;
  int buffer_height_ = 0;
  bool dirty_ = true;
  int update_lock_ = 0;
  int creating_ = 0;
  int redraw_count_ = 0;
  QSize size_hint_;
};

// A themed background filling its control, outline pushed just outside the visible area.
class kx_themed_surface : public kx_themed_graphic_control {
  Q_OBJECT

 public:
  explicit kx_themed_surface(QWidget* parent = nullptr,
                             std::unique_ptr<kx_panel_theme> theme = nullptr);
  kx_panel_theme& PanelTheme() { return static_cast<kx_panel_theme&>(Theme()); }

 protected:
  void DrawThemed() override;
};

// A container on a themed background; other controls live on it.
class kx_themed_panel : public QWidget {
  Q_OBJECT

 public:
  explicit kx_themed_panel(QWidget* parent = nullptr);

  kx_themed_surface& Surface() { return *surface_; }
  kx_panel_theme& PanelTheme() { return surface_->PanelTheme(); }
  void SetTheme(const kx_basic_theme& theme) { surface_->SetTheme(theme); }

  // Puts a themed panel where `control` was: position, size, parent, tab order, look,
  // font and children carry over. With free_old the old control is deleted.
  static kx_themed_panel* Replace(QWidget* control, bool free_old);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  kx_themed_surface* surface_;
};
