// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/HistoryQuery.h"

#include "database/FrenchCollation.h"
#include "database/Lot.h"

#include <algorithm>

namespace HistoryQuery {

namespace {

// The lot as the movement left it, or as it was before when the movement removed it.
QString lotValue(const char* column) {
    return QStringLiteral("CASE WHEN LOT_APRES = 1 THEN %1_APRES ELSE %1_AVANT END")
        .arg(QLatin1String(column));
}

QString quoted(Journal::Kind kind) {
    return QStringLiteral("'%1'").arg(Journal::code(kind));
}

// What comes into the cellar, and what goes out of it by the glass.
QString inKinds() {
    return quoted(Journal::Kind::Purchase) + QStringLiteral(", ") + quoted(Journal::Kind::Import);
}

// A movement that still holds: neither undone nor itself an undo (an undo set aside undid nothing).
const QString Counted = QStringLiteral("(IFNULL(ANNULE_PAR, %1) = %1 AND NATURE <> %2)")
                            .arg(Journal::SetAside)
                            .arg(quoted(Journal::Kind::Undo));

// The bottles a movement brought in or took out, when they count as the cellar's totals count them: the
// lot's rules applied to those bottles at the lot's price, so that a lot the view sets apart is set apart
// here too.
QString movedBottles(const QString& kinds, const QString& bottles);

QString bought() {
    return movedBottles(inKinds(), QStringLiteral("BOUTEILLES"));
}

QString drunk() {
    return movedBottles(quoted(Journal::Kind::Consumption), QStringLiteral("-BOUTEILLES"));
}

enum class Kind { Text, Number };
struct ColumnSql {
    QString sql;
    Kind kind;
};

ColumnSql column(int c) {
    switch (c) {
    case Date:
        return {QStringLiteral("IFNULL(strftime('%d/%m/%Y %H:%M', QUAND), QUAND)"), Kind::Text};
    case Nature:
        return {Journal::labelSql(QStringLiteral("NATURE")), Kind::Text};
    case Annule:
        // Purchases and imports are masculine, every other movement feminine.
        return {
            QStringLiteral("CASE WHEN ANNULE_PAR IS NULL THEN NULL WHEN ANNULE_PAR = %1 THEN 'mis de côté' "
                           "WHEN NATURE IN (%2) THEN 'annulé' ELSE 'annulée' END")
                .arg(Journal::SetAside)
                .arg(inKinds()),
            Kind::Text};
    case Nom:
        return {lotValue("NOM"), Kind::Text};
    case Type:
        return {lotValue("TYPE"), Kind::Text};
    case Annee:
        return {lotValue("ANNEE"), Kind::Number};
    case Couleur:
        return {lotValue("COULEUR"), Kind::Text};
    case Bouteilles:
        return {QStringLiteral("CASE WHEN %1 THEN BOUTEILLES END").arg(Counted), Kind::Number};
    case Prix:
        return {lotValue("PRIXUNITAIRE"), Kind::Number};
    case Achetees:
        return {bought(), Kind::Number};
    case Bues:
        return {drunk(), Kind::Number};
    case ValeurAchetee:
        return {QStringLiteral("(%1) * %2").arg(bought(), lotValue("PRIXUNITAIRE")), Kind::Number};
    case ValeurBue:
        return {QStringLiteral("(%1) * %2").arg(drunk(), lotValue("PRIXUNITAIRE")), Kind::Number};
    default:
        return {QStringLiteral("NULL"), Kind::Text};
    }
}

QString movedBottles(const QString& kinds, const QString& bottles) {
    return QStringLiteral("CASE WHEN %1 AND NATURE IN (%2) THEN %3 END")
        .arg(Counted, kinds, LotRules::countedBottlesSql(bottles, lotValue("PRIXUNITAIRE")));
}

// Never null, so that "after this row" compares them all; the movement's number, newest first, last.
QStringList keys(const Filter& filter) {
    // Movements are numbered in the order they were made: dates sort as their numbers do.
    if (filter.sortColumn == Date)
        return {filter.descending ? QStringLiteral("-ID") : QStringLiteral("ID")};
    QStringList order;
    if (filter.sortColumn > Date && filter.sortColumn < ColumnCount) {
        const ColumnSql c = column(filter.sortColumn);
        if (c.kind == Kind::Text)
            order << QStringLiteral("IFNULL(%1, '') COLLATE %2")
                         .arg(c.sql, QLatin1String(filter.descending ? FrenchCollation::ReversedName
                                                                     : FrenchCollation::Name));
        else
            order << QStringLiteral("%1IFNULL(%2, -1e308)")
                         .arg(filter.descending ? QStringLiteral("-") : QString(), c.sql);
    }
    return order << QStringLiteral("-ID");
}

QString where(const Filter& filter, QVariantList& params) {
    QString sql = QStringLiteral("1");
    if (filter.kind) {
        params << Journal::code(*filter.kind);
        sql += QStringLiteral(" AND NATURE = ?%1").arg(params.size());
    }
    if (filter.from.isValid()) {
        params << filter.from.toString(Qt::ISODate);
        sql += QStringLiteral(" AND QUAND >= ?%1").arg(params.size());
    }
    if (filter.until.isValid()) {
        params << filter.until.addDays(1).toString(Qt::ISODate);
        sql += QStringLiteral(" AND QUAND < ?%1").arg(params.size());
    }
    if (!filter.search.trimmed().isEmpty()) {
        params << filter.search;
        sql += QStringLiteral(" AND %1(?%2, %3, %4, %5, %6, %7)")
                   .arg(QLatin1String(FrenchCollation::SearchFunction))
                   .arg(params.size())
                   .arg(column(Nature).sql, column(Nom).sql, column(Type).sql, column(Annee).sql,
                        column(Couleur).sql);
    }
    return sql;
}

} // namespace

QList<Period> periods(const QDate& today, int firstYear, int lastYear) {
    QList<Period> list = {
        {QStringLiteral("Toutes les dates"), {}, {}},
        {QStringLiteral("Ce mois-ci"), QDate(today.year(), today.month(), 1), today},
        {QStringLiteral("Les 30 derniers jours"), today.addDays(-29), today},
        {QStringLiteral("Les 12 derniers mois"), today.addMonths(-12).addDays(1), today},
    };
    // Years another tool mangled are not offered, nor more than a century of them.
    const int last = std::max(lastYear, today.year());
    const int first = firstYear < 1000 ? last : std::max(firstYear, last - 99);
    for (int year = std::min(last, 9999); year >= first; --year)
        list << Period{QStringLiteral("Année %1").arg(year), QDate(year, 1, 1), QDate(year, 12, 31)};
    return list;
}

Statement page(const Filter& filter, const QVariantList& after, int limit) {
    Statement s;
    QStringList columns{QStringLiteral("ID")};
    for (int c = 0; c < ColumnCount; ++c)
        columns << column(c).sql;
    const QStringList order = keys(filter);
    QStringList keyed;
    for (int k = 0; k < order.size(); ++k)
        keyed << QStringLiteral("%1 AS K%2").arg(order.at(k)).arg(k);
    QString sql = QStringLiteral("SELECT %1, %2 FROM MOUVEMENT WHERE %3")
                      .arg(columns.join(QStringLiteral(", ")), keyed.join(QStringLiteral(", ")),
                           where(filter, s.params));
    // Newest first, the default: the engine walks the movements' numbers backwards and stops at the page's
    // end, instead of working out every movement to sort them.
    const bool newestFirst = order == QStringList{QStringLiteral("-ID")};
    if (!after.isEmpty() && newestFirst) {
        s.params << after.front();
        sql += QStringLiteral(" AND ID < -?%1").arg(s.params.size());
    } else if (!after.isEmpty()) {
        QStringList places;
        for (const QVariant& key : after) {
            s.params << key;
            places << QStringLiteral("?%1").arg(s.params.size());
        }
        sql += QStringLiteral(" AND (%1) > (%2)").arg(order.join(QStringLiteral(", ")), places.join(u','));
    }
    sql += QStringLiteral(" ORDER BY ") +
           (newestFirst ? QStringLiteral("ID DESC") : order.join(QStringLiteral(", ")));
    if (limit >= 0)
        sql += QStringLiteral(" LIMIT %1").arg(limit);
    s.sql = sql;
    return s;
}

QString movedColumns() {
    return QStringLiteral("%1 AS a, %2 AS b, %3 AS p").arg(bought(), drunk(), lotValue("PRIXUNITAIRE"));
}

QString totalColumns() {
    return QStringLiteral("%1, %3(p, a), %2, %3(p, b)")
        .arg(LotRules::wholeSumSql(QStringLiteral("a")), LotRules::wholeSumSql(QStringLiteral("b")),
             QLatin1String(LotRules::SumFunction));
}

Moved Moved::fromSums(const DbRow& row, size_t first) {
    Moved m;
    m.bought = LotRules::wholeSum(row, first);
    m.boughtValue = LotRules::ExactSum::fromBytes(row.at(first + 2).toByteArray());
    m.drunk = LotRules::wholeSum(row, first + 3);
    m.drunkValue = LotRules::ExactSum::fromBytes(row.at(first + 5).toByteArray());
    return m;
}

Moved& Moved::operator+=(const Moved& other) {
    bought += other.bought;
    boughtValue += other.boughtValue;
    drunk += other.drunk;
    drunkValue += other.drunkValue;
    return *this;
}

Statement totals(const Filter& filter) {
    Statement s;
    // Each movement is worked out once: LIMIT keeps the engine from copying its columns into each sum.
    s.sql = QStringLiteral("SELECT COUNT(*), %1 FROM (SELECT %2 FROM MOUVEMENT WHERE %3 LIMIT -1)")
                .arg(totalColumns(), movedColumns(), where(filter, s.params));
    return s;
}

Statement years() {
    return {
        QStringLiteral("SELECT CAST(substr(MIN(QUAND), 1, 4) AS INTEGER), CAST(substr(MAX(QUAND), 1, 4) AS "
                       "INTEGER) FROM MOUVEMENT"),
        {}};
}

} // namespace HistoryQuery
