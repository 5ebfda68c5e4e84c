// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "statistics/Figures.h"

// The journal's figures come as each recent month and each year before them. A chart puts them on one
// evenly spaced axis only one step at a time: the months, or the years (the months added into theirs).
namespace Periods {

enum class Step { Month, Year };

// A table of periods (the drunk and bought, summed; the values at a period's end, read) with a row a
// period of `step`, and its total, when it has one, over those rows.
Figures::Table inSteps(const Figures::Table& table, Step step);

} // namespace Periods
