// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database/Status.h"

#include <QString>
#include <QVariantList>
#include <functional>

struct Services;
class QWidget;

// The rows of a statement written to a CSV file a spreadsheet opens, read a thousand at a time: the whole
// file is written, or none (an earlier file of that name is then kept as it was).
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
struct Written {
    qint64 rows = 0;
    bool cancelled = false; // by `progress`: no file written
};
// The rows written, or why the file could not be (the cellar unread, the file not written), in French.
// `progress` is told the rows written so far and cancels by returning false.
Result<Written> write(const QString& path, const Source& source,
                      const std::function<bool(qint64 written)>& progress = {});
// The same behind a progress window and its cancel button; what went wrong, or the cancellation, is told to
// the user.
Result<Written> exportRows(Services& services, QWidget* parent, const QString& path, const Source& source);

} // namespace CsvExport
