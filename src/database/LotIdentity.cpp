// SPDX-License-Identifier: GPL-3.0-or-later
#include "database/LotIdentity.h"

#include "database/CellarSchema.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <algorithm>
#include <map>
#include <vector>

namespace LotIdentity {

quint32 fold(quint32 hash, int kind, const void* bytes, qsizetype size) {
    // FNV-1a: written here so that a fingerprint stored today is the same in every later version.
    constexpr quint32 Prime = 16777619u;
    auto mix = [&](unsigned char byte) { hash = (hash ^ byte) * Prime; };
    mix(static_cast<unsigned char>(kind));
    for (int shift = 0; shift < 64; shift += 8)
        mix(static_cast<unsigned char>((static_cast<quint64>(size) >> shift) & 0xff));
    const auto* p = static_cast<const unsigned char*>(bytes);
    for (qsizetype i = 0; i < size; ++i)
        mix(p[i]);
    return hash;
}

QString fingerprintSql(const QString& alias) {
    QStringList columns;
    const QString prefix = alias.isEmpty() ? QString() : alias + QLatin1Char('.');
    for (const char* name : CellarSchema::LotColumnNames)
        columns << prefix + QLatin1String(name);
    return QStringLiteral("%1(%2)").arg(QLatin1String(Function), columns.join(QStringLiteral(", ")));
}

QString detailOfSql(const QString& detail, const QString& lot) {
    return QStringLiteral("%1.LOT = %2.rowid AND %1.EMPREINTE = %3").arg(detail, lot, fingerprintSql(lot));
}

Status restamp(DataLink& link, qint64 rowid) {
    return link.execute(
        QStringLiteral(
            "UPDATE DETAIL SET EMPREINTE = (SELECT %1 FROM ORNY o WHERE o.rowid = ?1) WHERE LOT = ?1")
            .arg(fingerprintSql(QStringLiteral("o"))),
        {rowid});
}

namespace {

struct Broken {
    qint64 lot;
    qint64 print;
    bool wineStillThere; // the lot at its rowid is the same wine, changed in quantity or price
    qint64 target = 0;
};

// Moves DETAIL rows to new rowids in two steps, so that no two rows ever claim the same one.
Status relink(DataLink& link, const std::vector<std::pair<qint64, qint64>>& moves, qint64& parking) {
    const QString move = QStringLiteral("UPDATE DETAIL SET LOT = ?1 WHERE LOT = ?2");
    std::vector<qint64> parked;
    for (const auto& m : moves) {
        parked.push_back(--parking);
        if (Status status = link.execute(move, {parked.back(), m.first}))
            return status;
    }
    for (size_t i = 0; i < moves.size(); ++i)
        if (Status status = link.execute(move, {moves[i].second, parked[i]}))
            return status;
    return std::nullopt;
}

} // namespace

Status repairWithin(DataLink& link, Repaired* repaired) {
    Repaired done;
    const QString print = fingerprintSql(QStringLiteral("o"));
    const DbRows broken = link.query(
        QStringLiteral("SELECT d.LOT, d.EMPREINTE, o.rowid IS NOT NULL AND (d.EMPREINTE >> 32) IS (%1 >> 32) "
                       "FROM DETAIL d LEFT JOIN ORNY o ON o.rowid = d.LOT "
                       "WHERE d.LOT > 0 AND (o.rowid IS NULL OR d.EMPREINTE IS NOT %1) ORDER BY d.LOT DESC")
            .arg(print));
    if (!broken.ok())
        return broken.error;
    if (broken.rows.empty()) {
        if (repaired)
            *repaired = done;
        return std::nullopt;
    }
    std::vector<Broken> links;
    QJsonArray prints;
    for (const DbRow& row : broken.rows) {
        links.push_back({row.at(0).toLongLong(), row.at(1).toLongLong(), row.at(2).toLongLong() == 1});
        prints.append(QString::number(row.at(1).toLongLong()));
    }
    // The lots bearing one of those fingerprints that no sound link names yet, newest first.
    const DbRows lots = link.query(
        QStringLiteral(
            "SELECT o.rowid, %1 AS f FROM ORNY o WHERE f IN (SELECT CAST(value AS INTEGER) FROM "
            "json_each(?1)) AND NOT EXISTS (SELECT 1 FROM DETAIL d WHERE %2) ORDER BY o.rowid DESC")
            .arg(print, detailOfSql(QStringLiteral("d"), QStringLiteral("o"))),
        {QString::fromUtf8(QJsonDocument(prints).toJson(QJsonDocument::Compact))});
    if (!lots.ok())
        return lots.error;
    std::map<qint64, std::vector<qint64>> free; // fingerprint -> rowids, newest first
    for (const DbRow& row : lots.rows)
        free[row.at(1).toLongLong()].push_back(row.at(0).toLongLong());
    // A renumbering keeps the order of the rows and only ever lowers their rowids: the newest link takes
    // the newest free lot at or before its old place, and the next one looks below it.
    std::map<qint64, qint64> below; // fingerprint -> the rowid the next link must stay under
    for (Broken& b : links) {
        std::vector<qint64>& candidates = free[b.print];
        const qint64 limit = std::min(b.lot + 1, below.count(b.print) ? below[b.print] : b.lot + 1);
        auto it = std::find_if(candidates.begin(), candidates.end(), [&](qint64 r) { return r < limit; });
        if (it == candidates.end())
            continue;
        b.target = *it;
        below[b.print] = *it;
        candidates.erase(candidates.begin(), it + 1);
    }
    const bool renumbered = std::any_of(links.begin(), links.end(), [](const Broken& b) { return b.target; });
    std::vector<std::pair<qint64, qint64>> moves;
    std::vector<qint64> restamped;
    std::vector<qint64> aside;
    for (const Broken& b : links) {
        if (b.target)
            moves.emplace_back(b.lot, b.target);
        else if (b.wineStillThere && !renumbered)
            restamped.push_back(b.lot);
        else
            aside.push_back(b.lot);
    }
    const DbRows lowest = link.query(QStringLiteral("SELECT MIN(0, IFNULL(MIN(LOT), 0)) FROM DETAIL"));
    if (!lowest.ok())
        return lowest.error;
    qint64 parking = lowest.rows.front().front().toLongLong();
    // Set aside first: their rowids may be where another link goes.
    for (qint64 lot : aside)
        if (Status status =
                link.execute(QStringLiteral("UPDATE DETAIL SET LOT = ?1 WHERE LOT = ?2"), {--parking, lot}))
            return status;
    if (Status status = relink(link, moves, parking))
        return status;
    for (qint64 lot : restamped)
        if (Status status = restamp(link, lot))
            return status;
    done = {static_cast<int>(moves.size()), static_cast<int>(restamped.size()),
            static_cast<int>(aside.size())};
    if (repaired)
        *repaired = done;
    return std::nullopt;
}

Status repair(DataLink& link, Repaired* repaired) {
    if (repaired)
        *repaired = {};
    bool present = false;
    if (Status status = link.open())
        return status;
    if (Status problem = link.addedTables(present); problem || !present)
        return std::nullopt;
    const DbRows broken = link.query(
        QStringLiteral("SELECT 1 FROM DETAIL d LEFT JOIN ORNY o ON o.rowid = d.LOT WHERE d.LOT > 0 "
                       "AND (o.rowid IS NULL OR d.EMPREINTE IS NOT %1) LIMIT 1")
            .arg(fingerprintSql(QStringLiteral("o"))));
    if (!broken.ok())
        return broken.error;
    if (broken.rows.empty())
        return std::nullopt;
    return link.write([&](DataLink& l) { return repairWithin(l, repaired); });
}

} // namespace LotIdentity
