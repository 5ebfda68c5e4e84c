// SPDX-License-Identifier: GPL-3.0-or-later
#include "spreadsheet/CellarMatch.h"

#include "database/CellarQueries.h"
#include "database/CellarSchema.h"

namespace CellarMatch {

Status sameWine(DataLink& link, const DbRow& values, std::optional<qint64>& rowid, qint64 before) {
    using namespace CellarSchema;
    rowid.reset();
    QVariantList params{before, values.at(Annee)};
    QString sql = QStringLiteral("SELECT rowid FROM ORNY WHERE rowid < ?1 AND %1 = ?2")
                      .arg(QLatin1String(LotColumnNames[Annee]));
    for (const int column : {Nom, Type, Couleur})
        sql += QStringLiteral(" AND ") + CellarQueries::equalsFrench(QLatin1String(LotColumnNames[column]),
                                                                     values.at(column).toString(), params);
    sql += QStringLiteral(" ORDER BY typeof(%1) <> 'integer', rowid LIMIT 1")
               .arg(QLatin1String(LotColumnNames[Quantite]));
    const DbRows rows = link.query(sql, params);
    if (rows.ok() && !rows.rows.empty())
        rowid = rows.rows.front().front().toLongLong();
    return rows.error;
}

} // namespace CellarMatch
