// SPDX-License-Identifier: GPL-3.0-or-later
// A table of 100,000 lots brought into the cellar, against the sqlite3 shell's .import of the same file into
// the same table of the same cellar, with its indexes, and the same journal rows.
#include "BenchMain.h"
#include "FreshCellars.h"
#include "database/CellarSchema.h"
#include "spreadsheet/SheetImport.h"

#include <QDate>
#include <QFile>
#include <QProcess>

namespace {

const int Lots = 100000;

// The columns of ORNY in their order, so that the shell's .import takes the file as it is.
const QString& table() {
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString file = dir.path() + QStringLiteral("/cave.csv");
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly))
            qFatal("cannot write the table");
        out.write("Nom;Type;Année;Couleur;Quantité;Prix\n");
        for (int i = 0; i < Lots; ++i)
            out.write("Domaine " + QByteArray::number(i % 5000) + " cuvée " + QByteArray::number(i) +
                      ";Saint-Émilion grand cru;" + QByteArray::number(1990 + i % 30) + ";Rouge;" +
                      QByteArray::number(1 + i % 12) + ";" + QByteArray::number(5 + i % 90) + ",50\n");
        return file;
    }();
    return path;
}

// The reader and the settings the window holds once the review is done.
struct Prepared {
    std::unique_ptr<SheetReader> reader;
    SheetImport::Settings settings;
    Prepared() {
        OpenedSheet opened = openSheet(table());
        if (!opened.ok())
            qFatal("%s", qPrintable(opened.failure().message));
        reader = std::move(*opened.value());
        const Result<Cancellable<SheetImport::Sample>> sample = SheetImport::sample(*reader, 0, true, 1);
        if (!sample.ok())
            qFatal("%s", qPrintable(sample.failure().message));
        settings.mapping = LotReading::propose(sample.value()->headings);
        settings.currentYear = QDate::currentDate().year();
    }
};

// The import as the user runs it once the review is done: the file read again, each row read as a lot and
// checked, all of them written and journalled in one transaction.
void ImportCsv100k_ours(benchmark::State& state) {
    const Prepared prepared;
    SheetImport::Review review;
    review.valid = Lots;
    Bench::FreshCellars cellars;
    for (auto _ : state) {
        const QString cellar = cellars.next(state);
        const Bench::PeakMemory memory;
        const auto added = SheetImport::run(*prepared.reader, prepared.settings, review, cellar);
        if (!added.ok() || added.value() != Lots)
            state.SkipWithError("the import failed");
        state.counters["peak_MB"] = memory.megabytes();
    }
}

// The review: every row read and checked, nothing written.
void ReviewCsv100k_ours(benchmark::State& state) {
    const Prepared prepared;
    for (auto _ : state)
        if (const auto review = SheetImport::review(*prepared.reader, prepared.settings);
            !review.ok() || !review.value() || review.value()->valid != Lots)
            state.SkipWithError("the review failed");
}

// The sqlite3 shell: .import of the same file into ORNY and a journal row for each lot, in one transaction,
// durably; the journal's tables made first, with their indexes, as the program's first import makes them.
void ImportCsv100k_baseline(benchmark::State& state) {
    const QString file = table();
    const QString journal = QStringLiteral(
        "INSERT INTO MOUVEMENT (ID, QUAND, NATURE, GROUPE, LOT, LOT_AVANT, LOT_APRES, NOM_APRES, TYPE_APRES, "
        "ANNEE_APRES, COULEUR_APRES, QUANTITE_APRES, PRIXUNITAIRE_APRES, DETAIL_APRES, BOUTEILLES) SELECT "
        "rowid, '2026-01-01 00:00:00', 'import', 1, rowid, 0, 1, NOM, TYPE, ANNEE, COULEUR, QUANTITE, "
        "PRIXUNITAIRE, (SELECT json_array(BOIRE_DES, BOIRE_JUSQUA, EMPLACEMENT, NOTE, APPRECIATION) FROM "
        "DETAIL WHERE LOT = ORNY.rowid), IFNULL(QUANTITE, 0) FROM ORNY ORDER BY rowid;");
    Bench::FreshCellars cellars;
    for (auto _ : state) {
        const QString cellar = cellars.next(state);
        QProcess shell;
        shell.start(QStringLiteral("sqlite3"),
                    {QStringLiteral("-bail"), cellar, QStringLiteral("PRAGMA synchronous = FULL;"),
                     QStringLiteral("BEGIN IMMEDIATE;"), CellarSchema::createAddedTablesSql(),
                     QStringLiteral(".mode csv"), QStringLiteral(".separator ;"),
                     QStringLiteral(".import --skip 1 ") + file + QStringLiteral(" ORNY"), journal,
                     QStringLiteral("COMMIT;")});
        if (!shell.waitForFinished(120000) || shell.exitCode() != 0 ||
            !shell.readAllStandardError().isEmpty())
            state.SkipWithError("the shell's import failed");
    }
}

} // namespace

BENCH_PAIR(ImportCsv100k, ->Unit(benchmark::kMillisecond)->UseRealTime());
BENCHMARK(ReviewCsv100k_ours)->Name("ReviewCsv100k/ours")->Unit(benchmark::kMillisecond)->UseRealTime();
