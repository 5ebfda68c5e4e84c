// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database/DataLink.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// Reads one table of an earlier version's Jet file through the helper program brovane-lecteur-jet,
// which runs beside the executable with limits on its memory and time: a damaged file can end the
// helper, never the program.
namespace JetReader {

struct Table {
    QStringList columns;
    std::vector<DbRow> rows;
};

struct Result {
    std::optional<Table> table;
    QString problem; // why nothing could be read, in French, when table is empty
};

QString helperPath();
Result read(const QString& file, const QString& table, int timeoutMs = 60000);

} // namespace JetReader
