// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database/DataLink.h"

#include <limits>
#include <optional>

// Whether a lot read from a table is already in the cellar: the same wine (name, type, vintage and colour
// equal as the cellar compares them) among the lots before `before`, so that the lots an import is adding
// are not taken for ones it found.
namespace CellarMatch {

inline constexpr qint64 AnyLot = std::numeric_limits<qint64>::max();

// The first such lot's rowid, one whose quantity is a whole number first; nothing when there is none.
Status sameWine(DataLink& link, const DbRow& values, std::optional<qint64>& rowid, qint64 before = AnyLot);

} // namespace CellarMatch
