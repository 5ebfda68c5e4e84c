// SPDX-License-Identifier: GPL-3.0-or-later
#include "database/CellarQueries.h"

#include "database/CellarSchema.h"
#include "database/FrenchCollation.h"
#include "database/Journal.h"
#include "database/LotIdentity.h"

#include <algorithm>
#include <iterator>
#include <limits>

namespace CellarQueries {

namespace {

using CellarSchema::LotColumnNames;

bool isNumericColumn(const QString& column) {
    return column.compare(QLatin1String(LotColumnNames[CellarSchema::Annee]), Qt::CaseInsensitive) == 0 ||
           column.compare(QLatin1String(LotColumnNames[CellarSchema::Quantite]), Qt::CaseInsensitive) == 0;
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
    using namespace CellarSchema;
    return {{QLatin1String(LotColumnNames[Nom]), key.nom},
            {QLatin1String(LotColumnNames[Type]), key.type},
            {QLatin1String(LotColumnNames[Annee]), key.annee},
            {QLatin1String(LotColumnNames[Couleur]), key.couleur}};
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

TextList distinctValues(DataLink& link, const QString& column, const Conditions& where,
                        const QString& shown) {
    QVariantList params;
    const QString filter = conditionsSql(where, params);
    const bool numeric = isNumericColumn(column);
    // Grouping without case on the index first leaves few rows; French order and the folding of
    // accented capitals are then applied here, which no stock index can do.
    const QString sql =
        numeric ? QStringLiteral("SELECT %1 FROM ORNY WHERE %1 IS NOT NULL%2 GROUP BY %1 ORDER BY %1")
                      .arg(column, filter)
                : QStringLiteral(
                      "SELECT %3 AS %1 FROM ORNY WHERE ORNY.%1 IS NOT NULL%2 GROUP BY ORNY.%1 COLLATE NOCASE")
                      .arg(column, filter, shown.isEmpty() ? column : shown);
    const DbRows rows = link.query(sql, params);
    TextList list{rows.texts(column), rows.error};
    if (!numeric)
        FrenchCollation::sortUnique(list.values);
    return list;
}

namespace {

// Whether the lot is still exactly as it was read: same values, same types, same details.
Status unchanged(DataLink& link, const StoredLot& seen, bool& same) {
    QVariantList params{seen.rowid};
    QString sql = QStringLiteral("SELECT COUNT(*) FROM ORNY WHERE rowid = ?1");
    for (int c = 0; c < CellarSchema::LotColumnCount; ++c) {
        params << seen.lot.values.at(static_cast<size_t>(c));
        sql +=
            QStringLiteral(" AND %1 IS ?%2").arg(QLatin1String(CellarSchema::LotColumnNames[c])).arg(c + 2);
    }
    bool details = false;
    if (!link.addedTables(details) && details) {
        params << seen.detailValue;
        sql += QStringLiteral(" AND %1 IS ?%2")
                   .arg(CellarSchema::detailValueSql(QStringLiteral("?1")))
                   .arg(params.size());
    }
    const DbRows rows = link.query(sql, params);
    same = rows.ok() && !rows.rows.empty() && rows.rows.front().front().toLongLong() == 1;
    return rows.error;
}

// A lot's details replace those it had; none (empty, or every value null) leave it without any.
Status writeDetails(DataLink& link, qint64 rowid, const DbRow& values) {
    if (Status status = link.execute(QStringLiteral("DELETE FROM DETAIL WHERE LOT = ?1"), {rowid}))
        return status;
    if (std::all_of(values.begin(), values.end(), [](const QVariant& v) { return v.isNull(); }))
        return std::nullopt;
    // Tied to the lot as it now stands: written after the lot itself.
    return link.execute(
        QStringLiteral("INSERT INTO DETAIL (LOT, %1, %2) SELECT ?1, ?2, ?3, ?4, ?5, ?6, %3 FROM ORNY o "
                       "WHERE o.rowid = ?1")
            .arg(CellarSchema::detailColumnList(), QLatin1String(CellarSchema::DetailFingerprint),
                 LotIdentity::fingerprintSql(QStringLiteral("o"))),
        QVariantList{rowid} + QVariantList(values.begin(), values.end()));
}

// The lot goes, and its details with it.
Status deleteLot(DataLink& link, qint64 rowid) {
    if (Status status = link.execute(QStringLiteral("DELETE FROM ORNY WHERE rowid = ?1"), {rowid}))
        return status;
    return link.execute(QStringLiteral("DELETE FROM DETAIL WHERE LOT = ?1"), {rowid});
}

} // namespace

Status append(DataLink& link, Journal::Kind kind, const std::function<Status(Appender&)>& lots) {
    if (Status status = Journal::ensureTables(link))
        return status;
    Journal::Next next;
    if (Status status = Journal::next(link, next))
        return status;
    Appender appender(link);
    appender.m_first = appender.m_next = next.lot;
    if (Status status = lots(appender))
        return status;
    if (appender.m_next == appender.m_first)
        return std::nullopt;
    // One operation, one group, one time for all its lots.
    return Journal::recordInserts(link, kind, appender.m_first, appender.m_next - 1, next.movement,
                                  next.movement, Journal::timestamp());
}

Status Appender::add(const Lot& lot, qint64* id) {
    static const QString insert =
        QStringLiteral("INSERT INTO ORNY (rowid, %1) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)")
            .arg(CellarSchema::lotColumnList());
    const qint64 rowid = m_next;
    if (Status status =
            m_link.execute(insert, QVariantList{rowid} + QVariantList(lot.values.begin(), lot.values.end())))
        return status;
    ++m_next;
    if (id)
        *id = rowid;
    if (!lot.hasDetails())
        return std::nullopt;
    return writeDetails(m_link, rowid, lot.detailValues);
}

Status addBottles(DataLink& link, qint64 rowid, qlonglong bottles, Journal::Kind kind, qint64& group,
                  bool& raised) {
    const DbRows room = link.query(QStringLiteral("SELECT 1 FROM ORNY WHERE rowid = ?1 AND typeof(QUANTITE) "
                                                  "= 'integer' AND QUANTITE <= ?2"),
                                   {rowid, std::numeric_limits<qlonglong>::max() - bottles});
    raised = room.ok() && !room.rows.empty();
    if (!raised)
        return room.error;
    Journal::Movement movement(link, kind, rowid, group);
    if (Status status = movement.open())
        return status;
    if (Status status = link.execute(
            QStringLiteral("UPDATE ORNY SET QUANTITE = QUANTITE + ?1 WHERE rowid = ?2"), {bottles, rowid}))
        return status;
    if (Status status = LotIdentity::restamp(link, rowid))
        return status;
    return movement.close();
}

Status addLot(DataLink& link, const Lot& lot, qint64* id) {
    return link.write([&](DataLink& l) {
        return append(l, Journal::Kind::Purchase, [&](Appender& appender) { return appender.add(lot, id); });
    });
}

StoredLot lotAt(DataLink& link, qint64 rowid) {
    StoredLot lot;
    lot.rowid = rowid;
    const DbRows rows = link.query(
        QStringLiteral("SELECT %1 FROM ORNY WHERE rowid = ?1").arg(CellarSchema::lotColumnList()), {rowid});
    lot.error = rows.error;
    if (rows.ok() && !rows.rows.empty()) {
        lot.found = true;
        lot.lot.values = rows.rows.front();
    }
    bool details = false;
    if (!lot.found || link.addedTables(details) || !details)
        return lot;
    const DbRows detail =
        link.query(QStringLiteral("SELECT %3, %2 FROM DETAIL d, ORNY o WHERE o.rowid = ?1 AND %1")
                       .arg(LotIdentity::detailOfSql(QStringLiteral("d"), QStringLiteral("o")),
                            CellarSchema::detailValueSql(QStringLiteral("?1")),
                            CellarSchema::detailColumnList(QStringLiteral("d"))),
                   {rowid});
    lot.error = detail.error;
    if (detail.ok() && !detail.rows.empty()) {
        DbRow d = detail.rows.front();
        lot.detailValue = d.back();
        d.pop_back();
        lot.lot.detailValues = std::move(d);
    }
    return lot;
}

namespace {

// Runs `change` on a lot still exactly as it was seen, journalled as one movement of that kind.
Status changeSeenLot(DataLink& link, const StoredLot& seen, Journal::Kind kind, bool& changed,
                     const std::function<Status(DataLink&)>& change) {
    return link.write([&](DataLink& l) -> Status {
        bool same = false;
        if (Status status = unchanged(l, seen, same))
            return status;
        changed = !same;
        if (changed)
            return std::nullopt;
        if (Status status = Journal::ensureTables(l))
            return status;
        qint64 group = 0;
        Journal::Movement movement(l, kind, seen.rowid, group);
        if (Status status = movement.open())
            return status;
        if (Status status = change(l))
            return status;
        return movement.close();
    });
}

} // namespace

Status correctLot(DataLink& link, const StoredLot& seen, const Lot& lot, bool& changed) {
    changed = false;
    if (lot == seen.lot)
        return std::nullopt;
    return changeSeenLot(link, seen, Journal::Kind::Correction, changed, [&](DataLink& l) -> Status {
        if (Status status =
                l.execute(QStringLiteral("UPDATE ORNY SET (%1) = (?2, ?3, ?4, ?5, ?6, ?7) WHERE rowid = ?1")
                              .arg(CellarSchema::lotColumnList()),
                          QVariantList{seen.rowid} + QVariantList(lot.values.begin(), lot.values.end())))
            return status;
        return writeDetails(l, seen.rowid, lot.detailValues);
    });
}

QStringList differences(const StoredLot& seen, const StoredLot& now) {
    if (!now.found)
        return {QStringLiteral("le lot a été retiré")};
    static const char* const lotNames[] = {"le nom",     "le type",     "l'année",
                                           "la couleur", "la quantité", "le prix unitaire"};
    static const char* const detailNames[] = {"« à boire à partir de »", "« jusqu'à »", "l'emplacement",
                                              "la note", "l'appréciation"};
    QStringList names;
    const DbRow& was = seen.lot.values;
    const DbRow& is = now.lot.values;
    for (size_t c = 0; c < was.size() && c < is.size(); ++c)
        if (!sameValues({was[c]}, {is[c]}))
            names << QString::fromUtf8(lotNames[c]);
    const DbRow none(std::size(detailNames));
    const DbRow& before = seen.lot.detailValues.empty() ? none : seen.lot.detailValues;
    const DbRow& after = now.lot.detailValues.empty() ? none : now.lot.detailValues;
    for (size_t c = 0; c < none.size(); ++c)
        if (!sameValues({before[c]}, {after[c]}))
            names << QString::fromUtf8(detailNames[c]);
    return names;
}

Status removeLot(DataLink& link, const StoredLot& seen, bool& changed) {
    return changeSeenLot(link, seen, Journal::Kind::Removal, changed,
                         [&](DataLink& l) { return deleteLot(l, seen.rowid); });
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

namespace {

// Lowers the lot by what was drunk, or removes it when nothing is left.
Status takeOut(DataLink& link, qint64 rowid, const QVariant& stock, qlonglong consumed, Consumed& outcome) {
    if (stock.toDouble() > static_cast<double>(consumed)) {
        // The engine subtracts from the value it holds, whole or not.
        outcome = Consumed::Lowered;
        if (Status status =
                link.execute(QStringLiteral("UPDATE ORNY SET QUANTITE = QUANTITE - ?1 WHERE rowid = ?2"),
                             {consumed, rowid}))
            return status;
        return LotIdentity::restamp(link, rowid);
    }
    outcome = Consumed::Removed;
    return deleteLot(link, rowid);
}

} // namespace

ConsumeResult drink(DataLink& link, const StoredLot& seen, qlonglong consumed) {
    ConsumeResult result;
    bool changed = false;
    result.error = changeSeenLot(link, seen, Journal::Kind::Consumption, changed, [&](DataLink& l) {
        return takeOut(l, seen.rowid, seen.lot.values.at(CellarSchema::Quantite), consumed, result.outcome);
    });
    if (result.error)
        result.outcome = Consumed::Failed;
    else if (changed)
        result.outcome = Consumed::LotGone;
    return result;
}

ConsumeResult consume(DataLink& link, const LotKey& key, const QVariant& stock, qlonglong consumed) {
    ConsumeResult result;
    Conditions where = keyConditions(key);
    where.insert(where.begin() + 3, {QLatin1String(LotColumnNames[CellarSchema::Quantite]), stock});
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
        if (Status status = Journal::ensureTables(l))
            return status;
        qint64 group = 0;
        Journal::Movement movement(l, Journal::Kind::Consumption, rowid, group);
        if (Status status = movement.open())
            return status;
        if (Status status = takeOut(l, rowid, stock, consumed, result.outcome))
            return status;
        return movement.close();
    });
    if (result.error)
        result.outcome = Consumed::Failed;
    return result;
}

} // namespace CellarQueries
