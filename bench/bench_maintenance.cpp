// SPDX-License-Identifier: GPL-3.0-or-later
// Moving a cellar of 100,000 lots, checks included, against a plain copy of the same file.
#include "BenchMain.h"
#include "legacy/LegacyImport.h"
#include "storage/DatabaseMove.h"
#include "storage/FileSystem.h"

#include <QDir>
#include <QFile>
#include <QProcess>

namespace {

void MoveDatabase_ours(benchmark::State& state) {
    const auto& cellar = Bench::cellar(100000, 10000);
    QTemporaryDir work;
    FileSystem files;
    int n = 0;
    QString base = work.path() + QStringLiteral("/depart/");
    QDir().mkpath(base);
    QFile::copy(cellar.path, base + QStringLiteral("Orny02.dat"));
    for (auto _ : state) {
        const QString next = work.path() + QStringLiteral("/cave%1").arg(++n);
        const auto result = DatabaseMove(files, work.path() + QStringLiteral("/")).run(base, next);
        if (result.outcome != DatabaseMove::Outcome::Moved)
            state.SkipWithError("the move failed");
        base = result.newBase;
    }
}
BENCHMARK(MoveDatabase_ours)->Name("MoveDatabase100k/ours")->Unit(benchmark::kMillisecond);

void MoveDatabase_baseline(benchmark::State& state) {
    const auto& cellar = Bench::cellar(100000, 10000);
    QTemporaryDir work;
    int n = 0;
    for (auto _ : state) {
        const QString next = work.path() + QStringLiteral("/copie%1.dat").arg(++n);
        QFile::copy(cellar.path, next);
    }
}
BENCHMARK(MoveDatabase_baseline)->Name("MoveDatabase100k/baseline")->Unit(benchmark::kMillisecond);

} // namespace

namespace {

const QString TenThousand = QStringLiteral(BROVANE_FIXTURES "/jet/jet4-10000/Vin.mdb");

// The whole import, helper start included, into a fresh copy of the delivered cellar.
void ImportJet_ours(benchmark::State& state) {
    QTemporaryDir work;
    const QString cellar = work.path() + QStringLiteral("/Orny02.dat");
    QFile::copy(QStringLiteral(BROVANE_DELIVERED_DATABASE), cellar);
    QFile::setPermissions(cellar, QFile::ReadOwner | QFile::WriteOwner);
    for (auto _ : state) {
        const auto result = LegacyImport::run(QStringLiteral(BROVANE_PROGRAM_DIR "/brovane-lecteur-jet"),
                                              TenThousand, cellar);
        if (result.added != 10000)
            state.SkipWithError("the import failed");
    }
}
BENCHMARK(ImportJet_ours)->Name("ImportJet10000/ours")->Unit(benchmark::kMillisecond)->UseRealTime();

// The cost of reading alone: mdb-export of the same table to /dev/null.
void ImportJet_baseline(benchmark::State& state) {
    for (auto _ : state) {
        QProcess process;
        process.setStandardOutputFile(QProcess::nullDevice());
        process.start(QStringLiteral("mdb-export"), {TenThousand, QStringLiteral("ORNY")});
        if (!process.waitForFinished(60000) || process.exitCode() != 0)
            state.SkipWithError("mdb-export failed");
    }
}
BENCHMARK(ImportJet_baseline)->Name("ImportJet10000/baseline")->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
