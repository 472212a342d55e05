#pragma once
// The owner-drawn progress bar with its percentage text.
#include "toolkit/gui_themed_control.h"

class kx_themed_progress : public kx_themed_graphic_control {
  Q_OBJECT

 public:
  explicit kx_themed_progress(QWidget* parent = nullptr);

  kx_progress_theme& ProgressTheme() { return static_cast<kx_progress_theme&>(Theme()); }

  // Puts a themed progress bar where `control` was (position, size, parent, look).
  static kx_themed_progress* Replace(QWidget* control, bool free_old);

  // Clamped to 0..1 (not a number counts as 0); moves of 0.000001 or less are ignored,
  // anything else redraws at once.
  void SetPosition(double position);
  double Position() const { return position_; }
  // "42.5%": the position in percent with one decimal.
  QString PercentText() const;

  bool show_text = true;

 protected:
  void DrawThemed() override;

 private:
  double position_ = 0.0;
};
