// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database/Status.h"

#include <QString>
#include <atomic>

class FileSystem;

// Moves the cellar and its copies from its folder into a new folder without ever losing either, whatever
// instant the program dies at. While the cellar is held against every other writer, a record of the move
// is written beside the settings, the file is copied under a temporary name, flushed, compared with the
// original and only then named Orny02.dat; its copies follow in one rename, or on another disk each copied,
// compared and named the same way; the settings are rewritten, and only after that are the old files
// deleted. The record lets the next start finish or undo a move that was interrupted.
class DatabaseMove {
public:
    struct Moved {
        QString newBase; // the new folder with its separator
        QString warning; // what the user must still be told, or nothing
    };

    // What a window sees of a move running on another thread, and how it cancels it: the step reached, out
    // of Steps, and the user's cancel, which undoes the move at the next step, or within a few megabytes of
    // a copy, until the settings name the new folder; from then on the move ends.
    struct Watch {
        std::atomic<int> step{0};
        std::atomic<bool> cancelled{false};
    };
    static constexpr int Steps = 6;

    // `settingsFolder` is where Orny.ini is written; the record of a move in progress lives beside it.
    // `fallback` is the user's own data folder, where copies go that cannot stay beside the cellar.
    DatabaseMove(FileSystem& files, const QString& settingsFolder, const QString& fallback = {});

    void watchedBy(Watch* watch) { m_watch = watch; }

    // `oldBase` is the database folder as the settings hold it; `newFolder` has no final separator.
    // The cellar moved, or why not, as the user is told it.
    ::Result<Moved> run(const QString& oldBase, const QString& newFolder);

    // At start-up: finishes or undoes a move that was interrupted. `cheminBase` is what the settings
    // read; it becomes the folder that holds the cellar. Returns what the user must be told, or nothing.
    QString resume(QString& cheminBase);

    // A folder name the move accepts: not empty, no separator, not "." or "..".
    static QString nameProblem(const QString& name);
    // The new folder: the parent, a separator unless the parent already ends with one, and the name.
    static QString newFolder(const QString& parent, const QString& name);

    static constexpr const char* RecordName = "Orny.ini.deplacement";
    static constexpr const char* CopySuffix = ".copie";

private:
    QString recordPath() const;
    // The cellar's file and the engine's companion files, deleted once the copy is in place.
    QStringList deleteCellar(const QString& base);
    // Where the copies of the cellar at `base` are, or nothing when it has none.
    QString copiesOf(const QString& base) const;
    // Puts every copy of `from` into `to`, whole; `from` stays until dropCarried.
    Status carryCopies(const QString& from, const QString& to);
    // Deletes from `from` the copies that are whole in `to`, then the folder once it is empty.
    void dropCarried(const QString& from, const QString& to);
    // The move undone: the copies back in `from`, nothing of them left in `to`.
    void bringBack(const QString& from, const QString& to);

    FileSystem& m_files;
    QString m_settingsFolder;
    QString m_fallback;
    Watch* m_watch = nullptr;
};
