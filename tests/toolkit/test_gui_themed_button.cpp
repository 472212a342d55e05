#include <gtest/gtest.h>

#include <QAction>
#include <QButtonGroup>
#include <QContextMenuEvent>
#include <QEnterEvent>
#include <QFrame>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

#include "toolkit/gui_themed_button.h"
#include "toolkit/gui_themed_control.h"

namespace {

class ThemedButton : public testing::Test {
 protected:
  void SetUp() override {
    window_.resize(400, 200);
    window_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
  }

  kx_themed_button* Add(int x, int width = 80) {
    auto* b = new kx_themed_button(&window_);
    b->setGeometry(x, 10, width, 60);
    b->show();
    QObject::connect(b, &kx_themed_button::clicked, b, [this, b] { clicks_.push_back(b); });
    QObject::connect(b, &kx_themed_button::dropDown, b, [this, b] { drops_.push_back(b); });
    return b;
  }

  static void Click(kx_themed_button* b, QPoint press, QPoint release) {
    QTest::mousePress(b, Qt::LeftButton, {}, press);
    QTest::mouseRelease(b, Qt::LeftButton, {}, release);
  }

  QWidget window_;
  std::vector<kx_themed_button*> clicks_, drops_;
};

// A theme that paints no background, so that only picture and caption reach the pixels.
void NoBackground(kx_themed_button& b) {
  for (auto& c : b.ButtonTheme().state_colors) {
    c.fill_style = 7;
    c.border_color = 0;
  }
}

// A move without a button, delivered straight to the control.
void Move(QWidget* w, QPoint pos) {
  QMouseEvent event(QEvent::MouseMove, pos, w->mapToGlobal(pos), Qt::NoButton, Qt::NoButton,
                    Qt::NoModifier);
  QCoreApplication::sendEvent(w, &event);
}

QImage RedSquare(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::red);
  return image;
}

// Bounding box of the pixels with any alpha.
QRect Painted(const QImage& image) {
  QRect box;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (qAlpha(image.pixel(x, y)) != 0) box |= QRect(x, y, 1, 1);
  return box;
}

}  // namespace

TEST_F(ThemedButton, HitTestFindsTheParts) {
  kx_themed_button* b = Add(0, 80);
  struct hit_case {
    std::int32_t mode;
    int x, y;
    std::int32_t part;
  };
  const std::vector<hit_case> cases = {
      {kx_button_split, 58, 5, kx_part_main},    {kx_button_split, 59, 5, kx_part_drop},
      {kx_button_split, 79, 59, kx_part_drop},   {kx_button_split, 80, 5, kx_part_none},
      {kx_button_split, 5, 60, kx_part_none},    {kx_button_split, -1, 5, kx_part_none},
      {kx_button_reserved, 70, 5, kx_part_main}, {kx_button_plain, 70, 5, kx_part_main},
  };
  for (const auto& c : cases) {
    b->SetButtonMode(c.mode);
    EXPECT_EQ(b->HitTest(c.x, c.y), c.part) << "mode " << c.mode << " at " << c.x << "," << c.y;
  }
}

TEST_F(ThemedButton, SplitButtonClickAndDropDown) {
  kx_themed_button* b = Add(10, 80);
  b->SetButtonMode(kx_button_split);
  struct click_case {
    int press_x, release_x;
    std::size_t clicks, drops;
  };
  const std::vector<click_case> cases = {
      {20, 20, 1, 0},   // main part
      {70, 70, 0, 1},   // arrow part: the drop-down, not the click
      {70, 20, 0, 0},   // pressed on the arrow, released over the main part: neither
      {20, 70, 0, 0},   // and the other way round
      {20, 200, 0, 0},  // released outside
  };
  for (const auto& c : cases) {
    clicks_.clear();
    drops_.clear();
    Click(b, QPoint(c.press_x, 30), QPoint(c.release_x, 30));
    EXPECT_EQ(clicks_.size(), c.clicks) << c.press_x << " -> " << c.release_x;
    EXPECT_EQ(drops_.size(), c.drops) << c.press_x << " -> " << c.release_x;
    EXPECT_EQ(b->PressedPart(), kx_part_none);
  }
}

