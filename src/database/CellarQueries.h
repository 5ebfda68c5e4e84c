// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database/DataLink.h"
#include "database/Journal.h"
#include "database/Lot.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

// The statements every window runs on the cellar. Text values compare in French order, ignoring case;
// the vintage and the quantities compare as numbers. Every value is bound.
namespace CellarQueries {

// One condition of a where clause: a column of ORNY and the value it must equal.
using Condition = std::pair<QString, QVariant>;
using Conditions = std::vector<Condition>;

// "NOM = ?n COLLATE FRANCAIS", with the value appended to params; when the value starts with ASCII
// letters, a range on them lets the engine use the column's index before comparing in French.
QString equalsFrench(const QString& column, const QString& value, QVariantList& params);

struct TextList {
    QStringList values;
    Status error;
};

// Every label of the colour table, in the order the table gives them.
TextList colours(DataLink& link);

// The distinct values of one column of ORNY among the rows matching the conditions: each value once,
// whatever its case, in French order (years in numeric order); nulls are left out. `shown`: an expression of
// the text column read in its place (a text cut short), the values still grouped by the column.
TextList distinctValues(DataLink& link, const QString& column, const Conditions& where = {},
                        const QString& shown = {});

// New lots inside one DataLink::write, all in the same group of movements: a purchase is one lot, an
// import many. Made by append(), which journals them once they are all in.
class Appender {
public:
    // The lot and its details as they are; `id` receives the new lot's rowid.
    Status add(const Lot& lot, qint64* id = nullptr);

private:
    friend Status append(DataLink&, Journal::Kind, const std::function<Status(Appender&)>&);
    explicit Appender(DataLink& link) : m_link(link) {}
    DataLink& m_link;
    qint64 m_first = 0;
    qint64 m_next = 0;
};
// Runs `lots` (which adds them) inside a write already begun, then journals every lot it added as a
// movement of `kind`; a failure of `lots` is returned as it is, the write then rolls everything back.
Status append(DataLink& link, Journal::Kind kind, const std::function<Status(Appender&)>& lots);

// Adds bottles to the lot `rowid` inside a write already begun, journalled as a movement of `kind` in
// `group` (0: a group of its own, which `group` receives). Nothing changes, and `raised` is false, when the
// lot's quantity is not a whole number stored as one or would pass 64 bits.
Status addBottles(DataLink& link, qint64 rowid, qlonglong bottles, Journal::Kind kind, qint64& group,
                  bool& raised);

// Records the purchase as a new lot, journalled; `id` receives the new lot's rowid.
Status addLot(DataLink& link, const Lot& lot, qint64* id = nullptr);

// A lot as it is stored, by its rowid: its values and details exactly as stored, whatever their types; its
// details also as one value, as the journal copies them.
struct StoredLot {
    qint64 rowid = 0;
    Lot lot;
    QVariant detailValue;
    bool found = false;
    Status error;
};
StoredLot lotAt(DataLink& link, qint64 rowid);

// Replaces a lot's values and details with `lot`'s exactly, or removes it, journalled, provided it is still
// exactly as `seen` (read by lotAt); otherwise nothing changes and `changed` is set. Nothing is written when
// `lot` is what the lot already holds.
Status correctLot(DataLink& link, const StoredLot& seen, const Lot& lot, bool& changed);
// What differs between a lot as it was read and as it is now, named for the user: "la quantité",
// "l'emplacement"...; "le lot a été retiré" when it is gone.
QStringList differences(const StoredLot& seen, const StoredLot& now);
Status removeLot(DataLink& link, const StoredLot& seen, bool& changed);

// The lot singled out by name, type, vintage and colour: the first such row.
struct LotKey {
    QString nom;
    QString type;
    qlonglong annee = 0;
    QString couleur;
};
// The first lot whose quantity is known comes before a lot whose quantity is missing, which never hides it.
struct Stock {
    bool found = false;
    QVariant quantite; // as stored: a whole or fractional number, or null when the quantity is not known
    Status error;
};
Stock firstStock(DataLink& link, const LotKey& key);

// Takes bottles out of the first lot that still holds exactly `stock` (the stored value): lowers it, or
// removes that one row when nothing is left. Nothing changes when no such lot is left.
enum class Consumed { Lowered, Removed, LotGone, Failed };
struct ConsumeResult {
    Consumed outcome = Consumed::Failed;
    Status error;
};
ConsumeResult consume(DataLink& link, const LotKey& key, const QVariant& stock, qlonglong consumed);
// Takes bottles out of that very lot, provided it is still exactly as `seen`: lowers it, or removes it when
// nothing is left; journalled as a consumption. LotGone when it changed since.
ConsumeResult drink(DataLink& link, const StoredLot& seen, qlonglong consumed);

} // namespace CellarQueries
