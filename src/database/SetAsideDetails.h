// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database/DataLink.h"

#include <QVariant>
#include <vector>

// The details that no lot shows (see LotIdentity): those set aside because their lot could not be found
// again, and those whose lot changed or went since, which the next write mends or sets aside. They are
// kept, never shown on a lot: this is where the user sees them. It only reads.
namespace SetAsideDetails {

// Details listed at most, and characters of a text: another tool may have stored millions.
inline constexpr int MostListed = 1000;
inline constexpr int MostCharacters = 300;

struct Detail {
    bool setAside = false; // else its link no longer matches its lot
    // As stored, but that a text longer than MostCharacters holds only MostCharacters + 1 of them.
    QVariant drinkFrom, drinkUntil, location, note, stars;
    // The wine its lot was, as the history last recorded a lot with its fingerprint; null when the
    // history never did.
    QVariant name, type, vintage, colour;
};

struct Listing {
    qint64 total = 0; // all of them; the first MostListed are in `details`, set aside first
    std::vector<Detail> details;
};

Result<Listing> read(DataLink& link);

} // namespace SetAsideDetails
