// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/SettingsFile.h"

#include "database/CellarFiles.h"
#include "storage/FileSystem.h"

#include <QDir>
#include <QFile>

namespace SettingsFile {

namespace {

// Longer than any real path; a bigger first line is not a settings file of ours.
constexpr qint64 MaxLineBytes = 32 * 1024;

using CellarFiles::shown;

// A name beside the file that no earlier setting aside took.
QString freeSetAsideName(const QString& path) {
    QString aside = path + QLatin1String(SetAsideSuffix);
    for (int n = 2; FileSystem::present(aside); ++n)
        aside = path + QLatin1String(SetAsideSuffix) + QStringLiteral("-%1").arg(n);
    return aside;
}

} // namespace

Line readLine(const QString& path) {
    Line line;
    if (!FileSystem::present(path))
        return line;
    line.state = State::Unreadable;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return line;
    const QByteArray head = file.read(MaxLineBytes + 1);
    qsizetype end = 0;
    while (end < head.size() && head.at(end) != '\r' && head.at(end) != '\n')
        ++end;
    if (end == 0 || end > MaxLineBytes)
        return line;
    const QByteArray first = head.left(end);
    for (const char c : first)
        if (static_cast<unsigned char>(c) < 0x20)
            return line;
    line.state = State::Read;
    line.value = QString::fromLocal8Bit(first);
    return line;
}

Status write(FileSystem& files, const QString& folder, const QString& cheminBase) {
    return files.writeAtomically(folder + QLatin1String(FileName), cheminBase.toLocal8Bit() + '\n');
}

Loaded load(FileSystem& files, const Places& places, const QString& firstStart) {
    Loaded loaded;
    QStringList setAside;
    QStringList folders = {places.writeFolder};
    if (!places.programFolder.isEmpty() && places.programFolder != places.writeFolder)
        folders << places.programFolder;
    for (const QString& folder : folders) {
        const QString path = folder + QLatin1String(FileName);
        const Line line = readLine(path);
        if (line.state == State::Read) {
            loaded.cheminBase = line.value;
            // A folder written without its final separator names a file beside it, as the earlier
            // program read it: said at once when there is no such file.
            const QString looked = CellarFiles::databasePath(line.value);
            if (!line.value.endsWith(u'/') && !line.value.endsWith(u'\\') && !FileSystem::present(looked))
                setAside << QStringLiteral("Le fichier de paramètres « %1 » indique le dossier « %2 » sans "
                                           "séparateur final : la base cherchée est donc « %3 », qui est "
                                           "introuvable.")
                                .arg(CellarFiles::shown(path), CellarFiles::shown(line.value),
                                     CellarFiles::shown(looked));
            break;
        }
        if (line.state == State::Unreadable) {
            const QString aside = freeSetAsideName(path);
            setAside
                << (files.rename(path, aside)
                        ? QStringLiteral("Le fichier de paramètres « %1 » est illisible et n'a pas pu être "
                                         "mis de côté ; il est ignoré.")
                              .arg(shown(path))
                        : QStringLiteral("Le fichier de paramètres « %1 » était illisible ; il est conservé "
                                         "sous le nom « %2 ».")
                              .arg(shown(path), shown(aside)));
        }
    }
    if (loaded.cheminBase.isEmpty()) {
        loaded.firstStart = true;
        loaded.cheminBase = firstStart;
        if (Status failure = write(files, places.writeFolder, firstStart))
            setAside << QStringLiteral("%1\nLe dossier de la base ne sera pas retenu au prochain démarrage.")
                            .arg(failure->message);
    }
    if (!setAside.isEmpty())
        loaded.notice =
            setAside.join(QLatin1Char('\n')) +
            QStringLiteral("\n\nBrovane utilise maintenant la base « %1 ».\nSi votre cave est ailleurs, "
                           "indiquez son dossier dans Fichier, Configuration, « Utiliser la base existante "
                           "de ce dossier ».")
                .arg(shown(CellarFiles::databasePath(loaded.cheminBase)));
    return loaded;
}

} // namespace SettingsFile
