// SPDX-License-Identifier: GPL-3.0-or-later
#include "database/CellarSchema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <SQLiteCpp/SQLiteCpp.h>

namespace CellarSchema {

namespace {
QString shown(const QString& path) {
    return QDir::toNativeSeparators(path);
}
} // namespace

FileKind detectKind(const QString& path) {
    QFileInfo info(path);
    if (!info.exists() || !info.isFile())
        return FileKind::Missing;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return FileKind::Unreadable;
    const QByteArray head = file.read(32);
    if (head.isEmpty())
        return FileKind::Empty;
    if (head.startsWith(QByteArrayLiteral("SQLite format 3\0")))
        return FileKind::SQLite;
    if (head.mid(4, 15) == "Standard Jet DB" || head.mid(4, 15) == "Standard ACE DB")
        return FileKind::Jet;
    return FileKind::Other;
}

DbStatus createCellar(const QString& path, const QStringList& colours) {
    if (QFileInfo::exists(path))
        return engineFailure(path, QStringLiteral("le fichier existe déjà"));
    try {
        SQLite::Database db(path.toStdString(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        db.exec("PRAGMA journal_mode = DELETE");
        SQLite::Transaction transaction(db);
        // Indexes use built-in collations only, so that stock SQLite tools can still write the file.
        db.exec("CREATE TABLE ORNY (NOM TEXT, TYPE TEXT, ANNEE INTEGER, COULEUR TEXT, QUANTITE INTEGER, "
                "PRIXUNITAIRE REAL);"
                "CREATE TABLE COULEUR (LIBELLE TEXT);"
                "CREATE INDEX ORNY_NOM ON ORNY (NOM COLLATE NOCASE);"
                "CREATE INDEX ORNY_TYPE ON ORNY (TYPE COLLATE NOCASE);");
        SQLite::Statement insert(db, "INSERT INTO COULEUR (LIBELLE) VALUES (?1)");
        for (const QString& colour : colours) {
            insert.bind(1, colour.toStdString());
            insert.exec();
            insert.reset();
        }
        transaction.commit();
        return std::nullopt;
    } catch (const SQLite::Exception& e) {
        QFile::remove(path);
        return engineFailure(path, QString::fromUtf8(e.what()));
    }
}

DbError missingFile(const QString& path) {
    return {QStringLiteral("La base de données « %1 » est introuvable.\n"
                           "Vérifiez le dossier de la base (menu Fichier, Configuration).")
                .arg(shown(path)),
            {}};
}

DbError notACellar(const QString& path, const QString& detail) {
    return {
        QStringLiteral("Le fichier « %1 » n'est pas une base de données de Brovane, ou il est endommagé.\n"
                       "Rien n'y a été écrit.")
            .arg(shown(path)),
        detail};
}

DbError earlierFormat(const QString& path) {
    return {QStringLiteral("Le fichier « %1 » a été créé par une version antérieure de Brovane et doit être "
                           "converti avant usage.\nRedémarrez Brovane et acceptez la conversion.")
                .arg(shown(path)),
            {}};
}

DbError incomplete(const QString& path, const QString& what) {
    return {QStringLiteral("La base de données « %1 » est incomplète : il manque %2.\nRien n'y a été écrit.")
                .arg(shown(path), what),
            {}};
}

DbError locked(const QString& path, const QString& detail) {
    return {QStringLiteral("La base de données « %1 » est utilisée par un autre programme.\n"
                           "Fermez-le ou réessayez dans un instant.")
                .arg(shown(path)),
            detail};
}

DbError engineFailure(const QString& path, const QString& detail) {
    return {QStringLiteral("La base de données « %1 » n'a pas pu être lue ou écrite.\n"
                           "Aucune modification n'a été enregistrée.")
                .arg(shown(path)),
            detail};
}

} // namespace CellarSchema
