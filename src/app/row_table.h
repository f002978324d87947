#pragma once

// The look and selection both of the application's lists share.

class QTableView;

namespace zorvel {

// Read-only rows of one line each, selected whole and one at a time, with a grid and neither row
// numbers nor a highlighted header section.
void SetUpRowTable(QTableView& table);

}  // namespace zorvel
