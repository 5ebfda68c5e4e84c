// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/DatabaseMove.h"

#include "database/CellarFiles.h"
#include "database/CellarSchema.h"
#include "database/DataLink.h"
#include "storage/Backups.h"
#include "storage/FileSystem.h"
#include "storage/SettingsFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <cerrno>

namespace {

using CellarFiles::shown;

struct Record {
    QString oldBase;
    QString newBase;
};

std::optional<Record> readRecord(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QList<QByteArray> lines = file.read(64 * 1024).split('\n');
    if (lines.size() < 2 || lines.at(0).isEmpty() || lines.at(1).isEmpty())
        return std::nullopt;
    return Record{QString::fromLocal8Bit(lines.at(0)), QString::fromLocal8Bit(lines.at(1))};
}

} // namespace

DatabaseMove::DatabaseMove(FileSystem& files, const QString& settingsFolder, const QString& fallback)
    : m_files(files), m_settingsFolder(settingsFolder),
      m_fallback(fallback.isEmpty() ? Backups::userFolder() : fallback) {}

QString DatabaseMove::nameProblem(const QString& name) {
    if (name.isEmpty())
        return QStringLiteral("Vous devez saisir un nom de dossier !!");
    if (name == QLatin1String(".") || name == QLatin1String("..") || name.contains(QLatin1Char('/')) ||
        name.contains(QLatin1Char('\\')) || name.contains(QChar(0)))
        return QStringLiteral(
                   "Le nom de dossier « %1 » n'est pas valable : il ne doit contenir ni « / » ni « \\ », "
                   "et ne peut être « . » ou « .. » !!")
            .arg(name);
    return {};
}

QString DatabaseMove::newFolder(const QString& parent, const QString& name) {
    return CellarFiles::withSeparator(parent) + name;
}

QString DatabaseMove::recordPath() const {
    return m_settingsFolder + QLatin1String(RecordName);
}

QStringList DatabaseMove::deleteCellar(const QString& base) {
    const QString database = CellarFiles::databasePath(base);
    QStringList leftBehind;
    for (const QString& file : QStringList{database} + CellarFiles::companions(database))
        if (FileSystem::present(file) && m_files.removeFile(file))
            leftBehind << shown(file);
    const QString folder = CellarFiles::folderOf(base);
    if (m_files.files(folder, QStringLiteral("*")).isEmpty())
        m_files.removeFolder(folder);
    return leftBehind;
}

QString DatabaseMove::copiesOf(const QString& base) const {
    for (const QString& folder : {Backups::besideFolder(base), Backups::fallbackFolder(m_fallback, base)})
        if (FileSystem::isFolder(folder.chopped(1)))
            return folder;
    return {};
}

Status DatabaseMove::carryCopies(const QString& from, const QString& to) {
    if (from.isEmpty() || !FileSystem::isFolder(from.chopped(1)))
        return std::nullopt;
    // On the same disk, one step: the copies are all in one place or all in the other.
    if (!FileSystem::present(to.chopped(1)) && !m_files.rename(from.chopped(1), to.chopped(1)))
        return std::nullopt;
    if (!FileSystem::isFolder(to.chopped(1)))
        if (Status failure = m_files.makeFolder(to.chopped(1)))
            return failure;
    for (const QString& file : m_files.files(from, QStringLiteral("*"))) {
        if (m_watch && m_watch->cancelled)
            return Failure{FileSystem::cause(ECANCELED), {}};
        const QString target = to + QFileInfo(file).fileName();
        if (FileSystem::isPlainFile(target) && FileSystem::sameBytes(file, target))
            continue;
        const QString temporary = target + QLatin1String(CopySuffix);
        if (FileSystem::present(temporary))
            m_files.removeFile(temporary).reset();
        if (Status failure = m_files.copyFile(file, temporary))
            return failure;
        if (!FileSystem::sameBytes(file, temporary))
            return Failure{QStringLiteral("la copie relue de « %1 » diffère de l'original.").arg(shown(file)),
                           {}};
        if (Status failure = m_files.rename(temporary, target))
            return failure;
    }
    return std::nullopt;
}

