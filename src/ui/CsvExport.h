// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QVariantList>

struct Services;
class QWidget;

// The rows of a statement written to a CSV file a spreadsheet opens, read a thousand at a time, with a
// progress window and its cancel button: the whole file is written, or none (an earlier file of that name
// is then kept as it was). What went wrong is told to the user.
namespace CsvExport {

struct Source {
    QString database;
    QString sql;
    QVariantList params;
    QList<int> columns; // the statement's columns written, in this order
    QVariantList captions;
    QString task; // "Export de la cave…"
};

// Asks where to write, proposing "<name> AAAA-MM-JJ.csv"; empty when the user gave up.
QString askPath(Services& services, QWidget* parent, const QString& title, const QString& name);
bool write(Services& services, QWidget* parent, const QString& path, const Source& source);

} // namespace CsvExport
