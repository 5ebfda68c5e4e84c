// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database/DataLink.h"
#include "database/Journal.h"

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
// whatever its case, in French order (years in numeric order); nulls are left out.
TextList distinctValues(DataLink& link, const QString& column, const Conditions& where = {});

// A lot as the purchase records it.
// What a lot may say beyond the purchase, all of it optional: when to drink it, where it lies, what the
// user thinks of it.
struct Details {
    std::optional<int> boireDes;
    std::optional<int> boireJusqua;
    QString emplacement;
    QString note;
    std::optional<int> appreciation; // 0 to 5
    bool isEmpty() const {
        return !boireDes && !boireJusqua && emplacement.isEmpty() && note.isEmpty() && !appreciation;
    }
    // As bound to DETAIL's columns after LOT.
    QVariantList values() const;
};

// Quantities and vintages are 64-bit from the window to the statement: what is typed is stored whole.
struct NewLot {
    QString nom;
    QString type;
    qint64 annee = 0;
    QString couleur;
    qint64 quantite = 0;
    std::optional<double> prixUnitaire;
    // The six values in ORNY's column order.
    QVariantList values() const;
};
// New lots inside one DataLink::write, all in the same group of movements: a purchase is one lot, an
// import many. Made by append(), which journals them once they are all in.
class Appender {
public:
    // The six values in ORNY's column order; `id` receives the new lot's rowid.
    Status add(const QVariantList& values, qint64* id = nullptr, const Details& details = {});

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

// Records the purchase as a new lot, journalled; `id` receives the new lot's rowid.
Status addLot(DataLink& link, const NewLot& lot, qint64* id = nullptr, const Details& details = {});

// A lot as it is stored, by its rowid: its six values in ORNY's column order, whatever their types.
struct StoredLot {
    qint64 rowid = 0;
    DbRow values;
    Details details;
    // The details exactly as stored (the DETAIL columns after LOT, whatever their types), empty when the
    // lot has none; and as one value, as the journal copies them.
    DbRow detailValues;
    QVariant detailValue;
    bool found = false;
    Status error;
};
StoredLot lotAt(DataLink& link, qint64 rowid);

// Replaces a lot's values, or removes it, journalled, provided it is still exactly as `seen` (read by
// lotAt); otherwise nothing changes and `changed` is set.
// A correction replaces the details too: `details` are all the lot keeps.
Status correctLot(DataLink& link, const StoredLot& seen, const NewLot& lot, const Details& details,
                  bool& changed);
// The same with the exact values to store: the six of ORNY, and the details (none when empty). Nothing is
// written when they are what the lot already holds.
Status correctValues(DataLink& link, const StoredLot& seen, const DbRow& values, const DbRow& detailValues,
                     bool& changed);
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
