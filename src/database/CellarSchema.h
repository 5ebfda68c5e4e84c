// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database/Status.h"

#include <QString>
#include <QStringList>
#include <utility>

// What a file must be to serve as the cellar, and the messages for each way it can fall short. This is
// the one place the tables' shape is written.
namespace CellarSchema {

// The columns of a lot in ORNY, in their stored order.
enum LotColumn { Nom, Type, Annee, Couleur, Quantite, PrixUnitaire, LotColumnCount };
inline constexpr const char* LotColumnNames[LotColumnCount] = {"NOM",     "TYPE",     "ANNEE",
                                                               "COULEUR", "QUANTITE", "PRIXUNITAIRE"};
// "NOM, TYPE, ANNEE, COULEUR, QUANTITE, PRIXUNITAIRE"; with an alias, "o.NOM, o.TYPE, …".
QString lotColumnList(const QString& alias = {});
QStringList lotColumnNames(const QString& alias = {});
// Appends one lot: the six values bound as ?1 to ?6 in the order above.
QString insertLotSql();

// The file's first bytes name its format, without opening it as a database.
enum class FileKind { Missing, Unreadable, Empty, SQLite, Jet, Other };
FileKind detectKind(const QString& path);

// The colours of a new cellar, when no others are given.
inline const QStringList DefaultColours = {QStringLiteral("Blanc"), QStringLiteral("Rosé"),
                                           QStringLiteral("Rouge")};

// Makes a new, empty cellar file: the two tables, their indexes and the colours. Refuses to replace an
// existing file. This is used to build the delivered cellar and to convert an earlier one, never to
// stand in for a cellar that is missing.
Status createCellar(const QString& path, const QStringList& colours = DefaultColours);

// The tables and columns a cellar must hold; an error naming what is missing otherwise.
struct RequiredTable {
    const char* name;
    QStringList columns;
};
const QList<RequiredTable>& requiredTables();

// The tables the program adds to a cellar on its first write, beside ORNY and COULEUR which keep their
// shape for the tools and earlier files that rely on it: the journal of every movement of a lot, and the
// details of a lot (when to drink it, where it lies, notes). Both refer to a lot by its rowid in ORNY.
inline constexpr const char* JournalTable = "MOUVEMENT";
inline constexpr const char* DetailTable = "DETAIL";
const QList<RequiredTable>& addedTables();
// Creates whichever of them is missing, with their indexes.
QString createAddedTablesSql();
// The indexes of ORNY, by name and column, and the statements that make those missing.
inline constexpr std::pair<const char*, const char*> LotIndexes[] = {{"ORNY_NOM", "NOM"},
                                                                     {"ORNY_TYPE", "TYPE"}};
QString lotIndexesSql();
// The journal's columns for a lot's values before and after a movement: "NOM_AVANT" and so on.
QString lotColumn(LotColumn column, const char* suffix);
// The details of a lot as one value (a JSON array of the DETAIL columns after LOT), or null when it has
// none: `lot` is the SQL expression giving the lot's rowid. Details whose link broke are none.
QString detailValueSql(const QString& lot);
// The DETAIL columns after LOT, in their stored order.
inline constexpr const char* DetailColumnNames[] = {"BOIRE_DES", "BOIRE_JUSQUA", "EMPLACEMENT", "NOTE",
                                                    "APPRECIATION"};
// "BOIRE_DES, BOIRE_JUSQUA, EMPLACEMENT, NOTE, APPRECIATION"; with an alias, "d.BOIRE_DES, …".
QString detailColumnList(const QString& alias = {});
// The DETAIL column holding the fingerprint of the lot the details belong to (see LotIdentity).
inline constexpr const char* DetailFingerprint = "EMPREINTE";

Failure missingFile(const QString& path);
Failure notACellar(const QString& path, const QString& detail = {});
Failure earlierFormat(const QString& path);
Failure incomplete(const QString& path, const QString& what);
// The file holds code (triggers, views, virtual tables) that the program never creates: not opened.
Failure foreignObjects(const QString& path, const QStringList& objects);
Failure locked(const QString& path, const QString& detail);
// The file was moved or replaced while it was being written: nothing was written.
Failure moved(const QString& path);
Failure diskFull(const QString& path, const QString& detail);
Failure accessRefused(const QString& path, const QString& detail);
Failure engineFailure(const QString& path, const QString& detail);

} // namespace CellarSchema