void DatabaseMove::dropCarried(const QString& from, const QString& to) {
    if (from.isEmpty() || !FileSystem::isFolder(from.chopped(1)))
        return;
    for (const QString& file : m_files.files(from, QStringLiteral("*"))) {
        const QString carried = to + QFileInfo(file).fileName();
        if (FileSystem::isPlainFile(carried) && FileSystem::sameBytes(file, carried))
            m_files.removeFile(file).reset();
    }
    m_files.removeFolder(from.chopped(1));
}

void DatabaseMove::bringBack(const QString& from, const QString& to) {
    if (from.isEmpty() || !FileSystem::isFolder(to.chopped(1)))
        return;
    if (!FileSystem::present(from.chopped(1)) && !m_files.rename(to.chopped(1), from.chopped(1)))
        return;
    // Copied, not renamed: the originals are still there, the copies and their temporaries go.
    for (const QString& file : m_files.files(to, QStringLiteral("*"))) {
        const QString original = from + QFileInfo(file).fileName();
        if (file.endsWith(QLatin1String(CopySuffix)) ||
            (FileSystem::isPlainFile(original) && FileSystem::sameBytes(file, original)))
            m_files.removeFile(file).reset();
    }
    m_files.removeFolder(to.chopped(1));
}

::Result<DatabaseMove::Moved> DatabaseMove::run(const QString& oldBase, const QString& newFolder) {
    const QString original = CellarFiles::databasePath(oldBase);
    const QString newBase = CellarFiles::withSeparator(newFolder);
    const QString target = CellarFiles::databasePath(newBase);
    const QString temporary = target + QLatin1String(CopySuffix);
    const QString oldCopies = copiesOf(oldBase);
    const QString newCopies = Backups::besideFolder(newBase);
    const auto failed = [&](const QString& why) {
        return Failure{
            QStringLiteral("La base n'a pas été déplacée : %1\nElle est restée dans « %2 », intacte.")
                .arg(why, shown(original)),
            {}};
    };
    // The user may cancel until the settings name the new folder.
    if (m_watch)
        m_files.stopWhen(&m_watch->cancelled);
    const auto unwatched = qScopeGuard([this] { m_files.stopWhen(nullptr); });
    const auto cancelled = [this] { return m_watch && m_watch->cancelled.load(); };
    const Failure cancel{QStringLiteral("vous avez annulé le déplacement."), {}};
    const auto reached = [this](int step) {
        if (m_watch)
            m_watch->step = step;
    };

    if (FileSystem::present(newFolder))
        return Failure{
            QStringLiteral("Le dossier « %1 » existe déjà !!\nLa base ne peut être déplacée que dans "
                           "un nouveau dossier : choisissez un autre nom.")
                .arg(shown(newFolder)),
            {}};
    if (CellarSchema::detectKind(original) != CellarSchema::FileKind::SQLite)
        return failed(QStringLiteral("la base « %1 » est introuvable ou illisible.").arg(shown(original)));

    // The file is read through one handle, opened before the engine's lock is taken and closed after it
    // is released: closing a handle on a file drops every lock the process holds on it.
    QFile source(original);
    if (!source.open(QIODevice::ReadOnly))
        return failed(CellarSchema::accessRefused(original, source.errorString()).message);
    // From here to the deletion of the old files, nobody else can change the cellar.
    DataLink hold(original);
    if (Status failure = hold.holdForCopy())
        return failed(failure->message);
    if (cancelled())
        return failed(cancel.message);
    const QByteArray record = oldBase.toLocal8Bit() + '\n' + newBase.toLocal8Bit() + '\n';
    if (Status failure = m_files.writeAtomically(recordPath(), record))
        return failed(failure->message);
    const auto undo = [&](const Failure& why) {
        bringBack(oldCopies, newCopies);
        for (const QString& file : {temporary, target})
            if (FileSystem::present(file))
                m_files.removeFile(file).reset();
        m_files.removeFolder(newFolder);
        m_files.removeFile(recordPath()).reset();
        return failed(why.message);
    };
    if (Status failure = m_files.makeFolder(newFolder)) {
        m_files.removeFile(recordPath()).reset();
        return failed(failure->message);
    }
    reached(1);
    if (Status failure = m_files.copyDurably(source, temporary))
        return undo(cancelled() ? cancel : *failure);
    reached(2);
    if (cancelled())
        return undo(cancel);
    if (!FileSystem::sameBytes(source, temporary))
        return undo({QStringLiteral("la copie relue diffère de l'original."), {}});
    reached(3);
    if (cancelled())
        return undo(cancel);
    if (Status failure = m_files.rename(temporary, target))
        return undo(*failure);
    reached(4);
    if (cancelled())
        return undo(cancel);
    if (Status failure = carryCopies(oldCopies, newCopies))
        return undo(
            cancelled()
                ? cancel
                : Failure{
                      QStringLiteral("les sauvegardes n'ont pas pu être copiées : %1").arg(failure->message),
                      failure->detail});
    reached(5);
    if (cancelled())
        return undo(cancel);
    if (Status failure = SettingsFile::write(m_files, m_settingsFolder, newBase))
        return undo(*failure);
    reached(6);

    // From here the cellar is safe in the new folder and the settings name it: the move counts.
    Moved moved{newBase, {}};
    dropCarried(oldCopies, newCopies);
    const QStringList leftBehind = deleteCellar(oldBase);
    hold.close();
    m_files.removeFile(recordPath()).reset();
    if (!leftBehind.isEmpty())
        moved.warning =
            QStringLiteral("La base a été déplacée, mais ces fichiers de l'ancien dossier n'ont pas pu "
                           "être effacés :\n%1")
                .arg(leftBehind.join(QLatin1Char('\n')));
    return moved;
}

