// SPDX-License-Identifier: GPL-3.0-or-later
#include "BenchMain.h"
#include "database/CellarQueries.h"
#include "storage/Backups.h"
#include "storage/FileSystem.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <atomic>
#include <map>
#include <memory>
#include <sqlite3.h>
#include <string>
#include <thread>
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

// A program folder of its own: the start-up probe, its settings and a cellar of `lots` lots. `firstOfDay`
// folders lose their copies before each start; the others hold the day's copy of the cellar as it stands, so
// that their starts are the day's second.
struct ProgramFolder {
    QTemporaryDir dir;
    QString base;
    QString probe;
};

const ProgramFolder& programFolder(int lots, bool firstOfDay) {
    static std::map<std::pair<int, bool>, std::unique_ptr<ProgramFolder>> made;
    auto& slot = made[{lots, firstOfDay}];
    if (slot)
        return *slot;
    slot = std::make_unique<ProgramFolder>();
    slot->base = slot->dir.path() + QLatin1Char('/');
    slot->probe = slot->base + QStringLiteral("startup_probe");
    QFile::copy(QCoreApplication::applicationDirPath() + QStringLiteral("/startup_probe"), slot->probe);
    QFile::setPermissions(slot->probe, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile settings(slot->base + QStringLiteral("Orny.ini"));
    if (!settings.open(QIODevice::WriteOnly) || settings.write(slot->base.toLocal8Bit() + "\n") < 0)
        qFatal("settings not written");
    settings.close();
    QFile::copy(Bench::cellar(lots, lots / 10).path, slot->base + QStringLiteral("Orny02.dat"));
    FileSystem files;
    if (!firstOfDay && Backups(files, slot->base, slot->base).daily(QDateTime::currentDateTime()).failure)
        qFatal("program folder not prepared");
    return *slot;
}

// The whole program from its start until its window is shown, on the day's first start or its second.
void startOfDay(benchmark::State& state, bool firstOfDay) {
    const ProgramFolder& folder = programFolder(static_cast<int>(state.range(0)), firstOfDay);
    for (auto _ : state) {
        if (firstOfDay) {
            state.PauseTiming();
            QDir(folder.base + QLatin1String(Backups::FolderName)).removeRecursively();
            state.ResumeTiming();
        }
        QProcess process;
        process.start(folder.probe, {});
        if (!process.waitForFinished(60000) || process.exitCode() != 0)
            state.SkipWithError("the start-up program failed");
    }
}

void StartUpFirstOfDay_ours(benchmark::State& state) {
    startOfDay(state, true);
}

void StartUpFirstOfDay_baseline(benchmark::State& state) {
    startOfDay(state, false);
}

// A purchase recorded while the day's copy of the cellar is taken again and again beside it, against the
// same purchase alone: how long the copy holds the user's writes up. max_ms is the longest purchase.
void purchases(benchmark::State& state, bool beside) {
    const int lots = static_cast<int>(state.range(0));
    const QString cellar = Bench::copyOf(Bench::cellar(lots, lots / 10), QStringLiteral("achats.dat"));
    const QString base = QFileInfo(cellar).absolutePath() + QStringLiteral("/copie/");
    QDir().mkpath(base);
    QFile::remove(base + QStringLiteral("Orny02.dat"));
    QFile::rename(cellar, base + QStringLiteral("Orny02.dat"));
    std::atomic<bool> stop = false;
    std::atomic<int> copies = 0;
    std::thread copying;
    if (beside)
        copying = std::thread([&] {
            FileSystem files;
            while (!stop) {
                QDir(base + QLatin1String(Backups::FolderName)).removeRecursively();
                if (!Backups(files, base, base).daily(QDateTime::currentDateTime()).failure)
                    ++copies;
            }
        });
    double longest = 0;
    int n = 0;
    DataLink link(base + QStringLiteral("Orny02.dat"));
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        if (CellarQueries::addLot(link, {QStringLiteral("Achat %1").arg(++n), QStringLiteral("Loire"), 2001,
                                         QStringLiteral("Blanc"), 6, 12.5}))
            state.SkipWithError("the purchase failed");
        longest = std::max(longest, clock.nsecsElapsed() / 1e6);
    }
    stop = true;
    if (copying.joinable())
        copying.join();
    state.counters["max_ms"] = longest;
    state.counters["copies"] = copies.load();
}

void PurchaseDuringDailyCopy_ours(benchmark::State& state) {
    purchases(state, true);
}

void PurchaseDuringDailyCopy_baseline(benchmark::State& state) {
    purchases(state, false);
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
BENCH_PAIR(
    StartUpFirstOfDay, ->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime());
// Enough purchases to span whole copies of the larger cellar.
BENCH_PAIR(PurchaseDuringDailyCopy, ->Arg(100000)
                                        ->Arg(1000000)
                                        ->Iterations(200)
                                        ->Unit(benchmark::kMillisecond)
                                        ->UseRealTime());
BENCH_PAIR(DistinctNames100k, ->Unit(benchmark::kMillisecond));
