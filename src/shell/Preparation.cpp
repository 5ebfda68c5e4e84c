// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/Preparation.h"

#include "BuildInfo.h"
#include "database/CellarFiles.h"
#include "shell/BuildFolderCellar.h"
#include "shell/SingleCopy.h"
#include "storage/Backups.h"
#include "storage/DatabaseMove.h"
#include "storage/FileSystem.h"
#include "storage/SettingsFile.h"
#include "ui/MessageBox.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace Preparation {

bool refuseSecondCopy(SingleCopyLock& lock, MessageBox& messages) {
    switch (lock.tryLock()) {
    case SingleCopyLock::Outcome::Taken:
        return true;
    case SingleCopyLock::Outcome::HeldByCopy:
        messages.notice(
            nullptr, QStringLiteral("L'application est déjà en mémoire !!\n\nUtiliser la barre des taches"),
            MessageBox::Icon::Critical);
        return false;
    case SingleCopyLock::Outcome::Impossible:
        break;
    }
    // Without a lock nothing tells a second copy from the first: two could write the same cellar.
    messages.notice(nullptr,
                    QStringLiteral("Brovane ne peut pas vérifier qu'il n'est pas déjà ouvert : aucun verrou "
                                   "n'a pu être pris.\n%1\n\nPour ne pas risquer deux copies sur la même "
                                   "cave, il ne démarre pas. Rendez l'un de ces dossiers accessible, puis "
                                   "relancez Brovane.")
                        .arg(lock.problem()),
                    MessageBox::Icon::Critical);
    return false;
}

QString dateCompilation(const QDateTime& modified) {
    return modified.toString(QStringLiteral("dd/MM/yyyy")) + QStringLiteral(" à ") +
           modified.toString(QStringLiteral("HH:mm"));
}

QString versionAppli() {
    return QStringLiteral("%1.%2").arg(BuildInfo::VersionMajor).arg(BuildInfo::VersionMinor);
}

QString statusText(const QString& version) {
    return QString::fromUtf8(BuildInfo::ProductName) + QStringLiteral("  -  Version ") + version;
}

Globals prepare(const QString& executablePath, QStringList* notices) {
    const QFileInfo executable(executablePath);
    Globals g;
    g.CheminAppli = CellarFiles::withSeparator(executable.absolutePath());
    g.helpFile = g.CheminAppli + QStringLiteral("Orny.hlp");
    g.settingsFolder = g.CheminAppli;
    QString firstStart = g.CheminAppli;
    // An installed program, one started from the source tree (the build marks its folder too, so that no
    // build or clean can delete the cellar) or one whose folder cannot be written keeps each user's
    // settings and cellar in his own folders; the cellar starts as a copy of the delivered empty one.
    const bool perUser = QFileInfo::exists(g.CheminAppli + QLatin1String(InstalledMarker)) ||
                         !QFileInfo(g.CheminAppli).isWritable();
    if (perUser) {
        g.settingsFolder = userFolder(QStandardPaths::GenericConfigLocation);
        firstStart = userFolder(QStandardPaths::GenericDataLocation);
        QDir().mkpath(g.settingsFolder);
    }
    FileSystem files;
    QStringList told;
    if (perUser)
        if (const QString carried =
                BuildFolderCellar::carry(files, g.CheminAppli, g.settingsFolder, firstStart);
            !carried.isEmpty())
            told << carried;
    const SettingsFile::Loaded settings =
        SettingsFile::load(files, {g.settingsFolder, g.CheminAppli}, firstStart);
    g.CheminBase = settings.cheminBase;
    if (!settings.notice.isEmpty())
        told << settings.notice;
    const QString resumed = DatabaseMove(files, g.settingsFolder).resume(g.CheminBase);
    if (!resumed.isEmpty())
        told << resumed;
    // What a write, a copy or a restore killed before its end left behind: the files it was making are
    // not whole, and those it would have replaced are.
    for (const char* name : {"Orny.ini", DatabaseMove::RecordName})
        FileSystem::clearUnfinishedWrite(g.settingsFolder + QLatin1String(name));
    Backups(files, g.CheminBase, Backups::userFolder()).clearLeftovers();
    if (settings.firstStart && perUser) {
        const QString own = CellarFiles::databasePath(firstStart);
        QDir().mkpath(firstStart);
        if (!FileSystem::present(own))
            if (Status failure = files.copyFile(CellarFiles::databasePath(g.CheminAppli), own))
                told << failure->message;
    }
    if (notices)
        *notices << told;
    g.DateCompilation = dateCompilation(executable.lastModified());
    g.VersionAppli = versionAppli();
    return g;
}

} // namespace Preparation
