#include "toolkit/gui_themed_button.h"

#include <QAbstractButton>
#include <QAction>
#include <QButtonGroup>
#include <QEnterEvent>
#include <QFontMetrics>
#include <QMetaMethod>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygonF>
#include <QPushButton>
#include <QToolButton>
#include <cmath>

#include "toolkit/gui_utils.h"

kx_themed_button::kx_themed_button(QWidget* parent)
    : kx_themed_graphic_control(parent, std::make_unique<kx_button_theme>()) {
  SetCreating(true);
  resize(60, 60);
  // Moves without a pressed button tell which part is hot.
  setMouseTracking(true);
  SetCreating(false);
}

std::int32_t kx_themed_button::HitTest(int x, int y) const {
  if (x < 0 || y < 0 || x >= width() || y >= height()) return kx_part_none;
  if (button_mode_ == kx_button_split && x >= (width() - 1) - drop_width) return kx_part_drop;
  return kx_part_main;
}

bool kx_themed_button::UpdateStates() {
  std::int32_t s = kx_state_normal, d = kx_state_normal;
  if (!isEnabled()) {
    s = d = kx_state_disabled;
  } else if (down_ && group_index > 0) {
    s = d = kx_state_pressed;
  } else if (hover_part_ == kx_part_none) {
    s = d = kx_state_normal;
  } else if (pressed_part_ == kx_part_none) {
    s = d = kx_state_hot;
  } else if (pressed_part_ == kx_part_main && hover_part_ == kx_part_main) {
    s = d = kx_state_pressed;
  } else if (pressed_part_ == kx_part_drop && hover_part_ == kx_part_drop) {
    s = kx_state_hot;
    d = kx_state_pressed;
  } else {
    s = d = kx_state_hot;  // pressed on the other part
  }
  const bool changed = s != state_ || d != drop_state_;
  state_ = s;
  drop_state_ = d;
  return changed;
}

void kx_themed_button::SetCaption(const QString& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  if (!IsCreating()) Invalidate();
}

void kx_themed_button::SetButtonMode(std::int32_t mode) {
  if (mode == button_mode_) return;
  button_mode_ = mode;
  hover_part_ = kx_part_none;
  pressed_part_ = kx_part_none;
  Invalidate();
}

void kx_themed_button::SetGlyph(const QImage& glyph) {
  if (glyph.isNull() || glyph.width() == 0 || glyph.height() == 0)
    glyph_ = QImage();
  else
    glyph_ = glyph.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  Invalidate();
}

void kx_themed_button::SetDown(bool value) {
  if (down_ == value) return;
  down_ = value;
  // The look follows the toggle state at once, not only after the next mouse move.
  UpdateStates();
  Invalidate();
  if (group_index <= 0 || !parentWidget()) return;
  int count = down_ ? 1 : 0;
  const QObjectList siblings = parentWidget()->children();
  for (QObject* child : siblings) {
    auto* other = qobject_cast<kx_themed_button*>(child);
    if (!other || other == this || other->group_index != group_index || !other->down_) continue;
    if (count > 0) {
      other->down_ = false;
      other->UpdateStates();
      other->Invalidate();
    } else {
      ++count;
    }
  }
  if (count == 0 && !allow_all_up) SetDown(true);
}

void kx_themed_button::mousePressEvent(QMouseEvent* event) {
  if (IsCreating()) return;
  if (event->button() != Qt::LeftButton) {
    QWidget::mousePressEvent(event);
    return;
  }
  // The press position counts as a move: a press can come without one (touch, tests).
  hover_part_ = HitTest(event->position().toPoint().x(), event->position().toPoint().y());
  pressed_part_ = hover_part_;
  if (UpdateStates()) Invalidate();
}

void kx_themed_button::mouseMoveEvent(QMouseEvent* event) {
  if (IsCreating()) return;
  const QPoint pos = event->position().toPoint();
  hover_part_ = HitTest(pos.x(), pos.y());
  if (UpdateStates()) Invalidate();
}

void kx_themed_button::MouseLeft() {
  hover_part_ = kx_part_none;
  if (UpdateStates()) {
    Invalidate();
    RedrawNow();
  }
}

