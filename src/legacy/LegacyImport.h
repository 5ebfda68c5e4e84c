// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database/DataLink.h"

#include <QString>
#include <functional>
#include <vector>

// The cellar of an earlier version's Jet file, appended to the current one.
namespace LegacyImport {

using Progress = std::function<bool(qint64 read, qint64 declared)>; // false cancels

// The lots of the Jet file's ORNY, each as the six values of the cellar's columns (NOM, TYPE, ANNEE,
// COULEUR, QUANTITE, PRIXUNITAIRE), handed over one by one as they are read. Columns are matched by
// name, whatever their case; a table of a version before 1.3 has no price, and its lots come without one.
// Fails as the Jet reader does: with the handler's own failure as it returned it, or with a French clause
// saying why the lots could not be read whole.
struct Reading {
    qint64 lots = 0;
    bool cancelled = false;
};
// `helper` is the Jet reader program (JetReader::helperIn).
::Result<Reading> readLots(const QString& helper, const QString& jetFile,
                           const std::function<Status(const DbRow& lot)>& lot, const Progress& progress = {});

// The colour labels of the Jet file's COULEUR; empty when it has none.
QStringList readColours(const QString& helper, const QString& jetFile);

// Appends lots as they stand in one transaction; on failure nothing is appended.
Status appendLots(DataLink& link, const std::vector<DbRow>& lots);

// The lots an import left out, by the first rule of a purchase each one breaks.
struct Refusals {
    qint64 name = 0, type = 0, year = 0, colour = 0, quantity = 0, price = 0, tooLong = 0;
    qint64 total() const { return name + type + year + colour + quantity + price + tooLong; }
    // "2 lots sans nom, 1 lot dont l'année n'est pas valable", one reason a line.
    QString describe() const;
};

struct Questions {
    Progress progress;
    // When some lots break the rules: whether to import the others, or nothing.
    std::function<bool(qint64 valid, const Refusals& refused)> keepValid;
};

struct Result {
    qint64 added = 0;
    Refusals refused;
    bool cancelled = false; // by the user: nothing was appended
    bool declined = false;  // the user chose to import nothing rather than only the valid lots
    Status failure;
};
Result run(const QString& helper, const QString& jetFile, const QString& databasePath,
           const Questions& questions = {});

} // namespace LegacyImport
