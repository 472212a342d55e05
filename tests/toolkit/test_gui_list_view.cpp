#include <gtest/gtest.h>

#include <QHeaderView>
#include <QScrollBar>
#include <QTest>
#include <set>

#include "toolkit/gui_list_view.h"

namespace {

class ListView : public testing::Test {
 protected:
  void SetUp() override {
    view_.resize(420, 240);
    for (const char* caption : {"Input File", "Duration", "Status"})
      view_.AddColumn(QString::fromLatin1(caption), 120, 0);
    view_.on_get_data = [this](KestListView&, KestListViewData& row) {
      asked_.push_back(row.index);
      row.caption = "file" + std::to_string(row.index) + ".mkv";
      row.sub_items = {"0:01:00", row.index % 2 ? "Done" : "Convert"};
    };
    view_.on_selection_changed = [this](KestListView&) { ++notices_; };
    view_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view_));
  }

  QString Text(int row, int column = 0) {
    return view_.model()->data(view_.model()->index(row, column)).toString();
  }

  QPoint RowPoint(int row) { return view_.visualRect(view_.model()->index(row, 0)).center(); }

  void ClickRow(int row, Qt::KeyboardModifiers modifiers = {}) {
    QTest::mouseClick(view_.viewport(), Qt::LeftButton, modifiers, RowPoint(row));
  }

  std::vector<int> Selected() {
    std::vector<int> rows;
    for (const QModelIndex& i : view_.selectionModel()->selectedRows()) rows.push_back(i.row());
    std::sort(rows.begin(), rows.end());
    return rows;
  }

  KestListView view_;
  std::vector<int> asked_;
  int notices_ = 0;
};

}  // namespace