void kx_themed_button::enterEvent(QEnterEvent*) {
  if (IsCreating()) return;
  Invalidate();
  // Only one button of a bar may look hot: the others may have missed their leave.
  if (QWidget* parent = parentWidget()) {
    const QObjectList siblings = parent->children();
    for (QObject* child : siblings)
      if (auto* button = qobject_cast<kx_themed_button*>(child)) button->MouseLeft();
  } else {
    MouseLeft();
  }
}

void kx_themed_button::leaveEvent(QEvent*) {
  if (IsCreating()) return;
  MouseLeft();
}

void kx_themed_button::mouseReleaseEvent(QMouseEvent* event) {
  if (IsCreating()) return;
  if (event->button() != Qt::LeftButton) {
    QWidget::mouseReleaseEvent(event);
    return;
  }
  const std::int32_t part = pressed_part_;
  pressed_part_ = kx_part_none;
  const QPoint pos = event->position().toPoint();
  hover_part_ = HitTest(pos.x(), pos.y());
  if (UpdateStates()) {
    RedrawNow();
    Invalidate();
  }
  if (part == kx_part_none || part != hover_part_ || !isEnabled()) return;
  if (part == kx_part_main) {
    if (group_index > 0) SetDown(!down_);
    Q_EMIT clicked();
  } else {
    Q_EMIT dropDown();
  }
}

void kx_themed_button::changeEvent(QEvent* event) {
  kx_themed_graphic_control::changeEvent(event);
  if (event->type() == QEvent::EnabledChange && UpdateStates()) Invalidate();
}

void kx_themed_button::BuildArrow(std::uint32_t colour, qreal ratio) {
  const int a = drop_width / 2;
  const int b = a * 70 / 100;
  arrow_color_ = colour;
  if (a <= 0 || b <= 0) {
    arrow_image_ = QImage();
    return;
  }
  arrow_image_ =
      QImage(static_cast<int>(std::ceil(a * ratio)), static_cast<int>(std::ceil(b * ratio)),
             QImage::Format_ARGB32_Premultiplied);
  arrow_image_.setDevicePixelRatio(ratio);
  arrow_image_.fill(Qt::transparent);
  QPainter p(&arrow_image_);
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setPen(Qt::NoPen);
  p.setBrush(Theme_QColor(colour));
  p.drawPolygon(QPolygonF({QPointF(0, 0), QPointF(a, 0), QPointF(a / 2, b)}));
}

namespace {

// "&Convert" shows as "Convert"; "&&" is a literal ampersand.
QString WithoutMnemonic(const QString& text) {
  QString out;
  out.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == QLatin1Char('&') && i + 1 < text.size()) ++i;
    out += text[i];
  }
  return out;
}

}  // namespace

