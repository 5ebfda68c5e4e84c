// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "statistics/Figures.h"

#include <QBrush>
#include <QPalette>

class QChart;

// A table's figures as a chart, in the colours of the palette it is given (the screen's, light or dark, or
// paper's). Each series also has its own hatching and every slice its label, so that no figure is told
// apart by its colour alone.
namespace Charts {

// The chart, not yet shown anywhere; the caller owns it.
QChart* build(const Figures::Table& table, const QPalette& palette);

// The fill of the n-th series or slice: a colour of the palette and a pattern of its own.
QBrush seriesBrush(int n, const QPalette& palette);

// A palette for paper: dark ink on white, whatever the screen's.
QPalette paper();

} // namespace Charts
