// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database/DataLink.h"

#include <QString>
#include <vector>

// The cellar of an earlier version's Jet file, appended to the current one.
namespace LegacyImport {

// The lots of the Jet file's ORNY, each as the six values of the cellar's columns (NOM, TYPE, ANNEE,
// COULEUR, QUANTITE, PRIXUNITAIRE). Columns are matched by name, whatever their case; a table of a
// version before 1.3 has no price, and its lots come without one.
struct Lots {
    std::vector<DbRow> rows;
    QString problem; // why the lots could not be read, for the caller's sentence
};
Lots readLots(const QString& jetFile);

// The colour labels of the Jet file's COULEUR; empty when it has none.
QStringList readColours(const QString& jetFile);

// Appends the lots in one transaction; on failure nothing is appended.
Status appendLots(DataLink& link, const std::vector<DbRow>& lots);

struct Result {
    int added = 0;
    QString error;
};
Result run(const QString& jetFile, const QString& databasePath);

} // namespace LegacyImport
