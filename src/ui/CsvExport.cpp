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

bool write(Services& services, QWidget* parent, const QString& path, const Source& source) {
    BusyCursor busy;
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
    ProgressService::Task progress(services.progress, parent, parent->windowTitle(), source.task);
    qint64 written = 0;
    bool cancelled = false;
    const auto line = [&csv, &source, &written](const std::vector<DataLink::Cell>& cells) {
        csv.row(cells, source.columns);
        ++written;
    };
    while (opened && !failure && !link.cursorAtEnd() && csv.ok()) {
        if ((failure = link.fetchCells(1000, line)))
            break;
        if ((cancelled = !progress.step(written, 0)))
            break;
    }
    link.close();
    bool done = opened && !failure && !cancelled;
    if (done && csv.flush()) {
        errno = 0;
        done = file.commit();
        if (!done)
            systemError = errno;
    } else if (!csv.ok()) {
        done = false;
        systemError = csv.systemError();
    }
    if (!done) {
        file.cancelWriting();
        if (failure)
            services.messages.databaseError(parent, *failure);
        else if (cancelled)
            services.messages.notice(parent,
                                     QStringLiteral("L'export a été annulé : aucun fichier n'a été écrit."));
        else
            services.messages.notice(parent,
                                     QStringLiteral("Le fichier « %1 » n'a pas pu être écrit : %2.")
                                         .arg(QDir::toNativeSeparators(path), causeOf(systemError, file)),
                                     MessageBox::Icon::Critical);
        return false;
    }
    return true;
}

} // namespace CsvExport
