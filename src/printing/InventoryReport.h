// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database/DataLink.h"
#include "database/Lot.h"
#include "database/WideInt.h"
#include "printing/ReportDefinition.h"

#include <QDate>
#include <QLocale>
#include <QString>
#include <functional>
#include <vector>

class QIODevice;

// The inventory of the cellar as the definition lays it out. Reading it keeps only the order of the lots,
// the groups and their totals, never the lots themselves: the pages and the text export fetch the lots
// they show as they go, so that memory does not grow with the cellar.
namespace InventoryReport {

// Each total counts the lots as the lot's rules say (LotRules::Totals): a lot that does not count is shown as
// it stands and counted apart.
struct Group {
    QString title;
    qint64 lots = 0; // consecutive lots of the order
    LotRules::Totals totals;
};

struct Plan {
    QString title;
    QDate date;
    // The definition's columns less the one that only repeats the heading of its section.
    QList<ReportColumn> columns;
    std::vector<qint64> order; // the lots' rowids, in printing order
    std::vector<Group> groups;
    LotRules::Totals totals;
    // For each column, a few of its widest texts as printed: enough to measure its width.
    std::vector<QStringList> longest;
};

// A total as the pages and the text export print it: its bottles and value under their columns, and in
// the first columns its label and what it leaves out, in as many lines as they take.
struct TotalsRow {
    QString words;   // "Sous-total Vins rouges : 3 lots (dont 1 lot sans prix, non valorisé)"
    QString bottles; // empty when the columns have no place for it (then it is in the words)
    QString value;
};

struct Read {
    Plan plan;
    Status error;
    bool cancelled = false;
};

// "Inventaire de ma orny le " and the date in the locale's short form with a four-digit year.
QString title(const QDate& date);
Read read(const ReportDefinition& definition, DataLink& link, const QDate& date,
          const std::function<bool(qint64 read)>& progress = {});

// The cellar's values of the lots order[first..first+count), in that order; a lot gone since is empty.
Status fetchLots(DataLink& link, const std::vector<qint64>& order, size_t first, size_t count,
                 std::vector<DbRow>& lots);

// What a cell shows where the cellar holds no value.
inline constexpr char16_t Missing[] = u"—";

// A column's text for a lot, as both the pages and the text export show it.
QString cell(const ReportColumn& column, const DbRow& lot, const QLocale& locale);
// The columns under which a total puts its bottles and its value; -1 where the definition has none.
int bottlesColumn(const QList<ReportColumn>& columns);
int valueColumn(const QList<ReportColumn>& columns);
// Whether a column holds figures: measured on its widest value, never cut.
bool isFigure(const ReportColumn& column);
TotalsRow totalsRow(const QString& label, const LotRules::Totals& totals, const QList<ReportColumn>& columns,
                    const QLocale& locale);
using Measure = std::function<double(const QString&)>;
// The words in lines no wider than `width`, broken at spaces; a word longer than a line is split.
QStringList wrap(const QString& words, double width, const Measure& measure);
// A cell's text on as many lines as its column's width needs, so that two names alike but for their end
// stay two: a text broken between its words, on MostLines lines at most, the last then cut with "…"
// (only a text no one would type takes more); a figure between its groups of digits, never cut.
inline constexpr int MostLines = 6;
QStringList cellLines(const QString& text, bool figure, double width, const Measure& measure);
// The widest plausible figure (a billion billions euros): a column of figures holding a wider one (1e308 €
// written by another program) keeps its definition's width, its figures on more lines, so as to leave the
// other columns their room.
QString widestPlausibleFigure();
// Two decimals and the euro sign, however large, digits grouped by three.
QString amount(const LotRules::ExactSum& value, const QLocale& locale);

// The lots fetched at once to be written or measured.
inline constexpr size_t Chunk = 500;

// Aligned fixed-pitch columns, a lot on as many lines as its texts take, with the same groups, order and
// totals as the pages; written as it is made. The cellar's failure when it could not be read; otherwise, when
// it could not be written or `progress` cancelled it, a failure with the device's error.
Status writeText(const ReportDefinition& definition, const Plan& plan, DataLink& link, QIODevice& out,
                 const std::function<bool(qint64 written)>& progress = {});

} // namespace InventoryReport