TEST_F(ThemedButton, StatesFollowHoverAndPress) {
  kx_themed_button* b = Add(10, 80);
  b->SetButtonMode(kx_button_split);
  Move(b, QPoint(20, 30));
  EXPECT_EQ(b->HoverPart(), kx_part_main);
  EXPECT_EQ(b->State(), kx_state_hot);
  EXPECT_EQ(b->DropState(), kx_state_hot);

  QTest::mousePress(b, Qt::LeftButton, {}, QPoint(20, 30));
  EXPECT_EQ(b->State(), kx_state_pressed);
  EXPECT_EQ(b->DropState(), kx_state_pressed);
  QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(20, 30));
  EXPECT_EQ(b->State(), kx_state_hot);

  QTest::mousePress(b, Qt::LeftButton, {}, QPoint(70, 30));
  EXPECT_EQ(b->State(), kx_state_hot);  // only the arrow part looks pressed
  EXPECT_EQ(b->DropState(), kx_state_pressed);
  Move(b, QPoint(20, 30));  // pressed on the other part: both hot
  EXPECT_EQ(b->State(), kx_state_hot);
  EXPECT_EQ(b->DropState(), kx_state_hot);
  QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(20, 30));

  b->setEnabled(false);
  EXPECT_EQ(b->State(), kx_state_disabled);
  EXPECT_EQ(b->DropState(), kx_state_disabled);
  b->setEnabled(true);
  QEvent leave(QEvent::Leave);
  QCoreApplication::sendEvent(b, &leave);
  EXPECT_EQ(b->HoverPart(), kx_part_none);
  EXPECT_EQ(b->State(), kx_state_normal);
}

TEST_F(ThemedButton, EnteringOneButtonClearsTheHotLookOfItsSiblings) {
  kx_themed_button* first = Add(10);
  kx_themed_button* second = Add(100);
  Move(first, QPoint(20, 30));
  ASSERT_EQ(first->State(), kx_state_hot);
  // The leave of `first` may never arrive; entering `second` still cools it down.
  QEnterEvent enter(QPointF(5, 5), QPointF(105, 15), second->mapToGlobal(QPointF(5, 5)));
  QCoreApplication::sendEvent(second, &enter);
  EXPECT_EQ(first->State(), kx_state_normal);
  EXPECT_EQ(first->HoverPart(), kx_part_none);
}

TEST_F(ThemedButton, ToggleGroupKeepsOneButtonDown) {
  std::vector<kx_themed_button*> group = {Add(10), Add(100), Add(190)};
  for (auto* b : group) b->group_index = 1;
  group[0]->SetDown(true);
  auto downs = [&] {
    std::vector<bool> d;
    for (auto* b : group) d.push_back(b->Down());
    return d;
  };
  EXPECT_EQ(downs(), (std::vector<bool>{true, false, false}));
  Click(group[0], QPoint(20, 30), QPoint(20, 30));  // clicking the down button keeps it down
  EXPECT_EQ(downs(), (std::vector<bool>{true, false, false}));
  EXPECT_EQ(clicks_.size(), 1u);
  Click(group[2], QPoint(20, 30), QPoint(20, 30));
  EXPECT_EQ(downs(), (std::vector<bool>{false, false, true}));
  EXPECT_EQ(group[2]->State(), kx_state_pressed);  // looks down at once
  EXPECT_NE(group[0]->State(), kx_state_pressed);

  for (auto* b : group) b->allow_all_up = true;
  Click(group[2], QPoint(20, 30), QPoint(20, 30));
  EXPECT_EQ(downs(), (std::vector<bool>{false, false, false}));

  // Another group number is another group.
  kx_themed_button* other = Add(280);
  other->group_index = 2;
  group[1]->SetDown(true);
  other->SetDown(true);
  EXPECT_TRUE(group[1]->Down());
  EXPECT_TRUE(other->Down());
}