void kx_themed_button::DrawThemed() {
  const int W = BufferWidth(), H = BufferHeight();
  const int M = button_mode_ != kx_button_plain ? W - drop_width : W;
  const kx_button_theme& theme = ButtonTheme();
  buffer_.fill(Qt::transparent);
  QPainter p(&buffer_);
  p.setRenderHint(QPainter::SmoothPixmapTransform, true);

  const bool active = state_ == kx_state_hot || state_ == kx_state_pressed ||
                      drop_state_ == kx_state_hot || drop_state_ == kx_state_pressed;
  const bool background = !theme.flat || active;
  const auto& colors = theme.state_colors[static_cast<std::size_t>(state_)];
  const std::uint32_t text_colour = theme.text_colors[static_cast<std::size_t>(state_)];
  if (button_mode_ == kx_button_split) p.setClipRect(QRect(0, 0, M, H));
  if (background) ThemeRect_Paint(colors, theme.shape, QRect(0, 0, W, H), p);

  const QString text = WithoutMnemonic(caption_);
  int tw = 0, th = 0;
  if (!text.isEmpty()) {
    kx_font_info font = theme.font;
    if (state_ == kx_state_disabled) font.quality = 0;
    FontInfo_Apply(font, p);
    const QFontMetrics fm(p.font());
    tw = fm.horizontalAdvance(text);
    th = fm.height();
  }
  int gw = 0, gh = 0;
  if (!glyph_.isNull()) {
    const QSizeF size = glyph_.deviceIndependentSize();
    gw = static_cast<int>(std::lround(size.width()));
    gh = static_cast<int>(std::lround(size.height()));
  }
  const int gap = (glyph_.isNull() || text.isEmpty()) ? 0 : spacing;
  int gx = 0, gy = 0, tx = 0, ty = 0;
  switch (theme.glyph_layout) {
    case 0:
      gx = (M - 2 - gw) / 2;
      gy = (H - 2 - gh - gap - th) / 2;
      tx = (M - 2 - tw) / 2;
      ty = gy + gh + gap;
      break;
    case 1:
      gx = 0;
      tx = gw + gap;
      break;
    case 2:
      gx = (M - 2 - gw - gap - tw) / 2;
      tx = gx + gw + gap;
      break;
    default:
      gx = M - 2 - gw;
      tx = gx - gap - tw;
      break;
  }
  if (theme.glyph_layout != 0) {
    gy = (H - 2 - gh) / 2;
    ty = (H - 2 - th) / 2;
  }
  if (state_ == kx_state_pressed && group_index <= 0) {
    gx += press_offset.x();
    gy += press_offset.y();
    tx += press_offset.x();
    ty += press_offset.y();
  }
  if (!text.isEmpty()) {
    p.setPen(Theme_QColor(text_colour));
    p.drawText(QPoint(tx, ty + QFontMetrics(p.font()).ascent()), text);
  }
  if (!glyph_.isNull()) {
    if (state_ == kx_state_disabled) {
      // Opacity 64 of 255, exactly: every channel of the premultiplied picture times 64/255.
      QImage faded = glyph_;
      QPainter fade(&faded);
      fade.setCompositionMode(QPainter::CompositionMode_DestinationIn);
      fade.fillRect(QRect(0, 0, faded.width(), faded.height()), QColor(0, 0, 0, 64));
      fade.end();
      p.drawImage(QRectF(gx, gy, gw, gh), faded);
    } else {
      p.drawImage(QRectF(gx, gy, gw, gh), glyph_);
    }
  }

  if (button_mode_ != kx_button_split) return;
  const auto& drop_colors = theme.state_colors[static_cast<std::size_t>(drop_state_)];
  const std::uint32_t drop_text = theme.text_colors[static_cast<std::size_t>(drop_state_)];
  p.setClipRect(QRect(M + 1, 0, W - M - 1, H));
  if (background) {
    ThemeRect_Paint(drop_colors, theme.shape, QRect(0, 0, W, H), p);
    p.setClipping(false);
    p.fillRect(QRect(M, 0, 1, H), Theme_QColor(drop_colors.border_color));
  }
  p.setClipping(false);
  const qreal ratio = buffer_.devicePixelRatio();
  if (arrow_image_.isNull() || arrow_color_ != drop_text ||
      arrow_image_.devicePixelRatio() != ratio)
    BuildArrow(drop_text, ratio);
  if (arrow_image_.isNull() || (theme.flat && !active)) return;
  const QSizeF arrow = arrow_image_.deviceIndependentSize();
  const int aw = static_cast<int>(std::lround(arrow.width()));
  const int ah = static_cast<int>(std::lround(arrow.height()));
  int ax = M + (drop_width - aw - 1) / 2;
  int ay = (H - ah) / 2;
  if (drop_state_ == kx_state_pressed && group_index <= 0) {
    ax += press_offset.x();
    ay += press_offset.y();
  }
  p.drawImage(QPoint(ax, ay), arrow_image_);
}

// ---------------------------------------------------------------------------------------------

