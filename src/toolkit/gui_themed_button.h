#pragma once
// The owner-drawn push, toggle and split button.
#include <QImage>
#include <QPoint>
#include <QString>

#include "toolkit/gui_themed_control.h"

enum : std::int32_t {
  kx_button_plain = 0,
  kx_button_reserved = 1,  // drop-down width kept free at the right, not a separate part
  kx_button_split = 2      // the right part is a drop-down part with an arrow
};

enum : std::int32_t { kx_part_none = 0, kx_part_main = 1, kx_part_drop = 2 };

class kx_themed_button : public kx_themed_graphic_control {
  Q_OBJECT

 public:
  explicit kx_themed_button(QWidget* parent = nullptr);

  kx_button_theme& ButtonTheme() { return static_cast<kx_button_theme&>(Theme()); }

  // Puts a themed button where a plain button (or a panel standing in for one) was: position, size,
  // parent, look, caption, font, picture and toggle settings carry over, and its click handlers
  // still run. With free_old the old button is deleted, unless handlers are connected to its click:
  // then it stays hidden, owned by the new button, and receives the clicks.
  static kx_themed_button* Replace(QWidget* control, bool free_old);

  void SetCaption(const QString& caption);
  const QString& Caption() const { return caption_; }
  void SetButtonMode(std::int32_t mode);
  std::int32_t ButtonMode() const { return button_mode_; }
  // A null or empty image removes the picture; otherwise the button keeps a copy.
  void SetGlyph(const QImage& glyph);
  const QImage& Glyph() const { return glyph_; }
  void SetDown(bool value);
  bool Down() const { return down_; }

  // 0 outside, 2 on the drop-down part of a split button, 1 elsewhere inside.
  std::int32_t HitTest(int x, int y) const;

  std::int32_t State() const { return state_; }
  std::int32_t DropState() const { return drop_state_; }
  std::int32_t HoverPart() const { return hover_part_; }
  std::int32_t PressedPart() const { return pressed_part_; }
  const QImage& ArrowImage() const { return arrow_image_; }

  int spacing = 2;
  int drop_width = 20;
  int group_index = 0;  // toggle group; 0 or less: plain push button
  bool allow_all_up = false;
  QPoint press_offset{1, 1};

 Q_SIGNALS:
  void clicked();
  void dropDown();

 protected:
  void DrawThemed() override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  bool UpdateStates();
  void MouseLeft();
  void BuildArrow(std::uint32_t colour, qreal ratio);

  QString caption_;
  QImage glyph_;
  QImage arrow_image_;
  std::uint32_t arrow_color_ = 0;
  std::int32_t button_mode_ = kx_button_plain;
  std::int32_t state_ = kx_state_normal;
  std::int32_t drop_state_ = kx_state_normal;
  std::int32_t hover_part_ = kx_part_none;
  std::int32_t pressed_part_ = kx_part_none;
  bool down_ = false;
};
