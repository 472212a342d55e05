#pragma once
// A report-style list that stores no rows: it knows the row count and asks its owner for a
// row's texts and picture only when the view needs them (while painting, mostly).
#include <QAbstractTableModel>
#include <QIcon>
#include <QTreeView>
#include <functional>
#include <string>
#include <vector>

// The row request handed to the owner.
struct KestListViewData {
  std::int32_t index = 0;              // in: row number from 0
  std::int32_t image_index = -1;       // out: picture of the row, -1 none
  std::string caption;                 // out: text of the first column
  std::vector<std::string> sub_items;  // out: texts of the further columns
};

class KestListView;

class KestListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit KestListModel(KestListView& view);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  struct column {
    QString caption;
    int alignment = 0;  // 0 left, 1 right, 2 centre
  };

 private:
  friend class KestListView;
  const KestListViewData* Row(int row) const;
  void SetRows(int rows);
  void Forget() const { cached_row_ = -1; }

  KestListView& view_;
  std::vector<column> columns_;
  int rows_ = 0;
  // The last row asked for: a row's columns and roles are read one after another, and the
  // owner is asked once for all of them. Forgotten before every paint.
  mutable int cached_row_ = -1;
  mutable KestListViewData cache_;
};

class KestListView : public QTreeView {
  Q_OBJECT

 public:
  explicit KestListView(QWidget* parent = nullptr);

  // Appends a column (alignment: 0 left, 1 right, 2 centre) and returns its index.
  int AddColumn(const QString& caption, int width, int alignment);
  void SetColumnWidth(int index, int width);

  // A negative count is 0; a new count refreshes the list, keeping the selected row in range.
  void SetItemCount(int count);
  int GetItemCount() const { return item_count_; }
  // Shown (indented, on the second line) while the list has no rows.
  void SetEmptyText(const QString& text);
  const QString& EmptyText() const { return empty_text_; }
  bool HasEmptyText() const { return !empty_text_.isEmpty(); }

  // The selected row (the lowest one of a multiple selection), -1 for none.
  int SelectedRow() const;
  // The selected row; row 0 is selected first when nothing is and the list has rows.
  int EnsureSelection();
  // Selects rows first .. first + count - 1 and nothing else; ignored when out of range.
  void SelectRange(int first, int count);
  void SelectAll() { SelectRange(0, item_count_); }
  // (first, count) from the lowest to the highest selected row; first -1 for none.
  std::pair<int, int> GetSelectionRange() const;
  // Keeps a multiple selection contiguous; switching it on closes the gaps at once.
  void SetExtendSelection(bool on);
  bool ExtendSelection() const { return extend_selection_; }
  void SetMultiSelect(bool on);
  void ScrollToSelected();
  // Gives the list the focus, or when it has it, raises on_focus_entered again.
  void FocusList();
  // Asks the owner again for the visible rows.
  void RefreshRows();

  void SetImages(std::vector<QIcon> images) { images_ = std::move(images); }

  std::function<void(KestListView&, KestListViewData&)> on_get_data;
  std::function<void(KestListView&)> on_selection_changed;
  std::function<void(KestListView&)> on_focus_entered;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void keyboardSearch(const QString& search) override;
  void mousePressEvent(QMouseEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;

 private:
  friend class KestListModel;
  // Rebuilds the rows and selects `row` again, or the last row when it is now beyond it.
  void Refresh(int row);
  void CloseSelectionGaps();
  void Notify();
  QModelIndex RowIndex(int row) const;

  KestListModel* model_;
  std::vector<QIcon> images_;
  int item_count_ = 0;
  QString empty_text_;
  bool extend_selection_ = false;
  bool extending_ = false;
};
