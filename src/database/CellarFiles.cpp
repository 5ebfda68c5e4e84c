// SPDX-License-Identifier: GPL-3.0-or-later
#include "database/CellarFiles.h"

#include <QDir>
#include <QFileInfo>

namespace CellarFiles {

QString databasePath(const QString& cheminBase) {
    return cheminBase + QLatin1String(DatabaseFileName);
}

QString folderOf(const QString& cheminBase) {
    return withSeparator(QFileInfo(QDir::fromNativeSeparators(databasePath(cheminBase))).absolutePath());
}

QString withSeparator(const QString& folder) {
    const QString native = QDir::toNativeSeparators(folder);
    return native.endsWith(QDir::separator()) ? native : native + QDir::separator();
}

QStringList companions(const QString& databasePath) {
    return {databasePath + QStringLiteral("-journal"), databasePath + QStringLiteral("-wal"),
            databasePath + QStringLiteral("-shm")};
}

QString shown(const QString& path) {
    return QDir::toNativeSeparators(path);
}

QString notImported(const QString& file, const QString& why) {
    return QStringLiteral("Le fichier « %1 » ne peut pas être importé : %2.\nLa cave n'a pas été modifiée.")
        .arg(shown(file), why);
}

} // namespace CellarFiles
