#include "pub/clear_grid.h"

#include "framework/string_grid.h"

namespace vantora {

void ClearGrid(TStringGrid& grid) {
  for (int row = 1; row < grid.RowCount(); ++row) {
    for (int column = 0; column < grid.ColCount(); ++column) grid.SetCell(column, row, "");
  }
  grid.SetRowCount(2);
}

}  // namespace vantora
