#pragma once
// Builds a context menu from text paths ("File|Open"), shows it at a screen point, and
// returns the value of the chosen entry or runs the handler attached to it.
#include <QKeySequence>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

class QAction;
class QMenu;
class QWidget;

enum : std::int32_t { kx_menu_value = 0, kx_menu_method = 2, kx_menu_notify = 3 };

// What choosing an entry does.
struct kx_menu_entry {
  std::int32_t id = 0;  // unique within the menu
  std::int32_t action_kind = kx_menu_value;
  std::int32_t value = -1;       // returned (value kind) or put into the item's data (notify)
  std::function<void()> method;  // method kind
  // Notify kind: called with the chosen menu item, whose data() then holds `value`.
  std::function<void(QAction& item)> notify;
};

struct kx_menu_item {
  QString caption;  // "-" is a separator line
  QKeySequence shortcut;
  bool enabled = true;
  bool clickable = false;  // set by the Add operations; choosing it runs the dispatch
  kx_menu_entry entry;
  kx_menu_item* parent = nullptr;
  std::vector<std::unique_ptr<kx_menu_item>> children;

  bool IsSeparator() const { return caption == QLatin1String("-"); }
};

class kx_menu {
 public:
  // Menus live on the heap: with free_after_popup set (the default) Popup deletes the menu.
  static kx_menu* Create();
  void Free();
  kx_menu(const kx_menu&) = delete;
  kx_menu& operator=(const kx_menu&) = delete;

  // Removes every entry; current, separator, next_id and result start afresh.
  void Clear();
  kx_menu_item* AddSubItem(kx_menu_item* parent, const QString& caption);
  // The entry a path leads to, created along the way with `create`; null when the path
  // holds a separator before its end or a separator cannot be placed (leading or doubled).
  // A path beginning with the separator starts at the root, any other at `current`.
  kx_menu_item* GetItemByPath(std::string_view path, bool create = true);
  kx_menu_item* AddValueItem(std::string_view path, const QKeySequence& shortcut,
                             std::int32_t value, bool enabled = true);
  kx_menu_item* AddMethodItem(std::string_view path, const QKeySequence& shortcut, bool enabled,
                              std::function<void()> method);
  kx_menu_item* AddNotifyItem(std::string_view path, const QKeySequence& shortcut,
                              std::function<void(QAction&)> notify, std::int32_t value,
                              bool enabled = true);
  // An entry mirroring an action: its text under parent_path, its shortcut and enabled
  // state; choosing it triggers the action.
  kx_menu_item* AddActionItem(std::string_view parent_path, QAction* action);
  void AddSeparator();

  // Shows the menu at a screen point and returns the chosen value entry's value, or -1.
  std::int32_t Popup(int x, int y);
  std::int32_t PopupAtCursor();
  // Just below the control, moved by (dx, dy).
  std::int32_t PopupBelow(const QWidget* control, int dx, int dy);

  kx_menu_item& Root() { return *root_; }

  kx_menu_item* current = nullptr;
  char separator = '|';
  std::int32_t next_id = 1;
  std::int32_t result = -1;
  bool free_after_popup = true;

 private:
  kx_menu();
  ~kx_menu();
  void Dispatch(const kx_menu_entry& entry, QAction& item);
  void CopyTo(const kx_menu_item& source, QMenu& target);

  std::unique_ptr<kx_menu_item> root_;
};
