#include "toolkit/gui_list_view.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <algorithm>

namespace {

Qt::Alignment AlignmentOf(int alignment) {
  switch (alignment) {
    case 1:
      return Qt::AlignRight | Qt::AlignVCenter;
    case 2:
      return Qt::AlignHCenter | Qt::AlignVCenter;
    default:
      return Qt::AlignLeft | Qt::AlignVCenter;
  }
}

}  // namespace

KestListModel::KestListModel(KestListView& view) : QAbstractTableModel(&view), view_(view) {}

int KestListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_;
}

int KestListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

const KestListViewData* KestListModel::Row(int row) const {
  if (row == cached_row_) return &cache_;
  if (!view_.on_get_data) return nullptr;
  cache_ = KestListViewData{};
  cache_.index = row;
  cached_row_ = row;
  view_.on_get_data(view_, cache_);
  return &cache_;
}

void KestListModel::SetRows(int rows) {
  beginResetModel();
  rows_ = rows;
  cached_row_ = -1;
  endResetModel();
}

QVariant KestListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rows_) return {};
  const auto column = static_cast<std::size_t>(index.column());
  if (column >= columns_.size()) return {};
  if (role == Qt::TextAlignmentRole)
    return QVariant::fromValue(AlignmentOf(columns_[column].alignment));
  if (role != Qt::DisplayRole && role != Qt::DecorationRole) return {};

  if (view_.item_count_ == 0) {
    // The two rows that show the empty text on the second line.
    if (role == Qt::DisplayRole && column == 0 && index.row() == 1 && view_.HasEmptyText())
      return QString(QStringLiteral("   ") + view_.empty_text_);
    return {};
  }
  const KestListViewData* row = Row(index.row());
  if (!row) return {};
  if (role == Qt::DecorationRole) {
    if (column != 0 || row->image_index < 0 ||
        static_cast<std::size_t>(row->image_index) >= view_.images_.size())
      return {};
    return view_.images_[static_cast<std::size_t>(row->image_index)];
  }
  if (column == 0) return QString::fromStdString(row->caption);
  if (column - 1 < row->sub_items.size()) return QString::fromStdString(row->sub_items[column - 1]);
  return {};
}

QVariant KestListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 ||
      static_cast<std::size_t>(section) >= columns_.size())
    return {};
  const column& c = columns_[static_cast<std::size_t>(section)];
  if (role == Qt::DisplayRole) return c.caption;
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(AlignmentOf(c.alignment));
  return {};
}

Qt::ItemFlags KestListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  // The empty-text rows are no items: they can never become the owner's selected row.
  if (view_.item_count_ == 0) return Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

// ---------------------------------------------------------------------------------------------

KestListView::KestListView(QWidget* parent) : QTreeView(parent), model_(new KestListModel(*this)) {
  // Its own font: the window's font changes do not reach the list.
  setFont(QApplication::font(this));
  setModel(model_);
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setUniformRowHeights(true);
  setAllColumnsShowFocus(true);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  header()->setStretchLastSection(false);
  // Column widths are the owner's: a narrow window may give a column only a few pixels.
  header()->setMinimumSectionSize(0);
  header()->setSectionsMovable(false);
  // The selection stays visible when the list loses the focus.
  QPalette pal = palette();
  pal.setColor(QPalette::Inactive, QPalette::Highlight,
               pal.color(QPalette::Active, QPalette::Highlight));
  pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
               pal.color(QPalette::Active, QPalette::HighlightedText));
  setPalette(pal);
}

QModelIndex KestListView::RowIndex(int row) const {
  return model_->index(row, 0);
}

int KestListView::AddColumn(const QString& caption, int width, int alignment) {
  const int index = static_cast<int>(model_->columns_.size());
  model_->beginInsertColumns(QModelIndex(), index, index);
  model_->columns_.push_back({caption, alignment});
  model_->endInsertColumns();
  header()->resizeSection(index, std::max(0, width));
  return index;
}

void KestListView::SetColumnWidth(int index, int width) {
  if (index < 0 || index >= static_cast<int>(model_->columns_.size())) return;
  header()->resizeSection(index, std::max(0, width));
}

void KestListView::SetItemCount(int count) {
  count = std::max(0, count);
  if (count == item_count_) return;
  const int row = SelectedRow();
  item_count_ = count;
  Refresh(row);
}

void KestListView::SetEmptyText(const QString& text) {
  empty_text_ = text;
  Refresh(SelectedRow());
}

