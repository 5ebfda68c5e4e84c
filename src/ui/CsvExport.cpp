// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/CsvExport.h"

#include "database/DataLink.h"
#include "storage/CsvWriter.h"
#include "storage/FileNames.h"
#include "storage/FileSystem.h"
#include "ui/BusyCursor.h"
#include "ui/Services.h"

#include <QDate>
#include <QDir>
#include <QSaveFile>
#include <QWidget>

#include <cerrno>

namespace CsvExport {

QString askPath(Services& services, QWidget* parent, const QString& title, const QString& name) {
    return services.inputs.saveFile(parent, title,
                                    FileNames::dated(name, QDate::currentDate(), QStringLiteral(".csv")),
                                    QStringLiteral("Tableaux CSV (*.csv)"));
}

namespace {

// What the system said when the file failed, in French; the device's own words when it said nothing.
QString causeOf(int systemError, const QSaveFile& file) {
    return systemError ? FileSystem::cause(systemError) : file.errorString();
}

} // namespace

Result<Written> write(const QString& path, const Source& source,
                      const std::function<bool(qint64)>& progress) {
    QSaveFile file(path);
    DataLink link(source.database);
    int systemError = 0;
    errno = 0;
    const bool opened = file.open(QIODevice::WriteOnly);
    if (!opened)
        systemError = errno;
    Status failure = opened ? link.openCursor(source.sql, source.params) : Status();
    CsvWriter csv(file);
    csv.row(source.captions);
    Written written;
    const auto line = [&csv, &source, &written](const std::vector<DataLink::Cell>& cells) {
        csv.row(cells, source.columns);
        ++written.rows;
    };
    while (opened && !failure && !link.cursorAtEnd() && csv.ok()) {
        if ((failure = link.fetchCells(1000, line)))
            break;
        if ((written.cancelled = progress && !progress(written.rows)))
            break;
    }
    link.close();
    bool done = opened && !failure && !written.cancelled;
    if (done && csv.flush()) {
        errno = 0;
        done = file.commit();
        if (!done)
            systemError = errno;
    } else if (!csv.ok()) {
        done = false;
        systemError = csv.systemError();
    }
    if (done)
        return written;
    file.cancelWriting();
    if (failure)
        return *failure;
    if (written.cancelled)
        return written;
    return Failure{QStringLiteral("Le fichier « %1 » n'a pas pu être écrit : %2.")
                       .arg(QDir::toNativeSeparators(path), causeOf(systemError, file)),
                   {}};
}

Result<Written> exportRows(Services& services, QWidget* parent, const QString& path, const Source& source) {
    BusyCursor busy;
    ProgressService::Task progress(services.progress, parent, parent->windowTitle(), source.task);
    const Result<Written> written =
        write(path, source, [&progress](qint64 rows) { return progress.step(rows, 0); });
    if (!written.ok())
        services.messages.databaseError(parent, written.failure());
    else if (written->cancelled)
        services.messages.notice(parent,
                                 QStringLiteral("L'export a été annulé : aucun fichier n'a été écrit."));
    return written;
}

} // namespace CsvExport
