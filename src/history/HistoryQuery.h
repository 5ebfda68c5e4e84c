// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database/Journal.h"
#include "database/Lot.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QVariant>
#include <optional>

// The statements behind the history: the journal's movements, newest first, a screenful at a time, and
// their totals.
namespace HistoryQuery {

// What a movement did, then what it counts for: a movement undone, and the undoing, carry no bottles, so
// that the sum of each column of figures, in the window or a spreadsheet, is the total the window shows.
enum Column {
    Date,
    Nature,
    Annule,
    Nom,
    Type,
    Annee,
    Couleur,
    Bouteilles,
    Prix,
    Achetees,
    Bues,
    ValeurAchetee,
    ValeurBue,
    ColumnCount
};
inline constexpr const char* Captions[ColumnCount] = {"Date",       "Nature",
                                                      "Annulé",     "Nom",
                                                      "Type",       "Année",
                                                      "Couleur",    "Bouteilles",
                                                      "Prix Unit.", "Achetées ou importées",
                                                      "Bues",       "Valeur achetée ou importée",
                                                      "Valeur bue"};

struct Filter {
    std::optional<Journal::Kind> kind;
    QDate from;          // the first day shown; none: since the first movement
    QDate until;         // the last day shown; none: up to the last
    QString search;      // words found in the movement's nature, name, type, year or colour
    int sortColumn = -1; // none: newest first
    bool descending = false;
};

// The periods a user picks from, given the years the journal spans: all of it, this month, the last 30
// days, the last 12 months, then each year, newest first.
struct Period {
    QString label;
    QDate from, until;
};
QList<Period> periods(const QDate& today, int firstYear, int lastYear);

struct Statement {
    QString sql;
    QVariantList params;
};
// Each row: the movement's number, the columns above, then its order keys, the number last.
Statement page(const Filter& filter, const QVariantList& after = {}, int limit = -1);
// What the movements that still hold brought in and took out: the sums of the columns Achetees,
// ValeurAchetee, Bues and ValeurBue, exact whatever their size.
struct Moved {
    WideInt bought = 0;
    LotRules::ExactSum boughtValue;
    WideInt drunk = 0;
    LotRules::ExactSum drunkValue;

    Moved& operator+=(const Moved& other);
    // Read from the columns of totalColumns(), the first at `first`.
    static Moved fromSums(const DbRow& row, size_t first);
};
// Movements shown, then their sums, read with Moved::fromSums(row, 1).
Statement totals(const Filter& filter);
// What each movement brings to the sums, as the columns of a statement on MOUVEMENT; then the sums of
// those columns, to aggregate over them.
QString movedColumns();
QString totalColumns();
// The years of the first and last movements.
Statement years();

} // namespace HistoryQuery
