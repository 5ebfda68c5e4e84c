// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database/CellarFiles.h"

#include <QStandardPaths>
#include <QString>

// The four values shared by the whole program, prepared at start-up. Only CheminBase changes later,
// when the database is moved.
struct Globals {
    QString CheminAppli;     // program folder, ending with the separator
    QString CheminBase;      // database folder, ending with the separator
    QString VersionAppli;    // "1.3"
    QString DateCompilation; // "06/04/2000 à 14:05"
    QString helpFile;        // CheminAppli + "Orny.hlp"
    QString settingsFolder;  // where Orny.ini lives: the program folder

    QString databasePath() const { return CellarFiles::databasePath(CheminBase); }
};

// The user's own folder of that kind for Brovane, with its separator: where an installed program keeps
// his settings (GenericConfigLocation) and his cellar and its copies (GenericDataLocation).
inline QString userFolder(QStandardPaths::StandardLocation kind) {
    return CellarFiles::withSeparator(QStandardPaths::writableLocation(kind) + QStringLiteral("/brovane"));
}
