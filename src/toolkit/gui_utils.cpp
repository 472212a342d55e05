#include "toolkit/gui_utils.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QGroupBox>
#include <QLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollArea>
#include <QTextEdit>
#include <QWidget>

#include "foundation/graph_utils.h"
#include "toolkit/gui_themed_control.h"
#include "toolkit/gui_themes.h"

std::uint32_t Colour_Resolve(std::uint32_t colour) {
  const QPalette pal = QApplication::palette();
  if (colour == kx_colour_default) colour = kx_colour_button_face;
  if ((colour & 0xFF000000u) != 0x80000000u) return colour;
  QPalette::ColorRole role = QPalette::Button;
  QPalette::ColorGroup group = QPalette::Active;
  switch (colour & 0xFFu) {
    case 5:
      role = QPalette::Base;
      break;
    case 6:
      role = QPalette::Shadow;
      break;  // window frame
    case 8:
      role = QPalette::Text;
      break;  // window text
    case 13:
      role = QPalette::Highlight;
      break;
    case 14:
      role = QPalette::HighlightedText;
      break;
    case 15:
      role = QPalette::Button;
      break;  // button face
    case 16:
      role = QPalette::Mid;
      break;  // button shadow
    case 17:  // grey text
      role = QPalette::Text;
      group = QPalette::Disabled;
      break;
    case 18:
      role = QPalette::ButtonText;
      break;
    case 20:
      role = QPalette::Light;
      break;  // button highlight
    case 21:
      role = QPalette::Dark;
      break;  // dark shadow
    case 23:
      role = QPalette::ToolTipText;
      break;
    case 24:
      role = QPalette::ToolTipBase;
      break;
    case 0:  // scroll bar
    case 4:
      role = QPalette::Window;
      break;  // menu
    case 7:
      role = QPalette::WindowText;
      break;  // menu text
    default:
      role = QPalette::Window;
      break;
  }
  return Theme_FromQColor(pal.color(group, role)) & 0x00FFFFFFu;
}

std::uint32_t Colour_ContrastTo(std::uint32_t colour, std::uint32_t reference,
                                std::int32_t distance) {
  return Colour_Contrast(Colour_Resolve(colour), Colour_Resolve(reference), distance) & 0x00FFFFFFu;
}

std::uint32_t Colour_Opaque(std::uint32_t colour) {
  return (Colour_Resolve(colour) & 0x00FFFFFFu) | 0xFF000000u;
}

std::uint32_t Colour_Edit(bool enabled) {
  if (enabled) return kx_colour_default;
  return Colour_Blend(Colour_Resolve(kx_colour_window), Colour_Resolve(kx_colour_button_face),
                      0.4) &
         0x00FFFFFFu;
}

namespace {

Qt::CursorShape CurrentOverride() {
  const QCursor* cursor = QGuiApplication::overrideCursor();
  return cursor ? cursor->shape() : Qt::ArrowCursor;
}

}  // namespace

Qt::CursorShape Cursor_Busy() {
  const Qt::CursorShape previous = CurrentOverride();
  // At most one override is kept, so busy/normal pairs never pile up.
  if (QGuiApplication::overrideCursor())
    QGuiApplication::changeOverrideCursor(QCursor(Qt::WaitCursor));
  else
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
  return previous;
}

Qt::CursorShape Cursor_Normal() {
  const Qt::CursorShape previous = CurrentOverride();
  while (QGuiApplication::overrideCursor()) QGuiApplication::restoreOverrideCursor();
  return previous;
}

void Cursor_Position(QPoint& out) {
  out = QGuiApplication::primaryScreen() ? QCursor::pos() : QPoint(0, 0);
}

