// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database/DataLink.h"
#include "database/Lot.h"

#include <QString>

// The cellar in a few lines, as the main window greets the user: what it holds, and what must be drunk
// soon. Read with the totals' own rules and the details' own link to their lots.
struct CellarSummary {
    LotRules::Totals totals;
    qint64 closing = 0; // lots whose drinking window closes in the year or has closed before it
    qint64 opening = 0; // lots whose drinking window opens in the year

    static Result<CellarSummary> read(DataLink& link, int year);
    // The summary as rich text, each line a link: "vue:" and the view's slot, "saisie", "tableau".
    QString html(int year) const;
};
