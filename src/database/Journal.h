// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database/DataLink.h"

#include <QDateTime>
#include <QString>
#include <optional>

// The journal of every movement the program makes in the cellar: for each lot written, its values and
// details just before and just after, copied by the engine itself so that they are exactly what was
// stored. The functions that write run inside a DataLink::write, so that a change and its movement are
// committed together or not at all. A change made by another tool is simply not in the journal.
namespace Journal {

enum class Kind { Purchase, Consumption, Import, Correction, Removal, Undo };
inline constexpr int KindCount = 6;
// As stored: "achat", "consommation"...
QString code(Kind kind);
std::optional<Kind> kindOf(const QString& code);
// As shown: "Achat", "Consommation"...
QString label(Kind kind);

// Whether the cellar has a journal yet: one written to only by other tools or earlier versions has none.
Status present(DataLink& link, bool& there);

// Creates the journal and details tables when the cellar has none yet; a failure naming what is missing
// when a table of that name is there without its columns.
Status ensureTables(DataLink& link);

// Where new lots and movements start: a rowid past every lot the cellar holds and every lot the journal
// names, so that a lot removed and then undone never finds its place taken by one bought since; and the
// number of the next movement.
struct Next {
    qint64 lot = 1;
    qint64 movement = 1;
};
Status next(DataLink& link, Next& next);

// One movement of one lot: opened before the change (the lot as it is then), closed after it (the lot as
// it is now). The movements of one operation share a group: the first one's own number, which `group`
// receives when it is 0.
class Movement {
public:
    Movement(DataLink& link, Kind kind, qint64 lot, qint64& group, qint64 undoes = 0);
    Status open();
    Status close();
    qint64 id() const { return m_id; }

private:
    DataLink& m_link;
    Kind m_kind;
    qint64 m_lot;
    qint64& m_group;
    qint64 m_undoes;
    qint64 m_id = 0;
};

// New lots just inserted, rowids `firstLot` to `lastLot` with no gap: their movements numbered from
// `firstId` in the group, at the operation's time (timestamp()), all in one statement.
Status recordInserts(DataLink& link, Kind kind, qint64 firstLot, qint64 lastLot, qint64 firstId, qint64 group,
                     const QString& when);

// The last operation an undo can reach: the newest group neither undone nor itself an undo.
struct Undoable {
    qint64 group = 0;
    Kind kind = Kind::Purchase;
    qint64 movements = 0;
    QVariant nom, annee; // of the first lot moved
    QVariant bottles;    // of the first movement: in (positive) or out (negative)
};
Status lastUndoable(DataLink& link, std::optional<Undoable>& found);

// Puts every lot the group moved back as it was before, newest movement first, and journals it as an undo.
// When any of these lots is no longer as the group left it, nothing changes and `changed` is set.
Status undo(DataLink& link, qint64 group, bool& changed);

// Sets aside an operation that can no longer be undone, so that the undo reaches the one before it: it stays
// in the journal, marked so (ANNULE_PAR holds SetAside).
inline constexpr qint64 SetAside = 0;
Status setAside(DataLink& link, qint64 group);

// An SQL expression giving the label of the kind stored in `column`.
QString labelSql(const QString& column);

// The local time as the journal stores it.
QString timestamp(const QDateTime& when = QDateTime::currentDateTime());

} // namespace Journal
