// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/CellarQuery.h"

#include "database/CellarQueries.h"
#include "database/CellarSchema.h"
#include "database/FrenchCollation.h"
#include "database/Lot.h"
#include "database/LotIdentity.h"
#include "ui/TextCeiling.h"

namespace CellarQuery {

namespace {

// The lot's own columns, as the page's rows carry them.
QString alias(int column) {
    return QStringLiteral("C%1").arg(column);
}

// A lot's value only when the totals count the lot, as the printout shows it: a price written as a text by
// another program is no 0.
QString columnSql(int column) {
    const QString sql = QString::fromUtf8(Columns[column].sql);
    if (column != Total)
        return sql;
    return QStringLiteral("CASE WHEN %1 THEN %2 END")
        .arg(LotRules::countsSql(QStringLiteral("QUANTITE"), QStringLiteral("PRIXUNITAIRE")), sql);
}

// A value as the grid shows it: a text another tool made huge is cut by the engine, never read whole.
QString shownSql(int column) {
    return Columns[column].number ? columnSql(column)
                                  : TextCeiling::clippedSql(columnSql(column), TextCeiling::Line);
}

// `shown`: the values the grid shows, rather than the whole of each.
QString lotColumns(bool shown) {
    QStringList list{QStringLiteral("ORNY.rowid AS ROWID_")};
    for (int column = 0; column < PartColumnCount; ++column)
        list << QStringLiteral("%1 AS %2").arg(shown ? shownSql(column) : columnSql(column), alias(column));
    return list.join(QStringLiteral(", "));
}

// The details, read for the rows of a page only, once the page is chosen; none when the cellar has none.
QString detailColumns(bool details, bool shown) {
    QStringList list;
    for (int column = PartColumnCount; column < ColumnCount; ++column)
        list << (!details ? QStringLiteral("NULL") : shown ? shownSql(column) : columnSql(column));
    return list.join(QStringLiteral(", "));
}

View detailView(const QString& condition, int year, bool details) {
    if (!details)
        return {QStringLiteral("0"), {}, false};
    return {QStringLiteral("ORNY.rowid IN (SELECT d.LOT FROM DETAIL d JOIN ORNY o ON %1 WHERE %2)")
                .arg(LotIdentity::detailOfSql(QStringLiteral("d"), QStringLiteral("o")), condition),
            {year},
            false};
}

// Order keys are never null, so that "after this row" compares them all: a missing text sorts as an
// empty one, a missing number first, and lots without a price come last both ways. A text sorts by what
// the grid shows of it, so that the keys a page ends on stay small.
QStringList sortKeys(int column, bool descending) {
    const QString sql = columnSql(column);
    switch (Columns[column].sort) {
    case SortKey::Text:
        return {QStringLiteral("ifnull(%1, '') COLLATE %2")
                    .arg(shownSql(column),
                         QLatin1String(descending ? FrenchCollation::ReversedName : FrenchCollation::Name))};
    case SortKey::NullsLast:
        return {QStringLiteral("(%1) IS NULL").arg(sql),
                QStringLiteral("%1ifnull(%2, 0)").arg(descending ? QStringLiteral("-") : QString(), sql)};
    case SortKey::Number:
        return {
            QStringLiteral("%1ifnull(%2, -1e308)").arg(descending ? QStringLiteral("-") : QString(), sql)};
    case SortKey::None:
        break;
    }
    return {};
}

QStringList keys(const Shown& shown) {
    const Sort& sort = shown.sort;
    if (sort.column >= 0 && sort.column < ColumnCount && Columns[sort.column].sort != SortKey::None)
        return sortKeys(sort.column, sort.descending);
    QStringList order;
    if (shown.view.byName)
        order << sortKeys(Nom, false);
    return order << sortKeys(Type, false) << sortKeys(Couleur, false) << sortKeys(Annee, false);
}

// The lots searched: each word of the search somewhere in the lot, its details included.
bool searchesDetails(const Shown& shown) {
    return shown.details && !shown.search.trimmed().isEmpty();
}

QString from(const Shown& shown) {
    return searchesDetails(shown) ? QStringLiteral("ORNY LEFT JOIN DETAIL s ON ") +
                                        LotIdentity::detailOfSql(QStringLiteral("s"), QStringLiteral("ORNY"))
                                  : QStringLiteral("ORNY");
}

QString where(const Shown& shown, QVariantList& params) {
    params = shown.view.params;
    QString clause = QStringLiteral(" WHERE (") + shown.view.where + QLatin1Char(')');
    if (!shown.search.trimmed().isEmpty()) {
        params << shown.search;
        // The wine: every column of the lot before its quantity.
        QStringList searched = CellarSchema::lotColumnNames().mid(0, CellarSchema::Quantite);
        if (shown.details)
            searched << QStringLiteral("s.EMPLACEMENT") << QStringLiteral("s.NOTE");
        clause += QStringLiteral(" AND %1(?%2, %3)")
                      .arg(QLatin1String(FrenchCollation::SearchFunction))
                      .arg(params.size())
                      .arg(searched.join(QStringLiteral(", ")));
    }
    return clause;
}

View textView(const char* column, const QString& value, bool byName = false) {
    View v;
    // A value longer than the ceiling was chosen as a list shows it, cut: the lots are those it shows.
    const QString compared = value.size() > TextCeiling::Line
                                 ? TextCeiling::clippedSql(QLatin1String(column), TextCeiling::Line)
                                 : QString::fromLatin1(column);
    v.where = CellarQueries::equalsFrench(compared, value, v.params);
    v.byName = byName;
    return v;
}

View yearView(const char* comparison, double year) {
    return {QStringLiteral("ANNEE %1 ?1").arg(QLatin1String(comparison)), {year}, false};
}

} // namespace

View all() {
    return {};
}

View colour(const QString& label) {
    return textView("COULEUR", label);
}

View year(double year) {
    return yearView("=", year);
}

View fromYear(double year) {
    return yearView(">=", year);
}

View name(const QString& name) {
    return textView("NOM", name, true);
}

View type(const QString& type) {
    return textView("TYPE", type);
}

View toDrink(int year, bool details) {
    return detailView(QStringLiteral("(BOIRE_DES IS NOT NULL OR BOIRE_JUSQUA IS NOT NULL) AND "
                                     "IFNULL(BOIRE_DES, ?1) <= ?1 AND IFNULL(BOIRE_JUSQUA, ?1) >= ?1"),
                      year, details);
}

View drinkFirst(int year, bool details) {
    return detailView(QStringLiteral("BOIRE_JUSQUA <= ?1 + 1"), year, details);
}

namespace {

// The view's order, each key named K0, K1… in the rows read.
QStringList order(const Shown& shown) {
    return keys(shown) << QStringLiteral("ORNY.rowid");
}

// "These keys come after those" (before, backwards), as the view's order compares them.
QString beyond(const QStringList& order, const QVariantList& keys, bool backward, QVariantList& params) {
    QStringList places;
    for (const QVariant& key : keys) {
        params << key;
        places << QStringLiteral("?%1").arg(params.size());
    }
    return QStringLiteral(" AND (%1) %2 (%3)")
        .arg(order.join(QStringLiteral(", ")), backward ? QStringLiteral("<") : QStringLiteral(">"),
             places.join(u','));
}

QString ordered(const QStringList& keys, bool backward) {
    if (!backward)
        return keys.join(QStringLiteral(", "));
    return keys.join(QStringLiteral(" DESC, ")) + QStringLiteral(" DESC");
}

Statement rows(const Shown& shown, const Paging& paging, bool withKeys) {
    Statement s;
    QString clause = where(shown, s.params);
    const QStringList sequence = order(shown);
    if (!paging.keys.isEmpty())
        clause += beyond(sequence, paging.keys, paging.backward, s.params);
    QStringList keyed;
    QStringList keyNames;
    for (int k = 0; k < sequence.size(); ++k) {
        keyed << QStringLiteral(", %1 AS K%2").arg(sequence.at(k)).arg(k);
        keyNames << QStringLiteral("p.K%1").arg(k);
    }
    // Every row at once reads the details with them; a page has no details here, and those of a cellar that
    // has them are added below. A page holds what the grid shows; every row, the whole values.
    const bool joined = !withKeys && shown.details;
    s.sql = QStringLiteral("SELECT %1, %2%3 FROM %4%5%6 ORDER BY %7")
                .arg(lotColumns(withKeys), detailColumns(joined, withKeys),
                     withKeys ? keyed.join(QString()) : QString(), from(shown),
                     joined ? QStringLiteral(" LEFT JOIN DETAIL d ON ") +
                                  LotIdentity::detailOfSql(QStringLiteral("d"), QStringLiteral("ORNY"))
                            : QString(),
                     clause, ordered(sequence, paging.backward));
    if (paging.limit >= 0)
        s.sql += QStringLiteral(" LIMIT %1").arg(paging.limit);
    if (paging.offset > 0)
        s.sql += QStringLiteral(" OFFSET %1").arg(paging.offset);
    if (!shown.details || !withKeys)
        return s;
    QStringList picked{QStringLiteral("p.ROWID_")};
    for (int column = 0; column < PartColumnCount; ++column)
        picked << QStringLiteral("p.") + alias(column);
    // The page is chosen first; its details are looked up for its rows only. The keys keep their collations
    // through the subquery, so the order stays the page's own.
    // A detail belongs to the row only while it carries the lot's fingerprint, read for the page's rows only.
    s.sql =
        QStringLiteral("SELECT %1, %2, %3 FROM (%4) p JOIN ORNY o ON o.rowid = p.ROWID_ LEFT JOIN DETAIL d "
                       "ON %5 ORDER BY %6")
            .arg(picked.join(QStringLiteral(", ")), detailColumns(true, true),
                 keyNames.join(QStringLiteral(", ")), s.sql,
                 LotIdentity::detailOfSql(QStringLiteral("d"), QStringLiteral("o")),
                 ordered(keyNames, paging.backward));
    return s;
}

} // namespace

Statement page(const Shown& shown, const Paging& paging) {
    return rows(shown, paging, true);
}

Statement everyRow(const Shown& shown) {
    return rows(shown, {}, false);
}

Statement keysOf(const Shown& shown, qint64 lot) {
    Statement s;
    QString clause = where(shown, s.params);
    s.params << lot;
    s.sql = QStringLiteral("SELECT %1 FROM %2%3 AND ORNY.rowid = ?%4")
                .arg(order(shown).join(QStringLiteral(", ")), from(shown), clause)
                .arg(s.params.size());
    return s;
}

Statement rowsBefore(const Shown& shown, const QVariantList& keys) {
    Statement s;
    QString clause = where(shown, s.params);
    clause += beyond(order(shown), keys, true, s.params);
    s.sql = QStringLiteral("SELECT count(*) FROM %1%2").arg(from(shown), clause);
    return s;
}

Statement totals(const Shown& shown) {
    Statement s;
    const QString clause = where(shown, s.params);
    s.sql = LotRules::Totals::sumsSql(QStringLiteral("QUANTITE"), QStringLiteral("PRIXUNITAIRE"),
                                      QStringLiteral("FROM ") + from(shown) + clause);
    return s;
}

} // namespace CellarQuery
