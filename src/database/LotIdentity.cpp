// SPDX-License-Identifier: GPL-3.0-or-later
#include "database/LotIdentity.h"

#include "database/CellarSchema.h"

#include <algorithm>
#include <map>
#include <set>
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
    if (repaired)
        *repaired = done;
    if (!link.detailsMayBeBroken()) {
        link.detailsWhole(); // and so they stay through this write: the next one need not look either
        return std::nullopt;
    }
    const QString print = fingerprintSql(QStringLiteral("o"));
    const DbRows broken = link.query(
        QStringLiteral("SELECT d.LOT, d.EMPREINTE, o.rowid IS NOT NULL AND (d.EMPREINTE >> 32) IS (%1 >> 32) "
                       "FROM DETAIL d LEFT JOIN ORNY o ON o.rowid = d.LOT "
                       "WHERE d.LOT > 0 AND (o.rowid IS NULL OR d.EMPREINTE IS NOT %1) ORDER BY d.LOT DESC")
            .arg(print));
    if (!broken.ok())
        return broken.error;
    if (broken.rows.empty()) {
        link.detailsWhole();
        return std::nullopt;
    }
    std::vector<Broken> links;
    std::set<qint64> brokenPrints;
    for (const DbRow& row : broken.rows) {
        links.push_back({row.at(0).toLongLong(), row.at(1).toLongLong(), row.at(2).toLongLong() == 1});
        brokenPrints.insert(links.back().print);
    }
    // Every detail by fingerprint, and the lots bearing one of them, in the order of their rowids.
    const DbRows bearing =
        link.query(QStringLiteral("SELECT EMPREINTE, LOT FROM DETAIL WHERE LOT > 0 ORDER BY LOT"));
    if (!bearing.ok())
        return bearing.error;
    const DbRows lots = link.query(
        QStringLiteral("SELECT %1 AS f, o.rowid FROM ORNY o WHERE f IN (SELECT EMPREINTE FROM DETAIL WHERE "
                       "LOT > 0) ORDER BY o.rowid")
            .arg(print));
    if (!lots.ok())
        return lots.error;
    std::map<qint64, std::vector<qint64>> details;
    std::map<qint64, std::vector<qint64>> lotsWith;
    for (const DbRow& row : bearing.rows)
        details[row.at(0).toLongLong()].push_back(row.at(1).toLongLong());
    for (const DbRow& row : lots.rows)
        lotsWith[row.at(0).toLongLong()].push_back(row.at(1).toLongLong());
    // A renumbering keeps the order of the rows and only ever lowers their rowids: with as many lots as
    // details bearing a fingerprint, the n-th detail is the n-th lot's (the only lot's, wherever it went).
    // With other counts, lots alike came or went and which detail was whose cannot be told: once anything was
    // renumbered, all of them are set aside, those that still look sound too, rather than shown on another
    // lot.
    std::vector<std::pair<qint64, qint64>> moves;
    std::set<qint64> unsure;
    for (const auto& [f, ranked] : details) {
        const std::vector<qint64>& alike = lotsWith[f];
        if (alike.empty())
            continue;
        // One lot and one detail are each other's wherever the lot went.
        bool kept = alike.size() == ranked.size();
        for (size_t i = 0; kept && ranked.size() > 1 && i < ranked.size(); ++i)
            kept = alike[i] <= ranked[i];
        if (!kept) {
            unsure.insert(f);
            continue;
        }
        for (size_t i = 0; i < ranked.size(); ++i)
            if (alike[i] != ranked[i])
                moves.emplace_back(ranked[i], alike[i]);
    }
    const bool renumbered = !moves.empty() || std::any_of(unsure.begin(), unsure.end(), [&](qint64 f) {
        return brokenPrints.count(f) > 0;
    });
    std::vector<qint64> restamped;
    std::vector<qint64> aside;
    if (renumbered)
        for (const qint64 f : unsure)
            aside.insert(aside.end(), details[f].begin(), details[f].end());
    for (const Broken& b : links) {
        if (!lotsWith[b.print].empty())
            continue;
        if (b.wineStillThere && !renumbered)
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
    link.detailsWhole();
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
    bool broken = false;
    if (Status status = link.read([&](DataLink& l) -> Status {
            if (!l.detailsMayBeBroken())
                return std::nullopt;
            const DbRows found = l.query(
                QStringLiteral("SELECT 1 FROM DETAIL d LEFT JOIN ORNY o ON %1 WHERE d.LOT > 0 AND o.rowid "
                               "IS NULL LIMIT 1")
                    .arg(detailOfSql(QStringLiteral("d"), QStringLiteral("o"))));
            broken = !found.rows.empty();
            if (found.ok() && !broken)
                l.detailsWhole();
            return found.error;
        }))
        return status;
    if (!broken)
        return std::nullopt;
    return link.write([&](DataLink& l) { return repairWithin(l, repaired); });
}

} // namespace LotIdentity
