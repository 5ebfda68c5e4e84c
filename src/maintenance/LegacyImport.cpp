// SPDX-License-Identifier: GPL-3.0-or-later
#include "maintenance/LegacyImport.h"

#include "database/CellarSchema.h"
#include "maintenance/JetReader.h"

#include <QDir>
#include <cmath>

namespace LegacyImport {

namespace {

const QStringList Columns = {"NOM", "TYPE", "ANNEE", "COULEUR", "QUANTITE", "PRIXUNITAIRE"};

QString cannotImport(const QString& file, const QString& why) {
    return QStringLiteral("Le fichier « %1 » ne peut pas être importé : %2.\nLa cave n'a pas été modifiée.")
        .arg(QDir::toNativeSeparators(file), why);
}

// A whole number stays whole, whatever type the earlier table used.
QVariant number(const QVariant& v) {
    if (v.typeId() == QMetaType::Double && std::isfinite(v.toDouble()) &&
        std::floor(v.toDouble()) == v.toDouble() && std::fabs(v.toDouble()) < 1e15)
        return static_cast<qlonglong>(v.toDouble());
    if (v.typeId() == QMetaType::QString)
        return v.toString().toDouble();
    return v;
}

QVariant text(const QVariant& v) {
    return v.isNull() ? QVariant() : QVariant(v.toString());
}

} // namespace

Lots readLots(const QString& jetFile) {
    Lots lots;
    if (CellarSchema::detectKind(jetFile) != CellarSchema::FileKind::Jet) {
        lots.problem = CellarSchema::detectKind(jetFile) == CellarSchema::FileKind::Missing
                           ? QStringLiteral("il est introuvable")
                           : QStringLiteral("ce n'est pas une base d'une version antérieure "
                                            "de Brovane (fichier Access)");
        return lots;
    }
    const JetReader::Result read = JetReader::read(jetFile, QStringLiteral("ORNY"));
    if (!read.table) {
        lots.problem = read.problem;
        return lots;
    }
    std::vector<int> source;
    for (const QString& column : Columns) {
        int found = -1;
        for (int i = 0; i < read.table->columns.size(); ++i)
            if (read.table->columns.at(i).compare(column, Qt::CaseInsensitive) == 0)
                found = i;
        if (found < 0 && column != QLatin1String("PRIXUNITAIRE")) {
            lots.problem = QStringLiteral("sa table ORNY n'a pas de colonne %1").arg(column);
            return lots;
        }
        source.push_back(found);
    }
    lots.rows.reserve(read.table->rows.size());
    for (const DbRow& row : read.table->rows) {
        const auto at = [&](size_t i) {
            return source[i] < 0 ? QVariant() : row.at(static_cast<size_t>(source[i]));
        };
        lots.rows.push_back({text(at(0)), text(at(1)), number(at(2)), text(at(3)), number(at(4)),
                             at(5).isNull() ? QVariant() : QVariant(at(5).toDouble())});
    }
    return lots;
}

QStringList readColours(const QString& jetFile) {
    const JetReader::Result read = JetReader::read(jetFile, QStringLiteral("COULEUR"));
    QStringList colours;
    if (!read.table)
        return colours;
    int column = -1;
    for (int i = 0; i < read.table->columns.size(); ++i)
        if (read.table->columns.at(i).compare(QLatin1String("LIBELLE"), Qt::CaseInsensitive) == 0)
            column = i;
    if (column < 0)
        return colours;
    for (const DbRow& row : read.table->rows)
        if (!row.at(static_cast<size_t>(column)).isNull())
            colours << row.at(static_cast<size_t>(column)).toString();
    return colours;
}

Status appendLots(DataLink& link, const std::vector<DbRow>& lots) {
    return link.write([&lots](DataLink& l) -> Status {
        for (const DbRow& lot : lots)
            if (Status e = l.execute(QStringLiteral("INSERT INTO ORNY (NOM, TYPE, ANNEE, COULEUR, QUANTITE, "
                                                    "PRIXUNITAIRE) VALUES (?1, ?2, ?3, ?4, ?5, ?6)"),
                                     {lot.at(0), lot.at(1), lot.at(2), lot.at(3), lot.at(4), lot.at(5)}))
                return e;
        return std::nullopt;
    });
}

Result run(const QString& jetFile, const QString& databasePath) {
    Result result;
    // The current cellar is checked first: no point reading a file that could not be stored.
    DataLink link(databasePath);
    if (Status error = link.open()) {
        result.error = error->text();
        return result;
    }
    const Lots lots = readLots(jetFile);
    if (!lots.problem.isEmpty()) {
        result.error = cannotImport(jetFile, lots.problem);
        return result;
    }
    if (Status error = appendLots(link, lots.rows)) {
        result.error = error->text();
        return result;
    }
    result.added = static_cast<int>(lots.rows.size());
    return result;
}

} // namespace LegacyImport
