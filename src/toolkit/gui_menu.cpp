#include "toolkit/gui_menu.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPointer>
#include <QWidget>
#include <string>

#include "foundation/kest_errors.h"
#include "foundation/string_utils.h"
#include "toolkit/gui_utils.h"

namespace {

bool SameCaption(const QString& a, const QString& b) {
  if (a.size() != b.size()) return false;
  for (qsizetype i = 0; i < a.size(); ++i) {
    const char16_t x = a[i].unicode(), y = b[i].unicode();
    if (x == y) continue;
    auto lower = [](char16_t c) -> char16_t {
      return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
    };
    if (lower(x) != lower(y)) return false;
  }
  return true;
}

}  // namespace

kx_menu::kx_menu() : root_(std::make_unique<kx_menu_item>()) {
  Clear();
}

kx_menu::~kx_menu() = default;

kx_menu* kx_menu::Create() {
  return new kx_menu();
}

void kx_menu::Free() {
  delete this;
}

void kx_menu::Clear() {
  root_->children.clear();
  current = root_.get();
  separator = '|';
  next_id = 1;
  result = -1;
}

kx_menu_item* kx_menu::AddSubItem(kx_menu_item* parent, const QString& caption) {
  try {
    if (!parent) return nullptr;
    auto item = std::make_unique<kx_menu_item>();
    item->caption = caption;
    item->parent = parent;
    item->entry.id = next_id++;
    parent->children.push_back(std::move(item));
    return parent->children.back().get();
  } catch (...) {
    std::string message;
    ReportError(false, "kx_menu.AddSubItem", "gui_menu", message, "168");
    return nullptr;
  }
}

kx_menu_item* kx_menu::GetItemByPath(std::string_view path, bool create) {
  try {
    kx_menu_item* node = current ? current : root_.get();
    std::size_t pos = 0;
    if (!path.empty() && path.front() == separator) {
      node = root_.get();
      pos = 1;
    }
    bool walked = false;
    while (pos <= path.size()) {
      std::size_t end = path.find(separator, pos);
      const bool last = end == std::string_view::npos;
      if (last) end = path.size();
      const std::string_view token = path.substr(pos, end - pos);
      pos = end + 1;
      if (token.empty()) {
        if (last) break;
        continue;
      }
      if (token == "-") {
        // Separators only end a path, and never lead or follow one another.
        if (!last || !create || node->children.empty() || node->children.back()->IsSeparator())
          return nullptr;
        return AddSubItem(node, QStringLiteral("-"));
      }
      const QString caption = QString::fromUtf8(token.data(), static_cast<qsizetype>(token.size()));
      kx_menu_item* found = nullptr;
      for (const auto& child : node->children)
        if (!child->IsSeparator() && SameCaption(child->caption, caption)) {
          found = child.get();
          break;
        }
      if (!found) {
        if (!create) return nullptr;
        found = AddSubItem(node, caption);
        if (!found) return nullptr;
      }
      node = found;
      walked = true;
      if (last) break;
    }
    return walked ? node : nullptr;
  } catch (...) {
    std::string message;
    ReportError(false, "kx_menu.GetItemByPath", "gui_menu", message, "250");
    return nullptr;
  }
}

kx_menu_item* kx_menu::AddValueItem(std::string_view path, const QKeySequence& shortcut,
                                    std::int32_t value, bool enabled) {
  kx_menu_item* item = GetItemByPath(path, true);
  if (!item) return nullptr;
  item->entry.action_kind = kx_menu_value;
  item->entry.value = value;
  item->enabled = enabled;
  item->shortcut = shortcut;
  item->clickable = true;
  return item;
}

kx_menu_item* kx_menu::AddMethodItem(std::string_view path, const QKeySequence& shortcut,
                                     bool enabled, std::function<void()> method) {
  kx_menu_item* item = GetItemByPath(path, true);
  if (!item) return nullptr;
  item->entry.action_kind = kx_menu_method;
  item->entry.method = std::move(method);
  item->enabled = enabled;
  item->shortcut = shortcut;
  item->clickable = true;
  return item;
}

kx_menu_item* kx_menu::AddNotifyItem(std::string_view path, const QKeySequence& shortcut,
                                     std::function<void(QAction&)> notify, std::int32_t value,
                                     bool enabled) {
  kx_menu_item* item = GetItemByPath(path, true);
  if (!item) return nullptr;
  item->entry.action_kind = kx_menu_notify;
  item->entry.notify = std::move(notify);
  item->entry.value = value;
  item->enabled = enabled;
  item->shortcut = shortcut;
  item->clickable = true;
  return item;
}

kx_menu_item* kx_menu::AddActionItem(std::string_view parent_path, QAction* action) {
  if (!action) return nullptr;
  const std::string path = Str_EnsureTrailing(parent_path, '|') + action->text().toStdString();
  QPointer<QAction> target(action);
  return AddNotifyItem(
      path, action->shortcut(),
      [target](QAction&) {
        if (target) target->trigger();
      },
      action->data().toInt(), action->isEnabled());
}

void kx_menu::AddSeparator() {
  if (kx_menu_item* item = GetItemByPath("-", true)) item->clickable = false;
}

void kx_menu::Dispatch(const kx_menu_entry& entry, QAction& item) {
  result = -1;
  switch (entry.action_kind) {
    case kx_menu_value:
      result = entry.value;
      break;
    case kx_menu_method:
      if (entry.method) entry.method();
      break;
    case kx_menu_notify:
      item.setData(entry.value);
      if (entry.notify) entry.notify(item);
      break;
    default:
      break;
  }
}

void kx_menu::CopyTo(const kx_menu_item& source, QMenu& target) {
  for (const auto& child : source.children) {
    if (child->IsSeparator()) {
      target.addSeparator();
      continue;
    }
    if (!child->children.empty()) {
      QMenu* sub = target.addMenu(child->caption);
      sub->menuAction()->setEnabled(child->enabled);
      CopyTo(*child, *sub);
      continue;
    }
    QAction* action = target.addAction(child->caption);
    action->setShortcut(child->shortcut);
    // Shortcuts are shown, they act only while the menu is open.
    action->setShortcutContext(Qt::WidgetShortcut);
    action->setEnabled(child->enabled);
    if (child->clickable) {
      const kx_menu_entry entry = child->entry;
      QObject::connect(action, &QAction::triggered, action,
                       [this, entry, action] { Dispatch(entry, *action); });
    }
  }
}

std::int32_t kx_menu::Popup(int x, int y) {
  result = -1;
  try {
    if (!root_->children.empty()) {
      QMenu popup(QApplication::activeWindow());
      CopyTo(*root_, popup);
      popup.exec(QPoint(x, y));
    }
  } catch (...) {
    result = -1;
    std::string message;
    ReportError(false, "kx_menu.Popup", "gui_menu", message, "669");
  }
  const std::int32_t kept = result;
  if (free_after_popup) delete this;
  return kept;
}

std::int32_t kx_menu::PopupAtCursor() {
  QPoint at;
  Cursor_Position(at);
  return Popup(at.x(), at.y());
}

std::int32_t kx_menu::PopupBelow(const QWidget* control, int dx, int dy) {
  if (!control) return Popup(0, 0);
  const QPoint at = control->mapToGlobal(QPoint(dx, control->height() + dy));
  return Popup(at.x(), at.y());
}
