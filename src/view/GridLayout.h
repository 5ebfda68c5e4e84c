// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QTableView;

// The cellar grid's look: its fixed settings, set once, its colours and the width it opens with.
namespace GridLayout {

// Column widths are the columns' own, in twips, converted with the screen's logical resolution.
int twipsToPixels(int twips, int logicalDpi);
// How much larger than the usual desktop font the user's is: the grid's font and columns grow with it.
double fontScale();
void applyFixedSettings(QTableView* grid);
// The grid's colours for the desktop's palette, light or dark; again when the palette changes.
void applyColours(QTableView* grid);
// The width that holds the seven columns always shown beside the vertical scroll bar.
int gridWidth(const QTableView* grid);

} // namespace GridLayout