QString DatabaseMove::resume(QString& cheminBase) {
    const std::optional<Record> record = readRecord(recordPath());
    if (!record) {
        if (FileSystem::present(recordPath()))
            m_files.removeFile(recordPath()).reset();
        return {};
    }
    const QString oldDatabase = CellarFiles::databasePath(record->oldBase);
    const QString newDatabase = CellarFiles::databasePath(record->newBase);
    const QString newFolder = QDir::fromNativeSeparators(record->newBase).chopped(1);
    const QString oldCopies = copiesOf(record->oldBase).isEmpty() ? Backups::besideFolder(record->oldBase)
                                                                  : copiesOf(record->oldBase);
    const QString newCopies = Backups::besideFolder(record->newBase);
    QString message;
    if (FileSystem::present(newDatabase)) {
        // The copy was checked before it took its name: the move was done but for the deletion.
        if (FileSystem::present(oldDatabase) && !FileSystem::sameBytes(oldDatabase, newDatabase)) {
            // Written to since: keep both, and the one the settings named before the move.
            cheminBase = record->oldBase;
            bringBack(oldCopies, newCopies);
            message = QStringLiteral("Le déplacement de la base a été interrompu et la base « %1 » a changé "
                                     "depuis.\nBrovane continue de l'utiliser ; la copie « %2 » a été "
                                     "laissée en place.")
                          .arg(shown(oldDatabase), shown(newDatabase));
        } else {
            cheminBase = record->newBase;
            message = QStringLiteral("Le déplacement de la base, interrompu, a été terminé : elle est "
                                     "maintenant dans « %1 ».")
                          .arg(shown(newDatabase));
            if (Status failure = carryCopies(oldCopies, newCopies))
                message += QStringLiteral("\nSes sauvegardes sont restées dans « %1 » : %2")
                               .arg(shown(oldCopies), failure->message);
            else
                dropCarried(oldCopies, newCopies);
            deleteCellar(record->oldBase);
        }
    } else if (FileSystem::present(oldDatabase)) {
        const QString temporary = newDatabase + QLatin1String(CopySuffix);
        if (FileSystem::present(temporary))
            m_files.removeFile(temporary).reset();
        bringBack(oldCopies, newCopies);
        m_files.removeFolder(newFolder);
        cheminBase = record->oldBase;
        message = QStringLiteral("Le déplacement de la base a été interrompu avant sa fin ; elle est restée "
                                 "dans « %1 », intacte.")
                      .arg(shown(oldDatabase));
    } else {
        // Neither file can be seen (a disk not mounted): decide nothing until it is back.
        return {};
    }
    if (Status failure = SettingsFile::write(m_files, m_settingsFolder, cheminBase))
        return message + QStringLiteral("\n") + failure->message;
    m_files.removeFile(recordPath()).reset();
    return message;
}
