#pragma once

#include <QTableWidget>
#include <string>

namespace vantora {

// A grid of text cells addressed the way the forms address it: Cell(column,
// row) with row 0 the one fixed header row, and RowCount counting that row.
// The header row is the table's horizontal header, so it stays in place
// while the entries scroll. There are no fixed columns.
class TStringGrid : public QTableWidget {
 public:
  explicit TStringGrid(QWidget* parent = nullptr);

  int RowCount() const { return rowCount() + 1; }
  // At least the header row; rows beyond the new count are dropped.
  void SetRowCount(int count);
  int ColCount() const { return columnCount(); }
  void SetColCount(int count);

  // Empty text for a cell that was never set.
  std::string Cell(int column, int row) const;
  void SetCell(int column, int row, const std::string& text);

  int ColWidth(int column) const { return columnWidth(column); }
  void SetColWidth(int column, int width) { setColumnWidth(column, width); }

  // Makes (column, row) the current cell and selects its row; row >= 1.
  void SelectCell(int column, int row);
  // The current row in grid numbering (1 for the first entry row), or 0.
  int Row() const;
};

}  // namespace vantora
