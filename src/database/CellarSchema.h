// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database/DbError.h"

#include <QString>
#include <QStringList>

// What a file must be to serve as the cellar, and the messages for each way it can fall short.
namespace CellarSchema {

inline constexpr const char* DatabaseFileName = "Orny02.dat";

// The file's first bytes name its format, without opening it as a database.
enum class FileKind { Missing, Unreadable, Empty, SQLite, Jet, Other };
FileKind detectKind(const QString& path);

// The colours of a new cellar, when no others are given.
inline const QStringList DefaultColours = {QStringLiteral("Blanc"), QStringLiteral("Rosé"),
                                           QStringLiteral("Rouge")};

// Makes a new, empty cellar file: the two tables, their indexes and the colours. Refuses to replace an
// existing file. This is used to build the delivered cellar and to convert an earlier one, never to
// stand in for a cellar that is missing.
DbStatus createCellar(const QString& path, const QStringList& colours = DefaultColours);

DbError missingFile(const QString& path);
DbError notACellar(const QString& path, const QString& detail = {});
DbError earlierFormat(const QString& path);
DbError incomplete(const QString& path, const QString& what);
DbError locked(const QString& path, const QString& detail);
DbError engineFailure(const QString& path, const QString& detail);

} // namespace CellarSchema
