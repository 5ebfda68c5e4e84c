// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database/Status.h"

#include <QString>
#include <QStringList>

// What a file must be to serve as the cellar, and the messages for each way it can fall short. This is
// the one place the tables' shape is written.
namespace CellarSchema {

// The columns of a lot in ORNY, in their stored order.
enum LotColumn { Nom, Type, Annee, Couleur, Quantite, PrixUnitaire, LotColumnCount };
inline constexpr const char* LotColumnNames[LotColumnCount] = {"NOM",     "TYPE",     "ANNEE",
                                                               "COULEUR", "QUANTITE", "PRIXUNITAIRE"};
// "NOM, TYPE, ANNEE, COULEUR, QUANTITE, PRIXUNITAIRE"
QString lotColumnList();
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
