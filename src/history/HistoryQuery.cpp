// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/HistoryQuery.h"

#include <algorithm>

namespace HistoryQuery {

namespace {

// The lot as the movement left it, or as it was before when the movement removed it.
QString lotValue(const char* column) {
    return QStringLiteral("CASE WHEN LOT_APRES = 1 THEN %1_APRES ELSE %1_AVANT END")
        .arg(QLatin1String(column));
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
    QString sql =
        QStringLiteral(
            "SELECT ID, IFNULL(strftime('%d/%m/%Y %H:%M', QUAND), QUAND), %1 || CASE WHEN ANNULE_PAR IS "
            "NULL THEN '' WHEN ANNULE_PAR = %8 THEN ' (mis de côté)' ELSE ' (annulé)' END, %2, %3, %4, %5, "
            "BOUTEILLES, %6, ID "
            "FROM MOUVEMENT WHERE %7")
            .arg(Journal::labelSql(QStringLiteral("NATURE")), lotValue("NOM"), lotValue("TYPE"),
                 lotValue("ANNEE"), lotValue("COULEUR"), lotValue("PRIXUNITAIRE"), where(filter, s.params))
            .arg(Journal::SetAside);
    if (!after.isEmpty()) {
        s.params << after.front();
        sql += QStringLiteral(" AND ID < ?%1").arg(s.params.size());
    }
    sql += QStringLiteral(" ORDER BY ID DESC");
    if (limit >= 0)
        sql += QStringLiteral(" LIMIT %1").arg(limit);
    s.sql = sql;
    return s;
}

QString totalColumns() {
    return QStringLiteral("TOTAL(CASE WHEN NATURE IN ('achat', 'import') AND %1 THEN BOUTEILLES END), "
                          "TOTAL(CASE WHEN NATURE IN ('achat', 'import') AND %1 THEN BOUTEILLES * %2 END), "
                          "TOTAL(CASE WHEN NATURE = 'consommation' AND %1 THEN -BOUTEILLES END), "
                          "TOTAL(CASE WHEN NATURE = 'consommation' AND %1 THEN -BOUTEILLES * %2 END)")
        .arg(QStringLiteral("IFNULL(ANNULE_PAR, %1) = %1").arg(Journal::SetAside), lotValue("PRIXUNITAIRE"));
}

Statement totals(const Filter& filter) {
    Statement s;
    s.sql = QStringLiteral("SELECT COUNT(*), %1 FROM MOUVEMENT WHERE %2")
                .arg(totalColumns(), where(filter, s.params));
    return s;
}

Statement years() {
    return {
        QStringLiteral("SELECT CAST(substr(MIN(QUAND), 1, 4) AS INTEGER), CAST(substr(MAX(QUAND), 1, 4) AS "
                       "INTEGER) FROM MOUVEMENT"),
        {}};
}

} // namespace HistoryQuery
