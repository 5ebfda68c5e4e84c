// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "statistics/Figures.h"

#include <QBrush>
#include <QPalette>

class QChart;

// A table's figures as a chart, in the colours of the palette it is given (the screen's, light or dark, or
// paper's), but for the colours of wine, which are their own (WineColours) everywhere. Each other series
// also has its own hatching and every slice its label, so that no figure is told apart by its colour alone.
namespace Charts {

// Whether the table has a figure for its chart to draw; a cellar with none shows the table's `blank`
// sentence in the chart's place, never an empty chart.
bool drawable(const Figures::Table& table);
// The height a chart needs for each of its names to show whole, for lines of text `line` high.
double height(const Figures::Table& table, double line);
// The sentence shown in place of a chart with nothing to draw.
QString blankText(const Figures::Table& table);

// The chart, not yet shown anywhere; the caller owns it. A bar's name and figure hold in `labelRoom`
// characters, the room the chart gives its names beside the bars.
QChart* build(const Figures::Table& table, const QPalette& palette, int labelRoom = 40);
// The characters a bar's name and figure may take in a chart `width` wide, for characters `character` wide
// on average: the chart gives its names at most some 40 % of its width.
int labelRoom(double width, double character);

// The fill of the n-th series or slice: a colour of the palette and a pattern of its own.
QBrush seriesBrush(int n, const QPalette& palette);

// A palette for paper: dark ink on white, whatever the screen's.
QPalette paper();

} // namespace Charts
