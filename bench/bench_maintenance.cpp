// SPDX-License-Identifier: GPL-3.0-or-later
// Moving a cellar of 100,000 lots, checks included, against a plain copy of the same file.
#include "BenchMain.h"
#include "maintenance/DatabaseMove.h"

#include <QDir>
#include <QFile>

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
        const auto result = DatabaseMove(files).run(base, next);
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
