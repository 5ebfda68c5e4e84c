// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QVariant>

// The statements behind the cellar view. Every view shows the same seven columns (NOM, TYPE, ANNEE,
// COULEUR, QUANTITE, PRIXUNITAIRE and TOTAL, their product for a lot the totals count), a screenful at a
// time: each page asks for the rows that come after the last one shown, in the view's order, so that the
// engine keeps only those rows while it sorts instead of sorting the whole cellar.
namespace CellarQuery {

// The seven columns every view shows, then the lot's details a user may add to them, then the last year to
// drink it, which marks a lot past its time.
enum Column {
    Nom,
    Type,
    Annee,
    Couleur,
    Quantite,
    PrixUnitaire,
    Total,
    Emplacement,
    ABoire,
    JusquA,
    ColumnCount
};
inline constexpr int PartColumnCount = 7;

enum class Alignment {
    Left,
    Centre,
    General // numbers to the right, texts to the left
};
enum class SortKey {
    None,     // shown as it comes
    Text,     // French order, a missing text as an empty one
    Number,   // a missing number first
    NullsLast // a missing price last, both ways
};
// One column of the grid: all a reader, the grid, the export and the sort need to know of it.
struct GridColumn {
    const char* caption;
    const char* sql; // read from ORNY, or from the lot's details as "d."
    Alignment alignment;
    int twips; // its share of the grid's width
    SortKey sort;
    bool number; // widened when a value would not fit
};
inline constexpr GridColumn Columns[ColumnCount] = {
    {"Nom", "NOM", Alignment::Left, 2300, SortKey::Text, false},
    {"Type", "TYPE", Alignment::Left, 2000, SortKey::Text, false},
    {"Année", "ANNEE", Alignment::Centre, 700, SortKey::Number, false},
    {"Couleur", "COULEUR", Alignment::Left, 800, SortKey::Text, false},
    {"Qté", "QUANTITE", Alignment::Centre, 600, SortKey::Number, true},
    {"Prix Unit.", "PRIXUNITAIRE", Alignment::General, 1000, SortKey::NullsLast, true},
    {"Prix total", "PRIXUNITAIRE * QUANTITE", Alignment::General, 1100, SortKey::NullsLast, true},
    {"Emplacement", "d.EMPLACEMENT", Alignment::Left, 1800, SortKey::None, false},
    {"À boire",
     "CASE WHEN d.BOIRE_DES IS NULL AND d.BOIRE_JUSQUA IS NULL THEN NULL ELSE IFNULL(d.BOIRE_DES, '') || ' – "
     "' "
     "|| IFNULL(d.BOIRE_JUSQUA, '') END",
     Alignment::Centre, 1800, SortKey::None, false},
    {"", "d.BOIRE_JUSQUA", Alignment::Left, 0, SortKey::None, false},
};

// The rows of one of the nine views, and its own order.
struct View {
    QString where = QStringLiteral("1");
    QVariantList params;
    bool byName = false; // the name view alone orders by name first
};
View all();
// Rows of one colour label, compared without case but with its accents.
View colour(const QString& label);
View year(double year);
View fromYear(double year);
View name(const QString& name);
View type(const QString& type);
// Lots whose drinking window holds the year; lots whose window ends that year or the next, or has ended.
// `details`: whether the cellar has its table of details yet (none: no lot has a window).
View toDrink(int year, bool details);
View drinkFirst(int year, bool details);

// The column a click on its heading sorts by; none keeps the view's own order.
struct Sort {
    int column = -1;
    bool descending = false;
};

// A view as the grid shows it: narrowed to the rows whose name or type holds the searched words, in the
// order chosen.
struct Shown {
    View view;
    QString search;
    Sort sort;
    bool details = false; // the cellar has its table of details: their columns are read
};

struct Statement {
    QString sql;
    QVariantList params;
};
// Where the rows of a page start: after a row's order keys, or before them backwards, or a number of rows
// from the first one (the last one, backwards).
struct Paging {
    QVariantList keys;     // none: from the first row (the last)
    bool backward = false; // in the view's order reversed
    qint64 offset = 0;
    int limit = -1; // none: every row
};
// The rows of a page, their texts cut as the grid shows them. Each row is: rowid, the columns above, then
// its order keys, the rowid last.
Statement page(const Shown& shown, const Paging& paging = {});
// Every row of the view in its order, whole, without the order keys: rowid, then the columns above.
Statement everyRow(const Shown& shown);
// The lot's order keys, in one row; no row when the view does not show it.
Statement keysOf(const Shown& shown, qint64 lot);
// How many rows of the view come before a row of those order keys.
Statement rowsBefore(const Shown& shown, const QVariantList& keys);
// The view's totals, as the lot's rules count them: one row read with LotRules::Totals::fromSums().
Statement totals(const Shown& shown);

} // namespace CellarQuery
