// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database/Status.h"

#include <QDate>
#include <QList>
#include <QString>

class FileSystem;

// Copies of the cellar the user never has to think about: one a day, kept in the folder "Sauvegardes"
// beside the cellar (or in the user's own data folder when that one cannot be written), the last fourteen
// days and one a month for a year; and copies on demand, and the return to any of them.
class Backups {
public:
    static constexpr const char* FolderName = "Sauvegardes";
    static constexpr int DailyKept = 14;
    static constexpr int MonthsKept = 12;

    // `fallback` is the user's own data folder.
    Backups(FileSystem& files, const QString& cheminBase, const QString& fallback);

    // Where the copies go: beside the cellar if that folder can be written to.
    QString folder() const;

    // Today's copy, unless there is one already; once it is checked, the copies no longer kept are deleted.
    // Nothing, and no failure, when there is no cellar to copy.
    Status daily(const QDate& today);
    // A checked copy at a path of the user's choice, never replacing a file.
    Status saveTo(const QString& path);

    struct Copy {
        QString path;
        QDate date;
        qint64 lots = -1; // -1: not readable as a cellar
    };
    // The day's copies, newest first.
    QList<Copy> copies() const;

    // Puts a copy in the cellar's place, after a copy of the cellar as it is: whatever instant the program
    // dies at, the cellar is whole, as it was or as the copy.
    Status restore(const QString& copy, const QDate& today);

    // Of the days of the copies, those that are no longer kept on `today`.
    static QList<QDate> toPrune(const QList<QDate>& days, const QDate& today);
    static QString dailyName(const QDate& day);

private:
    QString database() const;
    // Copies the cellar into `path` (a new file) and checks the copy.
    Status copyTo(const QString& path);

    FileSystem& m_files;
    QString m_cheminBase;
    QString m_fallback;
};
