#pragma once

namespace vantora {

class TStringGrid;

// Empties every cell below the header row, then leaves the grid with the
// header and one empty row (RowCount 2). The header row is not touched.
void ClearGrid(TStringGrid& grid);

}  // namespace vantora
