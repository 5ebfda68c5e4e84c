// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/BuildFolderCellar.h"

#include "database/CellarFiles.h"
#include "database/DataLink.h"
#include "storage/Backups.h"
#include "storage/FileSystem.h"
#include "storage/SettingsFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace BuildFolderCellar {

using CellarFiles::shown;

namespace {

// The cellar as it stands, held against every writer while it is read, under a temporary name until it
// is whole and checked.
Status copyCellar(FileSystem& files, const QString& from, const QString& to) {
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly))
        return Failure{QStringLiteral("« %1 » ne peut pas être lu.").arg(shown(from)), source.errorString()};
    DataLink hold(from);
    if (Status failure = hold.holdForCopy())
        return failure;
    const QString temporary = to + QStringLiteral(".copie");
    if (FileSystem::present(temporary))
        files.removeFile(temporary).reset();
    if (Status failure = files.copyDurably(source, temporary))
        return failure;
    if (!FileSystem::sameBytes(source, temporary)) {
        files.removeFile(temporary).reset();
        return Failure{QStringLiteral("la copie relue de « %1 » diffère de l'original.").arg(shown(from)),
                       {}};
    }
    return files.rename(temporary, to);
}

// The earlier companions a user relies on: the daily copies and the view's columns. What is already
// there is kept.
void copyCompanions(FileSystem& files, const QString& programFolder, const QString& settingsFolder,
                    const QString& dataFolder) {
    const QString display = QStringLiteral("Affichage.ini");
    if (QFileInfo::exists(programFolder + display) && !FileSystem::present(settingsFolder + display))
        files.copyFile(programFolder + display, settingsFolder + display).reset();
    const QString oldCopies = programFolder + QLatin1String(Backups::FolderName) + QLatin1Char('/');
    const QString newCopies = dataFolder + QLatin1String(Backups::FolderName) + QLatin1Char('/');
    const QStringList copies = files.files(oldCopies, QStringLiteral("*"));
    if (!copies.isEmpty())
        QDir().mkpath(newCopies);
    for (const QString& copy : copies) {
        const QString target = newCopies + QFileInfo(copy).fileName();
        if (!FileSystem::present(target))
            files.copyFile(copy, target).reset();
    }
}

} // namespace

QString carry(FileSystem& files, const QString& programFolder, const QString& settingsFolder,
              const QString& dataFolder) {
    const QString earlierSettings = programFolder + QLatin1String(SettingsFile::FileName);
    const SettingsFile::Line earlier = SettingsFile::readLine(earlierSettings);
    if (earlier.state != SettingsFile::State::Read)
        return {};
    const bool ownSettings = FileSystem::present(settingsFolder + QLatin1String(SettingsFile::FileName));
    const QString earlierCellar = CellarFiles::databasePath(earlier.value);
    if (CellarFiles::folderOf(earlier.value) != programFolder) {
        // The user had moved his cellar to a folder of his own: the settings naming it become his.
        if (!ownSettings && !SettingsFile::write(files, settingsFolder, earlier.value))
            files.rename(earlierSettings, earlierSettings + QLatin1String(CarriedSuffix)).reset();
        return {};
    }
    if (!QFileInfo::exists(earlierCellar)) {
        files.rename(earlierSettings, earlierSettings + QLatin1String(CarriedSuffix)).reset();
        return {};
    }
    const QString ownCellar = CellarFiles::databasePath(dataFolder);
    const QString stillThere =
        QStringLiteral("Une cave d'une version précédente est restée dans « %1 », le dossier de "
                       "construction du programme : une nouvelle construction ou un nettoyage des sources "
                       "peut l'effacer.\n")
            .arg(shown(earlierCellar));
    if (ownSettings || FileSystem::present(ownCellar))
        return stillThere +
               QStringLiteral("Brovane garde maintenant la cave dans vos propres dossiers. Pour conserver "
                              "l'ancienne, copiez-la dans un dossier à vous et ouvrez-la par Fichier, "
                              "Configuration, « Utiliser une base existante » ; supprimez ensuite « %1 » "
                              "pour ne plus voir ce message.")
                   .arg(shown(earlierSettings));
    QDir().mkpath(dataFolder);
    QDir().mkpath(settingsFolder);
    if (Status failure = copyCellar(files, earlierCellar, ownCellar))
        return stillThere + QStringLiteral("Elle n'a pas pu être copiée dans « %1 » : %2\nBrovane l'ouvre "
                                           "là où elle est ; copiez-la vite dans un dossier à vous.")
                                .arg(shown(dataFolder), failure->message);
    copyCompanions(files, programFolder, settingsFolder, dataFolder);
    if (Status failure = SettingsFile::write(files, settingsFolder, dataFolder))
        return stillThere + failure->message;
    files.rename(earlierSettings, earlierSettings + QLatin1String(CarriedSuffix)).reset();
    return QStringLiteral(
               "Votre cave était dans « %1 », le dossier de construction du programme, qu'une "
               "nouvelle construction ou un nettoyage des sources peut effacer.\nElle a été copiée, "
               "avec ses sauvegardes, dans « %2 », où Brovane la garde désormais. L'ancienne est "
               "restée en place, intacte.")
        .arg(shown(earlierCellar), shown(ownCellar));
}

} // namespace BuildFolderCellar
