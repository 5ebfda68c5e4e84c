// SPDX-License-Identifier: GPL-3.0-or-later
// A table of 100,000 lots brought into the cellar, against the sqlite3 shell's .import of the same file into
// the same table of the same cellar, with its indexes.
#include "BenchMain.h"
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

// The import as the user runs it once the review is done: the file read again, each row read as a lot and
// checked, all of them written and journalled in one transaction.
void ImportCsv100k_ours(benchmark::State& state) {
    const QString file = table();
    QTemporaryDir work;
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const QString cellar = Bench::freshCellar(work, ++n);
        QString problem;
        std::unique_ptr<SheetReader> reader = openSheet(file, problem);
        SheetImport::Settings settings;
        settings.mapping = LotReading::propose(SheetImport::sample(*reader, 0, true, 1).headings);
        settings.currentYear = QDate::currentDate().year();
        SheetImport::Review review;
        review.valid = Lots;
        state.ResumeTiming();
        const Bench::PeakMemory memory;
        if (SheetImport::run(*reader, settings, review, cellar).added != Lots)
            state.SkipWithError("the import failed");
        state.counters["peak_MB"] = memory.megabytes();
    }
}

// The review: every row read and checked, nothing written.
void ReviewCsv100k_ours(benchmark::State& state) {
    const QString file = table();
    QString problem;
    std::unique_ptr<SheetReader> reader = openSheet(file, problem);
    SheetImport::Settings settings;
    settings.mapping = LotReading::propose(SheetImport::sample(*reader, 0, true, 1).headings);
    settings.currentYear = QDate::currentDate().year();
    for (auto _ : state)
        if (SheetImport::review(*reader, settings).valid != Lots)
            state.SkipWithError("the review failed");
}

// The sqlite3 shell: .import of the same file into ORNY, in one transaction, durably.
void ImportCsv100k_baseline(benchmark::State& state) {
    const QString file = table();
    QTemporaryDir work;
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const QString cellar = Bench::freshCellar(work, ++n);
        state.ResumeTiming();
        QProcess shell;
        shell.start(QStringLiteral("sqlite3"),
                    {cellar, QStringLiteral("PRAGMA synchronous = FULL;"), QStringLiteral(".mode csv"),
                     QStringLiteral(".separator ;"),
                     QStringLiteral(".import --skip 1 ") + file + QStringLiteral(" ORNY")});
        if (!shell.waitForFinished(120000) || shell.exitCode() != 0)
            state.SkipWithError("the shell's import failed");
    }
}

} // namespace

BENCH_PAIR(ImportCsv100k, ->Unit(benchmark::kMillisecond)->UseRealTime());
BENCHMARK(ReviewCsv100k_ours)->Name("ReviewCsv100k/ours")->Unit(benchmark::kMillisecond)->UseRealTime();
