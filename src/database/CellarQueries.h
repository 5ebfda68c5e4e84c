// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database/DataLink.h"

#include <QString>
#include <QStringList>
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
struct NewLot {
    QString nom;
    QString type;
    int annee = 0;
    QString couleur;
    int quantite = 0;
    std::optional<double> prixUnitaire;
};
Status addLot(DataLink& link, const NewLot& lot);

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

} // namespace CellarQueries
