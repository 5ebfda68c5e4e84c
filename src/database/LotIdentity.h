// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database/DataLink.h"

#include <QString>

// How a lot's details stay tied to that lot and no other. ORNY has no key of its own (other tools and
// earlier files write it as six plain columns), so its rowids are all a link can name, and stock SQLite
// tools renumber them (VACUUM of a table without an index, .dump then .read, some repairs). Each DETAIL
// row therefore carries, beside the rowid, the fingerprint of the lot it belongs to: a link counts only
// while the lot at that rowid has that fingerprint, and one that no longer does is never shown. Before
// the program writes, links that broke are followed to where their lot went.
namespace LotIdentity {

// The SQL function computing a lot's fingerprint from its six values: the high 32 bits from the wine
// (name, type, vintage, colour), the low 32 from the quantity and the price. Types count: 5, 5.0 and
// '5' differ.
inline constexpr const char* Function = "EMPREINTE_LOT";
// One value folded into a half of a fingerprint: its kind (the engine's type code) and its bytes.
quint32 fold(quint32 hash, int kind, const void* bytes, qsizetype size);
inline constexpr quint32 FoldStart = 2166136261u;

// The fingerprint of the lot whose columns are read through `alias` ("o" gives "o.NOM", ...; an empty
// alias names the columns bare).
QString fingerprintSql(const QString& alias);
// The condition that the DETAIL row `detail` belongs to the lot `lot` (table aliases).
QString detailOfSql(const QString& detail, const QString& lot);

// After the lot `rowid` was written by the program, its details (if any) follow its new values.
Status restamp(DataLink& link, qint64 rowid);

// Follows the links that broke to the lot they belong to, inside a write already begun. A renumbering
// keeps the rows' order and only lowers rowids: where as many lots as details bear a fingerprint, the n-th
// detail goes to the n-th lot. Where the counts differ, lots alike came or went and no link with that
// fingerprint can be trusted: once a renumbering is seen, all are set aside, even those that still look
// sound. A link whose lot changed in place (same wine, another quantity or price, written by another tool)
// follows the change when no renumbering is seen. Any other is set aside (kept under a negative rowid,
// never shown on a lot). `moved` counts the links followed, `aside` those set aside. Nothing is read when
// no other program wrote the file since the program last saw its details whole.
struct Repaired {
    int moved = 0;
    int restamped = 0;
    int aside = 0;
};
Status repairWithin(DataLink& link, Repaired* repaired = nullptr);
// The same from outside a write: reads first, and writes only when a link broke.
Status repair(DataLink& link, Repaired* repaired = nullptr);

} // namespace LotIdentity
