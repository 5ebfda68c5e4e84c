// SPDX-License-Identifier: GPL-3.0-or-later
#include "legacy/LegacyConversion.h"

#include "database/CellarQueries.h"
#include "database/CellarSchema.h"
#include "globals/Globals.h"
#include "legacy/JetReader.h"
#include "legacy/LegacyImport.h"
#include "storage/FileSystem.h"
#include "ui/BusyCursor.h"
#include "ui/Numbers.h"
#include "ui/Services.h"

#include <QDir>
#include <QFileInfo>

namespace LegacyConversion {

namespace {

using CellarFiles::shown;

Status checkConverted(const QString& path, int lots, int colours) {
    DataLink link(path);
    const DbRows check =
        link.query(QStringLiteral("SELECT (SELECT COUNT(*) FROM ORNY), (SELECT COUNT(*) FROM COULEUR)"));
    const DbRows integrity = link.query(QStringLiteral("PRAGMA integrity_check"));
    if (!check.ok() || !integrity.ok())
        return check.ok() ? integrity.error : check.error;
    if (integrity.rows.front().front().toString() != QLatin1String("ok"))
        return Failure{QStringLiteral("la nouvelle cave n'a pas passé le contrôle d'intégrité"), {}};
    if (check.rows.front().at(0).toInt() != lots || check.rows.front().at(1).toInt() != colours)
        return Failure{QStringLiteral("la nouvelle cave ne contient pas tous les lots lus"), {}};
    return std::nullopt;
}

} // namespace

// A name beside the cellar that no earlier conversion took.
QString keptNameFor(const QString& cheminBase) {
    QString path = cheminBase + QLatin1String(KeptName);
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = cheminBase + QStringLiteral("Orny02-ancien-format-%1.dat").arg(n);
    return path;
}
::Result<Converted> convert(const QString& helper, const QString& cheminBase) {
    FileSystem files;
    const QString original = CellarFiles::databasePath(cheminBase);
    const QString temporary = original + QStringLiteral(".conversion");
    const auto failed = [&](const Failure& why) {
        static_cast<void>(files.removeFile(temporary));
        return Failure{QStringLiteral("La cave « %1 » n'a pas été convertie : %2.\nLe fichier d'origine est "
                                      "intact, à sa place.")
                           .arg(shown(original), why.message),
                       why.detail};
    };

    QStringList colours = LegacyImport::readColours(helper, original);
    if (colours.isEmpty())
        colours = CellarSchema::DefaultColours;
    // The leftover of a conversion that was interrupted.
    if (FileSystem::present(temporary))
        static_cast<void>(files.removeFile(temporary));
    if (Status error = CellarSchema::createCellar(temporary, colours))
        return failed(*error);
    // Every lot is carried over as it stands: this is the user's own cellar, oddities included.
    qint64 lots = 0;
    {
        DataLink link(temporary);
        const Status written = link.write([&](DataLink& l) -> Status {
            const QString insert = CellarSchema::insertLotSql();
            const auto read = LegacyImport::readLots(helper, original, [&](const DbRow& lot) {
                return l.execute(insert, {lot.at(0), lot.at(1), lot.at(2), lot.at(3), lot.at(4), lot.at(5)});
            });
            if (!read.ok())
                return read.status();
            lots = read->lots;
            return std::nullopt;
        });
        if (written)
            return failed(*written);
    }
    if (Status problem = checkConverted(temporary, static_cast<int>(lots), static_cast<int>(colours.size())))
        return failed(*problem);

    const QString kept = keptNameFor(cheminBase);
    if (Status failure = files.rename(original, kept))
        return failed(*failure);
    if (Status failure = files.rename(temporary, original)) {
        static_cast<void>(files.rename(kept, original));
        return failed(*failure);
    }
    return Converted{static_cast<int>(lots), static_cast<int>(colours.size()), kept};
}

void offer(Globals& globals, Services& services, QWidget* parent) {
    const QString path = globals.databasePath();
    if (CellarSchema::detectKind(path) != CellarSchema::FileKind::Jet)
        return;
    const MessageBox::Answer answer = services.messages.show(
        parent, QStringLiteral("Brovane"),
        QStringLiteral(
            "La cave « %1 » a été créée par une version antérieure de Brovane.\n\n"
            "Voulez-vous la convertir maintenant ? Le fichier d'origine sera conservé à côté, sous le nom "
            "« %2 ».")
            .arg(shown(path), QFileInfo(keptNameFor(globals.CheminBase)).fileName()),
        MessageBox::Icon::Question, MessageBox::Buttons::YesNo);
    if (answer != MessageBox::Answer::Yes)
        return;
    const ::Result<Converted> result = [&] {
        BusyCursor busy;
        return convert(JetReader::helperIn(globals.CheminAppli), globals.CheminBase);
    }();
    if (!result.ok()) {
        services.messages.databaseError(parent, result.failure());
        return;
    }
    services.messages.notice(parent, QStringLiteral("La cave a été convertie : %1 et %2.\n\n"
                                                    "Le fichier d'origine est conservé sous « %3 ».")
                                         .arg(Numbers::counted(result->lots, QStringLiteral("lot")),
                                              Numbers::counted(result->colours, QStringLiteral("couleur")),
                                              shown(result->keptAs)));
}

} // namespace LegacyConversion
