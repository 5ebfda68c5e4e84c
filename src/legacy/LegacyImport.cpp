// SPDX-License-Identifier: GPL-3.0-or-later
#include "legacy/LegacyImport.h"

#include "database/CellarFiles.h"
#include "database/CellarQueries.h"
#include "database/CellarSchema.h"
#include "database/Lot.h"
#include "legacy/JetReader.h"
#include "ui/Numbers.h"

#include <QDate>
#include <QDir>
#include <cmath>

namespace LegacyImport {

namespace {

// A whole number stays whole, whatever type the earlier table used.
QVariant number(const QVariant& v) {
    if (v.typeId() == QMetaType::Double && std::isfinite(v.toDouble()) &&
        std::floor(v.toDouble()) == v.toDouble() && std::fabs(v.toDouble()) < 1e15)
        return static_cast<qlonglong>(v.toDouble());
    if (v.typeId() == QMetaType::QString) {
        bool ok = false;
        const double value = v.toString().toDouble(&ok);
        return ok ? number(value) : v;
    }
    return v;
}

QVariant text(const QVariant& v) {
    return v.isNull() ? QVariant() : QVariant(v.toString());
}

QString counted(qint64 n, const char* what) {
    return Numbers::counted(n, QStringLiteral("lot")) + u' ' + QString::fromUtf8(what);
}

// Each rule a lot can break: its count and how the refusal reads.
struct Reason {
    LotRules::Fault fault;
    qint64 Refusals::*count;
    const char* what;
};
const Reason Reasons[] = {
    {LotRules::Fault::Name, &Refusals::name, "sans nom"},
    {LotRules::Fault::Type, &Refusals::type, "sans type"},
    {LotRules::Fault::Year, &Refusals::year, "dont l'année n'est pas valable"},
    {LotRules::Fault::Colour, &Refusals::colour, "sans couleur"},
    {LotRules::Fault::Quantity, &Refusals::quantity,
     "dont la quantité n'est pas un nombre entier de bouteilles"},
    {LotRules::Fault::Price, &Refusals::price, "dont le prix est négatif, trop élevé ou n'est pas un nombre"},
    {LotRules::Fault::TooLong, &Refusals::tooLong, "dont un texte est trop long"}};

void countRefusal(Refusals& refused, LotRules::Fault fault) {
    for (const Reason& reason : Reasons)
        if (reason.fault == fault)
            ++(refused.*reason.count);
}

// A failure that only serves to roll the transaction back.
const Failure Stopped{QStringLiteral("arrêt"), {}};

} // namespace

QString Refusals::describe() const {
    QStringList lines;
    for (const Reason& reason : Reasons)
        if (this->*reason.count > 0)
            lines << counted(this->*reason.count, reason.what);
    return lines.join(QLatin1Char('\n'));
}

::Result<Reading> readLots(const QString& helper, const QString& jetFile,
                           const std::function<Status(const DbRow& lot)>& lot, const Progress& progress) {
    const CellarSchema::FileKind kind = CellarSchema::detectKind(jetFile);
    if (kind != CellarSchema::FileKind::Jet)
        return Failure{kind == CellarSchema::FileKind::Missing
                           ? QStringLiteral("il est introuvable")
                           : QStringLiteral("ce n'est pas une base d'une version antérieure de Brovane "
                                            "(fichier Access)"),
                       {}};
    std::vector<int> source;
    JetReader::Handlers handlers;
    handlers.start = [&](const QStringList& columns, qint64) -> Status {
        for (const char* column : CellarSchema::LotColumnNames) {
            int found = -1;
            for (int i = 0; i < columns.size(); ++i)
                if (columns.at(i).compare(QLatin1String(column), Qt::CaseInsensitive) == 0)
                    found = i;
            if (found < 0 && qstrcmp(column, "PRIXUNITAIRE") != 0)
                return Failure{
                    QStringLiteral("sa table ORNY n'a pas de colonne %1").arg(QLatin1String(column)), {}};
            source.push_back(found);
        }
        return std::nullopt;
    };
    handlers.row = [&](const DbRow& row) {
        const auto at = [&](int i) {
            return source[static_cast<size_t>(i)] < 0
                       ? QVariant()
                       : row.at(static_cast<size_t>(source[static_cast<size_t>(i)]));
        };
        using namespace CellarSchema;
        const QVariant price = at(PrixUnitaire);
        return lot({text(at(Nom)), text(at(Type)), number(at(Annee)), text(at(Couleur)), number(at(Quantite)),
                    price.isNull() ? QVariant() : QVariant(price.toDouble())});
    };
    handlers.progress = progress;
    const ::Result<JetReader::Reading> read =
        JetReader::read(helper, jetFile, QStringLiteral("ORNY"), handlers);
    if (!read.ok())
        return read.failure();
    return Reading{read->rows, read->cancelled};
}

QStringList readColours(const QString& helper, const QString& jetFile) {
    QStringList colours;
    int column = -1;
    JetReader::Handlers handlers;
    handlers.start = [&](const QStringList& columns, qint64) -> Status {
        for (int i = 0; i < columns.size(); ++i)
            if (columns.at(i).compare(QLatin1String("LIBELLE"), Qt::CaseInsensitive) == 0)
                column = i;
        return std::nullopt;
    };
    handlers.row = [&](const DbRow& row) -> Status {
        const QVariant& v = column < 0 ? QVariant() : row.at(static_cast<size_t>(column));
        if (!v.isNull() && v.toString().size() <= LotRules::ColourWidth)
            colours << v.toString();
        return std::nullopt;
    };
    // A colour table is a handful of labels.
    JetReader::Limits limits;
    limits.rows = 1000;
    return JetReader::read(helper, jetFile, QStringLiteral("COULEUR"), handlers, limits).ok() ? colours
                                                                                              : QStringList();
}

Status appendLots(DataLink& link, const std::vector<DbRow>& lots) {
    return link.write([&lots](DataLink& l) {
        return CellarQueries::append(l, Journal::Kind::Import, [&lots](CellarQueries::Appender& appender) {
            for (const DbRow& values : lots)
                if (Status e = appender.add(Lot(values)))
                    return e;
            return Status();
        });
    });
}

Result run(const QString& helper, const QString& jetFile, const QString& databasePath,
           const Questions& questions) {
    Result result;
    // The current cellar is checked first: no point reading a file that could not be stored.
    DataLink link(databasePath);
    if ((result.failure = link.open()))
        return result;
    const int currentYear = QDate::currentDate().year();
    Status unreadable; // why the file could not be read whole, when it could not
    const auto importAll = [&](CellarQueries::Appender& appender) -> Status {
        Status stored; // the cellar's own failure to take a lot
        const auto take = [&](const DbRow& lot) -> Status {
            const LotRules::Fault fault = LotRules::check(lot, currentYear);
            if (fault != LotRules::Fault::None) {
                countRefusal(result.refused, fault);
                return std::nullopt;
            }
            ++result.added;
            return stored = appender.add(Lot(lot));
        };
        const ::Result<Reading> read = readLots(helper, jetFile, take, questions.progress);
        if (stored)
            return stored;
        if (!read.ok()) {
            unreadable = read.status();
            return Stopped;
        }
        if ((result.cancelled = read->cancelled))
            return Stopped;
        if (result.refused.total() > 0 &&
            !(questions.keepValid && questions.keepValid(result.added, result.refused))) {
            result.declined = true;
            return Stopped;
        }
        return std::nullopt;
    };
    // The lots go into the transaction as they are read: all of them are appended, or none.
    const Status written =
        link.write([&](DataLink& l) { return CellarQueries::append(l, Journal::Kind::Import, importAll); });
    if (!written)
        return result;
    result.added = 0;
    if (unreadable)
        result.failure = Failure{CellarFiles::notImported(jetFile, unreadable->message), {}};
    else if (!result.cancelled && !result.declined)
        result.failure = written;
    return result;
}

} // namespace LegacyImport