void Screen_WorkArea(const QWidget* control, QRect& out) {
  out = QRect();
  QScreen* screen = nullptr;
  if (control) {
    const QPoint top_left = control->mapToGlobal(QPoint(0, 0));
    screen = QGuiApplication::screenAt(top_left);
    if (!screen) {
      // Off every screen: the one whose area lies closest.
      qint64 best = -1;
      for (QScreen* s : QGuiApplication::screens()) {
        const QRect g = s->geometry();
        const qint64 dx = top_left.x() < g.left()    ? g.left() - top_left.x()
                          : top_left.x() > g.right() ? top_left.x() - g.right()
                                                     : 0;
        const qint64 dy = top_left.y() < g.top()      ? g.top() - top_left.y()
                          : top_left.y() > g.bottom() ? top_left.y() - g.bottom()
                                                      : 0;
        const qint64 d = dx * dx + dy * dy;
        if (best < 0 || d < best) {
          best = d;
          screen = s;
        }
      }
    }
  }
  if (!screen) screen = QGuiApplication::primaryScreen();
  if (screen) out = screen->availableGeometry();
}

void Window_OuterSize(const QWidget* window, QSize& out) {
  out = window ? window->frameGeometry().size() : QSize(0, 0);
}

void Window_FrameSize(const QWidget* window, QSize& out) {
  if (!window) {
    out = QSize(0, 0);
    return;
  }
  out = window->frameGeometry().size() - window->geometry().size();
}

namespace {

bool IsContainer(const QWidget* w) {
  const QMetaObject* meta = w->metaObject();
  return meta == &QWidget::staticMetaObject || meta == &QFrame::staticMetaObject ||
         qobject_cast<const QGroupBox*>(w) || qobject_cast<const QScrollArea*>(w) ||
         qobject_cast<const kx_themed_panel*>(w);
}

bool IsEditBox(const QWidget* w) {
  return qobject_cast<const QLineEdit*>(w) || qobject_cast<const QComboBox*>(w) ||
         qobject_cast<const QAbstractSpinBox*>(w) || qobject_cast<const QPlainTextEdit*>(w) ||
         qobject_cast<const QTextEdit*>(w);
}

}  // namespace

void Control_SetEnabled(QWidget* control, bool enabled) {
  if (!control) return;
  if (IsContainer(control)) {
    QWidget* host = control;
    if (auto* area = qobject_cast<QScrollArea*>(control)) host = area->widget();
    if (!host) return;
    for (QObject* child : host->children()) {
      auto* w = qobject_cast<QWidget*>(child);
      if (!w || w->isWindow()) continue;
      // A themed panel's own background follows the panel, it is no child control.
      if (qobject_cast<kx_themed_surface*>(w) && qobject_cast<kx_themed_panel*>(host)) continue;
      Control_SetEnabled(w, enabled);
    }
    return;
  }
  control->setEnabled(enabled);
  if (IsEditBox(control)) {
    QPalette pal = control->palette();
    const QPalette app = QApplication::palette(control);
    const std::uint32_t back = Colour_Edit(enabled);
    const QColor colour = back == kx_colour_default ? app.color(QPalette::Active, QPalette::Base)
                                                    : Theme_QColor(back | 0xFF000000u);
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
      pal.setColor(group, QPalette::Base, colour);
    control->setPalette(pal);
  }
}

void Control_CopyLook(QWidget* source, QWidget* target) {
  if (!source || !target || source == target) return;
  QWidget* parent = source->parentWidget();
  if (target->parentWidget() != parent) target->setParent(parent);
  target->setGeometry(source->geometry());
  target->setSizePolicy(source->sizePolicy());
  target->setMinimumSize(source->minimumSize());
  target->setMaximumSize(source->maximumSize());
  target->setToolTip(source->toolTip());
  target->setStatusTip(source->statusTip());
  target->setWhatsThis(source->whatsThis());
  target->setObjectName(source->objectName());
  if (source->testAttribute(Qt::WA_SetCursor)) target->setCursor(source->cursor());
  target->setContextMenuPolicy(source->contextMenuPolicy());
  target->addActions(source->actions());
  target->setEnabled(!source->testAttribute(Qt::WA_Disabled));
  if (parent) {
    if (QLayout* layout = parent->layout()) {
      if (layout->indexOf(source) >= 0) delete layout->replaceWidget(source, target);
    }
    target->stackUnder(source);
  }
  if (source->focusPolicy() != Qt::NoFocus && target->focusPolicy() != Qt::NoFocus &&
      source->window() == target->window())
    QWidget::setTabOrder(source, target);
  target->setVisible(parent ? !source->isHidden() : source->isVisible());
}
