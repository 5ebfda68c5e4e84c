// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database/DbError.h"

#include <QString>

// What a file must be to serve as the cellar, and the messages for each way it can fall short.
namespace CellarSchema {

inline constexpr const char* DatabaseFileName = "Orny02.dat";

// The file's first bytes name its format, without opening it as a database.
enum class FileKind { Missing, Unreadable, Empty, SQLite, Jet, Other };
FileKind detectKind(const QString& path);

DbError missingFile(const QString& path);
DbError notACellar(const QString& path, const QString& detail = {});
DbError earlierFormat(const QString& path);
DbError incomplete(const QString& path, const QString& what);
DbError locked(const QString& path, const QString& detail);
DbError engineFailure(const QString& path, const QString& detail);

} // namespace CellarSchema