TEST_F(ListView, OwnerFillsTheRows) {
  view_.SetItemCount(4);
  EXPECT_EQ(Text(3), QStringLiteral("file3.mkv"));
  EXPECT_EQ(Text(3, 1), QStringLiteral("0:01:00"));
  EXPECT_EQ(Text(3, 2), QStringLiteral("Done"));
  EXPECT_EQ(view_.model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Status"));
  // One request serves all columns of a row.
  asked_.clear();
  Text(2, 0);
  Text(2, 1);
  Text(2, 2);
  EXPECT_EQ(asked_, std::vector<int>{2});

  // A column takes exactly the width it is given, however narrow, and keeps it when the
  // count changes.
  for (const int width : {250, 7, 1, 0}) {
    view_.SetColumnWidth(1, width);
    view_.SetItemCount(view_.GetItemCount() + 1);
    EXPECT_EQ(view_.header()->sectionSize(1), width);
  }
}

TEST_F(ListView, EmptyTextShowsOnTheSecondRow) {
  struct empty_case {
    int count;
    const char* text;
    int rows;
  };
  const std::vector<empty_case> cases = {
      {0, "Drop files here", 2}, {-5, "Drop files here", 2}, {0, "", 0}, {3, "Drop", 3}};
  for (const auto& c : cases) {
    view_.SetItemCount(7);
    view_.SetEmptyText(QString::fromLatin1(c.text));
    view_.SetItemCount(c.count);
    EXPECT_EQ(view_.GetItemCount(), std::max(0, c.count));
    ASSERT_EQ(view_.model()->rowCount(), c.rows) << c.count << " " << c.text;
    if (c.rows == 2) {
      EXPECT_EQ(Text(0), QString());
      EXPECT_EQ(Text(1), QStringLiteral("   Drop files here"));
      // The text rows are no items: a click there selects nothing.
      ClickRow(1);
      EXPECT_EQ(view_.SelectedRow(), -1);
      EXPECT_EQ(view_.EnsureSelection(), -1);
    }
  }
}

TEST_F(ListView, NewCountKeepsTheSelectionInRange) {
  view_.SetItemCount(10);
  view_.SelectRange(7, 1);
  view_.SetItemCount(3);
  EXPECT_EQ(view_.SelectedRow(), 2);
  view_.SetItemCount(20);
  EXPECT_EQ(view_.SelectedRow(), 2);  // a longer list keeps the row
  view_.SetEmptyText(QStringLiteral("empty"));
  view_.SetItemCount(0);
  EXPECT_EQ(view_.SelectedRow(), -1);

  // A new count leaves the list scrolled where it was.
  view_.SetItemCount(500);
  view_.verticalScrollBar()->setValue(200);
  view_.SetItemCount(600);
  EXPECT_EQ(view_.verticalScrollBar()->value(), 200);
}

TEST_F(ListView, TypingAsksTheOwnerForNoRows) {
  view_.SetItemCount(100000);
  view_.setFocus();
  QCoreApplication::processEvents();
  asked_.clear();
  QTest::keyClicks(&view_, QStringLiteral("zz"));
  EXPECT_TRUE(asked_.empty());
}

TEST_F(ListView, ClicksAlwaysNotify) {
  view_.SetItemCount(5);
  // Clicking below the rows with nothing selected selects row 0.
  QTest::mouseClick(view_.viewport(), Qt::LeftButton, {}, QPoint(50, 220));
  EXPECT_EQ(view_.SelectedRow(), 0);
  EXPECT_GE(notices_, 1);

  ClickRow(3);
  EXPECT_EQ(view_.SelectedRow(), 3);
  notices_ = 0;
  ClickRow(3);  // the selection stays where it was, the owner still hears of it
  EXPECT_EQ(notices_, 1);
  EXPECT_EQ(view_.SelectedRow(), 3);
}

TEST_F(ListView, KeysNotifyEvenWhenTheSelectionStays) {
  view_.SetItemCount(5);
  view_.setFocus();
  view_.SelectRange(3, 1);
  QTest::keyClick(&view_, Qt::Key_Up);
  EXPECT_EQ(view_.SelectedRow(), 2);
  QTest::keyClick(&view_, Qt::Key_Down);
  EXPECT_EQ(view_.SelectedRow(), 3);
  view_.SelectRange(0, 1);
  notices_ = 0;
  QTest::keyClick(&view_, Qt::Key_Up);  // already at the top
  EXPECT_EQ(view_.SelectedRow(), 0);
  EXPECT_EQ(notices_, 1);
}

TEST_F(ListView, ExtendSelectionFillsTheGaps) {
  view_.SetItemCount(8);
  view_.SetMultiSelect(true);
  view_.SetExtendSelection(true);
  ClickRow(2);
  ClickRow(5, Qt::ControlModifier);
  EXPECT_EQ(Selected(), (std::vector<int>{2, 3, 4, 5}));
  EXPECT_EQ(view_.GetSelectionRange(), std::make_pair(2, 4));

  // Switching it on closes the gaps of the current selection at once.
  view_.SetExtendSelection(false);
  ClickRow(1);
  ClickRow(6, Qt::ControlModifier);
  EXPECT_EQ(Selected(), (std::vector<int>{1, 6}));
  EXPECT_EQ(view_.GetSelectionRange(), std::make_pair(1, 6));
  view_.SetExtendSelection(true);
  EXPECT_EQ(Selected(), (std::vector<int>{1, 2, 3, 4, 5, 6}));
}

TEST_F(ListView, SelectRangeAndRanges) {
  view_.SetItemCount(6);
  view_.SetMultiSelect(true);
  EXPECT_EQ(view_.GetSelectionRange().first, -1);
  EXPECT_EQ(view_.EnsureSelection(), 0);
  struct range_case {
    int first, count;
    std::vector<int> rows;  // selection afterwards
  };
  const std::vector<range_case> cases = {
      {2, 3, {2, 3, 4}},  {3, 0, {2, 3, 4}},  // nothing happens
      {-1, 2, {2, 3, 4}}, {4, 3, {2, 3, 4}},  // beyond the last row
      {5, 1, {5}},        {0, 6, {0, 1, 2, 3, 4, 5}},
  };
  for (const auto& c : cases) {
    view_.SelectRange(c.first, c.count);
    EXPECT_EQ(Selected(), c.rows) << c.first << "," << c.count;
  }
  view_.SelectRange(1, 1);
  view_.SelectAll();
  EXPECT_EQ(view_.GetSelectionRange(), std::make_pair(0, 6));
  EXPECT_EQ(view_.selectionModel()->currentIndex().row(), 1);  // the selected row stays in range
}

TEST_F(ListView, HundredThousandRowsAskOnlyForVisibleRows) {
  view_.hide();
  asked_.clear();
  view_.SetItemCount(100000);
  view_.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view_));
  QCoreApplication::processEvents();
  auto visible = [&] {
    const int first = view_.indexAt(QPoint(5, 1)).row();
    int last = view_.indexAt(QPoint(5, view_.viewport()->height() - 1)).row();
    return std::make_pair(first, last);
  };
  auto [first, last] = visible();
  ASSERT_EQ(first, 0);
  ASSERT_GT(last, 3);
  const std::set<int> opened(asked_.begin(), asked_.end());
  ASSERT_FALSE(opened.empty());
  EXPECT_LE(*opened.rbegin(), last) << "asked for a row below the visible ones";
  EXPECT_LE(opened.size(), static_cast<std::size_t>(last - first + 1));

  // One repaint asks each visible row once.
  asked_.clear();
  view_.viewport()->repaint();
  EXPECT_LE(asked_.size(), static_cast<std::size_t>(last - first + 1));

  asked_.clear();
  view_.verticalScrollBar()->setValue(50000);
  view_.viewport()->repaint();
  std::tie(first, last) = visible();
  ASSERT_GE(first, 40000);
  EXPECT_LE(asked_.size(), static_cast<std::size_t>(last - first + 1));
  for (int row : asked_) {
    EXPECT_GE(row, first);
    EXPECT_LE(row, last);
  }
  asked_.clear();
  view_.SelectRange(99999, 1);
  view_.ScrollToSelected();
  view_.viewport()->repaint();
  EXPECT_TRUE(view_.viewport()->rect().contains(view_.visualRect(view_.model()->index(99999, 0))));
  EXPECT_LE(asked_.size(), static_cast<std::size_t>(last - first + 2));
}

TEST_F(ListView, FocusListRaisesTheEnterEventAgain) {
  int entered = 0;
  view_.on_focus_entered = [&](KestListView&) { ++entered; };
  view_.activateWindow();
  view_.FocusList();
  QCoreApplication::processEvents();
  ASSERT_TRUE(view_.hasFocus());
  const int before = entered;
  view_.FocusList();
  EXPECT_EQ(entered, before + 1);
  view_.setEnabled(false);
  view_.FocusList();
  EXPECT_EQ(entered, before + 1);
}
