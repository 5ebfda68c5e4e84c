// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database/DataLink.h"

#include <QString>
#include <QStringList>
#include <functional>

// Reads one table of an earlier version's Jet file through the helper program brovane-lecteur-jet,
// which runs beside the executable with limits on its memory and time: a damaged file can end the
// helper, never the program. Rows are handed over one by one as they arrive, so that memory does not
// grow with the file, and nothing is trusted: a table that yields more or fewer rows than it declares is
// damaged, and ceilings bound what one file may bring.
namespace JetReader {

struct Limits {
    qint64 rows = 1000000;               // more lots than any real cellar holds
    qint64 bytes = 1024LL * 1024 * 1024; // of the helper's output
    qsizetype lineBytes = 1024 * 1024;   // one row
};

struct Handlers {
    // Once, before any row: the table's columns and the rows it declares.
    std::function<Status(const QStringList& columns, qint64 declared)> start;
    std::function<Status(const DbRow& row)> row;
    // Now and then while reading; false stops the reading.
    std::function<bool(qint64 read, qint64 declared)> progress;
};

struct Reading {
    qint64 rows = 0;
    bool cancelled = false; // by the progress handler
};

// The helper lives in the program folder.
inline constexpr const char* HelperName = "brovane-lecteur-jet";
QString helperIn(const QString& programFolder);

// The rows read, or why the table could not be read whole: a handler's failure as the handler returned
// it, or the reader's own, a French clause for the caller's sentence ("il ne contient pas de table ORNY").
Result<Reading> read(const QString& helper, const QString& file, const QString& table,
                     const Handlers& handlers, const Limits& limits = {}, int timeoutMs = 60000);

} // namespace JetReader