TEST_F(ThemedButton, DisabledButtonIsFadedAndDeaf) {
  kx_themed_button* b = Add(10, 80);
  NoBackground(*b);
  b->ButtonTheme().font.height = 16;
  b->SetGlyph(RedSquare(10));
  b->SetCaption(QStringLiteral("HHH"));
  b->RedrawNow();
  const QRect glyph_at = [&] {
    const QImage& image = b->Buffer();
    QRect box;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        if (image.pixel(x, y) == qRgb(255, 0, 0)) box |= QRect(x, y, 1, 1);
    return box;
  }();
  ASSERT_EQ(glyph_at.size(), QSize(10, 10));

  b->setEnabled(false);
  b->RedrawNow();
  const QImage& image = b->Buffer();
  EXPECT_EQ(qAlpha(image.pixel(glyph_at.center())), 64);
  EXPECT_EQ(qRed(image.pixel(glyph_at.center())), 64);  // premultiplied red at opacity 64
  bool caption_in_grey = false;
  for (int y = glyph_at.bottom() + 1; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixel(x, y) == qRgb(0xA0, 0xA0, 0xA0)) caption_in_grey = true;
  EXPECT_TRUE(caption_in_grey);

  Click(b, QPoint(20, 30), QPoint(20, 30));
  EXPECT_TRUE(clicks_.empty());
}

TEST_F(ThemedButton, PictureLayoutsInTheContentBox) {
  kx_themed_button* b = Add(10, 60);
  NoBackground(*b);
  b->SetGlyph(RedSquare(10));
  struct layout_case {
    std::int32_t layout;
    QPoint at;
  };
  // The content box is two pixels smaller than the 60 x 60 button; without a caption the
  // gap is 0.
  const std::vector<layout_case> cases = {
      {0, {24, 24}}, {1, {0, 24}}, {2, {24, 24}}, {3, {48, 24}}, {9, {48, 24}}};
  for (const auto& c : cases) {
    b->ButtonTheme().glyph_layout = c.layout;
    b->RedrawNow();
    EXPECT_EQ(Painted(b->Buffer()), QRect(c.at, QSize(10, 10))) << "layout " << c.layout;
  }
  // Pressed, picture and caption shift by the press offset, unless it is a toggle button.
  b->ButtonTheme().glyph_layout = 0;
  QTest::mousePress(b, Qt::LeftButton, {}, QPoint(20, 30));
  b->RedrawNow();
  EXPECT_EQ(Painted(b->Buffer()).topLeft(), QPoint(25, 25));
  QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(20, 30));
  b->group_index = 3;
  QTest::mousePress(b, Qt::LeftButton, {}, QPoint(20, 30));
  b->RedrawNow();
  EXPECT_EQ(Painted(b->Buffer()).topLeft(), QPoint(24, 24));
  QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(20, 30));

  // A caption alone sits centred in the content box.
  b->group_index = 0;
  b->SetGlyph(QImage());
  b->SetCaption(QStringLiteral("&Go"));  // the mnemonic marker is not drawn
  b->RedrawNow();
  const QRect text = Painted(b->Buffer());
  EXPECT_NEAR(text.center().x(), 29, 2);
  EXPECT_NEAR(text.center().y(), 29, 3);
}

TEST_F(ThemedButton, SplitPartArrowAndFlatLook) {
  kx_themed_button* b = Add(10, 80);
  b->SetButtonMode(kx_button_split);
  b->RedrawNow();
  ASSERT_FALSE(b->ArrowImage().isNull());
  EXPECT_EQ(b->ArrowImage().size(), QSize(10, 7));  // drop_width / 2 by 70 % of that
  EXPECT_EQ(b->ArrowImage().pixel(5, 1), qRgb(0x20, 0x20, 0x20));
  // The divider line at x = M in the drop part's border colour.
  EXPECT_EQ(b->Buffer().pixel(60, 30), qRgb(0x5A, 0x5A, 0x5A));
  b->setEnabled(false);
  b->RedrawNow();
  EXPECT_EQ(b->ArrowImage().pixel(5, 1), qRgb(0xA0, 0xA0, 0xA0));  // redrawn in the new colour

  // Flat: nothing but the picture until the mouse is over it.
  b->setEnabled(true);
  b->ButtonTheme().flat = true;
  b->RedrawNow();
  EXPECT_TRUE(Painted(b->Buffer()).isNull());
  Move(b, QPoint(70, 30));
  b->RedrawNow();
  EXPECT_EQ(qAlpha(b->Buffer().pixel(2, 30)), 255);
}

