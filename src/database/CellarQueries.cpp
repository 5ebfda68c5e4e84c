// SPDX-License-Identifier: GPL-3.0-or-later
#include "database/CellarQueries.h"

#include "database/CellarSchema.h"
#include "database/FrenchCollation.h"

namespace CellarQueries {

namespace {

bool isNumericColumn(const QString& column) {
    return column.compare(QLatin1String("ANNEE"), Qt::CaseInsensitive) == 0 ||
           column.compare(QLatin1String("QUANTITE"), Qt::CaseInsensitive) == 0;
}

// " AND NOM = ?1 COLLATE FRANCAIS AND ANNEE = ?2": the column names come from our own code only.
QString conditionsSql(const Conditions& where, QVariantList& params) {
    QString sql;
    for (const Condition& c : where) {
        if (isNumericColumn(c.first)) {
            params << c.second;
            sql += QStringLiteral(" AND %1 = ?%2").arg(c.first).arg(params.size());
        } else {
            sql += QStringLiteral(" AND ") + equalsFrench(c.first, c.second.toString(), params);
        }
    }
    return sql;
}

Conditions keyConditions(const LotKey& key) {
    return {{QStringLiteral("NOM"), key.nom},
            {QStringLiteral("TYPE"), key.type},
            {QStringLiteral("ANNEE"), key.annee},
            {QStringLiteral("COULEUR"), key.couleur}};
}

} // namespace

QString equalsFrench(const QString& column, const QString& value, QVariantList& params) {
    params << value;
    QString sql =
        QStringLiteral("%1 = ?%2 COLLATE %3").arg(column).arg(params.size()).arg(FrenchCollation::Name);
    const QByteArray low = FrenchCollation::asciiPrefix(value);
    if (!low.isEmpty()) {
        QByteArray high = low;
        high.back() = static_cast<char>(high.back() + 1);
        params << QString::fromLatin1(low) << QString::fromLatin1(high);
        sql += QStringLiteral(" AND %1 >= ?%2 COLLATE NOCASE AND %1 < ?%3 COLLATE NOCASE")
                   .arg(column)
                   .arg(params.size() - 1)
                   .arg(params.size());
    }
    return sql;
}

TextList colours(DataLink& link) {
    const DbRows rows = link.query(QStringLiteral("SELECT LIBELLE FROM COULEUR ORDER BY rowid"));
    return {rows.texts(QStringLiteral("LIBELLE")), rows.error};
}

TextList distinctValues(DataLink& link, const QString& column, const Conditions& where) {
    QVariantList params;
    const QString filter = conditionsSql(where, params);
    const bool numeric = isNumericColumn(column);
    // Grouping without case on the index first leaves few rows; French order and the folding of
    // accented capitals are then applied here, which no stock index can do.
    const QString sql =
        numeric ? QStringLiteral("SELECT %1 FROM ORNY WHERE %1 IS NOT NULL%2 GROUP BY %1 ORDER BY %1")
                      .arg(column, filter)
                : QStringLiteral("SELECT %1 FROM ORNY WHERE %1 IS NOT NULL%2 GROUP BY %1 COLLATE NOCASE")
                      .arg(column, filter);
    const DbRows rows = link.query(sql, params);
    TextList list{rows.texts(column), rows.error};
    if (!numeric)
        FrenchCollation::sortUnique(list.values);
    return list;
}

Status addLot(DataLink& link, const NewLot& lot) {
    return link.write([&](DataLink& l) {
        return l.execute(
            QStringLiteral("INSERT INTO ORNY (NOM, TYPE, ANNEE, COULEUR, QUANTITE, PRIXUNITAIRE) "
                           "VALUES (?1, ?2, ?3, ?4, ?5, ?6)"),
            {lot.nom, lot.type, lot.annee, lot.couleur, lot.quantite,
             lot.prixUnitaire ? QVariant(*lot.prixUnitaire) : QVariant()});
    });
}

Stock firstStock(DataLink& link, const LotKey& key) {
    QVariantList params;
    const QString sql =
        QStringLiteral("SELECT QUANTITE FROM ORNY WHERE 1%1 ORDER BY QUANTITE IS NULL, rowid LIMIT 1")
            .arg(conditionsSql(keyConditions(key), params));
    const DbRows rows = link.query(sql, params);
    Stock stock;
    stock.error = rows.error;
    if (rows.ok() && !rows.rows.empty()) {
        stock.found = true;
        stock.quantite = rows.rows.front().front();
    }
    return stock;
}

ConsumeResult consume(DataLink& link, const LotKey& key, const QVariant& stock, qlonglong consumed) {
    ConsumeResult result;
    Conditions where = keyConditions(key);
    where.insert(where.begin() + 3, {QStringLiteral("QUANTITE"), stock});
    result.error = link.write([&](DataLink& l) -> Status {
        QVariantList params;
        const DbRows found = l.query(QStringLiteral("SELECT rowid FROM ORNY WHERE 1%1 ORDER BY rowid LIMIT 1")
                                         .arg(conditionsSql(where, params)),
                                     params);
        if (!found.ok())
            return found.error;
        if (found.rows.empty()) {
            result.outcome = Consumed::LotGone;
            return std::nullopt;
        }
        const qlonglong rowid = found.rows.front().front().toLongLong();
        if (stock.toDouble() > static_cast<double>(consumed)) {
            // The engine subtracts from the value it holds, whole or not.
            result.outcome = Consumed::Lowered;
            return l.execute(QStringLiteral("UPDATE ORNY SET QUANTITE = QUANTITE - ?1 WHERE rowid = ?2"),
                             {consumed, rowid});
        }
        result.outcome = Consumed::Removed;
        return l.execute(QStringLiteral("DELETE FROM ORNY WHERE rowid = ?1"), {rowid});
    });
    if (result.error)
        result.outcome = Consumed::Failed;
    return result;
}

} // namespace CellarQueries
