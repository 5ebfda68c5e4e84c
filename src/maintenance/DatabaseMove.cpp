// SPDX-License-Identifier: GPL-3.0-or-later
#include "maintenance/DatabaseMove.h"

#include "database/CellarQueries.h"
#include "database/CellarSchema.h"
#include "database/DataLink.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

QString shown(const QString& path) {
    return QDir::toNativeSeparators(path);
}

bool sameBytes(const QString& a, const QString& b) {
    QFile fa(a), fb(b);
    if (!fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly) || fa.size() != fb.size())
        return false;
    while (!fa.atEnd())
        if (fa.read(1 << 20) != fb.read(1 << 20))
            return false;
    return true;
}

// "ORNY:12,COULEUR:3" or an error.
QString rowCounts(const QString& path, DbStatus& error) {
    DataLink link(path);
    const DbRows counts =
        link.query(QStringLiteral("SELECT (SELECT COUNT(*) FROM ORNY), (SELECT COUNT(*) FROM COULEUR)"));
    error = counts.error;
    return counts.ok() ? counts.rows.front().at(0).toString() + QLatin1Char(',') +
                             counts.rows.front().at(1).toString()
                       : QString();
}

} // namespace

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
    const QString native = QDir::toNativeSeparators(parent);
    return native.endsWith(QDir::separator()) ? native + name : native + QDir::separator() + name;
}

QString DatabaseMove::checkCopy(const QString& original, const QString& copy) {
    if (!sameBytes(original, copy))
        return QStringLiteral("la copie relue diffère de l'original");
    // The bytes are the original's, so what is left to prove is that the copy reads as a sound database:
    // the structural check; index contents are the original's own, proven equal above.
    DataLink link(copy);
    const DbRows integrity = link.query(QStringLiteral("PRAGMA quick_check"));
    link.close();
    if (!integrity.ok())
        return integrity.error->message;
    if (integrity.rows.empty() || integrity.rows.front().front().toString() != QLatin1String("ok"))
        return QStringLiteral("la copie n'a pas passé le contrôle d'intégrité");
    DbStatus errorOriginal, errorCopy;
    const QString before = rowCounts(original, errorOriginal);
    const QString after = rowCounts(copy, errorCopy);
    if (errorOriginal || errorCopy || before != after)
        return QStringLiteral("la copie ne contient pas les mêmes lots que l'original");
    return {};
}

DatabaseMove::Result DatabaseMove::run(const QString& oldBase, const QString& newFolder) {
    Result result;
    const QString original = CellarQueries::databasePath(oldBase);
    const QString target = CellarQueries::databasePath(newFolder + QDir::separator());
    const QString temporary = target + QStringLiteral(".copie");
    const auto failed = [&](const QString& why) {
        result.outcome = Outcome::Failed;
        result.message =
            QStringLiteral("La base n'a pas été déplacée : %1.\nElle est restée dans « %2 », intacte.")
                .arg(why, shown(oldBase));
        return result;
    };

    if (QFileInfo::exists(newFolder)) {
        result.outcome = Outcome::Refused;
        result.message =
            QStringLiteral("Le dossier « %1 » existe déjà !!\nLa base ne peut être déplacée que dans un "
                           "nouveau dossier : choisissez un autre nom.")
                .arg(shown(newFolder));
        return result;
    }
    if (CellarSchema::detectKind(original) != CellarSchema::FileKind::SQLite)
        return failed(QStringLiteral("la base « %1 » est introuvable ou illisible").arg(shown(original)));

    QString error;
    if (!m_files.makeFolder(newFolder, error))
        return failed(
            QStringLiteral("le dossier « %1 » n'a pas pu être créé (%2)").arg(shown(newFolder), error));
    const auto undo = [&] {
        QString ignored;
        if (QFileInfo::exists(temporary))
            m_files.removeFile(temporary, ignored);
        if (QFileInfo::exists(target))
            m_files.removeFile(target, ignored);
        m_files.removeFolder(newFolder);
    };
    if (!m_files.copyDurably(original, temporary, error)) {
        undo();
        return failed(QStringLiteral("la copie a échoué (%1)").arg(error));
    }
    const QString problem = checkCopy(original, temporary);
    if (!problem.isEmpty()) {
        undo();
        return failed(problem);
    }
    if (!m_files.rename(temporary, target, error)) {
        undo();
        return failed(QStringLiteral("la copie n'a pas pu être renommée (%1)").arg(error));
    }

    // From here the cellar is safe in the new folder: the move counts, whatever is left behind.
    result.outcome = Outcome::Moved;
    result.newBase = newFolder + QDir::separator();
    QStringList leftBehind;
    for (const QString& old : m_files.files(oldBase, QStringLiteral("Orny02.*")))
        if (!m_files.removeFile(old, error))
            leftBehind << shown(old);
    if (m_files.files(oldBase, QStringLiteral("*")).isEmpty())
        m_files.removeFolder(oldBase);
    if (!leftBehind.isEmpty())
        result.message =
            QStringLiteral("La base a été déplacée, mais ces fichiers de l'ancien dossier n'ont pas pu "
                           "être effacés :\n%1")
                .arg(leftBehind.join(QLatin1Char('\n')));
    return result;
}