void KestListView::Refresh(int row) {
  const bool updates = updatesEnabled();
  setUpdatesEnabled(false);
  const int scroll = verticalScrollBar()->value();
  model_->SetRows(item_count_ > 0 ? item_count_ : (HasEmptyText() ? 2 : 0));
  row = std::min(row, item_count_ - 1);
  if (row >= 0)
    selectionModel()->setCurrentIndex(
        RowIndex(row), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  // The scroll range follows the new count only after a layout; keep the scroll position.
  executeDelayedItemsLayout();
  updateGeometries();
  verticalScrollBar()->setValue(scroll);
  setUpdatesEnabled(updates);
}

void KestListView::RefreshRows() {
  model_->Forget();
  viewport()->update();
}

int KestListView::SelectedRow() const {
  return GetSelectionRange().first;
}

std::pair<int, int> KestListView::GetSelectionRange() const {
  int first = -1, last = -1;
  // Only item rows count: the empty-text rows are never a selection.
  for (const QItemSelectionRange& range : selectionModel()->selection()) {
    if (range.top() >= item_count_) continue;
    if (first < 0 || range.top() < first) first = range.top();
    last = std::max(last, std::min(range.bottom(), item_count_ - 1));
  }
  if (first < 0) return {-1, 0};
  return {first, last - first + 1};
}

int KestListView::EnsureSelection() {
  const int row = SelectedRow();
  if (row >= 0 || item_count_ <= 0) return row;
  selectionModel()->setCurrentIndex(
      RowIndex(0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  return 0;
}

void KestListView::SelectRange(int first, int count) {
  const int last = first + count - 1;
  if (count <= 0 || first < 0 || last > item_count_ - 1) return;
  const int row = SelectedRow();
  const int target = row > last ? last : (row < first ? first : row);
  selectionModel()->setCurrentIndex(RowIndex(target), QItemSelectionModel::NoUpdate);
  selectionModel()->select(QItemSelection(RowIndex(first), RowIndex(last)),
                           QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void KestListView::SetExtendSelection(bool on) {
  extend_selection_ = on;
  if (on) CloseSelectionGaps();
}

void KestListView::SetMultiSelect(bool on) {
  setSelectionMode(on ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

void KestListView::CloseSelectionGaps() {
  if (extending_) return;
  const auto [first, count] = GetSelectionRange();
  if (first < 0 || count < 2) return;
  extending_ = true;
  selectionModel()->select(QItemSelection(RowIndex(first), RowIndex(first + count - 1)),
                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
  extending_ = false;
}

void KestListView::ScrollToSelected() {
  const int row = SelectedRow();
  if (row >= 0) scrollTo(RowIndex(row), QAbstractItemView::EnsureVisible);
}

void KestListView::keyboardSearch(const QString&) {
  // Type-ahead would ask the owner for row after row; an owner-data list has none.
}

void KestListView::FocusList() {
  if (!isVisible() || !isEnabled()) return;
  if (hasFocus()) {
    if (on_focus_entered) on_focus_entered(*this);
  } else {
    setFocus(Qt::OtherFocusReason);
  }
}

void KestListView::Notify() {
  if (on_selection_changed) on_selection_changed(*this);
}

void KestListView::selectionChanged(const QItemSelection& selected,
                                    const QItemSelection& deselected) {
  QTreeView::selectionChanged(selected, deselected);
  if (extending_) return;
  if (!selected.isEmpty()) Notify();
  if (extend_selection_) CloseSelectionGaps();
}

void KestListView::keyPressEvent(QKeyEvent* event) {
  const int row = SelectedRow();
  if (event->key() == Qt::Key_Up && row > 0)
    selectionModel()->select(RowIndex(row - 1),
                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  QTreeView::keyPressEvent(event);
  // The owner hears about every key, also one that leaves the selection where it was.
  if (SelectedRow() == row) Notify();
}

void KestListView::mousePressEvent(QMouseEvent* event) {
  const int row = SelectedRow();
  QTreeView::mousePressEvent(event);
  if (item_count_ == 0) selectionModel()->clearSelection();
  if (SelectedRow() < 0 && item_count_ > 0) EnsureSelection();
  if (SelectedRow() == row) Notify();
}

void KestListView::focusInEvent(QFocusEvent* event) {
  QTreeView::focusInEvent(event);
  if (on_focus_entered) on_focus_entered(*this);
}

void KestListView::paintEvent(QPaintEvent* event) {
  // Rows are asked for afresh on every paint, so owner changes show on the next repaint.
  model_->Forget();
  QTreeView::paintEvent(event);
}
