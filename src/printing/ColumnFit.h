// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

// Columns of a printed table brought within the width of a page: each asks for the room it needs and
// can give some up, down to its least. Texts give up their room first, and figures only when the texts
// have none left, so that a figure is cut only where no page could hold it.
namespace ColumnFit {

struct Column {
    double width = 0; // what it needs
    double least = 0; // what it cannot do without
    bool figure = false;
};

// The columns' widths, `gap` apart, within `room`; wider than `room` only when every column is at its
// least.
std::vector<double> fit(const std::vector<Column>& columns, double room, double gap);

} // namespace ColumnFit
