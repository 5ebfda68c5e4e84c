// SPDX-License-Identifier: GPL-3.0-or-later
#include "database/CellarSchema.h"

#include "database/CellarFiles.h"
#include "database/LotIdentity.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <SQLiteCpp/SQLiteCpp.h>

namespace CellarSchema {

using CellarFiles::shown;

namespace {

template <size_t N> QStringList columnNames(const char* const (&names)[N], const QString& alias) {
    const QString prefix = alias.isEmpty() ? QString() : alias + u'.';
    QStringList list;
    for (const char* name : names)
        list << prefix + QLatin1String(name);
    return list;
}

} // namespace

QStringList lotColumnNames(const QString& alias) {
    return columnNames(LotColumnNames, alias);
}

QString lotColumnList(const QString& alias) {
    return lotColumnNames(alias).join(QStringLiteral(", "));
}

QString detailColumnList(const QString& alias) {
    return columnNames(DetailColumnNames, alias).join(QStringLiteral(", "));
}

QString insertLotSql() {
    return QStringLiteral("INSERT INTO ORNY (%1) VALUES (?1, ?2, ?3, ?4, ?5, ?6)").arg(lotColumnList());
}

const QList<RequiredTable>& requiredTables() {
    static const QList<RequiredTable> tables = {
        {"ORNY", lotColumnNames()},
        {"COULEUR", {"LIBELLE"}},
    };
    return tables;
}

const QList<RequiredTable>& addedTables() {
    static const QList<RequiredTable> tables = [] {
        QStringList journal = {"ID", "QUAND", "NATURE", "GROUPE", "LOT", "LOT_AVANT", "LOT_APRES"};
        for (const char* suffix : {"AVANT", "APRES"})
            for (int c = 0; c < LotColumnCount; ++c)
                journal << lotColumn(static_cast<LotColumn>(c), suffix);
        journal << QStringList{"DETAIL_AVANT", "DETAIL_APRES", "BOUTEILLES", "ANNULE", "ANNULE_PAR"};
        const QStringList detail = QStringList{"LOT"} + detailColumnList().split(QStringLiteral(", ")) +
                                   QStringList{DetailFingerprint};
        return QList<RequiredTable>{{JournalTable, journal}, {DetailTable, detail}};
    }();
    return tables;
}

QString lotColumn(LotColumn column, const char* suffix) {
    return QStringLiteral("%1_%2").arg(QLatin1String(LotColumnNames[column]), QLatin1String(suffix));
}

QString createAddedTablesSql() {
    // The copies of a lot's values have no declared type, so that they keep the exact type and value
    // they had in ORNY, whatever wrote them there.
    QStringList copies;
    for (const char* suffix : {"AVANT", "APRES"})
        for (int c = 0; c < LotColumnCount; ++c)
            copies << lotColumn(static_cast<LotColumn>(c), suffix);
    return QStringLiteral(
               "CREATE TABLE IF NOT EXISTS MOUVEMENT (ID INTEGER PRIMARY KEY, QUAND TEXT NOT NULL, "
               "NATURE TEXT NOT NULL, GROUPE INTEGER NOT NULL, LOT INTEGER NOT NULL, LOT_AVANT INTEGER NOT "
               "NULL, LOT_APRES INTEGER, %1, DETAIL_AVANT, DETAIL_APRES, BOUTEILLES, ANNULE INTEGER, "
               "ANNULE_PAR INTEGER);"
               "CREATE INDEX IF NOT EXISTS MOUVEMENT_GROUPE ON MOUVEMENT (GROUPE);"
               "CREATE INDEX IF NOT EXISTS MOUVEMENT_LOT ON MOUVEMENT (LOT);"
               "CREATE INDEX IF NOT EXISTS MOUVEMENT_QUAND ON MOUVEMENT (QUAND);"
               // The movements an undo can still reach: the last one is found without a scan.
               "CREATE INDEX IF NOT EXISTS MOUVEMENT_A_ANNULER ON MOUVEMENT (GROUPE) "
               "WHERE ANNULE IS NULL AND ANNULE_PAR IS NULL;"
               "CREATE TABLE IF NOT EXISTS DETAIL (LOT INTEGER PRIMARY KEY, BOIRE_DES INTEGER, "
               "BOIRE_JUSQUA INTEGER, EMPLACEMENT TEXT, NOTE TEXT, APPRECIATION INTEGER, EMPREINTE INTEGER);")
        .arg(copies.join(QStringLiteral(", ")));
}

QString lotIndexesSql() {
    QString sql;
    for (const auto& [index, column] : LotIndexes)
        sql += QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON ORNY (%2 COLLATE NOCASE);")
                   .arg(QLatin1String(index), QLatin1String(column));
    return sql;
}

QString detailValueSql(const QString& lot) {
    // Aliases of their own, so that `lot` may name the caller's tables.
    return QStringLiteral("(SELECT json_array(%1) FROM DETAIL dv JOIN ORNY ov ON ov.rowid = dv.LOT WHERE "
                          "dv.LOT = %2 AND %3)")
        .arg(detailColumnList(QStringLiteral("dv")), lot,
             LotIdentity::detailOfSql(QStringLiteral("dv"), QStringLiteral("ov")));
}

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

Status createCellar(const QString& path, const QStringList& colours) {
    if (QFileInfo::exists(path))
        return engineFailure(path, QStringLiteral("le fichier existe déjà"));
    try {
        SQLite::Database db(path.toStdString(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        db.exec("PRAGMA journal_mode = DELETE");
        SQLite::Transaction transaction(db);
        // Indexes use built-in collations only, so that stock SQLite tools can still write the file.
        db.exec("CREATE TABLE ORNY (NOM TEXT, TYPE TEXT, ANNEE INTEGER, COULEUR TEXT, QUANTITE INTEGER, "
                "PRIXUNITAIRE REAL);"
                "CREATE TABLE COULEUR (LIBELLE TEXT);");
        db.exec(lotIndexesSql().toStdString());
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

Failure missingFile(const QString& path) {
    return {
        QStringLiteral("La base de données « %1 » est introuvable.\n"
                       "Si elle est dans un autre dossier, indiquez-le dans le menu Fichier, Configuration, "
                       "« Utiliser la base existante de ce dossier ».")
            .arg(shown(path)),
        {}};
}

Failure notACellar(const QString& path, const QString& detail) {
    return {
        QStringLiteral("Le fichier « %1 » n'est pas une base de données de Brovane, ou il est endommagé.\n"
                       "Rien n'y a été écrit.")
            .arg(shown(path)),
        detail};
}

Failure earlierFormat(const QString& path) {
    return {QStringLiteral("Le fichier « %1 » a été créé par une version antérieure de Brovane et doit être "
                           "converti avant usage.\nRedémarrez Brovane et acceptez la conversion.")
                .arg(shown(path)),
            {}};
}

Failure incomplete(const QString& path, const QString& what) {
    return {QStringLiteral("La base de données « %1 » est incomplète : il manque %2.\nRien n'y a été écrit.")
                .arg(shown(path), what),
            {}};
}

Failure foreignObjects(const QString& path, const QStringList& objects) {
    return {
        QStringLiteral("La base de données « %1 » contient des éléments que Brovane ne crée jamais (%2) : "
                       "ils pourraient modifier la cave à votre insu.\nPar prudence, elle n'est pas "
                       "ouverte et rien n'y a été écrit.")
            .arg(shown(path), objects.join(QStringLiteral(", "))),
        {}};
}

Failure diskFull(const QString& path, const QString& detail) {
    return {QStringLiteral("Le disque qui contient la base de données « %1 » est plein.\n"
                           "Libérez de la place puis réessayez ; aucune modification n'a été enregistrée.")
                .arg(shown(path)),
            detail};
}

Failure accessRefused(const QString& path, const QString& detail) {
    return {QStringLiteral("L'accès à la base de données « %1 » est refusé.\n"
                           "Vérifiez les droits sur ce fichier et sur son dossier ; aucune modification "
                           "n'a été enregistrée.")
                .arg(shown(path)),
            detail};
}

Failure moved(const QString& path) {
    return {QStringLiteral("La base de données « %1 » a été déplacée ou remplacée pendant l'opération.\n"
                           "Rien n'y a été écrit ; fermez cette fenêtre et rouvrez-la.")
                .arg(shown(path)),
            {}};
}

Failure locked(const QString& path, const QString& detail) {
    return {QStringLiteral("La base de données « %1 » est utilisée par un autre programme.\n"
                           "Fermez-le ou réessayez dans un instant.")
                .arg(shown(path)),
            detail};
}

Failure engineFailure(const QString& path, const QString& detail) {
    return {QStringLiteral("La base de données « %1 » n'a pas pu être lue ou écrite.\n"
                           "Aucune modification n'a été enregistrée.")
                .arg(shown(path)),
            detail};
}

} // namespace CellarSchema
