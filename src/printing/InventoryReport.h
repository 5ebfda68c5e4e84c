// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database/DataLink.h"
#include "printing/ReportDefinition.h"

#include <QDate>
#include <QString>
#include <memory>
#include <vector>

class QTextDocument;

// The inventory of the cellar as the definition lays it out: read from the database, then made into a
// printable document or a plain text. No window is involved.
namespace InventoryReport {

struct Totals {
    int lots = 0;
    qlonglong bottles = 0;
    double value = 0;
    int lotsWithoutPrice = 0;
};

struct Group {
    QString heading;
    std::vector<DbRow> rows; // values in the order of ReportDefinition::fields()
    Totals totals;
};

struct Inventory {
    QString title;
    std::vector<Group> groups;
    Totals totals;
};

struct Read {
    Inventory inventory;
    Status error;
};

// "Inventaire de ma orny le " and the date in the locale's short form with a four-digit year.
QString title(const QDate& date);
Read read(const ReportDefinition& definition, const QString& databasePath, const QString& title);
std::unique_ptr<QTextDocument> document(const ReportDefinition& definition, const Inventory& inventory);
// Aligned columns, one lot a line, with the same groups and totals as the document.
QString text(const ReportDefinition& definition, const Inventory& inventory);

} // namespace InventoryReport
