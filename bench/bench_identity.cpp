// SPDX-License-Identifier: GPL-3.0-or-later
// Valider of one purchase in a cellar whose every lot has details, against the same writes done by plain
// SQLite: the lot, its journal row and the type list read again, in one transaction, synced the same way.
#include "BenchMain.h"
#include "database/CellarQueries.h"
#include "database/Lot.h"
#include "purchases/Saisie.h"
#include "ui/Services.h"

#include <QDir>
#include <QFile>
#include <sqlite3.h>

namespace {

constexpr int Names = 10000;

// A copy of the bench cellar of `lots` lots in a program folder, every lot with a place and a window, the
// journal's tables made by the program as its first write makes them.
struct Fixture {
    Fixture(const char* name, int lots) {
        const QString path = Bench::copyOf(Bench::cellar(lots, Names), QString::fromLatin1(name));
        globals.CheminBase = path.left(path.lastIndexOf(QLatin1Char('/')) + 1) + QStringLiteral("sub/");
        QDir().mkpath(globals.CheminBase);
        QFile::remove(globals.databasePath());
        QFile::rename(path, globals.databasePath());
        services.setScripted(true);
        DataLink link(globals.databasePath());
        Status made = CellarQueries::addLot(link, {QStringLiteral("Premier"), QStringLiteral("Loire"), 2001,
                                                   QStringLiteral("Blanc"), 1, 5.0});
        if (!made)
            made = link.execute(QStringLiteral(
                "INSERT OR REPLACE INTO DETAIL (LOT, BOIRE_DES, BOIRE_JUSQUA, EMPLACEMENT, EMPREINTE) SELECT "
                "rowid, 2025, 2030, 'Cave ' || (rowid % 40), EMPREINTE_LOT(NOM, TYPE, ANNEE, COULEUR, "
                "QUANTITE, PRIXUNITAIRE) FROM ORNY"));
        if (made)
            qFatal("%s", qPrintable(made->text()));
    }
    Globals globals;
    Services services;
};

// What Valider does once the fields are checked.
struct Purchase : Saisie {
    using Saisie::record;
    using Saisie::Saisie;
};

void valider(benchmark::State& state) {
    Fixture f("valider.dat", static_cast<int>(state.range(0)));
    Purchase window(f.globals, f.services);
    LotDetails details;
    details.emplacement = QStringLiteral("Cave 3");
    const Lot lot(QStringLiteral("Margaux"), QStringLiteral("Bordeaux"), 1998, QStringLiteral("Rouge"), 6,
                  12.5, details);
    // The window's first look at the file is its opening's, not Valider's.
    window.record(lot);
    for (auto _ : state)
        if (!window.record(lot))
            state.SkipWithError("the purchase failed");
}

void valider_plain(benchmark::State& state) {
    Fixture f("valider-plain.dat", static_cast<int>(state.range(0)));
    sqlite3* db = nullptr;
    sqlite3_open_v2(f.globals.databasePath().toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_exec(db, "PRAGMA synchronous = FULL; PRAGMA journal_mode = DELETE", nullptr, nullptr, nullptr);
    sqlite3_stmt* types = nullptr;
    sqlite3_prepare_v2(db, "SELECT TYPE FROM ORNY WHERE TYPE IS NOT NULL GROUP BY TYPE COLLATE NOCASE", -1,
                       &types, nullptr);
    for (auto _ : state) {
        const int written = sqlite3_exec(
            db,
            "BEGIN IMMEDIATE; INSERT INTO ORNY VALUES ('Margaux', 'Bordeaux', 1998, 'Rouge', 6, 12.5); "
            "INSERT INTO DETAIL (LOT, EMPLACEMENT) VALUES (last_insert_rowid(), 'Cave 3'); "
            "INSERT INTO MOUVEMENT (QUAND, NATURE, GROUPE, LOT, LOT_AVANT, LOT_APRES, NOM_APRES, TYPE_APRES, "
            "ANNEE_APRES, COULEUR_APRES, QUANTITE_APRES, PRIXUNITAIRE_APRES, BOUTEILLES) VALUES "
            "(datetime('now'), 'achat', (SELECT IFNULL(MAX(ID), 0) + 1 FROM MOUVEMENT), "
            "last_insert_rowid(), 0, 1, 'Margaux', 'Bordeaux', 1998, 'Rouge', 6, 12.5, 6); COMMIT",
            nullptr, nullptr, nullptr);
        if (written != SQLITE_OK)
            state.SkipWithError(sqlite3_errmsg(db));
        int rows = 0;
        while (sqlite3_step(types) == SQLITE_ROW)
            ++rows;
        sqlite3_reset(types);
        benchmark::DoNotOptimize(rows);
    }
    sqlite3_finalize(types);
    sqlite3_close(db);
}

void Valider_ours(benchmark::State& state) {
    valider(state);
}

void Valider_baseline(benchmark::State& state) {
    valider_plain(state);
}

} // namespace

BENCH_PAIR(Valider, ->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond));
