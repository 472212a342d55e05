#include <gtest/gtest.h>

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include "foundation/graph_utils.h"
#include "toolkit/gui_themed_control.h"
#include "toolkit/gui_themes.h"
#include "toolkit/gui_utils.h"

TEST(GuiUtils, ColourCodesResolveThroughThePalette) {
  const QPalette pal = QApplication::palette();
  const std::uint32_t face = Theme_FromQColor(pal.color(QPalette::Button)) & 0xFFFFFFu;
  const std::uint32_t window = Theme_FromQColor(pal.color(QPalette::Base)) & 0xFFFFFFu;
  EXPECT_EQ(Colour_Resolve(kx_colour_default), face);
  EXPECT_EQ(Colour_Resolve(kx_colour_button_face), face);
  EXPECT_EQ(Colour_Resolve(0x12345678u), 0x12345678u);  // plain colours stay as they are
  EXPECT_EQ(Colour_Opaque(kx_colour_default), face | 0xFF000000u);
  EXPECT_EQ(Colour_Opaque(0x00112233u), 0xFF112233u);
  EXPECT_EQ(Colour_Edit(true), kx_colour_default);
  EXPECT_EQ(Colour_Edit(false), Colour_Blend(window, face, 0.4) & 0xFFFFFFu);
  // White against white: 15 levels darker, top byte cleared.
  EXPECT_EQ(Colour_ContrastTo(0xFFFFFFFFu, 0xFFFFFFu, 15), 0x00F0F0F0u);
  EXPECT_EQ(Colour_ContrastTo(0xFF808080u, 0x808080u, 15), 0x008F8F8Fu);
}

TEST(GuiUtils, SetEnabledPassesThroughContainers) {
  QWidget window;
  auto* box = new QGroupBox(&window);
  auto* edit = new QLineEdit(box);
  auto* button = new QPushButton(box);
  auto* area = new QScrollArea(&window);
  auto* inner = new QWidget;
  auto* label = new QLabel(inner);
  area->setWidget(inner);
  auto* panel = new kx_themed_panel(&window);
  auto* on_panel = new QPushButton(panel);

  Control_SetEnabled(&window, false);
  EXPECT_TRUE(box->isEnabledTo(&window));  // containers pass the call on
  EXPECT_TRUE(area->isEnabledTo(&window));
  EXPECT_TRUE(panel->isEnabledTo(&window));
  EXPECT_FALSE(edit->isEnabledTo(&window));
  EXPECT_FALSE(button->isEnabledTo(&window));
  EXPECT_FALSE(label->isEnabledTo(&window));
  EXPECT_FALSE(on_panel->isEnabledTo(&window));
  EXPECT_EQ(Theme_FromQColor(edit->palette().color(QPalette::Base)),
            Colour_Edit(false) | 0xFF000000u);

  Control_SetEnabled(&window, true);
  EXPECT_TRUE(edit->isEnabledTo(&window));
  EXPECT_TRUE(label->isEnabledTo(&window));
  EXPECT_EQ(edit->palette().color(QPalette::Base),
            QApplication::palette(edit).color(QPalette::Base));
}

TEST(GuiUtils, CursorAndWindowGeometry) {
  Cursor_Normal();
  EXPECT_EQ(Cursor_Busy(), Qt::ArrowCursor);
  EXPECT_EQ(Cursor_Busy(), Qt::WaitCursor);  // nested busy calls keep one override
  EXPECT_EQ(Cursor_Normal(), Qt::WaitCursor);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

  QWidget window;
  window.resize(300, 200);
  window.show();
  QSize outer, frame;
  Window_OuterSize(&window, outer);
  Window_FrameSize(&window, frame);
  EXPECT_EQ(outer - frame, QSize(300, 200));
  QRect work;
  Screen_WorkArea(&window, work);
  EXPECT_FALSE(work.isEmpty());
  QPoint cursor(-5, -5);
  Cursor_Position(cursor);
  EXPECT_EQ(cursor, QCursor::pos());
}

TEST(GuiUtils, CopyLookTakesThePlaceOfTheSource) {
  QWidget window;
  auto* layout = new QVBoxLayout(&window);
  auto* first = new QLineEdit(&window);
  auto* source = new QLineEdit(&window);
  layout->addWidget(first);
  layout->addWidget(source);
  source->setToolTip(QStringLiteral("tip"));
  source->setEnabled(false);
  auto* target = new QLineEdit;
  Control_CopyLook(source, target);
  EXPECT_EQ(target->parentWidget(), &window);
  EXPECT_EQ(layout->indexOf(target), 1);
  EXPECT_EQ(layout->indexOf(source), -1);
  EXPECT_EQ(target->toolTip(), QStringLiteral("tip"));
  EXPECT_FALSE(target->isEnabled());
  EXPECT_EQ(source->nextInFocusChain(), target);  // both take the focus: tab order follows
}
