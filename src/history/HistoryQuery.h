// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database/Journal.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QVariant>
#include <optional>

// The statements behind the history: the journal's movements, newest first, a screenful at a time, and
// their totals.
namespace HistoryQuery {

enum Column { Date, Nature, Nom, Type, Annee, Couleur, Bouteilles, Prix, ColumnCount };
inline constexpr const char* Captions[ColumnCount] = {"Date",  "Nature",  "Nom",        "Type",
                                                      "Année", "Couleur", "Bouteilles", "Prix Unit."};

struct Filter {
    std::optional<Journal::Kind> kind;
    QDate from;  // the first day shown; none: since the first movement
    QDate until; // the last day shown; none: up to the last
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
// Each row: the movement's number, the eight columns, then the number again as the order key.
Statement page(const Filter& filter, const QVariantList& after = {}, int limit = -1);
// Movements shown; bottles bought (purchases and imports) and their value; bottles drunk and their value.
// What was undone, and the undoing, count in none of the totals.
Statement totals(const Filter& filter);
// The four sums of those totals, bottles bought and their value, bottles drunk and their value, as the
// columns of a statement on MOUVEMENT.
QString totalColumns();
// The years of the first and last movements.
Statement years();

} // namespace HistoryQuery
