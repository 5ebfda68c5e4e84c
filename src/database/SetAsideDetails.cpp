// SPDX-License-Identifier: GPL-3.0-or-later
#include "database/SetAsideDetails.h"

#include "database/CellarSchema.h"
#include "database/LotIdentity.h"

namespace SetAsideDetails {

namespace {

// The DETAIL rows that no lot shows, as `hidden`.
QString hiddenSql() {
    return QStringLiteral("hidden AS (SELECT d.* FROM DETAIL d LEFT JOIN ORNY o ON %1 WHERE o.rowid IS NULL)")
        .arg(LotIdentity::detailOfSql(QStringLiteral("d"), QStringLiteral("o")));
}

// The wine of each lot the journal recorded, before or after a movement, as `wines`: the fingerprint's
// half that names the wine, and the latest of the values that gave it.
QString winesSql() {
    QStringList sides;
    for (const char* suffix : {"AVANT", "APRES"}) {
        QStringList lot;
        for (int c = 0; c < CellarSchema::LotColumnCount; ++c)
            lot << CellarSchema::lotColumn(static_cast<CellarSchema::LotColumn>(c), suffix);
        sides << QStringLiteral(
                     "SELECT %1(%2) >> 32 AS VIN, %3, %4, %5, %6, ID FROM MOUVEMENT WHERE %3 IS NOT NULL")
                     .arg(QLatin1String(LotIdentity::Function), lot.join(QStringLiteral(", ")), lot.at(0),
                          lot.at(1), lot.at(2), lot.at(3));
    }
    // SQLite takes the other columns from the row of MAX(ID).
    return QStringLiteral("seen (VIN, NOM, TYPE, ANNEE, COULEUR, ID) AS (%1), "
                          "wines AS (SELECT VIN, NOM, TYPE, ANNEE, COULEUR, MAX(ID) FROM seen GROUP BY VIN)")
        .arg(sides.join(QStringLiteral(" UNION ALL ")));
}

} // namespace

Result<Listing> read(DataLink& link) {
    Listing listing;
    if (Status status = link.open())
        return *status;
    bool present = false;
    if (Status status = link.addedTables(present))
        return *status;
    if (!present)
        return listing; // no detail was ever written
    const DbRows count = link.query(QStringLiteral("WITH %1 SELECT COUNT(*) FROM hidden").arg(hiddenSql()));
    if (!count.ok())
        return *count.error;
    listing.total = count.rows.front().front().toLongLong();
    if (listing.total == 0)
        return listing;
    // One character past the ceiling, so that the window can tell a text was cut.
    const DbRows rows = link.query(
        QStringLiteral(
            "WITH %1, %2 SELECT h.LOT < 0, h.BOIRE_DES, h.BOIRE_JUSQUA, substr(h.EMPLACEMENT, 1, ?1), "
            "substr(h.NOTE, 1, ?1), h.APPRECIATION, substr(w.NOM, 1, ?1), substr(w.TYPE, 1, ?1), "
            "w.ANNEE, substr(w.COULEUR, 1, ?1) "
            "FROM (SELECT * FROM hidden ORDER BY LOT >= 0, LOT LIMIT ?2) h "
            "LEFT JOIN wines w ON w.VIN = h.EMPREINTE >> 32 ORDER BY h.LOT >= 0, h.LOT")
            .arg(hiddenSql(), winesSql()),
        {MostCharacters + 1, MostListed});
    if (!rows.ok())
        return *rows.error;
    for (const DbRow& row : rows.rows)
        listing.details.push_back({row.at(0).toBool(), row.at(1), row.at(2), row.at(3), row.at(4), row.at(5),
                                   row.at(6), row.at(7), row.at(8), row.at(9)});
    return listing;
}

} // namespace SetAsideDetails
