// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database/CellarFiles.h"

#include <QDir>
#include <QFileInfo>
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

    // Whether `path` is the program folder or lies anywhere inside it, links followed: a rebuild, an
    // update or an uninstall deletes what is there, so the user's files never go there.
    bool insideProgramFolder(const QString& path) const {
        if (CheminAppli.isEmpty() || path.isEmpty())
            return false;
        const QString program = resolved(CheminAppli);
        const QString candidate = resolved(path);
        return candidate == program || candidate.startsWith(CellarFiles::withSeparator(program));
    }

    // The path as the disk names it, links followed; a part that does not exist yet is kept as written
    // after the nearest folder above it that does.
    static QString resolved(const QString& path) {
        QString existing = QDir::cleanPath(QFileInfo(QDir::fromNativeSeparators(path)).absoluteFilePath());
        QString rest;
        while (!QFileInfo::exists(existing)) {
            const qsizetype cut = existing.lastIndexOf(QLatin1Char('/'));
            if (cut < 0)
                break;
            rest.prepend(existing.mid(cut));
            existing = cut == 0 ? QStringLiteral("/") : existing.left(cut);
        }
        const QString canonical = QFileInfo(existing).canonicalFilePath();
        return QDir::cleanPath((canonical.isEmpty() ? existing : canonical) + rest);
    }
};

// The user's own folder of that kind for Brovane, with its separator: where an installed program keeps
// his settings (GenericConfigLocation) and his cellar and its copies (GenericDataLocation).
inline QString userFolder(QStandardPaths::StandardLocation kind) {
    return CellarFiles::withSeparator(QStandardPaths::writableLocation(kind) + QStringLiteral("/brovane"));
}
