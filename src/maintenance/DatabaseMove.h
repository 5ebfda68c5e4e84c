// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "maintenance/FileSystem.h"

#include <QString>

// Moves the cellar from its folder into a new folder, without ever losing it: the copy is written under
// a temporary name, flushed, checked against the original, and only then named Orny02.dat; the old
// files are deleted after that. Any failure before the deletion leaves everything as it was.
class DatabaseMove {
public:
    enum class Outcome { Moved, Refused, Failed };
    struct Result {
        Outcome outcome = Outcome::Failed;
        QString message; // for the user, on refusal or failure; a warning when moved
        QString newBase; // the new folder with its separator, when moved
    };

    explicit DatabaseMove(FileSystem& files) : m_files(files) {}

    // `oldBase` ends with the separator; `newFolder` does not.
    Result run(const QString& oldBase, const QString& newFolder);

    // A folder name the move accepts: not empty, no separator, not "." or "..".
    static QString nameProblem(const QString& name);
    // The new folder: the parent, a separator unless the parent already ends with one, and the name.
    static QString newFolder(const QString& parent, const QString& name);

private:
    QString checkCopy(const QString& original, const QString& copy);

    FileSystem& m_files;
};
