// SPDX-License-Identifier: GPL-3.0-or-later
#include "BenchMain.h"
#include "database/CellarQueries.h"

#include <QCoreApplication>
#include <QProcess>
#include <sqlite3.h>
#include <string>
#include <vector>

namespace {

// A whole process, from its start until its window is shown.
void runProcess(benchmark::State& state, const char* name) {
    const QString program = QCoreApplication::applicationDirPath() + QLatin1Char('/') + QLatin1String(name);
    for (auto _ : state) {
        QProcess process;
        process.start(program, {});
        if (!process.waitForFinished(30000) || process.exitCode() != 0)
            state.SkipWithError("the start-up program failed");
    }
}

void StartUp_ours(benchmark::State& state) {
    runProcess(state, "startup_probe");
}

void StartUp_baseline(benchmark::State& state) {
    runProcess(state, "bare_window");
}

void DistinctNames100k_ours(benchmark::State& state) {
    const auto& cellar = Bench::cellar(100000, 10000);
    for (auto _ : state) {
        DataLink link(cellar.path);
        const auto names = CellarQueries::distinctValues(link, QStringLiteral("NOM"));
        benchmark::DoNotOptimize(names.values.size());
        link.close();
    }
}

// Plain SQLite on the same file: the grouped query with the built-in NOCASE collation.
void DistinctNames100k_baseline(benchmark::State& state) {
    const auto& cellar = Bench::cellar(100000, 10000);
    const std::string path = cellar.path.toStdString();
    for (auto _ : state) {
        sqlite3* db = nullptr;
        sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, "SELECT NOM FROM ORNY WHERE NOM IS NOT NULL GROUP BY NOM COLLATE NOCASE", -1,
                           &st, nullptr);
        std::vector<std::string> names;
        while (sqlite3_step(st) == SQLITE_ROW)
            names.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        sqlite3_finalize(st);
        sqlite3_close(db);
        benchmark::DoNotOptimize(names.size());
    }
}

} // namespace

BENCH_PAIR(StartUp, ->Unit(benchmark::kMillisecond)->UseRealTime());
BENCH_PAIR(DistinctNames100k, ->Unit(benchmark::kMillisecond));