TEST_F(ThemedButton, ImageIsRebuiltOnlyWhenDirty) {
  kx_themed_button* b = Add(10);
  QCoreApplication::processEvents();
  b->repaint();
  const int drawn = b->RedrawCount();
  b->repaint();
  b->repaint();
  EXPECT_EQ(b->RedrawCount(), drawn);  // clean image: paints reuse it

  b->BeginUpdate();
  b->SetCaption(QStringLiteral("Stop"));
  b->ButtonTheme().SetStyle(3);
  EXPECT_FALSE(b->IsDirty());  // locked: nothing marks or paints
  b->repaint();
  EXPECT_EQ(b->RedrawCount(), drawn);
  b->EndUpdate();
  EXPECT_TRUE(b->IsDirty());
  b->repaint();
  EXPECT_EQ(b->RedrawCount(), drawn + 1);

  b->ButtonTheme().SetStyle(4);  // a theme change repaints the control
  EXPECT_TRUE(b->IsDirty());
  b->resize(90, 60);
  b->repaint();
  EXPECT_EQ(b->BufferWidth(), 90);
}

TEST(ThemedReplace, PushButtonKeepsPlaceCaptionAndHandler) {
  QWidget window;
  auto* layout = new QVBoxLayout(&window);
  auto* before = new QPushButton(QStringLiteral("&Convert"), &window);
  auto* plain = new QPushButton(QStringLiteral("Stop"), &window);
  layout->addWidget(before);
  layout->addWidget(plain);
  plain->setToolTip(QStringLiteral("Stops the batch"));
  plain->setObjectName(QStringLiteral("btnStop"));
  int handled = 0;
  QPoint below_sender;  // where a handler would open a menu under the clicked button
  QObject::connect(plain, &QPushButton::clicked, &window, [&] {
    ++handled;
    below_sender = plain->mapToGlobal(QPoint(0, plain->height()));
  });
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  const QRect place = plain->geometry();

  QPointer<QPushButton> old(plain);
  kx_themed_button* themed = kx_themed_button::Replace(plain, true);
  EXPECT_EQ(themed->parentWidget(), &window);
  EXPECT_EQ(themed->geometry(), place);
  EXPECT_EQ(themed->Caption(), QStringLiteral("Stop"));
  EXPECT_EQ(themed->toolTip(), QStringLiteral("Stops the batch"));
  EXPECT_EQ(window.findChild<kx_themed_button*>(QStringLiteral("btnStop")), themed);
  EXPECT_EQ(layout->indexOf(themed), 1);
  EXPECT_TRUE(themed->isVisible());
  ASSERT_FALSE(old.isNull());  // kept for its click handler, hidden, owned by the new one
  EXPECT_FALSE(old->isVisible());
  EXPECT_EQ(old->parent(), themed);
  QTest::mouseClick(themed, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(handled, 1) << themed->geometry().x() << "," << themed->geometry().y() << " "
                        << themed->isEnabled() << themed->State();
  EXPECT_EQ(below_sender, themed->mapToGlobal(QPoint(0, themed->height())));

  // Without a handler the old button is simply gone.
  QPointer<QPushButton> lone(before);
  kx_themed_button::Replace(before, true);
  EXPECT_TRUE(lone.isNull());

  // A toggle button's handler finds the sender checked as the new button is down.
  auto* toggle = new QPushButton(QStringLiteral("Loop"), &window);
  toggle->setCheckable(true);
  std::vector<std::pair<bool, bool>> seen;  // (argument, sender checked)
  QObject::connect(toggle, &QPushButton::clicked, &window,
                   [&](bool checked) { seen.emplace_back(checked, toggle->isChecked()); });
  kx_themed_button* themed_toggle = kx_themed_button::Replace(toggle, true);
  themed_toggle->show();
  QTest::mouseClick(themed_toggle, Qt::LeftButton, {}, QPoint(5, 5));
  QTest::mouseClick(themed_toggle, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(seen, (std::vector<std::pair<bool, bool>>{{true, true}, {false, false}}));
  // ... and one that listens only to the toggle hears it too.
  auto* listened = new QPushButton(QStringLiteral("Mute"), &window);
  listened->setCheckable(true);
  std::vector<bool> toggles;
  QObject::connect(listened, &QPushButton::toggled, &window,
                   [&](bool on) { toggles.push_back(on); });
  kx_themed_button* themed_listened = kx_themed_button::Replace(listened, true);
  QTest::mouseClick(themed_listened, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(toggles, std::vector<bool>{true});

  // A context menu built on request still comes, at the point asked for.
  auto* with_menu = new QPushButton(QStringLiteral("Add"), &window);
  with_menu->setContextMenuPolicy(Qt::CustomContextMenu);
  std::vector<QPoint> asked;
  QObject::connect(with_menu, &QWidget::customContextMenuRequested, &window,
                   [&](const QPoint& pos) { asked.push_back(pos); });
  kx_themed_button* themed_menu = kx_themed_button::Replace(with_menu, true);
  QContextMenuEvent request(QContextMenuEvent::Mouse, QPoint(7, 9),
                            themed_menu->mapToGlobal(QPoint(7, 9)));
  QCoreApplication::sendEvent(themed_menu, &request);
  EXPECT_EQ(asked, std::vector<QPoint>{QPoint(7, 9)});
}

TEST(ThemedReplace, ToolButtonBringsItsToggleSettings) {
  QWidget window;
  auto* a = new QToolButton(&window);
  auto* b = new QToolButton(&window);
  for (auto* t : {a, b}) {
    t->setCheckable(true);
    t->setAutoExclusive(true);
    t->setText(QStringLiteral("Hidden"));
    t->setToolButtonStyle(Qt::ToolButtonIconOnly);
  }
  b->setChecked(true);
  b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  QPixmap icon(16, 16);
  icon.fill(Qt::blue);
  b->setIcon(QIcon(icon));
  b->setIconSize(QSize(16, 16));
  kx_themed_button* ta = kx_themed_button::Replace(a, true);
  kx_themed_button* tb = kx_themed_button::Replace(b, true);
  EXPECT_TRUE(ta->Caption().isEmpty());  // the tool button hid its caption
  EXPECT_EQ(tb->Caption(), QStringLiteral("Hidden"));
  EXPECT_EQ(tb->ButtonTheme().glyph_layout, 0);
  EXPECT_EQ(tb->Glyph().size(), QSize(16, 16));
  EXPECT_GT(ta->group_index, 0);
  EXPECT_EQ(ta->group_index, tb->group_index);  // siblings of one exclusive set
  EXPECT_FALSE(ta->allow_all_up);
  EXPECT_TRUE(tb->Down());
  ta->SetDown(true);
  EXPECT_FALSE(tb->Down());

  // Exclusive button groups keep one button down; the buttons of a non-exclusive group stay
  // independent toggles.
  for (const bool exclusive : {true, false}) {
    QButtonGroup group;
    group.setExclusive(exclusive);
    std::vector<kx_themed_button*> themed;
    for (int i = 0; i < 2; ++i) {
      auto* t = new QToolButton(&window);
      t->setCheckable(true);
      group.addButton(t);
      t->setChecked(!exclusive || i == 0);
      themed.push_back(kx_themed_button::Replace(t, true));
    }
    EXPECT_EQ(themed[0]->group_index == themed[1]->group_index, exclusive);
    EXPECT_EQ(themed[0]->allow_all_up, !exclusive);
    EXPECT_TRUE(themed[0]->Down());
    EXPECT_EQ(themed[1]->Down(), !exclusive);
    themed[1]->SetDown(true);
    EXPECT_EQ(themed[0]->Down(), !exclusive) << "exclusive " << exclusive;
    themed[0]->SetDown(false);
    EXPECT_TRUE(themed[1]->Down());
  }
}

TEST(ThemedReplace, ToolButtonKeepsItsAction) {
  for (const bool checkable : {false, true}) {
    QWidget window;
    QAction action(QStringLiteral("Go"), &window);
    action.setCheckable(checkable);
    int fired = 0;
    QObject::connect(&action, &QAction::triggered, &window, [&] { ++fired; });
    auto* tool = new QToolButton(&window);
    tool->setDefaultAction(&action);
    kx_themed_button* themed = kx_themed_button::Replace(tool, true);
    themed->show();
    QTest::mouseClick(themed, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(fired, 1) << "checkable " << checkable;
    EXPECT_EQ(action.isChecked(), checkable);
    EXPECT_EQ(themed->Down(), checkable);
  }
}

TEST(ThemedReplace, PanelTakesOverTheChildren) {
  QWidget window;
  auto* frame = new QFrame(&window);
  frame->setGeometry(5, 6, 200, 50);
  auto* one = new QPushButton(QStringLiteral("One"), frame);
  one->setGeometry(3, 4, 60, 30);
  auto* two = new QPushButton(QStringLiteral("Two"), frame);
  two->hide();
  QPointer<QFrame> old(frame);
  kx_themed_panel* panel = kx_themed_panel::Replace(frame, true);
  EXPECT_TRUE(old.isNull());
  EXPECT_EQ(panel->geometry(), QRect(5, 6, 200, 50));
  EXPECT_EQ(one->parentWidget(), panel);
  EXPECT_EQ(one->geometry(), QRect(3, 4, 60, 30));
  EXPECT_EQ(two->parentWidget(), panel);
  EXPECT_TRUE(two->isHidden());
  window.show();
  EXPECT_EQ(panel->Surface().geometry(), panel->rect());
  // The background lies under the moved children.
  EXPECT_EQ(panel->childAt(10, 10), one);
}

TEST(ThemedSurface, FillCoversTheControlAndTheOutlineFallsOutside) {
  kx_themed_panel panel;
  panel.resize(50, 30);
  kx_panel_theme theme;
  theme.SetStyle(3);  // flat-looking gradient #DCF0DC with border #C6D8C6
  panel.SetTheme(theme);
  panel.show();
  int after_draw = 0;
  panel.Surface().on_after_draw = [&](kx_themed_graphic_control&) { ++after_draw; };
  panel.Surface().RedrawNow();
  EXPECT_EQ(after_draw, 1);
  const QImage& image = panel.Surface().Buffer();
  ASSERT_EQ(image.size(), QSize(50, 30));
  for (const QPoint p :
       {QPoint(0, 0), QPoint(49, 0), QPoint(0, 29), QPoint(49, 29), QPoint(25, 15)})
    EXPECT_EQ(image.pixel(p), qRgb(0xDC, 0xF0, 0xDC)) << p.x() << "," << p.y();
  // Square corners on the surface, even from a template with rounded ones.
  EXPECT_EQ(panel.PanelTheme().shape.corners[0], kx_corner_square);
}

TEST(ThemedButtonRatio, OutlinesStayWholePixelsAtTwiceTheDensity) {
  kx_themed_button b;
  b.resize(40, 30);
  b.RedrawBuffer(2.0);
  const QImage& image = b.Buffer();
  ASSERT_EQ(image.size(), QSize(80, 60));
  const QRgb border = qRgb(0x5A, 0x5A, 0x5A);
  // One logical pixel of outline is two device pixels, both fully covered.
  EXPECT_EQ(image.pixel(0, 30), border);
  EXPECT_EQ(image.pixel(1, 30), border);
  EXPECT_NE(image.pixel(2, 30), border);
  EXPECT_EQ(image.pixel(79, 30), border);
  EXPECT_EQ(image.pixel(40, 59), border);
  EXPECT_EQ(qAlpha(image.pixel(40, 58)), 255);
}
