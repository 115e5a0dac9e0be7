#include "framework/string_grid.h"

#include <QHeaderView>
#include <algorithm>

namespace vantora {

namespace {

// The classic grid's default row height, for the entries and the header alike.
constexpr int kRowHeight = 24;

}  // namespace

TStringGrid::TStringGrid(QWidget* parent) : QTableWidget(parent) {
  setShowGrid(true);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::ContiguousSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setWordWrap(false);
  // Tab leaves the grid for the next control instead of walking its cells.
  setTabKeyNavigation(false);
  verticalHeader()->hide();
  verticalHeader()->setDefaultSectionSize(kRowHeight);
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  QHeaderView* header = horizontalHeader();
  header->setFixedHeight(kRowHeight);
  header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  header->setSectionResizeMode(QHeaderView::Interactive);
  header->setHighlightSections(false);
  header->setSectionsClickable(false);
  header->setStretchLastSection(false);
}

void TStringGrid::SetRowCount(int count) { setRowCount(std::max(count, 1) - 1); }

void TStringGrid::SetColCount(int count) {
  const int old = columnCount();
  setColumnCount(std::max(count, 0));
  // Without an item of its own a header section shows its number.
  for (int c = old; c < columnCount(); ++c) setHorizontalHeaderItem(c, new QTableWidgetItem(QString()));
}

std::string TStringGrid::Cell(int column, int row) const {
  const QTableWidgetItem* it = row == 0 ? horizontalHeaderItem(column) : item(row - 1, column);
  return it == nullptr ? std::string() : it->text().toStdString();
}

void TStringGrid::SetCell(int column, int row, const std::string& text) {
  if (column < 0 || column >= columnCount() || row < 0 || row >= RowCount()) return;
  const QString value = QString::fromStdString(text);
  if (row == 0) {
    if (QTableWidgetItem* it = horizontalHeaderItem(column)) {
      it->setText(value);
    } else {
      setHorizontalHeaderItem(column, new QTableWidgetItem(value));
    }
  } else if (QTableWidgetItem* it = item(row - 1, column)) {
    it->setText(value);
  } else {
    setItem(row - 1, column, new QTableWidgetItem(value));
  }
}

void TStringGrid::SelectCell(int column, int row) {
  if (row < 1 || row >= RowCount()) return;
  setCurrentCell(row - 1, column, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

int TStringGrid::Row() const { return currentRow() < 0 ? 0 : currentRow() + 1; }

}  // namespace vantora
