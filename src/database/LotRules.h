// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database/DataLink.h"

#include <QString>

// What a lot may hold, as the purchase records it: the one place these limits are written, for the
// windows' fields and for what the import lets in.
namespace LotRules {

// The longest text each column takes, in every window and in the import. The purchase's name field keeps
// its own, shorter limit.
inline constexpr int NameWidth = 255;
inline constexpr int TypeWidth = 255;
inline constexpr int ColourWidth = 50;
inline constexpr int PurchaseNameWidth = 30;
// Vintages are four digits, from 1000 to the current year.
inline constexpr int FirstYear = 1000;

enum class Fault { None, Name, Type, Year, Colour, Quantity, Price, TooLong };

// The first rule the lot (the six values of ORNY, in order) breaks, or Fault::None.
Fault check(const DbRow& lot, int currentYear);

// A stored quantity as a count of bottles: a whole number of at least one.
bool isBottleCount(const QVariant& quantity);

} // namespace LotRules
