// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/CellarQuery.h"

#include "database/CellarQueries.h"
#include "database/FrenchCollation.h"
#include "database/LotIdentity.h"

namespace CellarQuery {

namespace {

const QString Columns = QStringLiteral(
    "rowid, NOM, TYPE, ANNEE, COULEUR, QUANTITE, PRIXUNITAIRE, PRIXUNITAIRE * QUANTITE AS TOTAL");
const char* const Names[PartColumnCount] = {
    "NOM", "TYPE", "ANNEE", "COULEUR", "QUANTITE", "PRIXUNITAIRE", "PRIXUNITAIRE * QUANTITE"};
// The details of the lots of a page, read for those rows only, once the page is chosen.
const QString DetailColumns =
    QStringLiteral("d.EMPLACEMENT, CASE WHEN d.BOIRE_DES IS NULL AND d.BOIRE_JUSQUA IS NULL THEN NULL ELSE "
                   "IFNULL(d.BOIRE_DES, '') || ' – ' || IFNULL(d.BOIRE_JUSQUA, '') END, d.BOIRE_JUSQUA");
const QString NoDetails = QStringLiteral("NULL, NULL, NULL");

View detailView(const QString& condition, int year, bool details) {
    if (!details)
        return {QStringLiteral("0"), {}, false};
    return {QStringLiteral("rowid IN (SELECT d.LOT FROM DETAIL d JOIN ORNY o ON %1 WHERE %2)")
                .arg(LotIdentity::detailOfSql(QStringLiteral("d"), QStringLiteral("o")), condition),
            {year},
            false};
}

// Order keys are never null, so that "after this row" compares them all: a missing text sorts as an
// empty one, a missing number first, and lots without a price come last both ways.
QString text(int column, bool descending) {
    return QStringLiteral("ifnull(%1, '') COLLATE %2")
        .arg(QLatin1String(Names[column]),
             QLatin1String(descending ? FrenchCollation::ReversedName : FrenchCollation::Name));
}

QStringList keys(const Shown& shown) {
    const Sort& sort = shown.sort;
    if (sort.column < 0) {
        QStringList order;
        if (shown.view.byName)
            order << text(Nom, false);
        return order << text(Type, false) << text(Couleur, false) << QStringLiteral("ifnull(ANNEE, -1e308)");
    }
    const QString name = QLatin1String(Names[sort.column]);
    switch (sort.column) {
    case Nom:
    case Type:
    case Couleur:
        return {text(sort.column, sort.descending)};
    case PrixUnitaire:
    case Total:
        return {
            QStringLiteral("(%1) IS NULL").arg(name),
            QStringLiteral("%1ifnull(%2, 0)").arg(sort.descending ? QStringLiteral("-") : QString(), name)};
    default:
        return {sort.descending ? QStringLiteral("-ifnull(%1, -1e308)").arg(name)
                                : QStringLiteral("ifnull(%1, -1e308)").arg(name)};
    }
}

QString where(const Shown& shown, QVariantList& params) {
    params = shown.view.params;
    QString clause = QStringLiteral(" WHERE (") + shown.view.where + QLatin1Char(')');
    if (!shown.search.isEmpty()) {
        params << shown.search;
        clause += QStringLiteral(" AND (%1(NOM, ?%2) OR %1(TYPE, ?%2))")
                      .arg(QLatin1String(FrenchCollation::ContainsFunction))
                      .arg(params.size());
    }
    return clause;
}

View textView(const char* column, const QString& value, bool byName = false) {
    View v;
    v.where = CellarQueries::equalsFrench(QLatin1String(column), value, v.params);
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

Statement page(const Shown& shown, const QVariantList& after, int limit) {
    Statement s;
    QString clause = where(shown, s.params);
    const QStringList order = keys(shown) << QStringLiteral("rowid");
    if (!after.isEmpty()) {
        QStringList places;
        for (const QVariant& key : after) {
            s.params << key;
            places << QStringLiteral("?%1").arg(s.params.size());
        }
        clause += QStringLiteral(" AND (%1) > (%2)").arg(order.join(QStringLiteral(", ")), places.join(u','));
    }
    QStringList keyed;
    QStringList keyNames;
    for (int k = 0; k < order.size(); ++k) {
        keyed << QStringLiteral("%1 AS K%2").arg(order.at(k)).arg(k);
        keyNames << QStringLiteral("p.K%1").arg(k);
    }
    // Without details, the page's rows say none; with them, they are added below.
    const QString columns = shown.details ? Columns : Columns + QStringLiteral(", ") + NoDetails;
    s.sql = QStringLiteral("SELECT %1, %2 FROM ORNY%3 ORDER BY %4")
                .arg(columns, keyed.join(QStringLiteral(", ")), clause, order.join(QStringLiteral(", ")));
    if (limit >= 0)
        s.sql += QStringLiteral(" LIMIT %1").arg(limit);
    if (shown.details)
        // The page is chosen first; its details are looked up for its rows only. The keys keep their
        // collations through the subquery, so the order stays the page's own.
        s.sql =
            QStringLiteral("SELECT p.rowid, p.NOM, p.TYPE, p.ANNEE, p.COULEUR, p.QUANTITE, p.PRIXUNITAIRE, "
                           "p.TOTAL, %1, %2 FROM (%3) p LEFT JOIN DETAIL d ON %4 ORDER BY %2")
                .arg(DetailColumns, keyNames.join(QStringLiteral(", ")), s.sql,
                     LotIdentity::detailOfSql(QStringLiteral("d"), QStringLiteral("p")));
    return s;
}

QString counted(const QString& quantity, const QString& price) {
    // A lot counts as a purchase records it: a whole number of bottles, no price or one of zero or more.
    // A column's number compared with itself made a number again is equal only when it is one: a text
    // or a blob never is, and no type name is built for each row.
    return QStringLiteral("IFNULL(%1 >= 0 AND %1 = CAST(%1 AS INTEGER) AND (%2 IS NULL OR "
                          "(%2 + 0 = %2 AND %2 >= 0)), 0)")
        .arg(quantity, price);
}

Statement totals(const Shown& shown) {
    Statement s;
    const QString clause = where(shown, s.params);
    // The test is made once a row: LIMIT keeps the engine from copying it into each total.
    s.sql = QStringLiteral(
                "SELECT COUNT(*), TOTAL(q * c), TOTAL(p * q * c), TOTAL(c AND p IS NULL), "
                "COUNT(*) - TOTAL(c) FROM (SELECT QUANTITE AS q, PRIXUNITAIRE AS p, %1 AS c FROM ORNY%2 "
                "LIMIT -1)")
                .arg(counted(QStringLiteral("QUANTITE"), QStringLiteral("PRIXUNITAIRE")), clause);
    return s;
}

} // namespace CellarQuery