namespace {

// One toggle-group number per exclusive button group, per set of auto-exclusive siblings,
// or per lone toggle button. The buttons of a non-exclusive group toggle independently, so
// each of them is a group of its own.
int GroupIndexFor(QAbstractButton* control, bool& exclusive) {
  static int next_group = 1000;
  const QVariant own = control->property("group_index");
  exclusive = control->autoExclusive();
  if (own.isValid()) return own.toInt();
  QObject* holder = control;
  if (QButtonGroup* group = control->group()) {
    exclusive = group->exclusive();
    if (exclusive) holder = group;
  } else if (exclusive && control->parent()) {
    holder = control->parent();
  }
  QVariant index = holder->property("kx_group_index");
  if (!index.isValid()) {
    index = next_group++;
    holder->setProperty("kx_group_index", index);
  }
  return index.toInt();
}

// Whether anything listens to a button's click, or to its toggle when it is a toggle button.
// The test is protected in QObject; a member pointer named through a derived class reaches
// it for any object.
struct click_probe : QAbstractButton {
  static bool Connected(const QAbstractButton& button) {
    constexpr auto test = &click_probe::isSignalConnected;
    return (button.*test)(QMetaMethod::fromSignal(&QAbstractButton::clicked)) ||
           (button.isCheckable() &&
            (button.*test)(QMetaMethod::fromSignal(&QAbstractButton::toggled)));
  }
};

// Whether anything listens to a control's request for its own context menu.
struct menu_probe : QWidget {
  static bool Connected(const QWidget& control) {
    constexpr auto test = &menu_probe::isSignalConnected;
    return (control.*test)(QMetaMethod::fromSignal(&QWidget::customContextMenuRequested));
  }
};

}  // namespace

kx_themed_button* kx_themed_button::Replace(QWidget* control, bool free_old) {
  if (!control) return nullptr;
  auto* button = new kx_themed_button(control->parentWidget());
  button->SetCreating(true);
  button->SetSizeHint(control->sizeHint());
  Control_CopyLook(control, button);
  if (control->testAttribute(Qt::WA_SetFont)) button->setFont(control->font());
  FontInfo_LoadFrom(button->ButtonTheme().font, control->font(),
                    control->palette().color(QPalette::ButtonText));

  // A plain panel may stand in for a button: then only the common settings carry over.
  auto* plain = qobject_cast<QAbstractButton*>(control);
  bool handled = false;
  if (plain) {
    QString caption = plain->text();
    const QIcon icon = plain->icon();
    if (!icon.isNull()) {
      button->SetGlyph(icon.pixmap(plain->iconSize(), plain->devicePixelRatioF()).toImage());
      button->ButtonTheme().glyph_layout = 2;
    }
    if (auto* tool = qobject_cast<QToolButton*>(plain)) {
      if (tool->toolButtonStyle() == Qt::ToolButtonTextUnderIcon)
        button->ButtonTheme().glyph_layout = 0;
      if (tool->toolButtonStyle() == Qt::ToolButtonIconOnly) caption.clear();
      // A tool button driven by an action triggers it itself, not through its click signal.
      if (QAction* action = tool->defaultAction())
        connect(button, &kx_themed_button::clicked, action, [action] { action->trigger(); });
    }
    button->SetCaption(caption);
    if (plain->isCheckable()) {
      bool exclusive = false;
      button->group_index = GroupIndexFor(plain, exclusive);
      button->allow_all_up = !exclusive;
      button->down_ = plain->isChecked();
    }
    // Handlers sit on the old button's click signal; Qt cannot move them, so the old button
    // keeps receiving the click.
    handled = click_probe::Connected(*plain);
    if (handled) {
      connect(button, &kx_themed_button::clicked, plain, [plain, button] {
        // Kept inside the new button, the old one covers it exactly: a handler that places
        // something next to the sender (a menu below it) places it at the new button.
        if (plain->parentWidget() == button) plain->setGeometry(button->rect());
        // A handler may ask the sender whether it is checked.
        if (plain->isCheckable()) plain->setChecked(button->Down());
        Q_EMIT plain->clicked(button->Down());
      });
    }
  }
  // The same for a context menu that the old control's owner builds on request.
  if (menu_probe::Connected(*control)) {
    handled = true;
    connect(button, &QWidget::customContextMenuRequested, control,
            [control, button](const QPoint& pos) {
              if (control->parentWidget() == button) control->setGeometry(button->rect());
              Q_EMIT control->customContextMenuRequested(pos);
            });
  }
  button->SetCreating(false);
  button->UpdateStates();
  button->Invalidate();
  if (free_old) {
    if (handled) {
      control->hide();
      control->setFocusPolicy(Qt::NoFocus);
      control->setObjectName(QString());
      control->setParent(button);
    } else {
      delete control;
    }
  }
  return button;
}
