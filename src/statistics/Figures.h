// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database/DataLink.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

// The figures of the statistics window, each a small table the engine sums up: what the cellar holds
// (by colour, type and vintage), what must be drunk and when, what was drunk and bought, and what the
// cellar was worth. Nothing here reads the lots one by one: every table is a handful of aggregate rows.
namespace Figures {

// How a column's values read.
enum class Unit { Text, Count, Money };

// How a table is drawn beside it.
enum class Chart {
    Donut,       // shares of the first number column, one slice a row
    Bars,        // one bar a row for the first number column
    GroupedBars, // one bar a row for each of the `series` columns
    Line,        // the first number column along the rows
};

struct Table {
    QString name;  // as listed in the page: "Par couleur"
    QString title; // what and when: "Bouteilles par couleur au 07/12/2026"
    QStringList headers;
    QList<Unit> units;
    QList<QVariantList> rows; // the last one is the total where `totalRow` says so
    bool totalRow = false;
    Chart chart = Chart::Bars;
    QList<int> series; // the columns the chart draws
    QString note;      // what the figures leave out, said under the table
    QString blank;     // said in the chart's place when it has nothing to draw: "La cave est vide."
};

struct Page {
    QString name; // the tab's caption, with its access key
    QList<Table> tables;
};

enum PageIndex { Composition, ABoire, Consommation, Valeur, PageCount };

// The colours and types beyond these are summed as « Autres »; vintages are shown by decade beyond that
// many years.
inline constexpr int LargestGroups = 15;
inline constexpr int MostYears = 30;
inline constexpr int DrinkingYears = 15;
inline constexpr int RecentMonths = 24;
inline constexpr int MostValuableLots = 10;

struct Read {
    QList<Page> pages;
    Status error;
};
// Every page, as the cellar stands and as its journal tells, on `today`.
Read read(DataLink& link, const QDate& today);
// The lots and movements read() goes over, at once: the measure of its work. None when it cannot say.
qint64 rowsRead(DataLink& link);

// French numbers: "1 234", "1 234,50 €".
QString formatCount(double value);
QString formatMoney(double value);
QString format(const QVariant& value, Unit unit);

} // namespace Figures
