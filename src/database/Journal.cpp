// SPDX-License-Identifier: GPL-3.0-or-later
#include "database/Journal.h"

#include "database/CellarSchema.h"
#include "database/LotIdentity.h"

namespace Journal {

namespace {

struct KindName {
    Kind kind;
    const char* code;
    const char* label;
};
const KindName Kinds[KindCount] = {{Kind::Purchase, "achat", "Achat"},
                                   {Kind::Consumption, "consommation", "Consommation"},
                                   {Kind::Import, "import", "Import"},
                                   {Kind::Correction, "correction", "Correction"},
                                   {Kind::Removal, "suppression", "Suppression"},
                                   {Kind::Undo, "annulation", "Annulation"}};

QStringList copyColumns(const char* suffix) {
    QStringList names;
    for (int c = 0; c < CellarSchema::LotColumnCount; ++c)
        names << CellarSchema::lotColumn(static_cast<CellarSchema::LotColumn>(c), suffix);
    return names;
}

// "o.NOM IS m.NOM_APRES AND ...": the lot as it stands equals, value for value and type for type, the
// lot as the movement left it.
QString sameAsAfter() {
    QStringList tests;
    const QStringList stored = CellarSchema::lotColumnNames(QStringLiteral("o"));
    const QStringList after = copyColumns("APRES");
    for (int c = 0; c < stored.size(); ++c)
        tests << QStringLiteral("%1 IS m.%2").arg(stored.at(c), after.at(c));
    tests << QStringLiteral("%1 IS m.DETAIL_APRES")
                 .arg(CellarSchema::detailValueSql(QStringLiteral("o.rowid")));
    return tests.join(QStringLiteral(" AND "));
}

// The statements that put a whole group back as it was, in their order: each moves every lot of the
// group at once (a group moves each lot once), so that the engine does the work without a round trip per
// lot. ?1 is the group undone, ?2 the first number of the undo's movements, ?3 its time.
QStringList undoStatements() {
    const QString lot = CellarSchema::lotColumnNames().join(QStringLiteral(", "));
    const QString before = copyColumns("AVANT").join(QStringLiteral(", "));
    const QString after = copyColumns("APRES").join(QStringLiteral(", "));
    QStringList detailFields;
    QStringList detailValues;
    int index = 0;
    for (const char* name : CellarSchema::DetailColumnNames) {
        detailFields << QLatin1String(name);
        detailValues << QStringLiteral("json_extract(m.DETAIL_AVANT, '$[%1]')").arg(index++);
    }
    const QString inGroup = QStringLiteral("SELECT LOT FROM MOUVEMENT WHERE GROUPE = ?1");
    return {
        // The undo's movements, newest undone first: each the reverse of the one it undoes.
        QStringLiteral(
            "INSERT INTO MOUVEMENT (ID, QUAND, NATURE, GROUPE, LOT, LOT_AVANT, %1, DETAIL_AVANT, "
            "LOT_APRES, %2, DETAIL_APRES, BOUTEILLES, ANNULE) SELECT ?2 + ROW_NUMBER() OVER (ORDER BY "
            "ID DESC) - 1, ?3, '%4', ?2, LOT, LOT_APRES, %2, DETAIL_APRES, LOT_AVANT, %1, "
            "DETAIL_AVANT, IFNULL(QUANTITE_AVANT, 0) - IFNULL(QUANTITE_APRES, 0), ID FROM MOUVEMENT "
            "WHERE GROUPE = ?1 ORDER BY ID DESC")
            .arg(before, after, code(Kind::Undo)),
        QStringLiteral("DELETE FROM ORNY WHERE rowid IN (%1 AND LOT_AVANT = 0)").arg(inGroup),
        QStringLiteral("UPDATE ORNY SET (%1) = (SELECT %2 FROM MOUVEMENT m WHERE m.GROUPE = ?1 AND m.LOT = "
                       "ORNY.rowid) WHERE rowid IN (%3 AND LOT_AVANT = 1 AND LOT_APRES = 1)")
            .arg(lot, before, inGroup),
        QStringLiteral("INSERT INTO ORNY (rowid, %1) SELECT LOT, %2 FROM MOUVEMENT WHERE GROUPE = ?1 AND "
                       "LOT_AVANT = 1 AND LOT_APRES = 0")
            .arg(lot, before),
        QStringLiteral("DELETE FROM DETAIL WHERE LOT IN (%1)").arg(inGroup),
        QStringLiteral(
            "INSERT INTO DETAIL (LOT, %1, %2) SELECT m.LOT, %3, %4 FROM MOUVEMENT m JOIN ORNY o ON "
            "o.rowid = m.LOT WHERE m.GROUPE = ?1 AND m.LOT_AVANT = 1 AND m.DETAIL_AVANT IS NOT NULL")
            .arg(detailFields.join(QStringLiteral(", ")), QLatin1String(CellarSchema::DetailFingerprint),
                 detailValues.join(QStringLiteral(", ")), LotIdentity::fingerprintSql(QStringLiteral("o"))),
        // Numbered as the undo's movements were: each movement learns which one undid it.
        QStringLiteral(
            "UPDATE MOUVEMENT SET ANNULE_PAR = r.undo FROM (SELECT ID AS id, ?2 + ROW_NUMBER() OVER "
            "(ORDER BY ID DESC) - 1 AS undo FROM MOUVEMENT WHERE GROUPE = ?1) AS r WHERE MOUVEMENT.ID = "
            "r.id"),
    };
}

} // namespace

QString code(Kind kind) {
    return QLatin1String(Kinds[static_cast<int>(kind)].code);
}

std::optional<Kind> kindOf(const QString& code) {
    for (const KindName& k : Kinds)
        if (code == QLatin1String(k.code))
            return k.kind;
    return std::nullopt;
}

QString label(Kind kind) {
    return QLatin1String(Kinds[static_cast<int>(kind)].label);
}

QString timestamp(const QDateTime& when) {
    return when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

Status ensureTables(DataLink& link) {
    if (Status status = link.open())
        return status;
    bool present = false;
    if (Status problem = link.addedTables(present))
        return problem;
    if (present)
        // Links broken by another tool are mended before the program writes over them.
        return LotIdentity::repairWithin(link);
    const QStringList statements =
        CellarSchema::createAddedTablesSql().split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString& statement : statements)
        if (Status status = link.execute(statement))
            return status;
    link.addedTablesCreated();
    link.detailsWhole();
    return std::nullopt;
}

Status next(DataLink& link, Next& next) {
    const DbRows rows =
        link.query(QStringLiteral("SELECT MAX(IFNULL((SELECT MAX(rowid) FROM ORNY), 0), "
                                  "IFNULL((SELECT MAX(LOT) FROM MOUVEMENT), 0), IFNULL((SELECT MAX(LOT) FROM "
                                  "DETAIL), 0)) + 1, "
                                  "IFNULL((SELECT MAX(ID) FROM MOUVEMENT), 0) + 1"));
    if (!rows.ok())
        return rows.error;
    next.lot = rows.rows.front().at(0).toLongLong();
    next.movement = rows.rows.front().at(1).toLongLong();
    return std::nullopt;
}

Movement::Movement(DataLink& link, Kind kind, qint64 lot, qint64& group, qint64 undoes)
    : m_link(link), m_kind(kind), m_lot(lot), m_group(group), m_undoes(undoes) {}

Status Movement::open() {
    static const QString sql =
        QStringLiteral(
            "INSERT INTO MOUVEMENT (QUAND, NATURE, GROUPE, LOT, LOT_AVANT, %1, DETAIL_AVANT, ANNULE) "
            "SELECT ?1, ?2, IFNULL(?3, (SELECT IFNULL(MAX(ID), 0) + 1 FROM MOUVEMENT)), ?4, "
            "o.rowid IS NOT NULL, %2, %3, ?5 FROM (SELECT 1) LEFT JOIN ORNY o ON o.rowid = ?4")
            .arg(copyColumns("AVANT").join(QStringLiteral(", ")),
                 CellarSchema::lotColumnNames(QStringLiteral("o")).join(QStringLiteral(", ")),
                 CellarSchema::detailValueSql(QStringLiteral("?4")));
    if (Status status =
            m_link.execute(sql, {timestamp(), code(m_kind), m_group ? QVariant(m_group) : QVariant(), m_lot,
                                 m_undoes ? QVariant(m_undoes) : QVariant()}))
        return status;
    m_id = m_link.lastInsertId();
    if (!m_group)
        m_group = m_id;
    return std::nullopt;
}

Status Movement::close() {
    static const QString sql =
        QStringLiteral(
            // The bottles in (positive) or out: what the quantity became, less what it was; nothing for a
            // quantity that is not a number.
            "UPDATE MOUVEMENT SET (LOT_APRES, %1, DETAIL_APRES, BOUTEILLES) = (SELECT o.rowid IS NOT NULL, "
            "%2, "
            "%3, IFNULL(o.QUANTITE, 0) - IFNULL(MOUVEMENT.QUANTITE_AVANT, 0) FROM (SELECT 1) LEFT JOIN ORNY "
            "o "
            "ON o.rowid = MOUVEMENT.LOT) WHERE ID = ?1")
            .arg(copyColumns("APRES").join(QStringLiteral(", ")),
                 CellarSchema::lotColumnNames(QStringLiteral("o")).join(QStringLiteral(", ")),
                 CellarSchema::detailValueSql(QStringLiteral("MOUVEMENT.LOT")));
    return m_link.execute(sql, {m_id});
}

Status recordInserts(DataLink& link, Kind kind, qint64 firstLot, qint64 lastLot, qint64 firstId, qint64 group,
                     const QString& when) {
    // One statement for all the lots of an import: the engine copies them without a round trip each.
    static const QString sql =
        QStringLiteral("INSERT INTO MOUVEMENT (ID, QUAND, NATURE, GROUPE, LOT, LOT_AVANT, LOT_APRES, %1, "
                       "DETAIL_APRES, BOUTEILLES) SELECT ?1 + rowid - ?5, ?2, ?3, ?4, rowid, 0, 1, %2, %3, "
                       "IFNULL(QUANTITE, 0) FROM ORNY WHERE rowid BETWEEN ?5 AND ?6 ORDER BY rowid")
            .arg(copyColumns("APRES").join(QStringLiteral(", ")),
                 CellarSchema::lotColumnNames().join(QStringLiteral(", ")),
                 CellarSchema::detailValueSql(QStringLiteral("ORNY.rowid")));
    return link.execute(sql, {firstId, when, code(kind), group, firstLot, lastLot});
}

Status present(DataLink& link, bool& there) {
    const DbRows table = link.query(QStringLiteral("SELECT 1 FROM sqlite_schema WHERE type = 'table' AND "
                                                   "name = ?1"),
                                    {QLatin1String(CellarSchema::JournalTable)});
    there = table.ok() && !table.rows.empty();
    return table.error;
}

Status setAside(DataLink& link, qint64 group) {
    return link.execute(
        QStringLiteral("UPDATE MOUVEMENT SET ANNULE_PAR = ?2 WHERE GROUPE = ?1 AND ANNULE_PAR IS NULL"),
        {group, SetAside});
}

QString labelSql(const QString& column) {
    QString sql = QStringLiteral("CASE %1").arg(column);
    for (const KindName& k : Kinds)
        sql += QStringLiteral(" WHEN '%1' THEN '%2'").arg(QLatin1String(k.code), QLatin1String(k.label));
    return sql + QStringLiteral(" ELSE %1 END").arg(column);
}

Status lastUndoable(DataLink& link, std::optional<Undoable>& found) {
    found.reset();
    bool there = false;
    if (Status status = present(link, there))
        return status;
    if (!there)
        return std::nullopt;
    const DbRows last = link.query(QStringLiteral(
        "SELECT GROUPE, NATURE, IFNULL(NOM_AVANT, NOM_APRES), IFNULL(ANNEE_AVANT, ANNEE_APRES), BOUTEILLES, "
        "(SELECT COUNT(*) FROM MOUVEMENT g WHERE g.GROUPE = m.GROUPE) FROM MOUVEMENT m "
        "WHERE ID = (SELECT MAX(GROUPE) FROM MOUVEMENT WHERE ANNULE IS NULL AND ANNULE_PAR IS NULL)"));
    if (!last.ok())
        return last.error;
    if (last.rows.empty())
        return std::nullopt;
    const DbRow& row = last.rows.front();
    const std::optional<Kind> kind = kindOf(row.at(1).toString());
    if (!kind)
        return std::nullopt;
    found = Undoable{row.at(0).toLongLong(), *kind, row.at(5).toLongLong(), row.at(2), row.at(3), row.at(4)};
    return std::nullopt;
}

Status undo(DataLink& link, qint64 group, bool& changed) {
    changed = false;
    if (Status status = ensureTables(link))
        return status;
    // One count says whether any lot of the group is no longer as the group left it (a group moves each
    // lot once): an import of a million lots is checked without holding its movements.
    const DbRows differ = link.query(
        QStringLiteral(
            "SELECT COUNT(*) FROM MOUVEMENT m WHERE GROUPE = ?1 AND (LOT_APRES = 1 AND NOT EXISTS "
            "(SELECT 1 FROM ORNY o WHERE o.rowid = m.LOT AND %1) OR LOT_APRES = 0 AND EXISTS (SELECT 1 "
            "FROM ORNY o WHERE o.rowid = m.LOT) OR ANNULE IS NOT NULL OR ANNULE_PAR IS NOT NULL)")
            .arg(sameAsAfter()),
        {group});
    if (!differ.ok())
        return differ.error;
    if (differ.rows.front().front().toLongLong() > 0) {
        changed = true;
        return std::nullopt;
    }
    Next first;
    if (Status status = next(link, first))
        return status;
    static const QStringList statements = undoStatements();
    const QVariantList params{group, first.movement, timestamp()};
    for (const QString& statement : statements) {
        // Each statement is given the parameters up to the last it names.
        const qsizetype used = statement.contains(QLatin1String("?3"))   ? 3
                               : statement.contains(QLatin1String("?2")) ? 2
                                                                         : 1;
        if (Status status = link.execute(statement, params.mid(0, used)))
            return status;
    }
    return std::nullopt;
}

} // namespace Journal
