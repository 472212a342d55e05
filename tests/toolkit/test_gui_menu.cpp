#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include "toolkit/gui_menu.h"

namespace {

// A menu that the test frees itself.
struct menu_holder {
  menu_holder() : menu(kx_menu::Create()) { menu->free_after_popup = false; }
  ~menu_holder() { menu->Free(); }
  kx_menu* operator->() const { return menu; }
  kx_menu* menu;
};

std::vector<QString> Captions(const kx_menu_item& item) {
  std::vector<QString> captions;
  for (const auto& child : item.children) captions.push_back(child->caption);
  return captions;
}

// Once the popup is open: chooses the entry with that text, or closes it when there is no
// such entry or it is disabled.
void ChooseLater(const QString& text, QString* enabled_state = nullptr) {
  QTimer::singleShot(0, [text, enabled_state] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    for (QAction* action : menu->actions()) {
      if (action->text() != text) continue;
      if (enabled_state)
        *enabled_state = action->isEnabled() ? QStringLiteral("on") : QStringLiteral("off");
      if (action->isEnabled()) action->trigger();  // a disabled entry cannot be chosen
      break;
    }
    menu->close();
  });
}

}  // namespace

TEST(GuiMenu, PathsShareItemsWhateverTheCase) {
  menu_holder m;
  kx_menu_item* open = m->AddValueItem("File|Open", {}, 1);
  kx_menu_item* save = m->AddValueItem("file|Save", {}, 2);
  ASSERT_NE(open, nullptr);
  ASSERT_NE(save, nullptr);
  EXPECT_EQ(Captions(m->Root()), std::vector<QString>{QStringLiteral("File")});
  EXPECT_EQ(open->parent, save->parent);
  EXPECT_EQ(Captions(*open->parent),
            (std::vector<QString>{QStringLiteral("Open"), QStringLiteral("Save")}));
  EXPECT_NE(open->entry.id, save->entry.id);
  // The same path finds the same entry again.
  EXPECT_EQ(m->GetItemByPath("FILE|open", false), open);
  EXPECT_EQ(m->GetItemByPath("File|Close", false), nullptr);

  // Paths start at `current` unless they begin with the separator.
  m->current = open->parent;
  kx_menu_item* recent = m->AddValueItem("Recent", {}, 3);
  EXPECT_EQ(recent->parent, open->parent);
  kx_menu_item* help = m->AddValueItem("|Help", {}, 4);
  EXPECT_EQ(help->parent, &m->Root());

  m->Clear();
  EXPECT_TRUE(m->Root().children.empty());
  EXPECT_EQ(m->current, &m->Root());
  EXPECT_EQ(m->next_id, 1);
}

TEST(GuiMenu, SeparatorsNeverLeadOrDouble) {
  menu_holder m;
  m->AddSeparator();  // nothing to separate yet
  EXPECT_TRUE(m->Root().children.empty());
  m->AddValueItem("A", {}, 1);
  m->AddSeparator();
  m->AddSeparator();
  EXPECT_EQ(Captions(m->Root()), (std::vector<QString>{QStringLiteral("A"), QStringLiteral("-")}));
  EXPECT_FALSE(m->Root().children.back()->clickable);
  // A separator inside a path stops the walk; what came before it is there.
  EXPECT_EQ(m->GetItemByPath("X|-|Y"), nullptr);
  kx_menu_item* x = m->GetItemByPath("X", false);
  ASSERT_NE(x, nullptr);
  EXPECT_TRUE(x->children.empty());
  EXPECT_EQ(m->AddValueItem("X|-", {}, 5), nullptr);  // leading in X
}

TEST(GuiMenu, PopupReturnsTheChosenValue) {
  menu_holder m;
  EXPECT_EQ(m->Popup(10, 10), -1);  // an empty menu shows nothing
  m->AddValueItem("One", QKeySequence(QStringLiteral("Ctrl+1")), 11);
  m->AddValueItem("Two", {}, 22, false);
  m->AddSeparator();
  int method_calls = 0;
  m->AddMethodItem("Run", {}, true, [&] { ++method_calls; });
  int notified_value = 0;
  m->AddNotifyItem(
      "More|Tell", {}, [&](QAction& item) { notified_value = item.data().toInt(); }, 33);

  ChooseLater(QStringLiteral("One"));
  EXPECT_EQ(m->Popup(20, 20), 11);
  ChooseLater(QString());
  EXPECT_EQ(m->Popup(20, 20), -1);  // closed without a choice
  QString state;
  ChooseLater(QStringLiteral("Two"), &state);
  EXPECT_EQ(m->Popup(20, 20), -1);  // disabled
  EXPECT_EQ(state, QStringLiteral("off"));
  ChooseLater(QStringLiteral("Run"));
  EXPECT_EQ(m->Popup(20, 20), -1);
  EXPECT_EQ(method_calls, 1);

  // An entry in a sub-menu, reached from the popup's own sub-menu.
  QTimer::singleShot(0, [] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    QMenu* more = menu->actions().back()->menu();
    ASSERT_NE(more, nullptr);
    more->actions().front()->trigger();
    menu->close();
  });
  EXPECT_EQ(m->Popup(20, 20), -1);
  EXPECT_EQ(notified_value, 33);
}

TEST(GuiMenu, ActionEntriesRunTheActionsHandler) {
  QAction remove(QStringLiteral("Remove"));
  remove.setData(42);
  remove.setShortcut(QKeySequence(QKeySequence::Delete));
  QObject* sender_seen = nullptr;
  int tag_seen = 0;
  QObject::connect(&remove, &QAction::triggered, &remove, [&] {
    sender_seen = &remove;
    tag_seen = remove.data().toInt();
  });
  QAction hidden_one(QStringLiteral("Play"));
  hidden_one.setEnabled(false);

  kx_menu* menu = kx_menu::Create();  // frees itself after the popup
  kx_menu_item* item = menu->AddActionItem("Edit", &remove);
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->parent->caption, QStringLiteral("Edit"));
  EXPECT_EQ(item->entry.value, 42);
  EXPECT_EQ(item->shortcut, QKeySequence(QKeySequence::Delete));
  kx_menu_item* play = menu->AddActionItem("", &hidden_one);
  ASSERT_NE(play, nullptr);
  EXPECT_EQ(play->parent, &menu->Root());
  EXPECT_FALSE(play->enabled);

  QTimer::singleShot(0, [] {
    auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(popup, nullptr);
    popup->actions().front()->menu()->actions().front()->trigger();
    popup->close();
  });
  EXPECT_EQ(menu->Popup(5, 5), -1);
  EXPECT_EQ(sender_seen, &remove);
  EXPECT_EQ(tag_seen, 42);
}

TEST(GuiMenu, PopupBelowOpensUnderTheControl) {
  QWidget window;
  window.resize(300, 200);
  auto* button = new QWidget(&window);
  button->setGeometry(40, 30, 80, 24);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  menu_holder m;
  m->AddValueItem("Only", {}, 7);
  QPoint shown_at;
  QTimer::singleShot(0, [&] {
    auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(popup, nullptr);
    shown_at = popup->pos();
    popup->close();
  });
  EXPECT_EQ(m->PopupBelow(button, 5, 2), -1);
  EXPECT_EQ(shown_at, button->mapToGlobal(QPoint(5, 24 + 2)));
}
