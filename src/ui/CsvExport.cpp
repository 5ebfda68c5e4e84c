// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/CsvExport.h"

#include "database/DataLink.h"
#include "storage/CsvWriter.h"
#include "ui/BusyCursor.h"
#include "ui/Services.h"

#include <QDate>
#include <QDir>
#include <QSaveFile>
#include <QWidget>

namespace CsvExport {

QString askPath(Services& services, QWidget* parent, const QString& title, const QString& name) {
    return services.inputs.saveFile(
        parent, title,
        QStringLiteral("%1 %2.csv").arg(name, QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"))),
        QStringLiteral("Tableaux CSV (*.csv)"));
}

bool write(Services& services, QWidget* parent, const QString& path, const Source& source) {
    BusyCursor busy;
    QSaveFile file(path);
    DataLink link(source.database);
    Status failure = file.open(QIODevice::WriteOnly) ? link.openCursor(source.sql, source.params)
                                                     : Status(Failure{file.errorString(), {}});
    CsvWriter csv(file);
    csv.row(source.captions);
    ProgressService::Task progress(services.progress, parent, parent->windowTitle(), source.task);
    std::vector<DbRow> rows;
    qint64 written = 0;
    bool cancelled = false;
    while (!failure && !link.cursorAtEnd() && csv.ok()) {
        rows.clear();
        if ((failure = link.fetch(1000, rows)))
            break;
        QVariantList line;
        for (const DbRow& row : rows) {
            line.clear();
            for (const int column : source.columns)
                line << row.at(static_cast<size_t>(column));
            csv.row(line);
        }
        written += static_cast<qint64>(rows.size());
        if ((cancelled = !progress.step(written, 0)))
            break;
    }
    link.close();
    if (failure || cancelled || !csv.ok() || !file.commit()) {
        file.cancelWriting();
        if (failure)
            services.messages.databaseError(parent, *failure);
        else if (cancelled)
            services.messages.notice(parent,
                                     QStringLiteral("L'export a été annulé : aucun fichier n'a été écrit."));
        else
            services.messages.notice(parent,
                                     QStringLiteral("Le fichier « %1 » n'a pas pu être écrit : %2")
                                         .arg(QDir::toNativeSeparators(path), file.errorString()),
                                     MessageBox::Icon::Critical);
        return false;
    }
    return true;
}

} // namespace CsvExport
