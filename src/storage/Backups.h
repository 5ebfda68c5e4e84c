// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database/Status.h"
#include "storage/BackupCatalogue.h"

#include <QDateTime>
#include <QList>
#include <QString>

class FileSystem;

// Copies of the cellar the user never has to think about, kept in the folder "Sauvegardes" beside the
// cellar (or, when that folder cannot be written, in a folder named after the cellar inside the user's own
// data folder): one a day and one at the end of a session that changed the cellar, kept fourteen days and
// one a month for a year; one before each restore, the last ten kept; copies on demand, never deleted.
// Each is recorded with its kind, the time it was taken and its lots; all are listed and restorable.
// Every time is given by the caller: the clock is the caller's.
class Backups {
public:
    static constexpr const char* FolderName = "Sauvegardes";
    static constexpr int DaysKept = 14;
    static constexpr int MonthsKept = 12;
    static constexpr int BeforeRestoreKept = 10;

    // `fallback` is the user's own data folder.
    Backups(FileSystem& files, const QString& cheminBase, const QString& fallback);

    // The user's own data folder, where copies go when the cellar's folder cannot be written.
    static QString userFolder();
    // "Sauvegardes" beside the cellar.
    static QString besideFolder(const QString& cheminBase);
    // The folder of this cellar's copies inside the shared `fallback`: named after the cellar.
    static QString fallbackFolder(const QString& fallback, const QString& cheminBase);
    // Where the copies go: beside the cellar if that folder can be written to. A name there that is not a
    // folder is reported in `problem`.
    QString folder(QString* problem = nullptr) const;

    // What a copy made by the program came to: a failure, or what the user should still be told.
    struct Outcome {
        Status failure;
        QString notice;
    };
    // The day's copy when there is none of `now`'s day yet and the cellar changed since its last copy; then
    // the copies no longer kept are deleted. Nothing, and no failure, when there is no cellar to copy.
    Outcome daily(const QDateTime& now);
    // The copy at the end of a session, when the cellar changed since its last copy; it replaces the
    // session copy made earlier that day, and stands beside the day's first copy.
    Outcome atExit(const QDateTime& now);
    // A checked copy at a path of the user's choice, never replacing a file; listed with the others.
    Status saveTo(const QString& path, const QDateTime& now);

    // Every copy, newest first, with its lot count.
    QList<BackupCopy> copies() const;

    // Puts a copy in the cellar's place once it has passed every check the cellar itself passes when it
    // is opened, after a copy of the cellar as it is: whatever instant the program dies at, the cellar is
    // whole, as it was or as the copy.
    Outcome restore(const QString& copy, const QDateTime& now);

    // Removes what a copy or a restore killed before its end left behind; the cellar and the copies that
    // took their names are whole.
    void clearLeftovers() const;

    // A date further than this past every copy and every time seen may be a clock set years ahead: the
    // copies it would delete wait until a start on a later day confirms it.
    static constexpr int FarAheadDays = 40;

    // Of the copies, those no longer kept at `now`. Nothing when the clock looks wrong: a copy taken after
    // `now`, or a clock seen later than `now` before (`clockWrong` then holds the latest such time); nor
    // when `now` is far ahead of both and not yet confirmed (`unconfirmed` then holds the first time of
    // that date, `lastKnown` the latest time known before it). `unconfirmed` is that first time as recorded
    // earlier: a start (`start`) at or after it confirms it, and copies taken since are not held against a
    // clock put right.
    struct Pruning {
        QList<BackupCopy> pruned;
        QDateTime clockWrong;
        QDateTime unconfirmed;
        QDateTime lastKnown;
    };
    static Pruning toPrune(const QList<BackupCopy>& copies, const QDateTime& now, const QDateTime& latestSeen,
                           const QDateTime& unconfirmed = {}, bool start = false);

    // The state of a cellar file: changed by every write, whatever program made it.
    static QString stampOf(const QString& database);
    // "quotidienne", "à la sortie", "avant restauration", "à la demande".
    static QString kindLabel(BackupCopy::Kind kind);
    // Whether `why` says another program holds the cellar at `cheminBase`: the file is whole, no copy
    // should replace it.
    static bool inUse(const Failure& why, const QString& cheminBase);
    // What the user can do about a cellar that cannot be read: restore a copy, the newest of `copies`
    // named by its date, or, without any, what is left.
    static QString restoreAdvice(const QList<BackupCopy>& copies);
    // The copies of the cellar at `cheminBase` found where the program keeps them, nothing made or changed:
    // for a cellar that cannot be read, whose folder may be gone.
    static QList<BackupCopy> copiesFound(const QString& cheminBase, const QString& fallback);
    // Why the cellar itself cannot be read whole (missing, not a cellar, pages damaged), or nothing.
    Status cellarUnreadable() const;

private:
    QString database() const;
    // Copies the cellar into `path` (a new file), checks the copy and records it.
    Status copyTo(BackupCatalogue& catalogue, const QString& path, BackupCopy::Kind kind,
                  const QDateTime& now);
    // Why a copy into `path` (written as `temporary`) failed, as the user is told it: the cellar damaged,
    // or the copy alone not written while the cellar stays as it was.
    Failure copyFailure(const BackupCatalogue& catalogue, const QString& path, const QString& temporary,
                        const Failure& why) const;
    // The scheduled copy of `kind`, when `due` says so of the catalogue; then the pruning.
    Outcome scheduled(BackupCopy::Kind kind, const QDateTime& now,
                      const std::function<bool(const BackupCatalogue&, bool clockWrong)>& due);
    // Deletes what is no longer kept, or tells once why nothing is; `start` when the program starts.
    QString prune(BackupCatalogue& catalogue, const QDateTime& now, bool start);

    FileSystem& m_files;
    QString m_cheminBase;
    QString m_fallback;
};
